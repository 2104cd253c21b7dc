// One QApplication for a whole GoogleTest executable (offscreen platform), created before the
// first test and kept to the end.
#pragma once

#include <memory>

#include <QApplication>
#include <gtest/gtest.h>

class TQtAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "tinkla-ui-test";
        static char* argv[] = {name, nullptr};
        App = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { App.reset(); }

private:
    std::unique_ptr<QApplication> App;
};

inline ::testing::Environment* const QtAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtAppEnvironment);

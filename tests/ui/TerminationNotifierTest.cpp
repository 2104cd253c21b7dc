#include "ui/TerminationNotifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <vector>

namespace {
int Argc = 1;
char Name[] = "TerminationNotifierTest";
char* Argv[] = {Name, nullptr};
}

TEST(TerminationNotifier, ASignalEndsTheOpenDialogFromTheEventLoop)
{
    QApplication app(Argc, Argv);
    std::vector<int> seen;
    std::thread::id ranOn;
    TTerminationNotifier notifier([&](int signal) {
        seen.push_back(signal);
        ranOn = std::this_thread::get_id();
        TTerminationNotifier::CloseModalDialogs();
    });

    // The signal strikes while a question waits for the user, in the dialog's own event loop.
    QMessageBox question(QMessageBox::Question, "问", "?", QMessageBox::Yes | QMessageBox::No);
    bool ranInHandler = true;
    QTimer::singleShot(0, [&] {
        std::raise(SIGTERM);
        ranInHandler = !seen.empty();
    });
    bool gaveUp = false;
    QTimer::singleShot(10000, [&] {
        gaveUp = true;
        question.reject();
    });
    const int answer = question.exec();

    EXPECT_FALSE(gaveUp) << "the dialog stayed open after the signal";
    EXPECT_FALSE(ranInHandler) << "the function must run from the event loop, not in the handler";
    EXPECT_EQ(seen, std::vector<int>{SIGTERM});
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(answer, QMessageBox::No) << "closing a question answers No";
    EXPECT_TRUE(TTerminationSignals::QuitRequested());
}

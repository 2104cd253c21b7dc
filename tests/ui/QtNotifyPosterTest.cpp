#include "ui/QtNotifyPoster.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

int Argc = 1;
char Name[] = "QtNotifyPosterTest";
char* Argv[] = {Name, nullptr};

class QtNotifyPosterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QCoreApplication::instance())
            new QCoreApplication(Argc, Argv);
    }

    // Runs the event loop until `done` or a 5 s deadline.
    template <typename F>
    static void RunUntil(F&& done)
    {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
};

TEST_F(QtNotifyPosterTest, NoticesFromAnotherThreadRunOnTheOwnerInOrder)
{
    TQtNotifyPoster poster;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::thread driver([&] {
        for (int i = 0; i < 200; ++i)
            poster.Post([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    });
    driver.join();
    EXPECT_TRUE(order.empty()) << "notices must wait for the event loop";
    RunUntil([&] { return order.size() == 200; });
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[size_t(i)], i);
    for (const auto& id : threads)
        EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(QtNotifyPosterTest, NoticePostedOnTheOwnerIsDeferred)
{
    TQtNotifyPoster poster;
    bool ran = false;
    poster.Post([&] { ran = true; });
    EXPECT_FALSE(ran);
    RunUntil([&] { return ran; });
    EXPECT_TRUE(ran);
}

TEST_F(QtNotifyPosterTest, NoticesOfADestroyedPosterAreDropped)
{
    auto alive = std::make_shared<int>(0);
    std::weak_ptr<int> watch = alive;
    {
        TQtNotifyPoster poster;
        poster.Post([alive] { ++*alive; });
    }
    alive.reset();
    EXPECT_TRUE(watch.expired()) << "the dropped notice must free what it holds";
    QCoreApplication::processEvents();
}

} // namespace

#include "midi/platform/PeriodicTimer.h"

#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <system_error>
#include <vector>

using namespace std::chrono_literals;

TEST(PeriodicTimer, CallsAreNeverEarlyAndOverrunsSkipPeriods)
{
    TPeriodicTimer timer(5ms);
    std::vector<std::chrono::steady_clock::time_point> calls;
    std::atomic<int> count{0};
    const auto start = std::chrono::steady_clock::now();
    timer.Start([&] {
        calls.push_back(std::chrono::steady_clock::now());
        if (calls.size() == 3)
            std::this_thread::sleep_for(17ms); // overrun by more than three periods
        ++count;
    });
    ASSERT_TRUE(WaitFor([&] { return count.load() >= 8; }));
    timer.Stop();
    // Deadlines lie on the grid start + k * period and are never repeated, so the n-th call
    // (counting from 1) comes no earlier than n periods after Start, and after an overrun the
    // skipped periods are not made up in a burst.
    for (size_t n = 0; n < calls.size(); ++n)
        EXPECT_GE(calls[n] - start, (n + 1) * 5ms) << "call " << n + 1;
    EXPECT_GE(calls[3] - calls[2], 17ms);
    EXPECT_GE(calls[4] - calls[2], 20ms) << "no catch-up call right after the overrun";
}

TEST(PeriodicTimer, StopFromOutsideWaitsForTheCallUnderWay)
{
    TPeriodicTimer timer(1ms);
    std::atomic<bool> inside{false};
    std::promise<void> entered;
    std::atomic<bool> first{true};
    timer.Start([&] {
        inside = true;
        if (first.exchange(false))
            entered.set_value();
        std::this_thread::sleep_for(20ms);
        inside = false;
    });
    entered.get_future().wait();
    timer.Stop();
    EXPECT_FALSE(inside.load()) << "Stop returned while a call was still running";
    EXPECT_FALSE(timer.Running());
}

TEST(PeriodicTimer, StopFromInsideItsCallbackThenStartAgain)
{
    TPeriodicTimer timer(1ms);
    std::atomic<int> calls{0};
    timer.Start([&] {
        ++calls;
        timer.Stop(); // must not deadlock on its own thread
    });
    ASSERT_TRUE(WaitFor([&] { return !timer.Running(); }));
    EXPECT_EQ(calls.load(), 1);

    std::atomic<int> again{0};
    timer.Start([&] { ++again; });
    ASSERT_TRUE(WaitFor([&] { return again.load() >= 2; }));
    EXPECT_EQ(calls.load(), 1);
    EXPECT_THROW(timer.Start([] {}), std::logic_error) << "already running";
}

TEST(PeriodicTimer, MisuseIsRefused)
{
    EXPECT_THROW(TPeriodicTimer(0ms), std::invalid_argument);
    TPeriodicTimer timer(1ms);
    std::promise<bool> refused;
    std::atomic<bool> first{true};
    timer.Start([&] {
        if (!first.exchange(false))
            return;
        try {
            timer.Start([] {});
            refused.set_value(false);
        } catch (const std::logic_error&) {
            refused.set_value(true);
        }
    });
    EXPECT_TRUE(refused.get_future().get()) << "Start from the callback must raise";
}

TEST(PeriodicTimer, DestructionStopsAndJoins)
{
    auto counter = std::make_shared<std::atomic<int>>(0);
    {
        TPeriodicTimer timer(1ms);
        timer.Start([counter] { ++*counter; });
        ASSERT_TRUE(WaitFor([&] { return counter->load() >= 2; }));
    }
    const int afterDestruction = counter->load();
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(counter->load(), afterDestruction) << "a call came after destruction";
    EXPECT_EQ(counter.use_count(), 1) << "the thread still holds its callback";
}

TEST(PeriodicTimer, RefusedThreadLeavesItStopped)
{
    bool refuse = true;
    TPeriodicTimer timer(1ms, [&refuse](std::function<void()> body) {
        if (refuse)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return TPeriodicTimer::StartSystemThread(std::move(body));
    });
    std::atomic<int> calls{0};
    EXPECT_THROW(timer.Start([&] { ++calls; }), std::system_error);
    EXPECT_FALSE(timer.Running()) << "no running flag is left behind";
    refuse = false;
    timer.Start([&] { ++calls; });
    EXPECT_TRUE(timer.Running());
    ASSERT_TRUE(WaitFor([&] { return calls.load() >= 1; }));
    timer.Stop();
}

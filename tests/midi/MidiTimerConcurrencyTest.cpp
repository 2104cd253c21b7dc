#include "midi/MidiFile.h"
#include "midi/MidiTimer.h"

#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

using namespace std::chrono_literals;

TEST(MidiTimer, TicksCallOnTimerWithTheTimerAsSender)
{
    TMidiTimer timer;
    EXPECT_EQ(timer.TimerId(), 0u);
    timer.Tick(); // unassigned: nothing happens
    std::atomic<int> ticks{0};
    std::atomic<void*> sender{nullptr};
    timer.OnTimer = [&](void* from) {
        sender = from;
        ++ticks;
    };
    timer.Start();
    const uint32_t first = timer.TimerId();
    EXPECT_NE(first, 0u);
    ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 3; }));
    timer.Stop();
    EXPECT_EQ(timer.TimerId(), 0u);
    EXPECT_EQ(sender.load(), &timer);
    const int stopped = ticks.load();
    timer.Stop(); // stopping a stopped timer is harmless
    timer.Start();
    EXPECT_NE(timer.TimerId(), first) << "each run has its own identity";
    ASSERT_TRUE(WaitFor([&] { return ticks.load() > stopped; }));
}

TEST(MidiTimer, EndOfSongStopsTheTimerFromItsOwnCallback)
{
    // The window's order: bind, start the timer, start the song; its update handler stops
    // song and timer from the timer thread once the song is ready.
    TManualTickClock clock(0);
    TMidiFile song(clock);
    TMidiTimer timer;
    std::atomic<int> updates{0};
    song.OnUpdateEvent = [&](void*) {
        ++updates;
        if (song.Ready()) {
            song.StopPlaying();
            timer.Stop();
        }
    };
    timer.OnTimer = [&](void* sender) { song.TimerTick(sender); };
    timer.Start();
    song.StartPlaying();
    ASSERT_TRUE(WaitFor([&] { return timer.TimerId() == 0; }));
    EXPECT_FALSE(song.Playing());
    EXPECT_EQ(updates.load(), 1);
    timer.Start(); // and it can run again
    ASSERT_TRUE(WaitFor([&] { return timer.TimerId() != 0; }));
}

TEST(MidiTimer, DestructionEndsTheTicks)
{
    std::atomic<int> ticks{0};
    {
        TMidiTimer timer;
        timer.OnTimer = [&](void*) { ++ticks; };
        timer.Start();
        ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 1; }));
    }
    const int after = ticks.load();
    std::this_thread::sleep_for(25ms);
    EXPECT_EQ(ticks.load(), after);
}

TEST(MidiTimer, AThreadThatCannotBeCreatedLeavesTheTimerStopped)
{
    // The first thread is refused as the system refuses one when it has none left.
    std::atomic<int> refusals{1};
    TMidiTimer timer([&refusals](std::function<void()> body) {
        if (refusals.fetch_sub(1) > 0)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return TPeriodicTimer::StartSystemThread(std::move(body));
    });
    std::atomic<int> ticks{0};
    timer.OnTimer = [&](void*) { ++ticks; };
    try {
        timer.Start();
        FAIL() << "Start reported success without a thread";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find("thread cannot be started"), std::string::npos) << error.what();
        EXPECT_EQ(error.code(), std::errc::resource_unavailable_try_again);
    }
    EXPECT_EQ(timer.TimerId(), 0u);
    timer.Stop(); // the window's stop still works
    EXPECT_EQ(ticks.load(), 0);

    timer.Start();
    EXPECT_NE(timer.TimerId(), 0u);
    ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 2; })) << "a later Start runs the timer";
    timer.Stop();
}

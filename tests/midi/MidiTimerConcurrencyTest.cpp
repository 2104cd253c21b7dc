#include "midi/MidiFile.h"
#include "midi/MidiTimer.h"

#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

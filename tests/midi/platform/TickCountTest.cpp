#include "midi/platform/TickCount.h"

#include <gtest/gtest.h>

#include <chrono>

TEST(TickCount, FollowsTheMonotonicClockInMilliseconds)
{
    using namespace std::chrono;
    const auto before = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    const uint32_t ticks = GetTickCount();
    const uint32_t viaInterface = SystemTickClock().Now();
    const auto after = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    // The counter is the clock's milliseconds truncated to 32 bits.
    EXPECT_LE(uint32_t(ticks - uint32_t(before)), uint32_t(after - before));
    EXPECT_LE(uint32_t(viaInterface - ticks), uint32_t(after - before));
}

TEST(TickCount, ManualClockMovesOnlyWhenToldAndWraps)
{
    TManualTickClock clock(0xFFFFFFF0u);
    TTickClock& asClock = clock;
    EXPECT_EQ(asClock.Now(), 0xFFFFFFF0u);
    EXPECT_EQ(asClock.Now(), 0xFFFFFFF0u);
    clock.Advance(0x20);
    EXPECT_EQ(asClock.Now(), 0x10u);
    EXPECT_EQ(uint32_t(asClock.Now() - 0xFFFFFFF0u), 0x20u) << "unsigned differences survive the wrap";
    clock.Set(7);
    EXPECT_EQ(asClock.Now(), 7u);
}

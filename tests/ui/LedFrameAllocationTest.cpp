// The playback thread feeds the panel for every song event: those calls must not allocate.
#include "ui/ULedFrame.h"

#include <cstdlib>
#include <new>

#include <gtest/gtest.h>

#include "tests/ui/LedQtApp.h"

namespace {

thread_local long Allocations = 0;

}

void* operator new(std::size_t size)
{
    ++Allocations;
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

TEST(LedFrameAllocation, SongEventsAllocateNothing)
{
    TFrameLed led;
    led.ResetPanel();
    led.SetSongLength(90000);
    TMidiEvent event;
    event.data2 = 90;
    const long probe = Allocations;
    delete new int(1);
    ASSERT_EQ(Allocations - probe, 1) << "the counter sees allocations";
    const long before = Allocations;
    for (int i = 0; i < 10000; ++i) {
        event.status = uint8_t(0x80 + (i % 0x70));
        event.data1 = uint8_t(i % 128);
        led.ShowMidiEvent(&event);
        led.SetSongPosition(i * 9);
    }
    const long during = Allocations - before;
    EXPECT_EQ(during, 0);
    led.DrawPanel();
    EXPECT_GT(led.ProgressWidth.load(), 0) << "the calls did their work";
}

} // namespace

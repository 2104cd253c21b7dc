#include "midi/MidiOut.h"
#include "midi/platform/SoundFontSearch.h"
#include "tests/support/FakeMidiOutDriver.h"
#include "tests/support/QueueNotifyPoster.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

// FluidSynth loads samples on an OpenMP thread pool whose futex hand-offs ThreadSanitizer cannot
// see; what it reports inside libgomp is not ours to fix and hides nothing of our code.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libgomp.so.1\n";
}

namespace {

constexpr int Sends = 2000;

// The window's keys on one thread, the song's timer on another, both through one device.
void SendFromTwoThreads(TMidiOutput& output)
{
    std::thread song([&] {
        TMidiEvent event;
        for (int i = 0; i < Sends; ++i) {
            event.status = uint8_t(0x91 - (i % 2) * 0x10);
            event.data1 = uint8_t(i % 128);
            event.data2 = 100;
            output.SendMidiEvent(&event);
        }
    });
    for (int i = 0; i < Sends; ++i)
        output.SendShort(uint8_t(0x90 - (i % 2) * 0x10), uint8_t(i % 128), 127);
    song.join();
}

TEST(MidiOutConcurrencyTest, TwoThreadsSendEveryMessageInTheirOwnOrder)
{
    TFakeMidiOutDriver driver({"Fake"});
    TQueueNotifyPoster poster;
    TMidiOutput output(driver, poster);
    output.SetTrace(nullptr);
    std::atomic<int> hooked = 0;
    output.OnMidiShortOutput = [&](PMidiEvent) { ++hooked; };
    ASSERT_TRUE(output.Open());
    SendFromTwoThreads(output);
    EXPECT_EQ(hooked, 2 * Sends);
    std::vector<uint32_t> keys, song;
    for (uint32_t word : driver.Shorts())
        (word & 0x0F ? song : keys).push_back(word);
    ASSERT_EQ(keys.size(), size_t(Sends));
    ASSERT_EQ(song.size(), size_t(Sends));
    for (int i = 0; i < Sends; ++i) {
        EXPECT_EQ(keys[size_t(i)], PackShortMessage(uint8_t(0x90 - (i % 2) * 0x10), uint8_t(i % 128), 127));
        EXPECT_EQ(song[size_t(i)], PackShortMessage(uint8_t(0x91 - (i % 2) * 0x10), uint8_t(i % 128), 100));
    }
    EXPECT_EQ(output.LastError(), 0);
}

TEST(MidiOutConcurrencyTest, CompletionsFromTheDriversThreadArriveInOrderOnTheOwner)
{
    TFakeMidiOutDriver driver({"Fake"});
    TQueueNotifyPoster poster;
    TMidiOutput output(driver, poster);
    output.SetTrace(nullptr);
    ASSERT_TRUE(output.Open());
    driver.HoldCompletions(true);
    std::vector<std::thread::id> threads;
    output.Onmidioutput = [&](TMidiOutput*) { threads.push_back(std::this_thread::get_id()); };
    for (uint8_t i = 0; i < 50; ++i) {
        const uint8_t sysex[] = {0xF0, i, 0xF7};
        output.SendLong(sysex, 3);
    }
    std::thread callback([&] { driver.CompleteHeld(); });
    int ran = 0;
    while (ran < 50)
        ran += poster.Drain();
    callback.join();
    ASSERT_EQ(threads.size(), 50u);
    for (const auto& id : threads)
        EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_EQ(driver.PreparedCount(), 0);
}

TEST(MidiOutConcurrencyTest, BuiltInSynthesizerTakesSendsFromTwoThreads)
{
    if (FindSoundFont().empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed (fluid-soundfont-gm)";
    const auto wave = std::filesystem::temp_directory_path() / ("tinkla-conc-" + std::to_string(::getpid()) + ".wav");
    setenv("TINKLA_AUDIO_DRIVER", "file", 1);
    setenv("TINKLA_AUDIO_FILE", wave.c_str(), 1);
    {
        TQueueNotifyPoster poster;
        TMidiOutput output(SystemMidiOutDriver(), poster);
        output.SetTrace(nullptr);
        output.SetDeviceID(0);
        ASSERT_TRUE(output.Open()) << output.ErrorText(output.LastError());
        SendFromTwoThreads(output);
        for (uint8_t channel = 0; channel < 16; ++channel)
            output.SendShort(uint8_t(0xB0 | channel), ControllerAllSoundOff, 0);
        EXPECT_EQ(output.LastError(), 0);
        EXPECT_TRUE(output.Close());
    }
    unsetenv("TINKLA_AUDIO_DRIVER");
    unsetenv("TINKLA_AUDIO_FILE");
    std::filesystem::remove(wave);
}

} // namespace

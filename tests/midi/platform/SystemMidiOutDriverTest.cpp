#include "midi/platform/FluidSynthDevice.h"
#include "midi/platform/SoundFontSearch.h"
#include "midi/platform/SystemMidiOutDriver.h"
#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

void NoCallback(void*, TMidiLongHeader*) {}

// The loudest 16-bit sample in the data chunk of a .wav file; -1 when it has none.
int WavePeak(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t data = bytes.find("data");
    if (data == std::string::npos || bytes.size() < data + 8)
        return -1;
    int peak = 0;
    for (size_t i = data + 8; i + 1 < bytes.size(); i += 2) {
        int16_t sample;
        std::memcpy(&sample, bytes.data() + i, 2);
        peak = std::max(peak, std::abs(int(sample)));
    }
    return peak;
}

class SystemMidiOutDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (FindSoundFont().empty())
            GTEST_SKIP() << "no General MIDI SoundFont installed (fluid-soundfont-gm)";
        Wave = (std::filesystem::temp_directory_path() / ("tinkla-out-" + std::to_string(::getpid()) + ".wav")).string();
        setenv("TINKLA_AUDIO_DRIVER", "file", 1);
        setenv("TINKLA_AUDIO_FILE", Wave.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("TINKLA_AUDIO_DRIVER");
        unsetenv("TINKLA_AUDIO_FILE");
        unsetenv("TINKLA_SOUNDFONT");
        std::filesystem::remove(Wave);
    }
    TMidiOutDriver& Driver = SystemMidiOutDriver();
    std::string Wave;
};

TEST_F(SystemMidiOutDriverTest, DeviceZeroAndTheMapperAreTheBuiltInSynthesizer)
{
    ASSERT_GE(Driver.DeviceCount(), 1u);
    TMidiOutCaps zero, mapper;
    ASSERT_EQ(Driver.GetDevCaps(0, zero), MidiOutOk);
    ASSERT_EQ(Driver.GetDevCaps(MidiMapper, mapper), MidiOutOk);
    EXPECT_EQ(zero.ProductName, BuiltInSynthName);
    EXPECT_EQ(mapper.ProductName, BuiltInSynthName);
    EXPECT_EQ(zero.Technology, MidiOutTechSoftwareSynth);
    EXPECT_EQ(zero.ChannelMask, 0xFFFF);
    EXPECT_GT(zero.DriverVersion, 0u);
}

TEST_F(SystemMidiOutDriverTest, NotesPlayedThroughTheFileDriverReachTheWave)
{
    TMidiOutHandle handle = 0;
    ASSERT_EQ(Driver.Open(handle, 0, &NoCallback, nullptr), MidiOutOk);
    TMidiOutHandle second = 0;
    EXPECT_EQ(Driver.Open(second, MidiMapper, &NoCallback, nullptr), MidiOutErrAllocated);
    // Sent at once, while the SoundFont still loads: the note waits for it and then sounds.
    ASSERT_EQ(Driver.ShortMsg(handle, 0x7F3C90), MidiOutOk);
    EXPECT_TRUE(WaitFor([&] { return WavePeak(Wave) > 1000; }));
    ASSERT_EQ(Driver.ShortMsg(handle, 0x7F3C80), MidiOutOk);
    ASSERT_EQ(Driver.Close(handle), MidiOutOk);
    // Closing freed the synthesizer for the next open.
    ASSERT_EQ(Driver.Open(second, MidiMapper, &NoCallback, nullptr), MidiOutOk);
    EXPECT_EQ(Driver.Close(second), MidiOutOk);
}

TEST_F(SystemMidiOutDriverTest, OpenFailsWithAClearCodeWithoutSoundFontOrAudio)
{
    setenv("TINKLA_SOUNDFONT", "/no/such/font.sf2", 1);
    TMidiOutHandle handle = 0;
    EXPECT_EQ(Driver.Open(handle, 0, &NoCallback, nullptr), MidiOutErrNoSoundFont);
    unsetenv("TINKLA_SOUNDFONT");
    setenv("TINKLA_AUDIO_DRIVER", "no-such-driver", 1);
    EXPECT_EQ(Driver.Open(handle, 0, &NoCallback, nullptr), MidiOutErrNoAudio);
    setenv("TINKLA_AUDIO_DRIVER", "file", 1);
    ASSERT_EQ(Driver.Open(handle, 0, &NoCallback, nullptr), MidiOutOk) << "a failed open must not keep the device";
    EXPECT_EQ(Driver.Close(handle), MidiOutOk);
}

} // namespace

#include "midi/platform/FluidSynth.h"
#include "midi/platform/MidiOutPort.h"
#include "midi/platform/SoundFontSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

class FluidSynthTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string soundFont = FindSoundFont();
        if (soundFont.empty())
            GTEST_SKIP() << "no General MIDI SoundFont installed (fluid-soundfont-gm)";
        Synth = std::make_unique<TFluidSynth>();
        Synth->LoadSoundFont(soundFont);
    }

    // The loudest sample of `seconds` of output.
    float Peak(double seconds)
    {
        const int frames = int(seconds * SynthSampleRate);
        const auto count = static_cast<size_t>(frames);
        std::vector<float> left(count), right(count);
        Synth->Render(left.data(), right.data(), frames);
        float peak = 0;
        for (int i = 0; i < frames; ++i)
            peak = std::max({peak, std::fabs(left[size_t(i)]), std::fabs(right[size_t(i)])});
        return peak;
    }

    std::unique_ptr<TFluidSynth> Synth;
};

TEST_F(FluidSynthTest, SilentUntilANoteIsPlayed)
{
    EXPECT_EQ(Synth->Output().Driver, "");
    EXPECT_LT(Peak(0.2), 1e-6f);
    EXPECT_EQ(Synth->ActiveVoices(), 0);
}

TEST_F(FluidSynthTest, NoteOnSoundsAndAllSoundOffSilences)
{
    ASSERT_EQ(Synth->SendShort(0x7F3C90), MidiOutOk);
    const float playing = Peak(0.2);
    EXPECT_GT(playing, 0.01f);
    EXPECT_GT(Synth->ActiveVoices(), 0);
    // Held without All Sound Off, the note is still loud half a second later.
    Peak(0.5);
    EXPECT_GT(Peak(0.2), playing / 20);
    ASSERT_EQ(Synth->SendShort(0x0078B0), MidiOutOk);
    Peak(0.5); // what is left is the short reverb tail
    EXPECT_EQ(Synth->ActiveVoices(), 0);
    EXPECT_LT(Peak(0.2), playing / 100);
}

TEST_F(FluidSynthTest, NoteOffReleasesTheNote)
{
    ASSERT_EQ(Synth->SendShort(0x7F4091), MidiOutOk);
    Peak(0.1);
    ASSERT_EQ(Synth->SendShort(0x7F4081), MidiOutOk);
    Peak(3.0); // the piano's release and the reverb tail
    EXPECT_LT(Peak(0.2), 1e-3f);
}

TEST_F(FluidSynthTest, EveryChannelKindIsAccepted)
{
    for (const uint32_t word : {0x0028C2u, 0x4000E2u, 0x0040D2u, 0x2040A2u, 0x7F07B2u, 0x7F4892u, 0x0000FFu, 0x0000F0u})
        EXPECT_EQ(Synth->SendShort(word), MidiOutOk) << std::hex << word;
    EXPECT_EQ(Synth->SendShort(0x00407F), MidiOutErrInvalidParam) << "a data byte is no status";
}

TEST_F(FluidSynthTest, ProgramChangeChangesTheSound)
{
    auto render = [&](uint8_t program) {
        Synth->SendShort(0x0078B0);
        Synth->SendShort(0xC0 | uint32_t(program) << 8);
        Synth->SendShort(0x7F3C90);
        std::vector<float> left(4800), right(4800);
        Synth->Render(left.data(), right.data(), 4800);
        Synth->SendShort(0x0078B0);
        return left;
    };
    EXPECT_NE(render(0), render(73)) << "piano and flute render the same samples";
}

TEST_F(FluidSynthTest, SystemExclusiveNeedsItsFrame)
{
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(Synth->SendLong(gmOn, sizeof gmOn), MidiOutOk);
    const uint8_t unframed[] = {0x7E, 0x7F, 0x09, 0x01};
    EXPECT_EQ(Synth->SendLong(unframed, sizeof unframed), MidiOutErrInvalidParam);
    EXPECT_EQ(Synth->SendLong(gmOn, 1), MidiOutErrInvalidParam);
}

TEST(FluidSynthOpenTest, MissingSoundFontAndMissingAudioFail)
{
    TFluidSynth synth({{"no-such-driver", 64, 2, "", ""}});
    try {
        synth.LoadSoundFont("");
        ADD_FAILURE() << "loaded no SoundFont";
    } catch (const EMidiOutFailure& failure) {
        EXPECT_EQ(failure.Code, MidiOutErrNoSoundFont);
    }
    EXPECT_FALSE(synth.OpenAudio()) << "opened an audio driver that does not exist";
}

} // namespace

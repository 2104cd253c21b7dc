#include "midi/platform/MidiOutPort.h"
#include "midi/platform/SynthKeeper.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using TMessages = std::vector<std::vector<uint8_t>>;

std::vector<uint8_t> Short(uint32_t word) { return {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16)}; }

// A synthesizer that records what reaches it and whose audio output the test controls.
class TFakeEngine : public TSynthEngine {
public:
    void LoadSoundFont(const std::string& path) override
    {
        if (path == "broken.sf2")
            throw EMidiOutFailure(MidiOutErrBadSoundFont, "cannot load " + path);
        Loaded = true;
    }
    bool OpenAudio() override
    {
        ++Opens;
        AudioOpen = ServerThere;
        return AudioOpen;
    }
    void CloseAudio() override { AudioOpen = false; }
    uint16_t SendShort(uint32_t word) override
    {
        Received.push_back(Short(word));
        return MidiOutOk;
    }
    uint16_t SendLong(const uint8_t* data, size_t length) override
    {
        Received.emplace_back(data, data + length);
        return MidiOutOk;
    }
    int ActiveVoices() override
    {
        AskedWhileLoading += !Loaded;
        return Voices;
    }
    uint64_t Underruns() override { return UnderrunCount; }
    bool EnlargeBuffers() override
    {
        if (Enlarged == LargestStep)
            return false;
        ++Enlarged;
        return true;
    }
    std::optional<uint64_t> RenderedFrames() override
    {
        if (!Counts)
            return std::nullopt;
        // An open output keeps asking for frames; a stalled or closed one does not.
        if (AudioOpen && !Stalled)
            Frames += 480;
        return Frames;
    }

    TMessages Received;
    bool Loaded = false, AudioOpen = false, ServerThere = true, Stalled = false, Counts = true;
    int Opens = 0, Voices = 0, AskedWhileLoading = 0, Enlarged = 0, LargestStep = 2;
    uint64_t Frames = 0, UnderrunCount = 0;
};

class SynthKeeperTest : public ::testing::Test {
protected:
    SynthKeeperTest()
        : Keeper(Engine, Clock, [this](uint16_t code) { Troubles.push_back(code); }, [this] { ++Wakes; })
    {
        Keeper.OpenAudio();
    }

    // The keeper thread's rounds over `ms` of time.
    void Run(uint32_t ms)
    {
        for (uint32_t step = 0; step < ms; step += Keeper.TendEveryMs()) {
            Clock.Advance(Keeper.TendEveryMs());
            Keeper.Tend();
        }
    }

    TManualTickClock Clock{1000};
    TFakeEngine Engine;
    std::vector<uint16_t> Troubles;
    int Wakes = 0;
    TSynthKeeper Keeper;
};

TEST_F(SynthKeeperTest, WhatIsSentBeforeTheSoundFontIsInIsReplayedAfterItsLoad)
{
    EXPECT_TRUE(Engine.AudioOpen) << "the output starts before the SoundFont";
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(Keeper.SendLong(gmOn, sizeof gmOn), MidiOutOk);
    const uint8_t shortest[] = {0xF0, 0x7D, 0xF7};
    EXPECT_EQ(Keeper.SendLong(shortest, sizeof shortest), MidiOutOk);
    Keeper.SendShort(0x0000F8); // a clock: nothing to keep
    Keeper.SendShort(0x0500C0);  // program 5 on channel 0 ...
    Keeper.SendShort(0x6407B0);  // volume 100
    Keeper.SendShort(0x7F3C90);  // a key held through the load
    Keeper.SendShort(0x7F3E90);  // a key pressed and released during it
    Keeper.SendShort(0x003E80);
    Keeper.SendShort(0x7F4091);  // a key on channel 1, then All Notes Off there
    Keeper.SendShort(0x007BB1);
    Keeper.SendShort(0x0700C0);  // ... and then program 7: only the last one counts
    Keeper.SendShort(0x0028C9);  // the drum channel's program
    Keeper.SendShort(0x4020A0);  // key pressure: nothing to keep
    EXPECT_EQ(Keeper.SendShort(0x00407F), MidiOutErrInvalidParam) << "a data byte is no status";
    Run(10000);
    EXPECT_TRUE(Engine.Received.empty()) << "the synthesizer is locked while it loads";
    EXPECT_EQ(Engine.AskedWhileLoading, 0);
    EXPECT_TRUE(Engine.AudioOpen) << "neither parked nor failed while loading";

    Keeper.LoadSoundFont("good.sf2");
    const TMessages replayed = {{gmOn, gmOn + sizeof gmOn}, {shortest, shortest + sizeof shortest}, Short(0x6407B0), Short(0x7F3C90), Short(0x007BB1),
                                Short(0x0700C0), Short(0x0028C9)};
    EXPECT_EQ(Engine.Received, replayed);
    EXPECT_TRUE(Troubles.empty());

    Keeper.SendShort(0x003C80);
    EXPECT_EQ(Engine.Received.back(), Short(0x003C80)) << "after the load messages go straight through";
}

TEST_F(SynthKeeperTest, ASoundFontThatDoesNotLoadIsReportedOnceAndTheSynthesizerStaysUsable)
{
    Keeper.SendShort(0x0500C0);
    Keeper.LoadSoundFont("broken.sf2");
    EXPECT_EQ(Troubles, std::vector<uint16_t>{MidiOutErrBadSoundFont});
    EXPECT_EQ(Engine.Received, TMessages{Short(0x0500C0)});
    Keeper.SendShort(0x7F3C90);
    EXPECT_EQ(Engine.Received.size(), 2u);
    Run(3000);
    EXPECT_EQ(Troubles.size(), 1u);
}

TEST_F(SynthKeeperTest, TheOutputIsParkedAfterSilenceAndTheNextNoteOpensItAgain)
{
    Keeper.LoadSoundFont("good.sf2");
    Engine.Voices = 1;
    Run(8000);
    EXPECT_TRUE(Engine.AudioOpen) << "a voice still sounds (a held key, a release, a pedal)";
    Engine.Voices = 0;
    Run(250);
    EXPECT_FALSE(Engine.AudioOpen) << "parked after the silence";

    Keeper.SendShort(0x0300C0);
    Keeper.SendShort(0x000AB0);
    Run(1000);
    EXPECT_FALSE(Engine.AudioOpen) << "only a note needs the output";
    EXPECT_EQ(Wakes, 0);

    Keeper.SendShort(0x7F3C90);
    EXPECT_EQ(Engine.Received.back(), Short(0x7F3C90)) << "the synthesizer has the note at once";
    EXPECT_EQ(Wakes, 1);
    Keeper.Tend();
    EXPECT_TRUE(Engine.AudioOpen) << "the note opened the output again";
    Engine.Voices = 1;
    Run(4000);
    Keeper.SendShort(0x003C80);
    Engine.Voices = 0;
    Run(4750);
    EXPECT_TRUE(Engine.AudioOpen) << "the silence counts from the last message";
    Run(250);
    EXPECT_FALSE(Engine.AudioOpen);
    EXPECT_TRUE(Troubles.empty()) << "parking is no failure";
}

TEST_F(SynthKeeperTest, AStalledOutputIsReportedOnceAndReopenedWhenTheServerIsBack)
{
    Keeper.LoadSoundFont("good.sf2");
    Keeper.SendShort(0x7F3C90);
    Engine.Voices = 1;
    Engine.Stalled = true;
    Run(4750);
    EXPECT_TRUE(Troubles.empty()) << "a fresh stream may wait seconds for its server";
    Engine.Stalled = false;
    Run(2000);
    EXPECT_TRUE(Troubles.empty());

    Engine.Stalled = true;
    Engine.ServerThere = false;
    Run(1500);
    EXPECT_FALSE(Engine.AudioOpen);
    EXPECT_EQ(Troubles, std::vector<uint16_t>{MidiOutErrNoAudio});
    Engine.Stalled = false;
    const int opensBefore = Engine.Opens;
    Run(10000);
    EXPECT_GE(Engine.Opens, opensBefore + 4) << "tried again while the server is away";
    EXPECT_EQ(Troubles.size(), 1u) << "told once, not at every try";

    Engine.ServerThere = true;
    Clock.Advance(500); // notes try at most every half second
    Keeper.SendShort(0x7F4090);
    EXPECT_EQ(Wakes, 1);
    Keeper.Tend();
    EXPECT_TRUE(Engine.AudioOpen) << "the next note finds the server again";
    EXPECT_EQ(Engine.Received.back(), Short(0x7F4090));
    Engine.Stalled = true;
    Run(4750);
    EXPECT_TRUE(Engine.AudioOpen) << "a reopened output is fresh again";
    Engine.Stalled = false;
    Run(1000);

    Engine.Stalled = true;
    Engine.ServerThere = false;
    Run(1500);
    EXPECT_EQ(Troubles.size(), 2u) << "a new failure is told again";
}

TEST_F(SynthKeeperTest, UnderrunsReopenTheOutputWithALargerBufferUntilTheLargest)
{
    Keeper.LoadSoundFont("good.sf2");
    Keeper.SendShort(0x7F3C90);
    Engine.Voices = 1;
    Run(1000);
    EXPECT_EQ(Engine.Opens, 1);
    for (int underrun = 1; underrun <= 4; ++underrun) {
        Engine.UnderrunCount += 3;
        Run(250);
        EXPECT_TRUE(Engine.AudioOpen);
    }
    EXPECT_EQ(Engine.Enlarged, 2) << "one step per round that saw underruns, up to the largest";
    EXPECT_EQ(Engine.Opens, 3) << "reopened once per step, not when nothing is larger";
    Run(5000);
    EXPECT_EQ(Engine.Opens, 3);
    EXPECT_TRUE(Troubles.empty());
}

TEST_F(SynthKeeperTest, AnOutputThatDoesNotCountIsNeitherParkedNorWatched)
{
    Engine.Counts = false;
    Keeper.LoadSoundFont("good.sf2");
    Run(20000);
    EXPECT_TRUE(Engine.AudioOpen);
    EXPECT_EQ(Engine.Opens, 1);
    EXPECT_TRUE(Troubles.empty());
}

} // namespace

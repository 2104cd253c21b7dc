#include "midi/platform/AudioOutputPlan.h"

#include <gtest/gtest.h>

namespace {

TEST(AudioOutputPlanTest, DefaultTriesAlsaDefaultThenPulseAudio)
{
    const auto plan = AudioOutputPlan(nullptr, nullptr);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].Driver, "alsa");
    EXPECT_EQ(plan[0].Device, "default");
    EXPECT_EQ(plan[1].Driver, "pulseaudio");
    EXPECT_EQ(AudioOutputPlan("", nullptr).size(), 2u);
    // ALSA's buffer is all latency on the way to the mix point: at most 15 ms of it.
    EXPECT_LE(plan[0].PeriodSize * plan[0].Periods * 1000 / SynthSampleRate, 15);
}

TEST(AudioOutputPlanTest, NamedDriverIsTheOnlyOneTried)
{
    for (const char* name : {"alsa", "pulseaudio", "jack", "sdl2"}) {
        const auto plan = AudioOutputPlan(name, "ignored.wav");
        ASSERT_EQ(plan.size(), 1u) << name;
        EXPECT_EQ(plan[0].Driver, name);
        EXPECT_EQ(plan[0].File, "");
    }
}

TEST(AudioOutputPlanTest, BuffersGrowInAFewStepsUpTo32Milliseconds)
{
    for (const auto& start : AudioOutputPlan(nullptr, nullptr)) {
        TAudioOutput output = start;
        int steps = 0;
        while (const auto larger = LargerBuffer(output)) {
            EXPECT_GT(larger->PeriodSize * larger->Periods, output.PeriodSize * output.Periods) << start.Driver;
            EXPECT_EQ(larger->Driver, start.Driver);
            EXPECT_EQ(larger->Device, start.Device);
            output = *larger;
            ASSERT_LT(++steps, 8) << start.Driver;
        }
        EXPECT_GE(steps, 1) << start.Driver;
        EXPECT_LE(output.PeriodSize * output.Periods * 1000 / SynthSampleRate, 42) << start.Driver;
    }
    EXPECT_FALSE(LargerBuffer(AudioOutputPlan("jack", nullptr)[0])) << "JACK's server sizes the period";
    EXPECT_FALSE(LargerBuffer(AudioOutputPlan("file", nullptr)[0]));
}

TEST(AudioOutputPlanTest, FileDriverWritesTheGivenWaveInSmallPeriods)
{
    const auto plan = AudioOutputPlan("file", "/tmp/out.wav");
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].File, "/tmp/out.wav");
    EXPECT_EQ(plan[0].PeriodSize, 64);
    EXPECT_FALSE(AudioOutputPlan("file", nullptr)[0].File.empty());
}

} // namespace

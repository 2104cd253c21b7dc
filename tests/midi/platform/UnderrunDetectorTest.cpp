#include "midi/platform/UnderrunDetector.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int Rate = 48000;
constexpr int Period = 128;
constexpr int64_t PeriodUs = int64_t(Period) * 1'000'000 / Rate;

// An output of 4 periods paced by a device whose clock runs `ppm` off ours; the keeper looks
// every 250 ms. The server takes `burst` periods at once, so requests come in bursts.
class TPacedOutput {
public:
    TPacedOutput(TUnderrunDetector& detector, int burst = 1, double ppm = 0)
        : FDetector(detector), FBurst(burst), FStepUs(double(PeriodUs) * (1 + ppm / 1e6))
    {
        FDetector.Restart(0);
    }

    // Plays `seconds`; returns the underruns the keeper saw at its last look.
    uint64_t Play(double seconds)
    {
        const double end = FNowUs + seconds * 1e6;
        while (FNowUs < end) {
            for (int request = 0; request < FBurst; ++request)
                FDetector.Period(int64_t(FNowUs) + request * 20, Period);
            FNowUs += FStepUs * FBurst;
            Look();
        }
        return FSeen;
    }

    // The audio thread is kept from running for `us`: the device plays on from the buffer and
    // then silence; the thread then refills the buffer at once.
    void Starve(int64_t us)
    {
        FNowUs += double(us);
        const int64_t refill = std::min<int64_t>(us / PeriodUs, 4);
        for (int64_t request = 0; request < refill; ++request)
            FDetector.Period(int64_t(FNowUs) + request * 20, Period);
        Look();
    }

    // The server takes `us` worth of frames at once after having waited.
    void Catch(int64_t us)
    {
        for (int64_t request = 0; request < us / PeriodUs; ++request)
            FDetector.Period(int64_t(FNowUs) + request * 20, Period);
    }

    // The stream waits for its server: the full buffer is not played, nothing is asked for.
    void Wait(int64_t us)
    {
        FNowUs += double(us);
        Look();
    }

private:
    void Look()
    {
        if (FNowUs >= FNextLookUs) {
            FSeen = FDetector.Underruns(int64_t(FNowUs));
            FNextLookUs += 250'000;
        }
    }

    TUnderrunDetector& FDetector;
    const int FBurst;
    const double FStepUs;
    double FNowUs = 0;
    double FNextLookUs = 250'000;
    uint64_t FSeen = 0;
};

TEST(UnderrunDetectorTest, AnOutputThatKeepsUpNeverRunsDry)
{
    for (const int burst : {1, 4, 8})
        for (const double ppm : {-300.0, 0.0, 300.0}) {
            TUnderrunDetector detector(Rate);
            TPacedOutput output(detector, burst, ppm);
            EXPECT_EQ(output.Play(120), 0u) << "burst " << burst << ", drift " << ppm << " ppm";
        }
}

TEST(UnderrunDetectorTest, EachStarvationLongerThanTheBufferCountsOnce)
{
    TUnderrunDetector detector(Rate);
    TPacedOutput output(detector, 4);
    output.Play(6);
    output.Starve(3 * PeriodUs);
    EXPECT_EQ(output.Play(1), 0u) << "the buffer bridged it";
    output.Starve(4 * PeriodUs + 5'000);
    EXPECT_EQ(output.Play(1), 1u);
    output.Starve(4 * PeriodUs + 3'000);
    output.Play(0.1);
    output.Starve(4 * PeriodUs + 3'000);
    EXPECT_EQ(output.Play(2), 2u) << "two drops between two looks count once";
    output.Starve(4 * PeriodUs + 3'000);
    EXPECT_EQ(output.Play(2), 3u);
}

TEST(UnderrunDetectorTest, ADropThatRecoversAtTheNextLookIsNoUnderrun)
{
    TUnderrunDetector detector(Rate);
    TPacedOutput output(detector);
    output.Play(6);
    output.Wait(2 * PeriodUs); // the server takes nothing for a while ...
    output.Play(0.25);
    output.Catch(2 * PeriodUs); // ... and then makes up for it
    EXPECT_EQ(output.Play(2), 0u);
}

TEST(UnderrunDetectorTest, StallsAndAFreshStreamsWaitAreNoUnderruns)
{
    TUnderrunDetector detector(Rate);
    TPacedOutput output(detector);
    output.Play(0.5);
    output.Wait(20'000); // a fresh stream's server not playing yet
    output.Play(3);
    output.Wait(20'000); // nor playing evenly while it settles
    output.Play(3);
    output.Wait(1'500'000); // the server went away and came back
    EXPECT_EQ(output.Play(3), 0u);
    detector.Restart(0);
    EXPECT_EQ(detector.Underruns(100'000), 0u) << "nothing rendered since the restart";
}

} // namespace

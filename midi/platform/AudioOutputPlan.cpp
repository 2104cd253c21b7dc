#include "midi/platform/AudioOutputPlan.h"

#include <cstdlib>

namespace {

// Measured through PulseAudio on a 2-core machine without real-time priority: 128 x 4 reaches
// the mix point in about 12 ms with no drop-outs; 128 x 3 (9 ms) dropped out under load.
TAudioOutput Alsa() { return {"alsa", 128, 4, "default", ""}; }
// PulseAudio's own driver: 256 and 384 frames dropped out without real-time priority,
// 512 did not and still reaches the mix point in about 10 ms.
TAudioOutput Pulse() { return {"pulseaudio", 512, 2, "", ""}; }
// The JACK server sets the period itself; these only size FluidSynth's side.
TAudioOutput Jack() { return {"jack", 256, 2, "", ""}; }
// Larger periods make the file driver drift from real time.
TAudioOutput File(const char* file) { return {"file", 64, 2, "", file && *file ? file : "tinkla-audio.wav"}; }

} // namespace

std::vector<TAudioOutput> AudioOutputPlan(const char* driver, const char* file)
{
    const std::string name = driver ? driver : "";
    if (name.empty())
        return {Alsa(), Pulse()};
    if (name == "alsa")
        return {Alsa()};
    if (name == "pulseaudio")
        return {Pulse()};
    if (name == "jack")
        return {Jack()};
    if (name == "file")
        return {File(file)};
    return {{name, 256, 2, "", ""}};
}

std::optional<TAudioOutput> LargerBuffer(const TAudioOutput& output)
{
    constexpr int LargestFrames = SynthSampleRate * 32 / 1000;
    if (output.Driver == "jack" || output.Driver == "file" || output.PeriodSize * output.Periods >= LargestFrames)
        return std::nullopt;
    // Each step doubles the buffer, as each costs a short break in the sound: more periods of
    // the same size first, so that the wake-ups stay as they are.
    TAudioOutput larger = output;
    if (larger.Periods < 8)
        larger.Periods *= 2;
    else
        larger.PeriodSize *= 2;
    return larger;
}

std::vector<TAudioOutput> AudioOutputPlanFromEnvironment()
{
    return AudioOutputPlan(std::getenv("TINKLA_AUDIO_DRIVER"), std::getenv("TINKLA_AUDIO_FILE"));
}

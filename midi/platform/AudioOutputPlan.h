// Which audio outputs the built-in synthesizer tries, in order, and how it sizes their buffers.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct TAudioOutput {
    std::string Driver;      // a FluidSynth audio driver name
    int PeriodSize = 0;      // frames per period
    int Periods = 0;         // number of periods in the device buffer
    std::string Device;      // the driver's device name, when it has one
    std::string File;        // the output of the file driver
};

inline constexpr int SynthSampleRate = 48000;

// FluidSynth never falls back from the driver it is given, so we keep our own list:
// unset `driver` tries ALSA's "default" device (which desktop sound servers take over), then
// PulseAudio; a named driver (jack, file, ...) is the only one tried. `file` is the .wav the
// file driver writes. Either argument may be null. Any thread.
std::vector<TAudioOutput> AudioOutputPlan(const char* driver, const char* file);

// The same output with twice the buffer, for a machine too busy for the smaller one; none
// when the buffer has reached 32 ms, or for outputs whose buffer is not ours to size (JACK, the
// file driver). Any thread.
std::optional<TAudioOutput> LargerBuffer(const TAudioOutput& output);

// AudioOutputPlan with TINKLA_AUDIO_DRIVER and TINKLA_AUDIO_FILE.
std::vector<TAudioOutput> AudioOutputPlanFromEnvironment();

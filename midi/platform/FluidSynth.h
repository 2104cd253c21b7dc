// The built-in General MIDI synthesizer: FluidSynth with one SoundFont, playing through the
// first audio output of a plan that opens, or rendering on demand when there is none.
#pragma once

#include "midi/platform/AudioOutputPlan.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

class TFluidSynth {
public:
    // Window thread. Loads `soundFont` and opens the first output of `plan` that works; an
    // empty plan opens none (render with Render). Throws EMidiOutFailure: MidiOutErrNoSoundFont,
    // MidiOutErrNoAudio when no output of the plan opens, MidiOutErrSynthesizer otherwise.
    TFluidSynth(const std::string& soundFont, const std::vector<TAudioOutput>& plan);
    ~TFluidSynth();
    TFluidSynth(const TFluidSynth&) = delete;
    TFluidSynth& operator=(const TFluidSynth&) = delete;

    // Any thread, two at once included: one short message word (status, data1, data2).
    uint16_t SendShort(uint32_t word);
    // Any thread: a whole system-exclusive message, 0xF0 ... 0xF7.
    uint16_t SendLong(const uint8_t* data, size_t length);

    // Offline use only (empty plan): renders `frames` stereo frames.
    void Render(float* left, float* right, int frames);

    // The output that opened; its driver is empty when rendering offline.
    const TAudioOutput& Output() const { return FOutput; }
    int ActiveVoices() const;

private:
    struct TSettingsDeleter { void operator()(_fluid_hashtable_t* settings) const; };
    struct TSynthDeleter { void operator()(_fluid_synth_t* synth) const; };
    struct TDriverDeleter { void operator()(_fluid_audio_driver_t* driver) const; };

    std::unique_ptr<_fluid_hashtable_t, TSettingsDeleter> FSettings;
    std::unique_ptr<_fluid_synth_t, TSynthDeleter> FSynth;
    std::unique_ptr<_fluid_audio_driver_t, TDriverDeleter> FDriver;
    TAudioOutput FOutput;
};

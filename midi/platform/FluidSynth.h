// The built-in General MIDI synthesizer: FluidSynth with one SoundFont, playing through the
// first audio output of a plan that opens, or rendering on demand when there is none.
//
// Threads: as the engine interface says; FluidSynth's own audio thread renders and counts what
// it produced, which the keeper reads.
#pragma once

#include "midi/platform/AudioOutputPlan.h"
#include "midi/platform/SynthEngine.h"
#include "midi/platform/UnderrunDetector.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

class TFluidSynth : public TSynthEngine {
public:
    // The synthesizer, silent: no SoundFont and no audio output yet; `plan` lists the outputs
    // OpenAudio tries. Throws EMidiOutFailure (MidiOutErrSynthesizer). Construction, the
    // SoundFont load and the audio output's opening and closing each on one thread at a time.
    explicit TFluidSynth(std::vector<TAudioOutput> plan = {});
    ~TFluidSynth() override;
    TFluidSynth(const TFluidSynth&) = delete;
    TFluidSynth& operator=(const TFluidSynth&) = delete;

    void LoadSoundFont(const std::string& path) override;
    bool OpenAudio() override;
    void CloseAudio() override;

    // Any thread, two at once included: one short message word (status, data1, data2).
    uint16_t SendShort(uint32_t word) override;
    // Any thread: a whole system-exclusive message, 0xF0 ... 0xF7.
    uint16_t SendLong(const uint8_t* data, size_t length) override;

    int ActiveVoices() override;
    std::optional<uint64_t> RenderedFrames() override;
    uint64_t Underruns() override;
    bool EnlargeBuffers() override;

    // Offline use only (no audio output open): renders `frames` stereo frames.
    void Render(float* left, float* right, int frames);

    // The output that opened last; its driver is empty before one opened.
    const TAudioOutput& Output() const { return FOutput; }

private:
    struct TSettingsDeleter { void operator()(_fluid_hashtable_t* settings) const; };
    struct TSynthDeleter { void operator()(_fluid_synth_t* synth) const; };
    struct TDriverDeleter { void operator()(_fluid_audio_driver_t* driver) const; };

    static int RenderPeriod(void* self, int frames, int effects, float* effectBuffers[], int outputs,
                            float* outputBuffers[]);

    std::vector<TAudioOutput> FPlan;
    std::unique_ptr<_fluid_hashtable_t, TSettingsDeleter> FSettings;
    std::unique_ptr<_fluid_synth_t, TSynthDeleter> FSynth;
    // After the synthesizer, so that it stops before the synthesizer goes: it renders from it.
    std::unique_ptr<_fluid_audio_driver_t, TDriverDeleter> FDriver;
    TAudioOutput FOutput;
    // Counted on the audio thread, read by the device's keeper.
    std::atomic<uint64_t> FRendered = 0;
    TUnderrunDetector FUnderruns{SynthSampleRate};
    bool FCounting = false;
};

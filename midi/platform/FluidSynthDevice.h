// The built-in synthesizer as a device of the list: FluidSynth with the SoundFont found on
// this machine, playing through the audio output plan of the environment.
//
// Threads: Caps and Open from any thread (the in-use flag is taken atomically). The port it
// opens sends from any thread, two at once included; its keeper thread tends the audio output
// and reports later failures through the port's trouble report, on that thread.
#pragma once

#include "midi/platform/MidiOutPort.h"

#include <atomic>
#include <memory>

inline constexpr const char* BuiltInSynthName = "Tinkla built-in synthesizer (FluidSynth)";

class TFluidSynthDevice : public TMidiOutDevice {
public:
    TMidiOutCaps Caps() const override;
    // One synthesizer at a time (it holds the SoundFont and the sound card): a second open
    // while the first port lives fails with MidiOutErrAllocated.
    std::unique_ptr<TMidiOutPort> Open() override;

private:
    std::shared_ptr<std::atomic<bool>> FInUse = std::make_shared<std::atomic<bool>>(false);
};

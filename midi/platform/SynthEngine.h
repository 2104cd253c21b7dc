// The synthesizer as the built-in device drives it: a SoundFont loaded late, an audio output
// that is opened and closed at will, messages, and how far the output has got.
//
// Threads: LoadSoundFont on the loader thread, once; OpenAudio and CloseAudio on one thread at a
// time (the opener first, then the keeper thread); SendShort and SendLong from any thread;
// Underruns, EnlargeBuffers, ActiveVoices and RenderedFrames on the keeper thread, while the
// engine's own audio thread renders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class TSynthEngine {
public:
    virtual ~TSynthEngine() = default;

    // Throws EMidiOutFailure: MidiOutErrNoSoundFont for an empty path, MidiOutErrBadSoundFont
    // when the file does not load. Messages
    // must not be sent meanwhile: the synthesizer holds its lock for the whole load.
    virtual void LoadSoundFont(const std::string& path) = 0;
    // Opens the first audio output of the engine's plan that works; false when none does.
    virtual bool OpenAudio() = 0;
    // Closes the audio output if open; messages sent meanwhile still change the synthesizer.
    virtual void CloseAudio() = 0;

    // Any thread, two at once included.
    virtual uint16_t SendShort(uint32_t word) = 0;
    virtual uint16_t SendLong(const uint8_t* data, size_t length) = 0;

    // Times the outputs ran dry since the engine was made (the audio thread was kept from
    // rendering for longer than the buffer lasts). Ask every few hundred ms.
    virtual uint64_t Underruns() = 0;
    // Gives every output of the plan the next larger buffer, from the next OpenAudio on; false
    // when they are at their largest already.
    virtual bool EnlargeBuffers() = 0;

    // Voices sounding or fading out.
    virtual int ActiveVoices() = 0;
    // Frames the open output has asked for since the engine was made: it stops moving when the
    // output stalls (its sound server went away). Empty for an output that does not tell (the
    // file driver), which can neither stall nor be reopened without losing what it wrote.
    virtual std::optional<uint64_t> RenderedFrames() = 0;
};

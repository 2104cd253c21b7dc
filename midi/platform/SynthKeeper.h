// Keeps the built-in synthesizer playable while it starts and while it runs: messages sent
// before the SoundFont is in are held and replayed when it is; the audio output is parked after
// some seconds of silence and opened again by the next note; an output that underruns is opened
// again with a larger buffer; an output that stalls (its sound server went away) is closed,
// reported once and opened again when a server is back.
//
// Threads: SendShort and SendLong from any thread, two at once included; LoadSoundFont once, on
// the loader thread; OpenAudio, Tend and CloseAudio on one thread at a time (the opener first,
// then the keeper thread). The callbacks run on the thread that causes them.
#pragma once

#include "midi/platform/SynthEngine.h"
#include "midi/platform/TickCount.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

struct TSynthKeeperTiming {
    // Silence (no message, no voice) after which the audio output is parked.
    uint32_t ParkAfterMs = 5000;
    // An open output that asks for nothing this long has stalled; a sound server may take a
    // second or more to start consuming a fresh stream, so a fresh output gets longer.
    uint32_t StallAfterMs = 1500;
    uint32_t FreshStallAfterMs = 5000;
    // How often a failed output is tried again; a note tries it at once, but not more often
    // than every RetryOnNoteMs.
    uint32_t RetryEveryMs = 2000;
    uint32_t RetryOnNoteMs = 500;
};

class TSynthKeeper {
public:
    // `trouble` receives the SoundFont's load failure, or MidiOutErrNoAudio, once per failure; `wake`
    // asks for Tend to run soon (a note arrived while the output is parked or failed).
    TSynthKeeper(TSynthEngine& engine, const TTickClock& clock, std::function<void(uint16_t code)> trouble,
                 std::function<void()> wake, TSynthKeeperTiming timing = {});

    // Opens the audio output; throws EMidiOutFailure (MidiOutErrNoAudio) when none opens.
    void OpenAudio();
    // Loads the SoundFont, then replays what was sent meanwhile. A load that fails is reported
    // through `trouble`; the synthesizer stays silent but usable.
    void LoadSoundFont(const std::string& path);
    // Parks, watches and reopens the audio output; call it every TendEveryMs and on `wake`.
    void Tend();

    uint16_t SendShort(uint32_t word);
    uint16_t SendLong(const uint8_t* data, size_t length);

    // How long the keeper thread may wait between two Tend calls.
    uint32_t TendEveryMs() const { return 250; }

private:
    enum class TOutputState { Playing, Parked, Failed };

    bool Held(const uint8_t* message, size_t length);
    void Sent();
    void AskForOutput();
    uint32_t StallLimit(uint32_t now) const;
    void Park(uint32_t now);
    void OpenAgain(uint32_t now);
    void Fail(uint32_t now);

    TSynthEngine& FEngine;
    const TTickClock& FClock;
    std::function<void(uint16_t)> FTrouble;
    std::function<void()> FWake;
    const TSynthKeeperTiming FTiming;

    // Until the SoundFont is in, messages wait here, in order, one per thing they set.
    std::mutex FLoadLock;
    std::atomic<bool> FLoaded = false;
    std::vector<std::vector<uint8_t>> FHeld;

    std::atomic<TOutputState> FState = TOutputState::Playing;
    std::atomic<bool> FWakeWanted = false;
    std::atomic<uint32_t> FLastMessage = 0;
    std::atomic<uint32_t> FMessages = 0;
    // The keeper thread's own.
    uint64_t FLastFrames = 0;
    uint64_t FLastUnderruns = 0;
    uint32_t FLastProgress = 0;
    uint32_t FLastTry = 0;
    uint32_t FOpenedAt = 0;
};

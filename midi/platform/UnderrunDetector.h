// Tells when an audio output ran dry, from nothing but when it asks for frames: an output paced
// by its device renders, over time, as many frames as the device plays, plus what its buffer
// holds. A run dry loses that much time for good, so the most the rendering has been ahead of
// the clock drops by the length of the silence. Slow drift between the device's clock and ours,
// a bursty sound server and a stream that stalls (a fresh one waiting for its server, a server
// gone) do not count.
//
// Threads: Restart and Underruns on one thread (the keeper), Restart only while no output runs;
// Period on the audio thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <optional>

class TUnderrunDetector {
public:
    explicit TUnderrunDetector(int sampleRate) : FRate(sampleRate) {}

    // Before an output starts: its first request anchors the count.
    void Restart(int64_t nowUs);
    // The output asks for `frames` more at `nowUs`.
    void Period(int64_t nowUs, int frames);
    // Every few hundred ms: how many times the outputs ran dry since this detector was made.
    uint64_t Underruns(int64_t nowUs);

private:
    static constexpr int64_t NoLead = std::numeric_limits<int64_t>::min();

    const int FRate;
    // The audio thread's.
    bool FAnchored = false;
    int64_t FAnchorUs = 0;
    int64_t FFrames = 0;
    // Handed from the audio thread to the keeper: the most frames ahead since the last look.
    std::atomic<int64_t> FWindowLead = NoLead;
    // The keeper's.
    int64_t FRestartUs = 0;
    std::optional<int64_t> FReferenceLead;
    bool FDropSeen = false;
    uint64_t FCount = 0;
};

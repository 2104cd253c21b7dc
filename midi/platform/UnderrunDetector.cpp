#include "midi/platform/UnderrunDetector.h"

namespace {

// A fresh stream may wait for its server, and then play unevenly while the server settles its
// latency: not judged meanwhile.
constexpr int64_t SettleUs = 5'000'000;
// Smaller drops are the jitter of when the requests come; larger ones are stalls, not a thread
// kept from rendering.
constexpr int64_t SmallestDropUs = 2'000;
constexpr int64_t LargestDropUs = 250'000;

} // namespace

void TUnderrunDetector::Restart(int64_t nowUs)
{
    FAnchored = false;
    FFrames = 0;
    FWindowLead = NoLead;
    FRestartUs = nowUs;
    FReferenceLead.reset();
    FDropSeen = false;
}

void TUnderrunDetector::Period(int64_t nowUs, int frames)
{
    if (!FAnchored) {
        FAnchored = true;
        FAnchorUs = nowUs;
    }
    const int64_t lead = FFrames - (nowUs - FAnchorUs) * FRate / 1'000'000;
    FFrames += frames;
    int64_t most = FWindowLead.load(std::memory_order_relaxed);
    while (lead > most && !FWindowLead.compare_exchange_weak(most, lead, std::memory_order_relaxed)) {
    }
}

uint64_t TUnderrunDetector::Underruns(int64_t nowUs)
{
    const int64_t lead = FWindowLead.exchange(NoLead, std::memory_order_relaxed);
    if (lead == NoLead)
        return FCount;
    if (FReferenceLead && nowUs - FRestartUs >= SettleUs) {
        const int64_t drop = *FReferenceLead - lead;
        if (drop > SmallestDropUs * FRate / 1'000'000 && drop < LargestDropUs * FRate / 1'000'000) {
            // Time lost for good stays lost: a drop the next look still sees is a run dry, one
            // that recovers was the server taking its data unevenly.
            if (!FDropSeen) {
                FDropSeen = true;
                return FCount;
            }
            ++FCount;
        }
    }
    FDropSeen = false;
    FReferenceLead = lead;
    return FCount;
}

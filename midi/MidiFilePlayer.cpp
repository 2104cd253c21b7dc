// Playing a song: each timer tick turns the elapsed milliseconds into a song position in
// ticks at the tempo in force and plays every due event, track by track.
#include "midi/MidiFile.h"

#include "midi/MidiRounding.h"

#include <algorithm>

void TMidiFile::StartPlaying()
{
    for (auto& track : FTracks)
        track->Rewind();
    FPlayStartTick = FClock.Now();
    FPlayPosition = 0.0;
    FLastElapsed.store(0, std::memory_order_relaxed);
    FPlaying.store(true, std::memory_order_release);
}

void TMidiFile::TimerTick(void*)
{
    if (!Playing())
        return;
    // Unsigned difference: the tick count's wrap-around does no harm.
    const int32_t elapsed = int32_t(FClock.Now() - FPlayStartTick);
    PlayToTime(elapsed);
    if (OnUpdateEvent)
        OnUpdateEvent(this);
}

void TMidiFile::PlayToTime(int32_t elapsed)
{
    const int64_t stepUs = (int64_t(elapsed) - FLastElapsed.load(std::memory_order_relaxed)) * 1000;
    const double usPerTick = UsPerTick();
    // Without a usable tempo the position stands still instead of dividing by zero.
    if (usPerTick > 0.0)
        FPlayPosition += double(stepUs) / usPerTick;
    const int32_t now = RoundHalfEvenToInt32(FPlayPosition);
    // A stop takes effect at the next event, even in the middle of a burst, so stopping never
    // waits for a whole tick's worth of events.
    for (auto& track : FTracks)
        track->PlayUntil(now, &FPlaying);
    FLastElapsed.store(elapsed, std::memory_order_release);
}

void TMidiFile::HandleTrackEvent(PMidiEvent event)
{
    if (event->status == MidiMeta && event->data1 == MetaSetTempo) {
        // A tempo the reader would have refused must not end the timer thread: keep the old one.
        const uint32_t usPerQuarter = UsPerQuarterOf(event->text);
        if (usPerQuarter != 0 && FTicksPerQuarter != 0)
            ApplyTempo(usPerQuarter);
    }
    if (OnMidiEvent)
        OnMidiEvent(event);
}

bool TMidiFile::Ready() const
{
    return std::all_of(FTracks.begin(), FTracks.end(), [](const auto& track) { return track->Ready; });
}

int32_t TMidiFile::GetSongLength() const
{
    std::lock_guard lock(FRecordLock);
    int32_t lastTick = 0;
    for (const auto& track : FTracks)
        lastTick = std::max(lastTick, track->GetLastTime());
    return RoundHalfEvenToInt32(double(lastTick) * UsPerTick() / 1000.0);
}

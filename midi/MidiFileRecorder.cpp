// Recording: every message handed in is copied, stamped with the milliseconds since recording
// began (as ticks at 120 bpm and 30797 ticks per quarter) and filed into one track per channel.
// One lock keeps calls from the window and the timer thread from interleaving.
#include "midi/MidiFile.h"

#include "midi/MidiRounding.h"

namespace {
constexpr int32_t MetaClock = 16;
constexpr int32_t NoChannel = -1;

// Statuses a track chunk has no encoding for (data bytes, system common and real-time).
bool Unrecordable(uint8_t status) { return status < 0x80 || (status > MidiSysEx && status < MidiMeta); }

bool IsAllSoundOff(const TMidiEvent& event)
{
    return StatusKind(event.status) == MidiControlChange && event.data1 == ControllerAllSoundOff;
}
}

int32_t TMidiFile::AddTrack()
{
    std::lock_guard lock(FRecordLock);
    return AddTrackLocked();
}

int32_t TMidiFile::AddTrackLocked()
{
    FTracks.push_back(NewTrack());
    FCurrentTrack = FTracks.back().get();
    FNumberOfTracks.fetch_add(1, std::memory_order_acq_rel);
    return int32_t(FTracks.size() - 1);
}

void TMidiFile::StartRecording()
{
    std::lock_guard lock(FRecordLock);
    ClearLocked();
    const uint32_t now = FClock.Now();
    FRecordStartTick.fill(now);
    FRecordLastTick.fill(0);
    FRecordStoppedAtLimit = false;
    FTracks[size_t(AddTrackLocked())]->Channel = NoChannel;
    FTicksPerQuarter = RecordTicksPerQuarter;
    SetBpm(120);
    FRecording.store(true, std::memory_order_release);
}

int32_t TMidiFile::RecordClockIndex(const TMidiEvent& event) const
{
    return event.status == MidiMeta ? MetaClock : StatusChannel(event.status);
}

void TMidiFile::RecordEvent(PMidiEvent event)
{
    if (!Recording() || Unrecordable(event->status))
        return;
    if (event->status == MidiMeta && (event->data1 == MetaEndOfTrack || event->data1 == MetaSetTempo))
        return;
    std::lock_guard lock(FRecordLock);
    if (!Recording())
        return;
    const uint32_t now = FClock.Now();
    if (StopRecordingAtLimitLocked(now))
        return;
    const int32_t clock = RecordClockIndex(*event);
    const int32_t key = clock == MetaClock ? NoChannel : clock;

    TMidiTrack* track = nullptr;
    const size_t count = std::min(FTracks.size(), size_t(NumberOfTracks()));
    for (size_t i = 0; i < count && !track; ++i)
        if (FTracks[i]->Channel == key)
            track = FTracks[i].get();
    // A channel that has not sounded gets no track for its All Sound Off, and its clock
    // stays where it was so that its first real message keeps its true time.
    if (!track && IsAllSoundOff(*event))
        return;

    const uint32_t sinceStart = now - FRecordStartTick[size_t(clock)];
    const int32_t ticks = RoundHalfEvenToInt32(sinceStart / UsPerTick() * 1000.0);
    TMidiEvent copy = *event;
    copy.deltaTicks = int32_t(uint32_t(ticks) - uint32_t(FRecordLastTick[size_t(clock)]));
    FRecordLastTick[size_t(clock)] = ticks;
    if (!track) {
        track = FTracks[size_t(AddTrackLocked())].get();
        track->Channel = key;
    }
    track->PutEvent(std::move(copy));
}

void TMidiFile::StopRecording()
{
    std::lock_guard lock(FRecordLock);
    StopRecordingLocked();
}

bool TMidiFile::StopRecordingAtLimitLocked(uint32_t now)
{
    if (!Recording() || now - FRecordStartTick[0] <= RecordLimitMs)
        return false;
    StopRecordingLocked();
    FRecordStoppedAtLimit = true;
    return true;
}

bool TMidiFile::RecordingStoppedAtLimit()
{
    std::lock_guard lock(FRecordLock);
    StopRecordingAtLimitLocked(FClock.Now());
    return FRecordStoppedAtLimit;
}

void TMidiFile::StopRecordingLocked()
{
    if (!Recording())
        return;
    const size_t count = std::min(FTracks.size(), size_t(NumberOfTracks()));
    for (size_t i = 0; i < count; ++i) {
        TMidiEvent endOfTrack;
        endOfTrack.status = MidiMeta;
        endOfTrack.data1 = MetaEndOfTrack;
        FTracks[i]->PutEvent(std::move(endOfTrack));
    }
    FRecording.store(false, std::memory_order_release);
}

int32_t TMidiFile::GetRecordingTime() const
{
    std::lock_guard lock(FRecordLock);
    if (!Recording())
        return 0;
    return int32_t(FClock.Now() - FRecordStartTick[0]);
}

#include "midi/MidiFile.h"

void TMidiTrack::PutEvent(TMidiEvent event)
{
    if (event.status == MidiMeta) {
        if (event.data1 == MetaTrackName)
            Name = event.text;
        else if (event.data1 == MetaInstrumentName)
            Instrument = event.text;
    }
    // Deltas come straight from the file; the running sum wraps instead of overflowing.
    CurrentTime = int32_t(uint32_t(CurrentTime) + uint32_t(event.deltaTicks));
    event.absoluteTicks = CurrentTime;
    const uint8_t kind = StatusKind(event.status);
    if (kind == MidiNoteOff || (kind == MidiNoteOn && event.data2 == 0))
        Channel = StatusChannel(event.status);
    Events.push_back(std::move(event));
}

PMidiEvent TMidiTrack::GetEvent(int32_t index) const
{
    if (index < 0 || size_t(index) >= Events.size())
        return nullptr;
    return &Events[size_t(index)];
}

int32_t TMidiTrack::GetLastTime() const
{
    return Events.empty() ? 0 : Events.back().absoluteTicks;
}

void TMidiTrack::Rewind()
{
    Position = 0;
    CurrentTime = 0;
}

void TMidiTrack::PlayUntil(int32_t now, const std::atomic<bool>* keepPlaying)
{
    if (OnEvent) {
        while (size_t(Position) < Events.size() && Events[size_t(Position)].absoluteTicks < now &&
               (keepPlaying == nullptr || keepPlaying->load(std::memory_order_acquire))) {
            OnEvent(&Events[size_t(Position)]);
            ++Position;
        }
    }
    CheckReady();
}

void TMidiTrack::CheckReady()
{
    Ready = size_t(Position) >= Events.size();
}

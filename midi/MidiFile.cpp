// Construction, the song's properties and tempo rules.
#include "midi/MidiFile.h"

#include "midi/MidiRounding.h"

#include <string>

TMidiFile::TMidiFile(TTickClock& clock) : FClock(clock) {}

TMidiFile::~TMidiFile() = default;

std::unique_ptr<TMidiTrack> TMidiFile::NewTrack()
{
    auto track = std::make_unique<TMidiTrack>();
    track->OnEvent = [this](PMidiEvent event) { HandleTrackEvent(event); };
    return track;
}

void TMidiFile::ClearTracks()
{
    FCurrentTrack = nullptr;
    FTracks.clear();
    FChunkKind = TChunkKind::none;
}

void TMidiFile::ClearLocked()
{
    ClearTracks();
    FNumberOfTracks.store(0, std::memory_order_release);
    FUsPerTick.store(0.0, std::memory_order_relaxed);
    FBpm.store(0, std::memory_order_relaxed);
}

void TMidiFile::Clear()
{
    std::lock_guard lock(FRecordLock);
    ClearLocked();
}

TMidiTrack* TMidiFile::GetTrack(int32_t index) const
{
    if (index < 0 || size_t(index) >= FTracks.size())
        throw std::out_of_range("track index " + std::to_string(index) + " out of range (" +
                                std::to_string(FTracks.size()) + " tracks)");
    return FTracks[size_t(index)].get();
}

void TMidiFile::SetBpm(int32_t value)
{
    if (value == Bpm())
        return;
    if (value == 0)
        throw EMidiFileError("division by zero: a tempo of 0 beats per minute");
    const int32_t usPerQuarter = 60000000 / value;
    if (usPerQuarter == 0)
        throw EMidiFileError("division by zero: a tempo of " + std::to_string(value) +
                             " beats per minute is below one microsecond per quarter note");
    FBpm.store(60000000 / usPerQuarter, std::memory_order_relaxed);
    if (FTicksPerQuarter == 0)
        throw EMidiFileError("division by zero: the song has 0 ticks per quarter note");
    FUsPerTick.store(double(usPerQuarter) / FTicksPerQuarter, std::memory_order_relaxed);
}

uint32_t TMidiFile::UsPerQuarterOf(const std::string& text)
{
    // Missing payload bytes of a short Set Tempo count as zeros.
    uint32_t usPerQuarter = 0;
    for (size_t i = 0; i < 3; ++i)
        usPerQuarter = usPerQuarter << 8 | (i < text.size() ? uint8_t(text[i]) : 0u);
    return usPerQuarter;
}

void TMidiFile::ApplyTempo(uint32_t usPerQuarter)
{
    if (usPerQuarter == 0)
        throw EMidiFileError("division by zero: a Set Tempo event of 0 microseconds per quarter note");
    FBpm.store(int32_t(60000000 / usPerQuarter), std::memory_order_relaxed);
    if (FTicksPerQuarter == 0)
        throw EMidiFileError("division by zero: a Set Tempo event in a song of 0 ticks per quarter note");
    FUsPerTick.store(double(usPerQuarter) / FTicksPerQuarter, std::memory_order_relaxed);
}

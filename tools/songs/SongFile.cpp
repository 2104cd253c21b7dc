#include "tools/songs/SongFile.h"

#include <memory>

#include "midi/MidiFile.h"

void WriteSongFile(const TSongScore& song, const std::string& path)
{
    TMidiFile file;
    file.SetTicksPerQuarter(song.TicksPerQuarter);
    for (const std::vector<TMidiEvent>& events : song.Tracks) {
        TMidiTrack* track = file.GetTrack(file.AddTrack());
        for (const TMidiEvent& event : events)
            track->PutEvent(event);
    }
    file.WriteFile(path);
}

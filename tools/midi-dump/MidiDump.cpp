// midi-dump [--summary] FILE: reads FILE the way the keyboard window does (Clear, then ReadFile)
// and prints the header values and every event in track order, or with --summary only the
// number of events of each track. A reading error is printed after whatever was read, on
// standard error, with exit status 1.
#include "midi/MidiFile.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

void PrintSong(const TMidiFile& song, int32_t tracks, bool summary)
{
    std::printf("format=%d tracks=%d tpq=%d bpm=%d usPerTick=%.3f\n", int(song.FileFormat()),
                song.NumberOfTracks(), song.TicksPerQuarter(), song.Bpm(), song.UsPerTick());
    for (int32_t t = 0; t < tracks; ++t) {
        const TMidiTrack& track = *song.GetTrack(t);
        if (summary) {
            std::printf("track %d: %d events\n", t, track.EventCount());
            continue;
        }
        for (int i = 0; i < track.EventCount(); ++i) {
            const TMidiEvent& event = *track.GetEvent(i);
            std::printf("%d %d %02X %02X %02X ", t, event.absoluteTicks, event.status, event.data1, event.data2);
            if (event.text.empty())
                std::fputs("-", stdout);
            for (unsigned char byte : event.text)
                std::printf("%02X", byte);
            std::fputs("\n", stdout);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const bool summary = argc == 3 && std::strcmp(argv[1], "--summary") == 0;
    if (argc != 2 && !summary) {
        std::fprintf(stderr, "usage: midi-dump [--summary] FILE\n");
        return 2;
    }
    TMidiFile song;
    song.Clear();
    song.SetFilename(argv[argc - 1]);
    try {
        song.ReadFile();
    } catch (const std::exception& error) {
        PrintSong(song, song.TrackCount(), summary);
        std::fflush(stdout);
        std::fprintf(stderr, "error: %s\n", error.what());
        return 1;
    }
    PrintSong(song, song.TrackCount(), summary);
    return 0;
}

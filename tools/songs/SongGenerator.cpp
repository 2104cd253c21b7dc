// song-generator <folder>: writes MIDI_XXX.mid and MIDI_XYZ.mid, the built-in songs, there.
#include <cstdio>
#include <exception>
#include <string>

#include "tools/songs/SongFile.h"
#include "tools/songs/Songs.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: song-generator <folder for MIDI_XXX.mid and MIDI_XYZ.mid>\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        WriteSongFile(TwinkleScore(), folder + "/MIDI_XXX.mid");
        WriteSongFile(SwallowScore(), folder + "/MIDI_XYZ.mid");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "song-generator: %s\n", error.what());
        return 1;
    }
    return 0;
}

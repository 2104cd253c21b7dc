// The built-in songs as the song dialog lists them: which resource and which transposition
// belong to each list position, and the choice the dialog leaves for the keyboard window.
// The selection values are written and read on the window thread only; the tables are
// constant and may be read from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include <QString>

inline constexpr int SongCount = 2;

// Indexed by list position: resource names of type "MIDI" and the semitones the keyboard is
// transposed by so that a child playing in C major sounds in the song's key.
inline constexpr std::array<std::string_view, SongCount> SongResourceNames{"MIDI_XXX", "MIDI_XYZ"};
inline constexpr std::array<int, SongCount> SongTransposes{2, 7};

// The last choice made in the song dialog; 0 and empty until a song has been chosen.
extern int32_t SelectedSongIndex;
extern QString SelectedSongTitle;
extern QString SelectedSongResource;

// The Qt resource path of a song resource name: ":/MIDI/<name>".
QString SongResourcePath(const QString& resourceName);

// The whole Standard MIDI File stored under a song resource name. Throws std::runtime_error
// naming the resource when there is none (an empty name included). Window thread.
std::string LoadSongResource(const QString& resourceName);

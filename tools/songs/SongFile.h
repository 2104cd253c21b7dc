// Writes a song score as a Standard MIDI File through the song component's own writer.
// Window or any single thread (the component is created and dropped within the call).
#pragma once

#include <string>

#include "tools/songs/Score.h"

// Creates or replaces `path`; raises EMidiFileError when it cannot be written.
void WriteSongFile(const TSongScore& song, const std::string& path);

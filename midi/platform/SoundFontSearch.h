// Finds the General MIDI SoundFont for the built-in synthesizer.
#pragma once

#include <string>
#include <vector>

// TINKLA_SOUNDFONT when set (it must then be a SoundFont); otherwise the first candidate of
// SoundFontCandidates that exists and that FluidSynth accepts. Empty when none is found.
// Any thread.
std::string FindSoundFont();

// The search order, uncompressed .sf2 first because decoding an .sf3 takes seconds:
// Debian's default-GM.sf2 and FluidR3_GM.sf2, FluidSynth's own default, then any other .sf2
// and finally any .sf3 in the usual folders. `fluidDefault` is FluidSynth's default path.
std::vector<std::string> SoundFontCandidates(const std::string& fluidDefault,
                                             const std::vector<std::string>& folders);

// The catalogue of the 128 General MIDI melodic instruments by program number, and the
// LED panel's instrument line built from it. Constant data: any thread may read it.
#pragma once

#include "midi/ChannelSet.h"

#include <array>
#include <string_view>

#include <QString>

// Texts are UTF-8.
struct TTamber {
    std::string_view GroupName;   // the same for all eight programs of a group
    std::string_view EnglishName; // never shown
    std::string_view ChineseName; // what the LED panel's instrument line shows
};

inline constexpr int TamberCount = 128;
inline constexpr int TambersPerGroup = 8;

// Indexed by program number 0..127 (the value a program change carries).
extern const std::array<TTamber, TamberCount> TamberTable;

// "ch:", each channel 0..15 present in `channels` in decimal followed by one blank, then
// " 键盘音色：" and the Chinese name of `program` (0..127, checked: throws std::out_of_range).
// Window thread (returns a QString).
QString InstrumentLine(const TChannelSet& channels, int program);

// The computer keys that play the keyboard: hardware key code to note.
// Pure data and lookup; any thread.
#pragma once

#include "ui/InstrumentSelector.h"

#include <array>
#include <cstdint>

// One computer key: its layout-independent key code (scan code, plus 256 for an
// extended key) and the white note it plays.
struct TKeyMapEntry {
    int32_t Code;
    int32_t Note;
};

// The key that refreshes the instrument instead of playing a note (Z).
inline constexpr int32_t InstrumentRefreshKeyCode = TInstrumentSelector::RefreshKeyCode;

extern const std::array<TKeyMapEntry, 62> KeyMap;

// The note of the first KeyMap entry with this code, or 0 when the key plays nothing.
int32_t KeyCodeToNote(int32_t code);

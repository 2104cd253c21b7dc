// The drawn keyboard's model: which note is which key, its shape and its rectangle, and the
// hit test that turns a window point into a note. Window thread only (plain data otherwise).
#pragma once

#include <array>
#include <cstdint>

class QPixmap;

// A key's shape, named after where its black neighbours sit.
enum TKeyKind : int32_t {
    kkBlack = 0,
    kkWhiteLeft = 1,   // C and F: a black key on the right only
    kkWhiteMiddle = 2, // D, G and A: black keys on both sides
    kkWhiteRight = 3,  // E and B: a black key on the left only
};

// A rectangle in window client pixels that holds its left and top edges only.
struct TKeyRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    bool Contains(int32_t x, int32_t y) const { return Left <= x && x < Right && Top <= y && y < Bottom; }
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
};

struct TPianoKey {
    const QPixmap* Image = nullptr; // the picture the key shows now (released or pressed)
    bool Pressed = false;           // sounding from the mouse or a computer key
    TKeyRect Rect;
    int32_t Kind = kkBlack;
};

// Indexed by MIDI note; only 36 to 95 are keys, the rest stay empty.
using TKeyTable = std::array<TPianoKey, 128>;

inline constexpr int32_t LowestKeyNote = 36;
inline constexpr int32_t HighestKeyNote = 95;

namespace KeyGeometry {
inline constexpr int32_t Left = 15;
inline constexpr int32_t Top = 220;
inline constexpr int32_t WhiteWidth = 21;
inline constexpr int32_t WhiteHeight = 120;
inline constexpr int32_t BlackWidth = 16;
inline constexpr int32_t BlackHeight = 65;
// A black key starts this far into the white key below it in pitch.
inline constexpr int32_t BlackOffset = 13;
} // namespace KeyGeometry

// The shape of the key for a note (by its pitch class).
TKeyKind KeyKindOf(int32_t note);

// The 60 keys in their places, all released, without pictures.
TKeyTable BuildKeyTable();

// The note of the key under (x, y), black keys winning every overlap; 0 when no key is there.
int32_t NoteAtPoint(const TKeyTable& keys, int32_t x, int32_t y);

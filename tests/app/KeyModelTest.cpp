// The key table's geometry, the hit test on its edges, the computer-key map and the
// translation of native key codes.
#include "app/KeyMap.h"
#include "app/NativeKeyCode.h"
#include "app/PianoKeys.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(KeyTable, SixtyKeysInThreeWhiteShapesAndBlack)
{
    const TKeyTable keys = BuildKeyTable();
    int white = 0, black = 0;
    for (int note = 0; note < 128; ++note) {
        const TPianoKey& key = keys[size_t(note)];
        if (note < LowestKeyNote || note > HighestKeyNote) {
            EXPECT_EQ(key.Rect.Width(), 0) << note;
            continue;
        }
        EXPECT_FALSE(key.Pressed);
        if (key.Kind == kkBlack) {
            ++black;
            EXPECT_EQ(key.Rect.Width(), 16) << note;
            EXPECT_EQ(key.Rect.Height(), 65) << note;
        } else {
            ++white;
            EXPECT_EQ(key.Rect.Width(), 21) << note;
            EXPECT_EQ(key.Rect.Height(), 120) << note;
        }
        EXPECT_EQ(key.Rect.Top, 220);
    }
    EXPECT_EQ(white, 35);
    EXPECT_EQ(black, 25);
}

TEST(KeyTable, KindsFollowTheOctave)
{
    const TKeyTable keys = BuildKeyTable();
    // C4 octave: C D E F G A B and the five black keys between.
    const int expected[12] = {kkWhiteLeft, kkBlack, kkWhiteMiddle, kkBlack, kkWhiteRight, kkWhiteLeft,
                              kkBlack,     kkWhiteMiddle, kkBlack, kkWhiteMiddle, kkBlack, kkWhiteRight};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(keys[size_t(60 + i)].Kind, expected[i]) << 60 + i;
        EXPECT_EQ(keys[size_t(36 + i)].Kind, expected[i]) << 36 + i;
    }
    EXPECT_EQ(keys[95].Kind, kkWhiteRight);
}

TEST(KeyTable, WhiteRowSpansFifteenToSevenFiftyAndBlackKeysStraddleTheirNeighbours)
{
    const TKeyTable keys = BuildKeyTable();
    EXPECT_EQ(keys[36].Rect.Left, 15);
    EXPECT_EQ(keys[38].Rect.Left, 36);
    EXPECT_EQ(keys[95].Rect.Right, 750);
    EXPECT_EQ(keys[95].Rect.Bottom, 340);
    for (int note = LowestKeyNote; note <= HighestKeyNote; ++note) {
        if (keys[size_t(note)].Kind != kkBlack) {
            continue;
        }
        const TKeyRect below = keys[size_t(note - 1)].Rect;
        const TKeyRect above = keys[size_t(note + 1)].Rect;
        EXPECT_EQ(keys[size_t(note)].Rect.Left, below.Right - 8) << note;
        EXPECT_EQ(keys[size_t(note)].Rect.Right, above.Left + 8) << note;
    }
}

TEST(NoteAtPoint, EdgesAndOverlaps)
{
    const TKeyTable keys = BuildKeyTable();
    // A shared white edge belongs to the right-hand key.
    EXPECT_EQ(NoteAtPoint(keys, 36, 300), 38);
    EXPECT_EQ(NoteAtPoint(keys, 35, 300), 36);
    // The overlap of a white key and the black key to its right goes to the black key ...
    EXPECT_EQ(NoteAtPoint(keys, 30, 230), 37);
    EXPECT_EQ(NoteAtPoint(keys, 30, 300), 36);
    // ... and so does the overlap with the white key to its left.
    EXPECT_EQ(NoteAtPoint(keys, 40, 230), 37);
    EXPECT_EQ(NoteAtPoint(keys, 44, 230), 38);
    // The black key's bottom edge is not part of it.
    EXPECT_EQ(NoteAtPoint(keys, 30, 284), 37);
    EXPECT_EQ(NoteAtPoint(keys, 30, 285), 36);
    // The last key has no neighbour above.
    EXPECT_EQ(NoteAtPoint(keys, 745, 230), 95);
    EXPECT_EQ(NoteAtPoint(keys, 749, 339), 95);
}

TEST(NoteAtPoint, OutsideTheKeysIsZero)
{
    const TKeyTable keys = BuildKeyTable();
    EXPECT_EQ(NoteAtPoint(keys, 300, 180), 0); // the buttons row
    EXPECT_EQ(NoteAtPoint(keys, 14, 300), 0);
    EXPECT_EQ(NoteAtPoint(keys, 750, 300), 0);
    EXPECT_EQ(NoteAtPoint(keys, 100, 219), 0);
    EXPECT_EQ(NoteAtPoint(keys, 100, 340), 0);
}

TEST(KeyMapTable, SixtyTwoUniqueCodesOnWhiteNotes)
{
    std::set<int32_t> codes;
    for (const TKeyMapEntry& entry : KeyMap) {
        EXPECT_TRUE(codes.insert(entry.Code).second) << entry.Code;
        EXPECT_NE(KeyKindOf(entry.Note), kkBlack) << entry.Note;
        EXPECT_GE(entry.Note, 48);
        EXPECT_LE(entry.Note, 93);
    }
    EXPECT_EQ(codes.size(), 62u);
    EXPECT_EQ(codes.count(InstrumentRefreshKeyCode), 0u);
}

TEST(KeyMapTable, LookupsAcrossTheGroups)
{
    EXPECT_EQ(KeyCodeToNote(30), 48);  // A
    EXPECT_EQ(KeyCodeToNote(37), 60);  // K
    EXPECT_EQ(KeyCodeToNote(16), 60);  // Q
    EXPECT_EQ(KeyCodeToNote(40), 65);  // '
    EXPECT_EQ(KeyCodeToNote(13), 91);  // =
    EXPECT_EQ(KeyCodeToNote(2), 72);   // 1
    EXPECT_EQ(KeyCodeToNote(0x14B), 48); // Left arrow
    EXPECT_EQ(KeyCodeToNote(0x11C), 59); // keypad Enter
    EXPECT_EQ(KeyCodeToNote(0x145), 77); // Num Lock
    EXPECT_EQ(KeyCodeToNote(0x135), 79); // keypad /
    EXPECT_EQ(KeyCodeToNote(55), 81);    // keypad *
    EXPECT_EQ(KeyCodeToNote(0x149), 93); // Page Up
    EXPECT_EQ(KeyCodeToNote(0x4B), 65);  // keypad 4, not Left arrow
    EXPECT_EQ(KeyCodeToNote(44), 0);     // Z
    EXPECT_EQ(KeyCodeToNote(0x1E + 256), 0);
    EXPECT_EQ(KeyCodeToNote(0), 0);
}

TEST(NativeKeyCode, XkbCodesAreEvdevPlusEight)
{
    const auto xkb = [](uint32_t code) { return KeyCodeFromNative(code, TNativeKeySystem::Xkb); };
    EXPECT_EQ(xkb(38), 30);     // A
    EXPECT_EQ(xkb(10), 2);      // 1
    EXPECT_EQ(xkb(21), 13);     // =
    EXPECT_EQ(xkb(90), 82);     // keypad 0
    EXPECT_EQ(xkb(63), 55);     // keypad *
    EXPECT_EQ(xkb(82), 74);     // keypad -
    EXPECT_EQ(xkb(52), 44);     // Z
    // The extended keys.
    EXPECT_EQ(xkb(113), 0x14B); // Left
    EXPECT_EQ(xkb(116), 0x150); // Down
    EXPECT_EQ(xkb(114), 0x14D); // Right
    EXPECT_EQ(xkb(111), 0x148); // Up
    EXPECT_EQ(xkb(104), 0x11C); // keypad Enter
    EXPECT_EQ(xkb(106), 0x135); // keypad /
    EXPECT_EQ(xkb(77), 0x145);  // Num Lock
    EXPECT_EQ(xkb(119), 0x153); // Delete
    EXPECT_EQ(xkb(115), 0x14F); // End
    EXPECT_EQ(xkb(117), 0x151); // Page Down
    EXPECT_EQ(xkb(118), 0x152); // Insert
    EXPECT_EQ(xkb(110), 0x147); // Home
    EXPECT_EQ(xkb(112), 0x149); // Page Up
    EXPECT_EQ(xkb(127), 0x45);  // Pause keeps the plain code Num Lock gave up
    // Nothing below the offset, nothing for codes the PC set has no scan code for.
    EXPECT_EQ(xkb(0), 0);
    EXPECT_EQ(xkb(8), 0);
    EXPECT_EQ(xkb(8 + 200), 0);
}

TEST(NativeKeyCode, WindowsKeepsScanCodeAndExtendedBit)
{
    const auto win = [](uint32_t code) { return KeyCodeFromNative(code, TNativeKeySystem::Windows); };
    EXPECT_EQ(win(0x1E), 30);
    EXPECT_EQ(win(0x14B), 0x14B);
    EXPECT_EQ(win(0x145), 0x145);
    EXPECT_EQ(win(0x21E), 30); // bits above the extended flag are not part of the code
    EXPECT_EQ(KeyCodeFromNative(38, TNativeKeySystem::Unknown), 0);
}

TEST(NativeKeyCode, EveryMappedKeyIsReachableFromXkb)
{
    // Each KeyMap code must be produced by some XKB key code, or that key could never play.
    std::set<int32_t> reachable;
    for (uint32_t code = 0; code < 256; ++code) {
        reachable.insert(KeyCodeFromNative(code, TNativeKeySystem::Xkb));
    }
    for (const TKeyMapEntry& entry : KeyMap) {
        EXPECT_EQ(reachable.count(entry.Code), 1u) << entry.Code;
    }
}

} // namespace

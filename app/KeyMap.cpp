#include "app/KeyMap.h"

// Each group runs up the C major scale; the arrows and the block above them continue the
// keypad's run, the letter rows and the digit row overlap so small hands find the same notes.
const std::array<TKeyMapEntry, 62> KeyMap = {{
    // Arrows, keypad and the editing block.
    {0x14B, 48}, {0x150, 50}, {0x14D, 52}, {0x148, 53},
    {0x052, 55}, {0x053, 57}, {0x11C, 59},
    {0x04F, 60}, {0x050, 62}, {0x051, 64},
    {0x04B, 65}, {0x04C, 67}, {0x04D, 69},
    {0x047, 71}, {0x048, 72}, {0x049, 74}, {0x04E, 76},
    {0x145, 77}, {0x135, 79}, {0x037, 81}, {0x04A, 83},
    {0x153, 84}, {0x14F, 86}, {0x151, 88},
    {0x152, 89}, {0x147, 91}, {0x149, 93},
    // Home row A to '.
    {30, 48}, {31, 50}, {32, 52}, {33, 53}, {34, 55}, {35, 57},
    {36, 59}, {37, 60}, {38, 62}, {39, 64}, {40, 65},
    // Top letter row Q to ].
    {16, 60}, {17, 62}, {18, 64}, {19, 65}, {20, 67}, {21, 69},
    {22, 71}, {23, 72}, {24, 74}, {25, 76}, {26, 77}, {27, 79},
    // Digit row 1 to =.
    {2, 72}, {3, 74}, {4, 76}, {5, 77}, {6, 79}, {7, 81},
    {8, 83}, {9, 84}, {10, 86}, {11, 88}, {12, 89}, {13, 91},
}};

int32_t KeyCodeToNote(int32_t code)
{
    for (const TKeyMapEntry& entry : KeyMap) {
        if (entry.Code == code) {
            return entry.Note;
        }
    }
    return 0;
}

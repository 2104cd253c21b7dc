#include "app/PianoKeys.h"

#include <cstddef>

using std::size_t;

TKeyKind KeyKindOf(int32_t note)
{
    static constexpr std::array<TKeyKind, 12> KindOfPitch = {
        kkWhiteLeft, kkBlack, kkWhiteMiddle, kkBlack, kkWhiteRight,               // C C# D D# E
        kkWhiteLeft, kkBlack, kkWhiteMiddle, kkBlack, kkWhiteMiddle, kkBlack, kkWhiteRight, // F .. B
    };
    return KindOfPitch[size_t(note % 12)];
}

TKeyTable BuildKeyTable()
{
    using namespace KeyGeometry;
    TKeyTable keys{};
    int32_t whiteIndex = 0;
    int32_t lastWhiteLeft = Left;
    for (int32_t note = LowestKeyNote; note <= HighestKeyNote; ++note) {
        TPianoKey& key = keys[size_t(note)];
        key.Kind = KeyKindOf(note);
        if (key.Kind == kkBlack) {
            const int32_t left = lastWhiteLeft + BlackOffset;
            key.Rect = {left, Top, left + BlackWidth, Top + BlackHeight};
        } else {
            lastWhiteLeft = Left + WhiteWidth * whiteIndex++;
            key.Rect = {lastWhiteLeft, Top, lastWhiteLeft + WhiteWidth, Top + WhiteHeight};
        }
    }
    return keys;
}

int32_t NoteAtPoint(const TKeyTable& keys, int32_t x, int32_t y)
{
    for (int32_t n = LowestKeyNote; n <= HighestKeyNote; ++n) {
        const TPianoKey& key = keys[size_t(n)];
        if (!key.Rect.Contains(x, y)) {
            continue;
        }
        // The search runs upwards, so a white key found first may still lie under the black
        // key to its right, which wins the overlap.
        const bool blackOnRight = key.Kind == kkWhiteLeft || key.Kind == kkWhiteMiddle;
        if (blackOnRight && n < HighestKeyNote && keys[size_t(n + 1)].Rect.Contains(x, y)) {
            return n + 1;
        }
        return n;
    }
    return 0;
}

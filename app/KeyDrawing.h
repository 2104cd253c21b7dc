// The window's keys as the other ways of playing (a MIDI keyboard, fingers) see them: the key
// table for Pressed and hit tests, and the window's drawing. Window thread only.
#pragma once

#include "app/PianoKeys.h"

#include <cstdint>
#include <functional>

struct TKeyDrawing {
    TKeyTable& Keys;
    std::function<void(int32_t note)> DrawKeyDown;
    std::function<void(int32_t note)> DrawKeyUp;

    // Draws the key pressed or released and sets its Pressed flag to match. `note` 0..127.
    void Show(int32_t note, bool down) const
    {
        if (down)
            DrawKeyDown(note);
        else
            DrawKeyUp(note);
        Keys[size_t(note)].Pressed = down;
    }
};

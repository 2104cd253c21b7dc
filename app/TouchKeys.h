// Playing with fingers on a touch screen: each finger plays like the mouse does for one note.
// Touching a key sounds it, sliding onto another key releases the old note and sounds the new
// one, lifting releases it; several fingers sound chords. Touches outside the keys do nothing
// (they neither play nor drag the window), and the mouse events the system makes from touches
// are swallowed so that nothing plays twice.
//
// Threads: window thread only.
#pragma once

#include "app/KeyDrawing.h"

#include <QPoint>

#include <cstdint>
#include <functional>
#include <map>

class QEvent;

class TTouchKeys {
public:
    // The window's SendToKeyChannels.
    using TSend = std::function<void(uint8_t kind, uint8_t data1, uint8_t data2)>;

    TTouchKeys(TKeyDrawing keys, TSend send);

    // Takes a touch event for the window (and accepts it, so that Qt makes no mouse events of
    // it) or a mouse event made from a touch; returns whether it was one of these, which the
    // window then leaves alone. Raises what the sends raise; the fingers' state stays as far
    // as it got.
    bool Event(QEvent& event);

private:
    void Touch(int id, QPoint at);
    void Slide(int id, QPoint at);
    void Lift(int id);

    const TKeyDrawing FKeys;
    const TSend FSend;
    // The note each finger holds; fingers holding none are not listed.
    std::map<int, int32_t> FFingerNotes;
};

#include "app/TouchKeys.h"

#include <QMouseEvent>
#include <QPointingDevice>
#include <QTouchEvent>

namespace {

constexpr uint8_t NoteOff = 0x80;
constexpr uint8_t NoteOn = 0x90;
constexpr uint8_t KeyVelocity = 127;

bool MadeFromTouch(const QMouseEvent& event)
{
    const QPointingDevice* device = event.pointingDevice();
    return device != nullptr && device->type() == QInputDevice::DeviceType::TouchScreen;
}

} // namespace

TTouchKeys::TTouchKeys(TKeyDrawing keys, TSend send) : FKeys(std::move(keys)), FSend(std::move(send)) {}

bool TTouchKeys::Event(QEvent& event)
{
    switch (event.type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd: {
        event.accept();
        for (const QEventPoint& point : static_cast<QTouchEvent&>(event).points()) {
            const QPoint at = point.position().toPoint();
            switch (point.state()) {
            case QEventPoint::Pressed: Touch(point.id(), at); break;
            case QEventPoint::Updated: Slide(point.id(), at); break;
            case QEventPoint::Released: Lift(point.id()); break;
            default: break;
            }
        }
        return true;
    }
    case QEvent::TouchCancel: {
        event.accept();
        while (!FFingerNotes.empty())
            Lift(FFingerNotes.begin()->first);
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        return MadeFromTouch(static_cast<QMouseEvent&>(event));
    default:
        return false;
    }
}

void TTouchKeys::Touch(int id, QPoint at)
{
    // As a mouse press: the key sounds whether or not something else holds it.
    const int32_t n = NoteAtPoint(FKeys.Keys, at.x(), at.y());
    if (n <= 0)
        return;
    FSend(NoteOn, uint8_t(n), KeyVelocity);
    FKeys.Show(n, true);
    FFingerNotes[id] = n;
}

void TTouchKeys::Slide(int id, QPoint at)
{
    // As the mouse moving with its button held.
    const int32_t n = NoteAtPoint(FKeys.Keys, at.x(), at.y());
    const auto held = FFingerNotes.find(id);
    if (held != FFingerNotes.end()) {
        if (held->second == n)
            return;
        Lift(id);
    }
    if (n >= 1 && n <= HighestKeyNote && !FKeys.Keys[size_t(n)].Pressed) {
        FKeys.Show(n, true);
        FFingerNotes[id] = n;
        FSend(NoteOn, uint8_t(n), KeyVelocity);
    }
}

void TTouchKeys::Lift(int id)
{
    const auto held = FFingerNotes.find(id);
    if (held == FFingerNotes.end())
        return;
    const int32_t note = held->second;
    FSend(NoteOff, uint8_t(note), KeyVelocity);
    FKeys.Show(note, false);
    FFingerNotes.erase(held);
}

// Turns the window system's native key code into the layout-independent KeyCode the
// keyboard table is written in: the PC scan code, plus 256 for an extended (E0) key.
// Pure functions; any thread.
#pragma once

#include <cstdint>

class QKeyEvent;

// How the platform reports a key's native scan code.
enum class TNativeKeySystem {
    Xkb,     // X11 and Wayland: XKB key code = Linux evdev code + 8
    Windows, // bits 16..24 of the key message's lParam, extended bit as 0x100
    Unknown, // no usable scan code, as on macOS (the keys play nothing)
};

// The system this program was built for. Every Linux platform plugin that delivers keys
// (xcb, wayland, eglfs through libinput) reports XKB key codes.
TNativeKeySystem ThisNativeKeySystem();

// The KeyCode of a native scan code, 0 when the key has none.
int32_t KeyCodeFromNative(uint32_t nativeScanCode, TNativeKeySystem system);

// The KeyCode of a Qt key event on the running platform.
int32_t KeyCodeOf(const QKeyEvent& event);

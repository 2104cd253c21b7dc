#include "app/NativeKeyCode.h"

#include <QKeyEvent>

#include <array>
#include <utility>

namespace {

constexpr uint32_t XkbOffset = 8;
// Below this evdev code, evdev and the PC scan code set 1 agree key for key.
constexpr uint32_t FirstEvdevBeyondScanSet = 89;
constexpr int32_t Extended = 0x100;

// The evdev codes whose PC scan code differs from the evdev number: the E0-prefixed keys,
// and Num Lock, which the PC keyboard reports as extended 0x45 while Pause takes plain 0x45.
constexpr std::array<std::pair<uint32_t, int32_t>, 20> EvdevToScanCode = {{
    {69, Extended | 0x45},  // Num Lock
    {96, Extended | 0x1C},  // keypad Enter
    {97, Extended | 0x1D},  // right Ctrl
    {98, Extended | 0x35},  // keypad /
    {99, Extended | 0x37},  // Print Screen
    {100, Extended | 0x38}, // right Alt
    {102, Extended | 0x47}, // Home
    {103, Extended | 0x48}, // Up
    {104, Extended | 0x49}, // Page Up
    {105, Extended | 0x4B}, // Left
    {106, Extended | 0x4D}, // Right
    {107, Extended | 0x4F}, // End
    {108, Extended | 0x50}, // Down
    {109, Extended | 0x51}, // Page Down
    {110, Extended | 0x52}, // Insert
    {111, Extended | 0x53}, // Delete
    {119, 0x45},            // Pause
    {125, Extended | 0x5B}, // left Super
    {126, Extended | 0x5C}, // right Super
    {127, Extended | 0x5D}, // Menu
}};

int32_t KeyCodeFromEvdev(uint32_t evdev)
{
    for (const auto& [code, scanCode] : EvdevToScanCode) {
        if (code == evdev) {
            return scanCode;
        }
    }
    return evdev < FirstEvdevBeyondScanSet ? int32_t(evdev) : 0;
}

} // namespace

TNativeKeySystem ThisNativeKeySystem()
{
#if defined(Q_OS_WIN)
    return TNativeKeySystem::Windows;
#elif defined(Q_OS_MACOS)
    return TNativeKeySystem::Unknown;
#else
    return TNativeKeySystem::Xkb;
#endif
}

int32_t KeyCodeFromNative(uint32_t nativeScanCode, TNativeKeySystem system)
{
    switch (system) {
    case TNativeKeySystem::Xkb:
        return nativeScanCode > XkbOffset ? KeyCodeFromEvdev(nativeScanCode - XkbOffset) : 0;
    case TNativeKeySystem::Windows:
        return int32_t(nativeScanCode & 0x1FF);
    case TNativeKeySystem::Unknown:
        break;
    }
    return 0;
}

int32_t KeyCodeOf(const QKeyEvent& event)
{
    return KeyCodeFromNative(event.nativeScanCode(), ThisNativeKeySystem());
}

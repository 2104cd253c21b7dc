// What each kind of real output (the built-in synthesizer, a sequencer port) provides to the
// system driver, which turns them into numbered devices and handles.
#pragma once

#include "midi/platform/MidiOutDriver.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

// A device that could not be opened or used: the facade's error code, and details for logs.
class EMidiOutFailure : public std::runtime_error {
public:
    EMidiOutFailure(uint16_t code, const std::string& detail) : std::runtime_error(detail), Code(code) {}
    uint16_t Code;
};

// One open output. Both sends may be called from two threads at once.
class TMidiOutPort {
public:
    virtual ~TMidiOutPort() = default;
    virtual uint16_t SendShort(uint32_t word) = 0;
    // The whole message as sent, 0xF0 ... 0xF7 for a system-exclusive one.
    virtual uint16_t SendLong(const uint8_t* data, size_t length) = 0;
    // Owning thread: `report` receives each later failure of the output (error code), on any
    // thread, those met before this call included. Ports that cannot fail later ignore it.
    virtual void OnTrouble(std::function<void(uint16_t code)> report) { (void)report; }
};

// One entry of the device list. Window thread.
class TMidiOutDevice {
public:
    virtual ~TMidiOutDevice() = default;
    virtual TMidiOutCaps Caps() const = 0;
    // Throws EMidiOutFailure when the device cannot be opened.
    virtual std::unique_ptr<TMidiOutPort> Open() = 0;
};

// The one in-memory form of a MIDI event, passed between reader, player, recorder,
// output device and LED panel, and the status and data values they use by name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct TMidiEvent {
    uint8_t status = 0;        // full status byte (never a running-status omission)
    uint8_t data1 = 0;         // note, controller, program; meta type for 0xFF
    uint8_t data2 = 0;         // velocity, value; 0 for one-data-byte kinds, meta and sysex
    std::string text;          // meta / sysex payload, every byte kept (zeros included)
    int32_t deltaTicks = 0;    // ticks since the previous event of the same track
    int32_t absoluteTicks = 0; // ticks since the start of the track
};

using PMidiEvent = TMidiEvent*;

// An event handed to a hook is lent for the duration of the call only.
// An empty hook is simply not called.
using TOnMidiEvent = std::function<void(PMidiEvent event)>;

// Status kinds: the high nibble of a channel message's status byte.
inline constexpr uint8_t MidiNoteOff = 0x80;
inline constexpr uint8_t MidiNoteOn = 0x90;
inline constexpr uint8_t MidiPolyPressure = 0xA0;
inline constexpr uint8_t MidiControlChange = 0xB0;
inline constexpr uint8_t MidiProgramChange = 0xC0;
inline constexpr uint8_t MidiChannelPressure = 0xD0;
inline constexpr uint8_t MidiPitchBend = 0xE0;
inline constexpr uint8_t MidiSysEx = 0xF0;
inline constexpr uint8_t MidiMeta = 0xFF;

// Meta types (data1 of a 0xFF event) the program acts on.
inline constexpr uint8_t MetaTrackName = 0x03;
inline constexpr uint8_t MetaInstrumentName = 0x04;
inline constexpr uint8_t MetaEndOfTrack = 0x2F;
inline constexpr uint8_t MetaSetTempo = 0x51;

// Controller 120 with value 0 silences a channel at once.
inline constexpr uint8_t ControllerAllSoundOff = 0x78;

inline constexpr uint8_t StatusKind(uint8_t status) { return status & 0xF0; }
inline constexpr uint8_t StatusChannel(uint8_t status) { return status & 0x0F; }

// The 32-bit word a short message travels in: status in bits 0..7, data1 in 8..15,
// data2 in 16..23. One-data-byte kinds still carry data2 unchanged.
inline constexpr uint32_t PackShortMessage(uint8_t status, uint8_t data1, uint8_t data2)
{
    return uint32_t(status) | uint32_t(data1) << 8 | uint32_t(data2) << 16;
}

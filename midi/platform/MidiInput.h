// MIDI inputs: the keyboards a child plays Tinkla from. One path is chosen at start-up, so a
// keyboard is never heard twice:
// - the ALSA sequencer's readable hardware ports, through RtMidi's ALSA API, each opened as it
//   appears (looked for about every 2 s) and closed quietly when it goes;
// - or a JACK MIDI input port "midi_in", connected to the physical MIDI outputs (also looked
//   for about every 2 s), where a JACK server runs (PipeWire's JACK interface included).
// TINKLA_MIDI_IN = alsa, jack or none overrides the choice; unset (or any other value) takes
// ALSA where the sequencer exists, else JACK where a server runs, else nothing. A missing
// sequencer or server is not an error: there are simply no inputs.
//
// Threads: open and destroy on one thread. The message callback runs on the inputs' own
// threads (one per ALSA port, JACK's process thread), possibly several at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// One channel message (status 0x80 to 0xEF) with its data bytes; a missing byte is 0.
using TOnMidiInput = std::function<void(uint8_t status, uint8_t data1, uint8_t data2)>;

class TMidiInputs {
public:
    // Closes every port; no callback runs after it returns.
    virtual ~TMidiInputs() = default;
    // The path in use, for diagnostics: "alsa" or "jack".
    virtual std::string Path() const = 0;
};

enum class TMidiInputChoice { Automatic, Alsa, Jack, None };

// The choice TINKLA_MIDI_IN names (null or unknown: Automatic). Any thread.
TMidiInputChoice MidiInputChoice(const char* setting);

// Opens the inputs of `choice` (or of TINKLA_MIDI_IN), or returns null when that path has no
// system behind it. Never raises for a missing sequencer or server. `onMessage` must be safe
// to call from several threads at once and must not throw.
std::unique_ptr<TMidiInputs> OpenMidiInputs(TOnMidiInput onMessage);
std::unique_ptr<TMidiInputs> OpenMidiInputs(TMidiInputChoice choice, TOnMidiInput onMessage);

// The two paths; each returns null when its system is not there.
std::unique_ptr<TMidiInputs> OpenAlsaMidiInputs(TOnMidiInput onMessage);
std::unique_ptr<TMidiInputs> OpenJackMidiInput(TOnMidiInput onMessage);

// Hands a raw message of `length` bytes to `onMessage` when it is a complete channel message;
// drops system, sysex and running-status fragments. Any thread.
void DeliverChannelMessage(const TOnMidiInput& onMessage, const uint8_t* bytes, size_t length);

// Choosing the keyboard's instrument: the program change on each of the keyboard's channels and
// the LED panel's instrument line. The window owns one, bound to its own CurrentProgram and
// KeyChannels; it calls SelectInstrument from the instrument items and start-up, and KeyDown
// after its own handling of each key-down. Window thread only.
#pragma once

#include "midi/ChannelSet.h"

#include <cstdint>

class TMidiOutput;
class TFrameLed;

// For each channel c 0..15 in `channels`, ascending: 0xC0 + c, `program`, 225. The third byte
// travels to the recorder but never reaches the instrument. Raises what the device raises.
void SendProgramChange(TMidiOutput& output, const TChannelSet& channels, int program);

class TInstrumentSelector {
public:
    // The computer key that re-applies the current instrument (Z).
    static constexpr int32_t RefreshKeyCode = 44;

    // Every argument must outlive the selector. `currentProgram` and `keyChannels` are the
    // window's own state: the selector writes the one and reads the other at each call.
    TInstrumentSelector(TMidiOutput& output, TFrameLed& led, int32_t& currentProgram,
                        const TChannelSet& keyChannels);

    // `program` 0..127 (anything else throws std::out_of_range before anything changes):
    // remembers it, sends it on the key channels and writes the instrument line.
    void SelectInstrument(int32_t program);

    // Every key-down of the Z key, repeats included, re-applies the current instrument on
    // today's key channels. Returns whether `code` was that key.
    bool KeyDown(int32_t code);

private:
    TMidiOutput& FOutput;
    TFrameLed& FLed;
    int32_t& FCurrentProgram;
    const TChannelSet& FKeyChannels;
};

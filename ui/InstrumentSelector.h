// Choosing the keyboard's instrument: the program change on each of the keyboard's channels and
// the LED panel's instrument line. The window owns one, calls SelectInstrument from the
// instrument items and start-up, and KeyDown after its own key handling. Window thread only.
#pragma once

#include <bitset>

class TMidiOutput;
class TFrameLed;

// For each channel c 0..15 in `channels`, ascending: 0xC0 + c, `program`, 225. The third byte
// travels to the recorder but never reaches the instrument. Raises what the device raises.
void SendProgramChange(TMidiOutput& output, const std::bitset<256>& channels, int program);

class TInstrumentSelector {
public:
    // The computer key that re-applies the current instrument (Z).
    static constexpr int RefreshKeyCode = 44;

    // Both must outlive the selector.
    TInstrumentSelector(TMidiOutput& output, TFrameLed& led);

    int CurrentProgram() const { return FCurrentProgram; }

    // `program` 0..127 (anything else throws std::out_of_range before sending): remembers it,
    // sends it on `keyChannels` and writes the instrument line.
    void SelectInstrument(int program, const std::bitset<256>& keyChannels);

    // Every key-down of the Z key, repeats included, re-applies the current instrument on
    // today's channels. Returns whether `code` was that key.
    bool KeyDown(int code, const std::bitset<256>& keyChannels);

private:
    TMidiOutput& FOutput;
    TFrameLed& FLed;
    int FCurrentProgram = 0;
};

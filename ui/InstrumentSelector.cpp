#include "ui/InstrumentSelector.h"

#include "midi/MidiOut.h"
#include "ui/Tamber.h"
#include "ui/ULedFrame.h"

namespace {

constexpr uint8_t ProgramChangeFiller = 225;

}

void SendProgramChange(TMidiOutput& output, const std::bitset<256>& channels, int program)
{
    for (int channel = 0; channel < 16; ++channel) {
        if (channels.test(channel))
            output.SendShort(uint8_t(MidiProgramChange + channel), uint8_t(program), ProgramChangeFiller);
    }
}

TInstrumentSelector::TInstrumentSelector(TMidiOutput& output, TFrameLed& led) : FOutput(output), FLed(led) {}

void TInstrumentSelector::SelectInstrument(int program, const std::bitset<256>& keyChannels)
{
    // Built first: it checks the program number before anything is sent.
    const QString line = InstrumentLine(keyChannels, program);
    FCurrentProgram = program;
    SendProgramChange(FOutput, keyChannels, program);
    FLed.SetTamberText(line);
}

bool TInstrumentSelector::KeyDown(int code, const std::bitset<256>& keyChannels)
{
    if (code != RefreshKeyCode)
        return false;
    SelectInstrument(FCurrentProgram, keyChannels);
    return true;
}

#include "ui/InstrumentSelector.h"

#include "midi/MidiOut.h"
#include "ui/Tamber.h"
#include "ui/ULedFrame.h"

namespace {

constexpr uint8_t ProgramChangeFiller = 225;

}

void SendProgramChange(TMidiOutput& output, const TChannelSet& channels, int program)
{
    for (int channel : channels) {
        if (channel >= 16)
            break;
        output.SendShort(uint8_t(MidiProgramChange + channel), uint8_t(program), ProgramChangeFiller);
    }
}

TInstrumentSelector::TInstrumentSelector(TMidiOutput& output, TFrameLed& led, int32_t& currentProgram,
                                         const TChannelSet& keyChannels)
    : FOutput(output), FLed(led), FCurrentProgram(currentProgram), FKeyChannels(keyChannels)
{
}

void TInstrumentSelector::SelectInstrument(int32_t program)
{
    // Built first: it checks the program number before anything is sent.
    const QString line = InstrumentLine(FKeyChannels, program);
    FCurrentProgram = program;
    SendProgramChange(FOutput, FKeyChannels, program);
    FLed.SetTamberText(line);
}

bool TInstrumentSelector::KeyDown(int32_t code)
{
    if (code != RefreshKeyCode)
        return false;
    SelectInstrument(FCurrentProgram);
    return true;
}

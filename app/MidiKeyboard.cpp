#include "app/MidiKeyboard.h"

#include "midi/MidiOut.h"

namespace {

constexpr uint8_t NoteOff = 0x80;
constexpr uint8_t NoteOn = 0x90;
constexpr uint8_t ControlChange = 0xB0;
constexpr uint8_t ProgramChange = 0xC0;
constexpr uint8_t PitchBend = 0xE0;
constexpr uint8_t Modulation = 1;
constexpr uint8_t Sustain = 64;

} // namespace

TMidiKeyboard::TMidiKeyboard(TMidiOutput& output, const TChannelSet& keyChannels, const std::atomic<int32_t>& transpose,
                             TKeyDrawing keys, std::function<void(int32_t)> selectInstrument,
                             std::function<void(const EmidioutputError&)> failed, TPost toWindow)
    : FOutput(output), FKeyChannels(keyChannels), FTranspose(transpose), FKeys(std::move(keys)),
      FSelectInstrument(std::move(selectInstrument)), FFailed(std::move(failed)), FToWindow(std::move(toWindow))
{
}

void TMidiKeyboard::Receive(uint8_t status, uint8_t data1, uint8_t data2) noexcept
{
    try {
        switch (status & 0xF0) {
        case NoteOn:
            if (data2 == 0)
                Note(NoteOff, data1, DefaultReleaseVelocity);
            else
                Note(NoteOn, data1, data2);
            break;
        case NoteOff:
            Note(NoteOff, data1, data2);
            break;
        case ControlChange:
            if (data1 == Sustain || data1 == Modulation)
                SendOnKeyChannels(ControlChange, data1, data2);
            break;
        case PitchBend:
            SendOnKeyChannels(PitchBend, data1, data2);
            break;
        case ProgramChange:
            FToWindow([this, program = int32_t(data1)] { FSelectInstrument(program); });
            break;
        default:
            break;
        }
    } catch (const EmidioutputError& error) {
        try {
            FToWindow([this, error] { FFailed(error); });
        } catch (...) {
            // Nothing can be told: the input's thread must go on.
        }
    } catch (...) {
        // Out of memory while posting: the input's thread must go on.
    }
}

void TMidiKeyboard::Note(uint8_t kind, uint8_t note, uint8_t velocity)
{
    const int32_t shifted = note + FTranspose.load(std::memory_order_relaxed);
    // Above 127 is no MIDI note: sending it would corrupt the message.
    if (shifted < 0 || shifted > 127)
        return;
    SendOnKeyChannels(kind, uint8_t(shifted), velocity);
    if (note >= LowestKeyNote && note <= HighestKeyNote)
        FToWindow([this, note = int32_t(note), down = kind == NoteOn] { FKeys.Show(note, down); });
}

void TMidiKeyboard::SendOnKeyChannels(uint8_t kind, uint8_t data1, uint8_t data2)
{
    for (const int channel : FKeyChannels) {
        if (channel >= 16)
            break;
        FOutput.SendShort(uint8_t(kind + channel), data1, data2);
    }
}

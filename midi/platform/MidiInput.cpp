#include "midi/platform/MidiInput.h"

#include <cstdlib>
#include <cstring>

TMidiInputChoice MidiInputChoice(const char* setting)
{
    if (setting == nullptr)
        return TMidiInputChoice::Automatic;
    if (std::strcmp(setting, "alsa") == 0)
        return TMidiInputChoice::Alsa;
    if (std::strcmp(setting, "jack") == 0)
        return TMidiInputChoice::Jack;
    if (std::strcmp(setting, "none") == 0)
        return TMidiInputChoice::None;
    return TMidiInputChoice::Automatic;
}

std::unique_ptr<TMidiInputs> OpenMidiInputs(TOnMidiInput onMessage)
{
    return OpenMidiInputs(MidiInputChoice(std::getenv("TINKLA_MIDI_IN")), std::move(onMessage));
}

std::unique_ptr<TMidiInputs> OpenMidiInputs(TMidiInputChoice choice, TOnMidiInput onMessage)
{
    switch (choice) {
    case TMidiInputChoice::Alsa: return OpenAlsaMidiInputs(std::move(onMessage));
    case TMidiInputChoice::Jack: return OpenJackMidiInput(std::move(onMessage));
    case TMidiInputChoice::None: return nullptr;
    case TMidiInputChoice::Automatic: break;
    }
    // The sequencer first: where both exist, JACK's MIDI usually bridges the same hardware.
    if (auto alsa = OpenAlsaMidiInputs(onMessage))
        return alsa;
    return OpenJackMidiInput(std::move(onMessage));
}

void DeliverChannelMessage(const TOnMidiInput& onMessage, const uint8_t* bytes, size_t length)
{
    if (length == 0 || bytes[0] < 0x80 || bytes[0] >= 0xF0)
        return;
    // Program change and channel pressure carry one data byte, the others two.
    const size_t needed = (bytes[0] & 0xE0) == 0xC0 ? 2 : 3;
    if (length < needed || bytes[1] >= 0x80 || (needed == 3 && bytes[2] >= 0x80))
        return;
    onMessage(bytes[0], bytes[1], needed == 3 ? bytes[2] : 0);
}

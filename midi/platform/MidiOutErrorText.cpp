#include "midi/platform/MidiOutDriver.h"

bool StandardMidiOutErrorText(uint16_t code, std::string& text)
{
    switch (code) {
    case MidiOutOk: text = "The operation completed successfully."; return true;
    case MidiOutErrUnspecified: text = "Unspecified MIDI output error."; return true;
    case MidiOutErrBadDeviceId: text = "The specified MIDI output device ID is out of range."; return true;
    case MidiOutErrAllocated: text = "The MIDI output device is already in use."; return true;
    case MidiOutErrInvalidHandle: text = "The MIDI output device handle is invalid (the device is not open)."; return true;
    case MidiOutErrNoMemory: text = "Not enough memory for the MIDI output operation."; return true;
    case MidiOutErrInvalidParam: text = "An invalid parameter was passed to the MIDI output device."; return true;
    case MidiOutErrUnprepared: text = "The long MIDI message was not prepared."; return true;
    case MidiOutErrStillPlaying: text = "Long MIDI messages are still playing."; return true;
    case MidiOutErrNoDevice: text = "The MIDI output device is no longer present."; return true;
    case MidiOutErrNoSoundFont:
        text = "No General MIDI SoundFont found: install the Debian package fluid-soundfont-gm, "
               "or set TINKLA_SOUNDFONT to a .sf2 or .sf3 file.";
        return true;
    case MidiOutErrNoAudio:
        text = "No audio output could be opened for the built-in synthesizer (tried ALSA \"default\", "
               "then PulseAudio); check the sound server, or set TINKLA_AUDIO_DRIVER to jack or file.";
        return true;
    case MidiOutErrSynthesizer: text = "The built-in synthesizer could not be started."; return true;
    case MidiOutErrBadSoundFont:
        text = "The General MIDI SoundFont could not be loaded (damaged, or not a SoundFont): reinstall "
               "fluid-soundfont-gm, or set TINKLA_SOUNDFONT to another .sf2 or .sf3 file.";
        return true;
    default: return false;
    }
}

// Opens the built-in synthesizer with this machine's SoundFont and audio output plan and says
// what it chose; exits with 1 and the reason when it cannot open.
#include "midi/platform/FluidSynth.h"
#include "midi/platform/MidiOutPort.h"
#include "midi/platform/SoundFontSearch.h"

#include <iostream>

int main()
{
    const std::string soundFont = FindSoundFont();
    std::cerr << "SoundFont: " << (soundFont.empty() ? "(none)" : soundFont) << '\n';
    try {
        TFluidSynth synth(AudioOutputPlanFromEnvironment());
        synth.LoadSoundFont(soundFont);
        if (!synth.OpenAudio())
            throw EMidiOutFailure(MidiOutErrNoAudio, "no audio driver opened");
        const TAudioOutput& output = synth.Output();
        std::cerr << "Audio output: " << output.Driver << (output.Device.empty() ? "" : " device " + output.Device)
                  << (output.File.empty() ? "" : " file " + output.File) << ", " << output.PeriodSize
                  << " frames x " << output.Periods << " periods at " << SynthSampleRate << " Hz\n";
        std::cout << output.Driver << ' ' << output.PeriodSize << ' ' << output.Periods << '\n';
    } catch (const EMidiOutFailure& failure) {
        std::string text;
        StandardMidiOutErrorText(failure.Code, text);
        std::cerr << text << " (" << failure.what() << ")\n";
        return 1;
    }
    return 0;
}

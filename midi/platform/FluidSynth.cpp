#include "midi/platform/FluidSynth.h"

#include "midi/platform/MidiOutPort.h"

#include <fluidsynth.h>
#include <malloc.h>

#include <chrono>

void TFluidSynth::TSettingsDeleter::operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
void TFluidSynth::TSynthDeleter::operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
void TFluidSynth::TDriverDeleter::operator()(fluid_audio_driver_t* driver) const { delete_fluid_audio_driver(driver); }

namespace {

void Refused(const std::string& name)
{
    throw EMidiOutFailure(MidiOutErrSynthesizer, "FluidSynth refused the setting " + name);
}

void SetInt(fluid_settings_t* settings, const char* name, int value)
{
    if (fluid_settings_setint(settings, name, value) != FLUID_OK)
        Refused(name);
}

void SetNum(fluid_settings_t* settings, const char* name, double value)
{
    if (fluid_settings_setnum(settings, name, value) != FLUID_OK)
        Refused(name);
}

void SetStr(fluid_settings_t* settings, const char* name, const std::string& value)
{
    if (fluid_settings_setstr(settings, name, value.c_str()) != FLUID_OK)
        Refused(name);
}

void ChooseSynthSettings(fluid_settings_t* settings)
{
    SetNum(settings, "synth.sample-rate", SynthSampleRate);
    // Ordinary users cannot lock the ~150 MB of samples a GM SoundFont holds.
    SetInt(settings, "synth.lock-memory", 0);
    // Only the samples of the instruments chosen on the channels are in memory: a General MIDI
    // SoundFont whole is ~145 MB, the piano and the drums ~10. A program change reads its
    // instrument's samples from the file on the calling thread (0.4 to 7 ms measured here with
    // the file cached), holding back other messages meanwhile.
    SetInt(settings, "synth.dynamic-sample-loading", 1);
    // Keys arrive from two threads (window and playback timer).
    SetInt(settings, "synth.threadsafe-api", 1);
    // Twice FluidSynth's 0.2, which is quiet for sparse children's songs, yet with headroom:
    // 14 notes at full velocity on piano, bass and drums peak at about 0.75 of full scale here
    // (0.92 at a gain of 0.5, too close to clipping when a child presses many keys at once).
    SetNum(settings, "synth.gain", 0.4);
    // A child plays a handful of notes over a simple song; 128 voices leave plenty, and a cap
    // below the default 256 bounds the mixing cost on a small 2-core machine.
    SetInt(settings, "synth.polyphony", 128);
    // A little room makes the piano pleasant; the chorus only muddies it and costs CPU.
    SetInt(settings, "synth.reverb.active", 1);
    SetNum(settings, "synth.reverb.room-size", 0.3);
    SetNum(settings, "synth.reverb.level", 0.4);
    SetInt(settings, "synth.chorus.active", 0);
}

void ChooseAudioSettings(fluid_settings_t* settings, const TAudioOutput& output)
{
    SetStr(settings, "audio.driver", output.Driver);
    SetInt(settings, "audio.period-size", output.PeriodSize);
    SetInt(settings, "audio.periods", output.Periods);
    if (output.Driver == "alsa" && !output.Device.empty())
        SetStr(settings, "audio.alsa.device", output.Device);
    if (output.Driver == "file")
        SetStr(settings, "audio.file.name", output.File);
    if (output.Driver == "jack")
        SetInt(settings, "audio.jack.autoconnect", 1);
}

uint8_t Data(uint32_t word, int shift) { return uint8_t(word >> shift) & 0x7F; }

int64_t NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TFluidSynth::TFluidSynth(std::vector<TAudioOutput> plan) : FPlan(std::move(plan))
{
    FSettings.reset(new_fluid_settings());
    if (!FSettings)
        throw EMidiOutFailure(MidiOutErrSynthesizer, "new_fluid_settings failed");
    ChooseSynthSettings(FSettings.get());
    FSynth.reset(new_fluid_synth(FSettings.get()));
    if (!FSynth)
        throw EMidiOutFailure(MidiOutErrSynthesizer, "new_fluid_synth failed");
}

TFluidSynth::~TFluidSynth() = default;

void TFluidSynth::LoadSoundFont(const std::string& path)
{
    if (path.empty())
        throw EMidiOutFailure(MidiOutErrNoSoundFont, "no SoundFont");
    const bool loaded = fluid_synth_sfload(FSynth.get(), path.c_str(), 1) != FLUID_FAILED;
    // The load's scratch memory stays with the loading thread's heap unless handed back: on a
    // General MIDI SoundFont that is megabytes of the program's footprint.
    malloc_trim(0);
    if (!loaded)
        throw EMidiOutFailure(MidiOutErrBadSoundFont, "cannot load SoundFont " + path);
}

bool TFluidSynth::OpenAudio()
{
    CloseAudio();
    for (const auto& output : FPlan) {
        ChooseAudioSettings(FSettings.get(), output);
        // The file driver renders only through the synthesizer itself; every other one through
        // our callback, which counts what the output asks for.
        FCounting = output.Driver != "file";
        FUnderruns.Restart(NowUs());
        FDriver.reset(FCounting ? new_fluid_audio_driver2(FSettings.get(), &RenderPeriod, this)
                                : new_fluid_audio_driver(FSettings.get(), FSynth.get()));
        if (FDriver) {
            FOutput = output;
            return true;
        }
    }
    return false;
}

void TFluidSynth::CloseAudio() { FDriver.reset(); }

bool TFluidSynth::EnlargeBuffers()
{
    bool enlarged = false;
    for (auto& output : FPlan) {
        if (const auto larger = LargerBuffer(output)) {
            output = *larger;
            enlarged = true;
        }
    }
    return enlarged;
}

int TFluidSynth::RenderPeriod(void* self, int frames, int effects, float* effectBuffers[], int outputs,
                              float* outputBuffers[])
{
    auto* synth = static_cast<TFluidSynth*>(self);
    synth->FUnderruns.Period(NowUs(), frames);
    synth->FRendered.fetch_add(uint64_t(frames), std::memory_order_relaxed);
    return fluid_synth_process(synth->FSynth.get(), frames, effects, effectBuffers, outputs, outputBuffers);
}

uint64_t TFluidSynth::Underruns() { return FUnderruns.Underruns(NowUs()); }

std::optional<uint64_t> TFluidSynth::RenderedFrames()
{
    if (!FCounting)
        return std::nullopt;
    return FRendered.load(std::memory_order_relaxed);
}

// FluidSynth's results for channel messages report musical no-ops (a note-off with no sounding
// voice, a program with no preset), not faults of the device, so they are not errors here.
uint16_t TFluidSynth::SendShort(uint32_t word)
{
    fluid_synth_t* synth = FSynth.get();
    const uint8_t status = uint8_t(word);
    const int channel = status & 0x0F;
    const uint8_t data1 = Data(word, 8), data2 = Data(word, 16);
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, channel, data1); break;
    case 0x90: fluid_synth_noteon(synth, channel, data1, data2); break;
    case 0xA0: fluid_synth_key_pressure(synth, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(synth, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, channel, data1 | data2 << 7); break;
    case 0xF0:
        // System messages: only System Reset means something to a synthesizer; the rest
        // (a song's system-exclusive event forwarded as a short word, clock, sense) is ignored.
        if (status == 0xFF && fluid_synth_system_reset(synth) != FLUID_OK)
            return MidiOutErrSynthesizer;
        break;
    default: return MidiOutErrInvalidParam;
    }
    return MidiOutOk;
}

uint16_t TFluidSynth::SendLong(const uint8_t* data, size_t length)
{
    if (length < 2 || data[0] != 0xF0 || data[length - 1] != 0xF7)
        return MidiOutErrInvalidParam;
    // FluidSynth takes the bytes between 0xF0 and 0xF7.
    const int result = fluid_synth_sysex(FSynth.get(), reinterpret_cast<const char*>(data) + 1, int(length - 2),
                                         nullptr, nullptr, nullptr, 0);
    return result == FLUID_OK ? MidiOutOk : MidiOutErrInvalidParam;
}

void TFluidSynth::Render(float* left, float* right, int frames)
{
    if (fluid_synth_write_float(FSynth.get(), frames, left, 0, 1, right, 0, 1) != FLUID_OK)
        throw EMidiOutFailure(MidiOutErrSynthesizer, "fluid_synth_write_float failed");
}

int TFluidSynth::ActiveVoices() { return fluid_synth_get_active_voice_count(FSynth.get()); }

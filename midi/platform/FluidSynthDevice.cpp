#include "midi/platform/FluidSynthDevice.h"

#include "midi/platform/FluidSynth.h"
#include "midi/platform/SoundFontSearch.h"

#include <fluidsynth.h>

namespace {

class TFluidSynthPort : public TMidiOutPort {
public:
    TFluidSynthPort(std::unique_ptr<TFluidSynth> synth, std::shared_ptr<std::atomic<bool>> inUse)
        : FSynth(std::move(synth)), FInUse(std::move(inUse)) {}
    ~TFluidSynthPort() override
    {
        FSynth.reset();
        *FInUse = false;
    }
    uint16_t SendShort(uint32_t word) override { return FSynth->SendShort(word); }
    uint16_t SendLong(const uint8_t* data, size_t length) override { return FSynth->SendLong(data, length); }

private:
    std::unique_ptr<TFluidSynth> FSynth;
    std::shared_ptr<std::atomic<bool>> FInUse;
};

} // namespace

TMidiOutCaps TFluidSynthDevice::Caps() const
{
    int major = 0, minor = 0, micro = 0;
    fluid_version(&major, &minor, &micro);
    TMidiOutCaps caps;
    caps.ProductName = BuiltInSynthName;
    caps.DriverVersion = uint32_t(major) << 8 | uint32_t(minor);
    caps.Technology = MidiOutTechSoftwareSynth;
    caps.Voices = 128;
    caps.Notes = 128;
    caps.ChannelMask = 0xFFFF;
    caps.Support = 0;
    return caps;
}

std::unique_ptr<TMidiOutPort> TFluidSynthDevice::Open()
{
    if (FInUse->exchange(true))
        throw EMidiOutFailure(MidiOutErrAllocated, "the built-in synthesizer is already open");
    try {
        auto synth = std::make_unique<TFluidSynth>(FindSoundFont(), AudioOutputPlanFromEnvironment());
        return std::make_unique<TFluidSynthPort>(std::move(synth), FInUse);
    } catch (...) {
        *FInUse = false;
        throw;
    }
}

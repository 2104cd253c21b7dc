#include "midi/platform/SystemMidiOutDriver.h"

#include "midi/platform/AlsaSeqDevices.h"
#include "midi/platform/FluidSynthDevice.h"
#include "midi/platform/PortMidiOutDriver.h"

TMidiOutDriver& SystemMidiOutDriver()
{
    static TAlsaSeqPorts sequencer;
    static const auto synthesizer = std::make_shared<TFluidSynthDevice>();
    static TPortMidiOutDriver driver([] {
        std::vector<std::shared_ptr<TMidiOutDevice>> devices = {synthesizer};
        for (auto& port : sequencer.Devices())
            devices.push_back(std::move(port));
        return devices;
    });
    return driver;
}

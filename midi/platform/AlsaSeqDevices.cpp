#include "midi/platform/AlsaSeqDevices.h"

#include <rtmidi/RtMidi.h>

#include <filesystem>
#include <system_error>

namespace {

const std::string ClientName = "Tinkla";

class TAlsaSeqPort : public TMidiOutPort {
public:
    explicit TAlsaSeqPort(std::unique_ptr<RtMidiOut> out) : FOut(std::move(out)) {}

    uint16_t SendShort(uint32_t word) override
    {
        const uint8_t bytes[3] = {uint8_t(word), uint8_t(word >> 8 & 0x7F), uint8_t(word >> 16 & 0x7F)};
        const size_t length = ShortMessageLength(bytes[0]);
        if (length == 0)
            return bytes[0] & 0x80 ? MidiOutOk : MidiOutErrInvalidParam;
        return Send(bytes, length);
    }

    uint16_t SendLong(const uint8_t* data, size_t length) override { return Send(data, length); }

private:
    // RtMidi is not thread-safe, and keys and the song send at once.
    uint16_t Send(const uint8_t* data, size_t length)
    {
        std::lock_guard guard(FLock);
        try {
            FOut->sendMessage(data, length);
        } catch (const RtMidiError&) {
            return MidiOutErrNoDevice;
        }
        return MidiOutOk;
    }

    std::mutex FLock;
    std::unique_ptr<RtMidiOut> FOut;
};

class TAlsaSeqDevice : public TMidiOutDevice {
public:
    explicit TAlsaSeqDevice(std::string name) : FName(std::move(name)) {}

    TMidiOutCaps Caps() const override
    {
        TMidiOutCaps caps;
        caps.ProductName = FName;
        caps.Technology = MidiOutTechPort;
        caps.ChannelMask = 0xFFFF;
        return caps;
    }

    // Opens the port by name, since port numbers shift as other clients come and go.
    std::unique_ptr<TMidiOutPort> Open() override
    {
        try {
            auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, ClientName);
            for (unsigned port = 0, count = out->getPortCount(); port < count; ++port) {
                if (out->getPortName(port) == FName) {
                    out->openPort(port, ClientName + " output");
                    return std::make_unique<TAlsaSeqPort>(std::move(out));
                }
            }
        } catch (const RtMidiError& error) {
            throw EMidiOutFailure(MidiOutErrNoDevice, error.getMessage());
        }
        throw EMidiOutFailure(MidiOutErrNoDevice, "ALSA sequencer port " + FName + " is gone");
    }

private:
    std::string FName;
};

} // namespace

size_t ShortMessageLength(uint8_t status)
{
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 2;
    case 0xF0:
        switch (status) {
        case 0xF1:
        case 0xF3: return 2;
        case 0xF2: return 3;
        case 0xF0:
        case 0xF7: return 0;
        default: return 1;
        }
    default: return status & 0x80 ? 3 : 0;
    }
}

TAlsaSeqPorts::TAlsaSeqPorts() = default;
TAlsaSeqPorts::~TAlsaSeqPorts() = default;

std::vector<std::shared_ptr<TMidiOutDevice>> TAlsaSeqPorts::Devices()
{
    std::lock_guard guard(FLock);
    std::vector<std::shared_ptr<TMidiOutDevice>> devices;
    // Without the sequencer's device file there are no ports; asking RtMidi would only make
    // ALSA and RtMidi print their failure at every count.
    std::error_code error;
    if (!std::filesystem::exists("/dev/snd/seq", error))
        return devices;
    try {
        if (!FLister)
            FLister = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, ClientName + " lister");
        for (unsigned port = 0, count = FLister->getPortCount(); port < count; ++port)
            devices.push_back(std::make_shared<TAlsaSeqDevice>(FLister->getPortName(port)));
    } catch (const RtMidiError&) {
        // No sequencer (no /dev/snd/seq): no ports, which is not an error.
        devices.clear();
    }
    return devices;
}

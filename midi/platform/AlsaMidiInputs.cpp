// The ALSA sequencer path of the MIDI inputs: alsa-lib tells which readable ports are hardware
// (a USB keyboard, not "Midi Through" nor another program), RtMidi opens and reads them.
#include "midi/platform/MidiInput.h"
#include "midi/platform/PeriodicTimer.h"

#include <alsa/asoundlib.h>
#include <rtmidi/RtMidi.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace {

using namespace std::chrono_literals;

const std::string ClientName = "Tinkla";
constexpr auto ScanPeriod = 2s;

struct TSeqCloser { void operator()(snd_seq_t* seq) const { snd_seq_close(seq); } };
struct TClientInfoFree { void operator()(snd_seq_client_info_t* info) const { snd_seq_client_info_free(info); } };
struct TPortInfoFree { void operator()(snd_seq_port_info_t* info) const { snd_seq_port_info_free(info); } };

bool SequencerExists()
{
    // Asking alsa-lib without the device file only makes it print its failure.
    std::error_code error;
    return std::filesystem::exists("/dev/snd/seq", error);
}

std::unique_ptr<snd_seq_t, TSeqCloser> OpenSequencer()
{
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, 0) < 0)
        return nullptr;
    std::unique_ptr<snd_seq_t, TSeqCloser> owned(seq);
    snd_seq_set_client_name(seq, (ClientName + " port scan").c_str());
    return owned;
}

// The addresses ("client:port") of the readable hardware ports now present.
std::set<std::string> HardwarePorts(snd_seq_t* seq)
{
    std::set<std::string> ports;
    snd_seq_client_info_t* rawClient = nullptr;
    snd_seq_port_info_t* rawPort = nullptr;
    if (snd_seq_client_info_malloc(&rawClient) < 0)
        return ports;
    std::unique_ptr<snd_seq_client_info_t, TClientInfoFree> client(rawClient);
    if (snd_seq_port_info_malloc(&rawPort) < 0)
        return ports;
    std::unique_ptr<snd_seq_port_info_t, TPortInfoFree> port(rawPort);

    constexpr unsigned Readable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
    snd_seq_client_info_set_client(client.get(), -1);
    while (snd_seq_query_next_client(seq, client.get()) >= 0) {
        const int clientId = snd_seq_client_info_get_client(client.get());
        snd_seq_port_info_set_client(port.get(), clientId);
        snd_seq_port_info_set_port(port.get(), -1);
        while (snd_seq_query_next_port(seq, port.get()) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port.get());
            const unsigned type = snd_seq_port_info_get_type(port.get());
            if ((caps & Readable) == Readable && !(caps & SND_SEQ_PORT_CAP_NO_EXPORT) && (type & SND_SEQ_PORT_TYPE_HARDWARE))
                ports.insert(std::to_string(clientId) + ":" + std::to_string(snd_seq_port_info_get_port(port.get())));
        }
    }
    return ports;
}

void OnRtMidiMessage(double, std::vector<unsigned char>* message, void* user)
{
    try {
        DeliverChannelMessage(*static_cast<const TOnMidiInput*>(user), message->data(), message->size());
    } catch (...) {
        // RtMidi's thread must not be left by an exception; the message is lost.
    }
}

// RtMidi would print its warnings (a port that went away) on the terminal.
void IgnoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

class TAlsaMidiInputs : public TMidiInputs {
public:
    TAlsaMidiInputs(std::unique_ptr<snd_seq_t, TSeqCloser> seq, TOnMidiInput onMessage)
        : FSeq(std::move(seq)), FOnMessage(std::move(onMessage)), FScanTimer(ScanPeriod)
    {
        Scan();
        FScanTimer.Start([this] { Scan(); });
    }

    ~TAlsaMidiInputs() override
    {
        FScanTimer.Stop();
    }

    std::string Path() const override { return "alsa"; }

private:
    // Opens the ports that appeared and closes those that went.
    void Scan() noexcept
    {
        try {
            const std::set<std::string> present = HardwarePorts(FSeq.get());
            std::erase_if(FOpen, [&](const auto& entry) { return !present.contains(entry.first); });
            for (const std::string& address : present) {
                if (!FOpen.contains(address)) {
                    if (auto input = OpenPort(address))
                        FOpen.emplace(address, std::move(input));
                }
            }
        } catch (...) {
            // A failed scan is tried again at the next one.
        }
    }

    std::unique_ptr<RtMidiIn> OpenPort(const std::string& address)
    {
        try {
            auto input = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, ClientName);
            input->setErrorCallback(IgnoreRtMidiError, nullptr);
            // RtMidi names a port "client:port name" followed by its address.
            const std::string suffix = " " + address;
            for (unsigned index = 0, count = input->getPortCount(); index < count; ++index) {
                const std::string name = input->getPortName(index);
                if (name.ends_with(suffix)) {
                    input->ignoreTypes(true, true, true);
                    input->setCallback(OnRtMidiMessage, const_cast<TOnMidiInput*>(&FOnMessage));
                    input->openPort(index, ClientName + " keyboard");
                    return input;
                }
            }
        } catch (const RtMidiError&) {
            // Gone again, or busy: the next scan tries again.
        }
        return nullptr;
    }

    std::unique_ptr<snd_seq_t, TSeqCloser> FSeq;
    const TOnMidiInput FOnMessage;
    // Touched by the constructor, then only by the scan thread.
    std::map<std::string, std::unique_ptr<RtMidiIn>> FOpen;
    // Last: its thread stops before the ports it scans go.
    TPeriodicTimer FScanTimer;
};

} // namespace

std::unique_ptr<TMidiInputs> OpenAlsaMidiInputs(TOnMidiInput onMessage)
{
    if (!SequencerExists())
        return nullptr;
    auto seq = OpenSequencer();
    if (!seq)
        return nullptr;
    return std::make_unique<TAlsaMidiInputs>(std::move(seq), std::move(onMessage));
}

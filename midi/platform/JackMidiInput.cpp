// The JACK path of the MIDI inputs: one MIDI input port "midi_in", read in JACK's process
// callback, and connected to every physical MIDI output the server shows.
#include "midi/platform/MidiInput.h"
#include "midi/platform/PeriodicTimer.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <cerrno>
#include <set>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr auto ScanPeriod = 2s;

struct TClientCloser { void operator()(jack_client_t* client) const { jack_client_close(client); } };
struct TJackFree { void operator()(const char** names) const { jack_free(names); } };

// libjack reports a missing server on the terminal; no server is an ordinary situation here.
void Quiet(const char*) {}

class TJackMidiInput : public TMidiInputs {
public:
    TJackMidiInput(std::unique_ptr<jack_client_t, TClientCloser> client, TOnMidiInput onMessage)
        : FClient(std::move(client)), FOnMessage(std::move(onMessage)), FScanTimer(ScanPeriod)
    {
        FPort = jack_port_register(FClient.get(), "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (FPort == nullptr)
            throw std::runtime_error("JACK refused the MIDI input port midi_in");
        if (jack_set_process_callback(FClient.get(), Process, this) != 0)
            throw std::runtime_error("JACK refused the MIDI input's process callback");
        jack_on_shutdown(FClient.get(), ServerGone, this);
        if (jack_activate(FClient.get()) != 0)
            throw std::runtime_error("JACK did not activate the MIDI input");
        ConnectPhysicalOutputs();
        FScanTimer.Start([this] { ConnectPhysicalOutputs(); });
    }

    ~TJackMidiInput() override
    {
        FScanTimer.Stop();
        // After this the process callback no longer runs.
        if (!FServerGone)
            jack_deactivate(FClient.get());
    }

    std::string Path() const override { return "jack"; }

private:
    static int Process(jack_nframes_t frames, void* self) noexcept
    {
        auto& input = *static_cast<TJackMidiInput*>(self);
        void* buffer = jack_port_get_buffer(input.FPort, frames);
        const uint32_t count = jack_midi_get_event_count(buffer);
        for (uint32_t index = 0; index < count; ++index) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, index) != 0)
                continue;
            try {
                DeliverChannelMessage(input.FOnMessage, event.buffer, event.size);
            } catch (...) {
                // JACK's thread must not be left by an exception; the message is lost.
            }
        }
        return 0;
    }

    static void ServerGone(void* self) { static_cast<TJackMidiInput*>(self)->FServerGone = true; }

    // Connects the physical MIDI outputs not connected yet, so a keyboard plugged in later is
    // heard too. A connection the user removes by hand stays removed.
    void ConnectPhysicalOutputs() noexcept
    {
        if (FServerGone)
            return;
        const std::unique_ptr<const char*, TJackFree> names(
            jack_get_ports(FClient.get(), nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput | JackPortIsPhysical));
        if (!names)
            return;
        const char* ours = jack_port_name(FPort);
        for (const char** name = names.get(); *name != nullptr; ++name) {
            try {
                if (FConnected.contains(*name))
                    continue;
                const int result = jack_connect(FClient.get(), *name, ours);
                if (result == 0 || result == EEXIST)
                    FConnected.insert(*name);
            } catch (...) {
                // Out of memory for the name: tried again at the next scan.
            }
        }
    }

    std::unique_ptr<jack_client_t, TClientCloser> FClient;
    const TOnMidiInput FOnMessage;
    jack_port_t* FPort = nullptr;
    std::atomic<bool> FServerGone{false};
    // Touched by the constructor, then only by the scan thread.
    std::set<std::string> FConnected;
    TPeriodicTimer FScanTimer;
};

} // namespace

std::unique_ptr<TMidiInputs> OpenJackMidiInput(TOnMidiInput onMessage)
{
    jack_set_error_function(Quiet);
    jack_set_info_function(Quiet);
    jack_status_t status{};
    std::unique_ptr<jack_client_t, TClientCloser> client(jack_client_open("Tinkla", JackNoStartServer, &status));
    if (!client)
        return nullptr;
    try {
        return std::make_unique<TJackMidiInput>(std::move(client), std::move(onMessage));
    } catch (const std::runtime_error&) {
        // A server that refuses the port or the callback is as good as no server.
        return nullptr;
    }
}

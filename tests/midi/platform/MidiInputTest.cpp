// MIDI inputs: what a raw message becomes, the choice of path, and the JACK path against a
// dummy JACK server of its own (skipped where jackd is not installed).
#include "midi/platform/MidiInput.h"
#include "tests/support/WaitFor.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using TMessage = std::array<int, 3>;

struct TCollector {
    std::mutex Lock;
    std::vector<TMessage> Messages;
    TOnMidiInput Callback()
    {
        return [this](uint8_t status, uint8_t data1, uint8_t data2) {
            std::lock_guard guard(Lock);
            Messages.push_back({status, data1, data2});
        };
    }
    std::vector<TMessage> Taken()
    {
        std::lock_guard guard(Lock);
        return Messages;
    }
};

TEST(MidiInputTest, OnlyCompleteChannelMessagesAreDelivered)
{
    TCollector got;
    const TOnMidiInput deliver = got.Callback();
    const auto raw = [&](std::vector<uint8_t> bytes) { DeliverChannelMessage(deliver, bytes.data(), bytes.size()); };
    raw({0x93, 60, 100});
    raw({0xC4, 5});
    raw({0xD2, 40});
    raw({0xE1, 0, 64});
    // Running-status fragments, cut messages, data bytes with the top bit, system messages.
    raw({60, 100});
    raw({0x90, 60});
    raw({0x90, 0x80, 10});
    raw({0xC0});
    raw({0xF8});
    raw({0xF0, 0x7E, 0x7F, 0xF7});
    raw({});
    EXPECT_EQ(got.Taken(), (std::vector<TMessage>{{0x93, 60, 100}, {0xC4, 5, 0}, {0xD2, 40, 0}, {0xE1, 0, 64}}));

    EXPECT_EQ(MidiInputChoice(nullptr), TMidiInputChoice::Automatic);
    EXPECT_EQ(MidiInputChoice("alsa"), TMidiInputChoice::Alsa);
    EXPECT_EQ(MidiInputChoice("jack"), TMidiInputChoice::Jack);
    EXPECT_EQ(MidiInputChoice("none"), TMidiInputChoice::None);
    EXPECT_EQ(MidiInputChoice("JACK"), TMidiInputChoice::Automatic);
    EXPECT_EQ(OpenMidiInputs(TMidiInputChoice::None, got.Callback()), nullptr);
}

TEST(MidiInputTest, NoSequencerAndNoServerMeanNoInputsAndNoError)
{
    ::setenv("JACK_DEFAULT_SERVER", ("tinkla-absent-" + std::to_string(::getpid())).c_str(), 1);
    TCollector got;
    EXPECT_EQ(OpenJackMidiInput(got.Callback()), nullptr);
    if (!std::filesystem::exists("/dev/snd/seq")) {
        EXPECT_EQ(OpenMidiInputs(TMidiInputChoice::Automatic, got.Callback()), nullptr);
    }
    ::unsetenv("JACK_DEFAULT_SERVER");
}

// A dummy JACK server of the test's own, and a keyboard on it: a client whose physical MIDI
// output plays note 60 in every cycle.
class TJackServer {
public:
    TJackServer() : FName("tinkla-test-" + std::to_string(::getpid()))
    {
        ::setenv("JACK_DEFAULT_SERVER", FName.c_str(), 1);
        FPid = ::fork();
        if (FPid == 0) {
            ::execlp("jackd", "jackd", "--no-realtime", "-n", FName.c_str(), "-d", "dummy", "-r", "48000", "-p", "256",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~TJackServer()
    {
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            ::waitpid(FPid, nullptr, 0);
        }
        ::unsetenv("JACK_DEFAULT_SERVER");
    }
    // Whether a client can reach the server (bounded wait).
    bool Ready()
    {
        return WaitFor([] {
            jack_client_t* probe = jack_client_open("tinkla-probe", JackNoStartServer, nullptr);
            if (probe == nullptr)
                return false;
            jack_client_close(probe);
            return true;
        });
    }

private:
    std::string FName;
    pid_t FPid = -1;
};

class TFakeKeyboard {
public:
    TFakeKeyboard()
    {
        FClient = jack_client_open("fake-keyboard", JackNoStartServer, nullptr);
        if (FClient == nullptr)
            return;
        FPort = jack_port_register(FClient, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput | JackPortIsPhysical, 0);
        if (FPort == nullptr || jack_set_process_callback(FClient, Process, this) != 0 || jack_activate(FClient) != 0) {
            jack_client_close(FClient);
            FClient = nullptr;
        }
    }
    ~TFakeKeyboard()
    {
        if (FClient != nullptr)
            jack_client_close(FClient);
    }
    bool Running() const { return FClient != nullptr; }

private:
    static int Process(jack_nframes_t frames, void* self)
    {
        void* buffer = jack_port_get_buffer(static_cast<TFakeKeyboard*>(self)->FPort, frames);
        jack_midi_clear_buffer(buffer);
        const jack_midi_data_t noteOn[3] = {0x90, 60, 100};
        jack_midi_event_write(buffer, 0, noteOn, sizeof noteOn);
        return 0;
    }

    jack_client_t* FClient = nullptr;
    jack_port_t* FPort = nullptr;
};

TEST(MidiInputTest, JackInputConnectsAKeyboardThatAppearsLaterAndDeliversItsNotes)
{
    if (::system("command -v jackd >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "jackd (Debian package jackd2) is not installed";
    TJackServer server;
    ASSERT_TRUE(server.Ready());
    TCollector got;
    const std::unique_ptr<TMidiInputs> input = OpenMidiInputs(TMidiInputChoice::Jack, got.Callback());
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->Path(), "jack");

    // Plugged in after the input opened: found by the next scan.
    TFakeKeyboard keyboard;
    ASSERT_TRUE(keyboard.Running());
    ASSERT_TRUE(WaitFor([&] { return !got.Taken().empty(); }));
    EXPECT_EQ(got.Taken().front(), (TMessage{0x90, 60, 100}));
}

} // namespace

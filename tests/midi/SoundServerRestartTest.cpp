// The built-in synthesizer on a real, private PulseAudio null sink: when the server goes away the
// window is told once, and when a server is back the next note is heard at the sink's monitor,
// without reopening the device.
#include "midi/MidiOut.h"
#include "midi/platform/SoundFontSearch.h"
#include "tests/support/QueueNotifyPoster.h"
#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string ServerScript = std::string(TINKLA_SHARED_DIR) + "/tools/audio-latency/start-null-sink.sh";

struct TPipeCloser { void operator()(FILE* pipe) const { pclose(pipe); } };

std::string Output(const std::string& command)
{
    std::unique_ptr<FILE, TPipeCloser> pipe(popen(command.c_str(), "r"));
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    std::string text;
    char buffer[4096];
    for (size_t read; (read = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        text.append(buffer, read);
    return text;
}

// Gone, or a zombie nobody reaps (the script that started it has ended).
bool ProcessEnded(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return true;
    const size_t end = line.rfind(')');
    return end == std::string::npos || line.compare(end + 1, 3, " Z ") == 0;
}

class SoundServerRestartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (FindSoundFont().empty())
            GTEST_SKIP() << "no General MIDI SoundFont installed (fluid-soundfont-gm)";
        if (!std::filesystem::exists(ServerScript) || system("command -v pulseaudio parec >/dev/null") != 0)
            GTEST_SKIP() << "needs PulseAudio and " << ServerScript;
        Dir = (std::filesystem::temp_directory_path() / ("tinkla-pa-" + std::to_string(getpid()))).string();
        // The synthesizer's default output, ALSA's "default" device, finds the server through these.
        setenv("XDG_RUNTIME_DIR", Dir.c_str(), 1);
        unsetenv("PULSE_SERVER");
        unsetenv("TINKLA_AUDIO_DRIVER");
        StartServer();
    }

    void TearDown() override
    {
        StopServer();
        std::filesystem::remove_all(Dir);
    }

    void StartServer()
    {
        const std::string exports = Output(ServerScript + " " + Dir);
        const size_t at = exports.find("PA_PID=");
        ASSERT_NE(at, std::string::npos) << exports;
        ServerPid = std::stoi(exports.substr(at + 7));
    }

    void StopServer()
    {
        if (ServerPid <= 0)
            return;
        kill(ServerPid, SIGTERM);
        EXPECT_TRUE(WaitFor([&] { return ProcessEnded(ServerPid); })) << "the server did not end";
        ServerPid = 0;
    }

    // Records the sink's monitor for four seconds while `play` runs; true when it heard sound.
    bool MonitorHears(const std::function<void()>& play)
    {
        const std::string command = "timeout 4 parec -d nullsink.monitor --raw --format=s16le --channels=1 --rate=48000";
        std::unique_ptr<FILE, TPipeCloser> pipe(popen(command.c_str(), "r"));
        if (!pipe)
            return false;
        play();
        int16_t samples[4800];
        int peak = 0;
        for (size_t read; (read = fread(samples, sizeof samples[0], 4800, pipe.get())) > 0;)
            for (size_t i = 0; i < read; ++i)
                peak = std::max(peak, std::abs(int(samples[i])));
        return peak > 1000;
    }

    std::string Dir;
    int ServerPid = 0;
};

TEST_F(SoundServerRestartTest, TheNextNoteAfterTheServerCameBackIsHeard)
{
    TQueueNotifyPoster poster;
    TMidiOutput output(SystemMidiOutDriver(), poster);
    std::vector<uint16_t> told;
    output.OnDeviceTrouble = [&](TMidiOutput*, uint16_t code) { told.push_back(code); };
    output.SetDeviceID(0);
    ASSERT_TRUE(output.Open());
    output.SendShort(0xC0, 19, 0); // an organ: it sounds as long as the key is held
    EXPECT_TRUE(MonitorHears([&] { output.SendShort(0x90, 60, 110); }));
    output.SendShort(0xB0, 120, 0);

    StopServer();
    EXPECT_TRUE(WaitFor([&] {
        poster.Drain();
        return !told.empty();
    })) << "the failed output was not noticed";
    EXPECT_EQ(told, std::vector<uint16_t>{MidiOutErrNoAudio});

    StartServer();
    EXPECT_TRUE(MonitorHears([&] { output.SendShort(0x90, 64, 110); })) << "the note after the restart is not heard";
    output.SendShort(0xB0, 120, 0);
    poster.Drain();
    EXPECT_EQ(told.size(), 1u) << "told once";
    EXPECT_TRUE(output.Close());
}

} // namespace

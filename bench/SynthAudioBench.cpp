// The built-in synthesizer as the program runs it (device 0 through the output device, with its
// late SoundFont, parking and audio output), heard at a PulseAudio sink's monitor:
//   latency   note-on to the mix point, with the output running and with it parked by silence
//   dropouts  runs of >= 0.5 ms of digital silence while a chord is held for 2 x 10 s (the
//             output steps its buffer up on underruns: the first 10 s include the learning),
//             then note-on to the mix point with the buffer the output ended with
//   memory    resident memory while four channels play through all 128 programs, twice
// Usage: SynthAudioBench latency|dropouts|memory [monitor source, default nullsink.monitor]
// Run it on a private null sink (bench/audio-latency.sh does).
#include "midi/MidiOut.h"
#include "midi/platform/FluidSynth.h"
#include "midi/platform/SoundFontSearch.h"
#include "tests/support/QueueNotifyPoster.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;
constexpr int Rate = 48000;
constexpr size_t ReadFrames = 64;
constexpr float Loud = 1e-3f;

// Records the monitor in reads of 64 frames, each stamped with the time it completed.
class TMonitorRecorder {
public:
    explicit TMonitorRecorder(const std::string& source)
    {
        const pa_sample_spec format = {PA_SAMPLE_FLOAT32LE, Rate, 1};
        pa_buffer_attr attributes;
        attributes.maxlength = attributes.tlength = attributes.prebuf = attributes.minreq = uint32_t(-1);
        attributes.fragsize = ReadFrames * sizeof(float);
        int error = 0;
        FStream.reset(pa_simple_new(nullptr, "tinkla-bench", PA_STREAM_RECORD, source.c_str(), "monitor", &format,
                                    nullptr, &attributes, &error));
        if (!FStream)
            throw std::runtime_error(std::string("cannot record the monitor: ") + pa_strerror(error));
        FThread = std::thread([this] { Record(); });
    }
    ~TMonitorRecorder() { Stop(); }

    void Stop()
    {
        FRunning = false;
        if (FThread.joinable())
            FThread.join();
    }

    // Time from `from` to the first read holding a loud sample, within `window`; negative if none.
    double SecondsToSound(TClock::time_point from, std::chrono::milliseconds window) const
    {
        for (size_t read = 0; read < FTimes.size(); ++read) {
            if (FTimes[read] < from)
                continue;
            if (FTimes[read] > from + window)
                break;
            for (size_t i = read * ReadFrames; i < (read + 1) * ReadFrames; ++i)
                if (std::fabs(FSamples[i]) > Loud)
                    return std::chrono::duration<double>(FTimes[read] - from).count();
        }
        return -1;
    }

    // Drop-outs from `from` to `to` seconds after the first loud sample, and no later than 0.1 s
    // before the last one.
    void CountDropouts(double from, double to) const
    {
        const auto loud = [](float sample) { return std::fabs(sample) > Loud; };
        const auto first = std::find_if(FSamples.begin(), FSamples.end(), loud);
        const auto last = std::find_if(FSamples.rbegin(), FSamples.rend(), loud);
        if (first == FSamples.end()) {
            std::printf("NO AUDIO\n");
            return;
        }
        const size_t begin = size_t(first - FSamples.begin()) + size_t(from * Rate);
        const size_t end = std::min(size_t(first - FSamples.begin()) + size_t(to * Rate),
                                    FSamples.size() - size_t(last - FSamples.rbegin()) - Rate / 10);
        int gaps = 0;
        size_t silent = 0, run = 0;
        for (size_t i = begin; i < end; ++i) {
            if (std::fabs(FSamples[i]) < 1e-6f) {
                ++run;
                continue;
            }
            if (run >= 24) {
                ++gaps;
                silent += run;
            }
            run = 0;
        }
        std::printf("held chord, %4.1f to %4.1f s: %.2f s analysed, %d drop-outs (>= 0.5 ms of digital silence), "
                    "%.1f ms silent\n", from, to, double(end - begin) / Rate, gaps, double(silent) * 1000 / Rate);
    }

private:
    struct TStreamDeleter { void operator()(pa_simple* stream) const { pa_simple_free(stream); } };

    void Record()
    {
        float buffer[ReadFrames];
        int error = 0;
        while (FRunning && pa_simple_read(FStream.get(), buffer, sizeof buffer, &error) == 0) {
            FTimes.push_back(TClock::now());
            FSamples.insert(FSamples.end(), buffer, buffer + ReadFrames);
        }
    }

    std::unique_ptr<pa_simple, TStreamDeleter> FStream;
    std::atomic<bool> FRunning = true;
    std::vector<TClock::time_point> FTimes;
    std::vector<float> FSamples;
    std::thread FThread;
};

// Frames from a note-on to its first loud sample in the SoundFont itself, taken off the figures.
int IntrinsicOnsetFrames(uint8_t key)
{
    TFluidSynth synth;
    synth.LoadSoundFont(FindSoundFont());
    std::vector<float> left(4096), right(4096);
    synth.Render(left.data(), right.data(), 1024);
    synth.SendShort(0x7F0090u | uint32_t(key) << 8);
    synth.Render(left.data(), right.data(), 4096);
    for (size_t i = 0; i < left.size(); ++i)
        if (std::fabs(0.5f * (left[i] + right[i])) > Loud)
            return int(i);
    return 0;
}

void PrintStats(const char* name, std::vector<double> values)
{
    if (values.empty()) {
        std::printf("%s: no note heard\n", name);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%-40s n=%2zu min %6.2f median %6.2f max %6.2f ms\n", name, values.size(), values.front() * 1000,
                values[values.size() / 2] * 1000, values.back() * 1000);
}

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

double ResidentMegabytes()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    double megabytes = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmRSS: %lf", &megabytes) == 1)
            break;
    std::fclose(status);
    return megabytes / 1024;
}

// Every program in turn on four channels, notes all the while; memory every 32 programs.
void PlayEveryProgram(TMidiOutput& output)
{
    std::printf("resident memory after the load: %.1f MB\n", ResidentMegabytes());
    for (int round = 0; round < 2; ++round) {
        for (int program = 0; program < 128; ++program) {
            const uint8_t channel = uint8_t(program % 4);
            output.SendShort(uint8_t(0xC0 | channel), uint8_t(program), 0);
            for (int note = 0; note < 4; ++note) {
                output.SendShort(uint8_t(0x90 | channel), uint8_t(48 + 7 * note), 100);
                Sleep(0.03);
                output.SendShort(uint8_t(0x80 | channel), uint8_t(48 + 7 * note), 0);
            }
            if (program % 32 == 31)
                std::printf("round %d, programs up to %3d: %.1f MB\n", round + 1, program, ResidentMegabytes());
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string source = argc > 2 ? argv[2] : "nullsink.monitor";
    if (mode != "latency" && mode != "dropouts" && mode != "memory") {
        std::fprintf(stderr, "usage: SynthAudioBench latency|dropouts|memory [monitor source]\n");
        return 2;
    }
    try {
        const uint8_t key = 72;
        const double onset = mode == "memory" ? 0 : double(IntrinsicOnsetFrames(key)) / Rate;
        // Not while measuring memory: the recording grows by 192 kB a second.
        std::optional<TMonitorRecorder> monitor;
        if (mode != "memory")
            monitor.emplace(source);
        TQueueNotifyPoster poster;
        TMidiOutput output(SystemMidiOutDriver(), poster);
        output.OnDeviceTrouble = [](TMidiOutput* sender, uint16_t code) {
            std::fprintf(stderr, "device trouble: %s\n", sender->ErrorText(code).c_str());
        };
        output.SetDeviceID(0);
        if (!output.Open()) {
            std::fprintf(stderr, "device 0: %s\n", output.ErrorText(output.LastError()).c_str());
            return 1;
        }
        Sleep(3); // the SoundFont loads, the stream settles
        if (mode == "memory") {
            PlayEveryProgram(output);
            return 0;
        }
        TMonitorRecorder& recorder = *monitor;
        if (mode == "dropouts") {
            output.SendShort(0xC0, 19, 0); // an organ: it sounds as long as the keys are held
            for (const uint8_t note : {60, 64, 67})
                output.SendShort(0x90, note, 110);
            Sleep(20.5);
            output.SendShort(0xB0, 120, 0);
            output.SendShort(0xC0, 0, 0);
            Sleep(0.5);
        }
        std::vector<TClock::time_point> running, parked;
        const auto play = [&](std::vector<TClock::time_point>& times) {
            times.push_back(TClock::now());
            output.SendShort(0x90, key, 127);
            Sleep(0.04);
            output.SendShort(0xB0, 120, 0);
        };
        for (int note = 0; note < 30; ++note) {
            Sleep(0.25 + 0.125 * (note % 4) / 4);
            play(running);
        }
        for (int note = 0; mode == "latency" && note < 5; ++note) {
            Sleep(7); // past the silence that parks the output
            play(parked);
        }
        Sleep(0.5);
        recorder.Stop();
        poster.Drain();
        std::vector<double> runningSeconds, parkedSeconds;
        for (const auto& time : running)
            if (const double seconds = recorder.SecondsToSound(time, std::chrono::milliseconds(250)); seconds >= 0)
                runningSeconds.push_back(seconds - onset);
        for (const auto& time : parked)
            if (const double seconds = recorder.SecondsToSound(time, std::chrono::milliseconds(3000)); seconds >= 0)
                parkedSeconds.push_back(seconds - onset);
        if (mode == "dropouts") {
            recorder.CountDropouts(0.4, 10.4);
            recorder.CountDropouts(10.4, 20.4);
        }
        PrintStats(mode == "dropouts" ? "note-on to mix point, after the chord" : "note-on to mix point, output running",
                   runningSeconds);
        if (mode == "latency")
            PrintStats("note-on to mix point, output parked", parkedSeconds);
        output.Close();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

// The built-in synthesizer behind the output device, in the audio configuration this machine
// gets (TINKLA_AUDIO_DRIVER and friends as the program reads them): the cost of one
// SendShort down to FluidSynth's note-on, and the time and memory it takes to open device 0.
#include "midi/MidiOut.h"
#include "tests/support/QueueNotifyPoster.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

// Resident memory of this process in MB, from /proc/self/status.
double ResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void BM_SendShortToSynthNoteOn(benchmark::State& state)
{
    TQueueNotifyPoster poster;
    TMidiOutput output(SystemMidiOutDriver(), poster);
    output.SetDeviceID(0);
    if (!output.Open()) {
        state.SkipWithError(output.ErrorText(output.LastError()).c_str());
        return;
    }
    // Audio through a sound server may not start consuming for a second or more after the
    // open; FluidSynth's event queue would overflow meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    uint8_t note = 36;
    int sent = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        output.SendShort(0x90, note, 100);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        // Released at once so that the voice count, and with it the cost, stays steady.
        output.SendShort(0x80, note, 0);
        note = uint8_t(note == 95 ? 36 : note + 1);
        // Paced like a dense song (32 notes per audio period) rather than flooding FluidSynth's
        // queue to the rendering thread, which then drops events instead of playing them.
        if (++sent % 32 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    output.Close();
}
BENCHMARK(BM_SendShortToSynthNoteOn)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

void BM_OpenDeviceZero(benchmark::State& state)
{
    TQueueNotifyPoster poster;
    TMidiOutput output(SystemMidiOutDriver(), poster);
    output.SetDeviceID(0);
    double resident = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool opened = output.Open();
        const auto end = std::chrono::steady_clock::now();
        if (!opened) {
            state.SkipWithError(output.ErrorText(output.LastError()).c_str());
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        resident = std::max(resident, ResidentMegabytes());
        output.Close();
    }
    state.counters["resident_MB_after_open"] = resident;
}
BENCHMARK(BM_OpenDeviceZero)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

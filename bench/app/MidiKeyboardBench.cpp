// What a MIDI keyboard adds: the time from a note-on arriving on the input's own thread to its
// message reaching the output driver, through the real window's MIDI keyboard, while the
// window thread runs its event loop (drawing the keys). Reports the mean as the time, plus the
// median, the 99th percentile and the worst case in microseconds.
// Run offscreen: QT_QPA_PLATFORM=offscreen MidiKeyboardBench
#include "bench/support/QtBenchmarkMain.h"

#include "app/MidiKeyboard.h"
#include "app/UBoard.h"
#include "tests/support/FakeMidiOutDriver.h"
#include "tests/support/QueueNotifyPoster.h"

#include <QApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// Notes when the last short message reached the driver.
class TStampingDriver : public TFakeMidiOutDriver {
public:
    using TFakeMidiOutDriver::TFakeMidiOutDriver;
    uint16_t ShortMsg(TMidiOutHandle, uint32_t) override
    {
        LastSend.store(TClock::now().time_since_epoch().count(), std::memory_order_relaxed);
        return MidiOutOk;
    }
    std::atomic<TClock::rep> LastSend{0};
};

double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

void NoteOnToDriver(benchmark::State& state)
{
    qputenv("TINKLA_MIDI_IN", "none");
    TStampingDriver driver{{"Bench Synth"}};
    TQueueNotifyPoster poster;
    TFBoard board(driver, poster, QStringLiteral(TINKLA_SOURCE_DIR "/"));
    board.KeyChannels = {0, 9};
    std::vector<double> micros;
    int note = 36;
    for (auto _ : state) {
        std::atomic<bool> done{false};
        double seconds = 0;
        std::thread input([&] {
            const TClock::rep start = TClock::now().time_since_epoch().count();
            board.MidiKeyboard->Receive(0x90, uint8_t(note), 100);
            // The first key channel's message is the one a player hears first.
            const TClock::rep firstSend = driver.LastSend.load(std::memory_order_relaxed);
            seconds = std::chrono::duration<double>(TClock::duration(firstSend - start)).count();
            board.MidiKeyboard->Receive(0x80, uint8_t(note), 64);
            done = true;
        });
        while (!done)
            QApplication::processEvents();
        input.join();
        QApplication::processEvents();
        state.SetIterationTime(seconds);
        micros.push_back(seconds * 1e6);
        note = note == 95 ? 36 : note + 1;
    }
    state.counters["p50_us"] = Percentile(micros, 0.5);
    state.counters["p99_us"] = Percentile(micros, 0.99);
    state.counters["max_us"] = Percentile(micros, 1.0);
}
BENCHMARK(NoteOnToDriver)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

} // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}

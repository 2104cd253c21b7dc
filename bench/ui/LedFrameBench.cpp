// What the LED panel costs: the playback thread's per-event calls, and the 80 ms redraw on the
// window thread. Run offscreen: QT_QPA_PLATFORM=offscreen LedFrameBench
#include "bench/support/QtBenchmarkMain.h"

#include <QApplication>

#include "ui/ULedFrame.h"

namespace {

void SongEvent(benchmark::State& state)
{
    TFrameLed led;
    led.ResetPanel();
    led.SetSongLength(180000);
    TMidiEvent event;
    event.data2 = 100;
    int32_t position = 0;
    for (auto _ : state) {
        event.status = uint8_t(MidiNoteOn | (position & 15));
        event.data1 = uint8_t(position & 127);
        led.ShowMidiEvent(&event);
        led.SetSongPosition(position);
        position = (position + 7) % 180000;
    }
    benchmark::DoNotOptimize(led.ProgressWidth.load());
}
BENCHMARK(SongEvent);

// One redraw with every bar raised, at the window's size.
void Redraw(benchmark::State& state)
{
    TFrameLed led;
    led.resize(212, 113);
    led.ResetPanel();
    led.SetSongLength(1000);
    led.SetSongPosition(500);
    TMidiEvent event;
    for (auto _ : state) {
        for (int channel = 0; channel < 16; ++channel) {
            event.status = uint8_t(MidiNoteOn | channel);
            event.data1 = 127;
            led.ShowMidiEvent(&event);
        }
        led.DrawPanel();
    }
}
BENCHMARK(Redraw)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}

// Cost of RecordEvent per message, alone and with two threads recording at once.
#include "midi/MidiFile.h"

#include <benchmark/benchmark.h>

namespace {

TManualTickClock Clock;
TMidiFile Recorder(Clock);

void BM_RecordEvent(benchmark::State& state)
{
    if (state.thread_index() == 0)
        Recorder.StartRecording();
    TMidiEvent event;
    event.data2 = 100;
    uint32_t n = 0;
    for (auto _ : state) {
        event.status = uint8_t(0x90 | (n % 16));
        event.data1 = uint8_t(n % 128);
        if (n % 16 == 0)
            Clock.Advance(1);
        Recorder.RecordEvent(&event);
        ++n;
    }
    if (state.thread_index() == 0) {
        Recorder.StopRecording();
        Recorder.Clear();
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_RecordEvent)->Threads(1)->Threads(2)->UseRealTime();

// A message while recording is off only tests the flag.
void BM_RecordEventWhileOff(benchmark::State& state)
{
    TMidiEvent event;
    event.status = 0x90;
    for (auto _ : state)
        Recorder.RecordEvent(&event);
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_RecordEventWhileOff);

} // namespace

BENCHMARK_MAIN();

// Playback timing on the real clock: a song with tempo changes plays through the 10 ms timer
// thread, and each event's emission time is compared with its ideal time from the tempo map.
// Reported in milliseconds: mean, 99th percentile and maximum lateness, the mean lateness of
// the first and of the last tenth of the events (drift), and half a tick at the slowest tempo.
// The song lasts TINKLA_PLAYBACK_SECONDS seconds (default 60); the "busy" runs keep another
// core spinning throughout. A tempo change takes effect from the timer tick after the one that
// played it, so each change shifts the following events by up to one period times the change in
// speed; the runs without tempo changes show the clock's own punctuality and drift.
#include "midi/MidiFile.h"
#include "midi/MidiTimer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

constexpr int TicksPerQuarter = 480;
// About 1/52 of a quarter: notes fall at every phase of the 10 ms period.
constexpr int TicksPerNote = 37;
// Microseconds per quarter note, one tempo per section of the song.
constexpr uint32_t Tempos[] = {500000, 666667, 400000, 600000, 428571, 545455};

void AppendVarLen(std::string& out, uint32_t value)
{
    std::string bytes(1, char(value & 0x7F));
    while (value >>= 7)
        bytes.insert(bytes.begin(), char(0x80 | (value & 0x7F)));
    out += bytes;
}

void AppendChunk(std::string& out, const char* id, const std::string& data)
{
    out += id;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char(uint8_t(data.size() >> shift));
    out += data;
}

struct TTimedSong {
    std::string Bytes;
    std::vector<double> IdealUs; // ideal emission time of each note event, in play order
    double HalfTickUs = 0;       // half a tick at the slowest tempo (the longest tick)
};

// Track 0 holds the tempo map (or the first tempo throughout), track 1 the note events.
TTimedSong MakeSong(double seconds, bool tempoChanges)
{
    TTimedSong song;
    const size_t sections = std::size(Tempos);
    const double sectionUs = seconds * 1e6 / double(sections);
    std::string tempoTrack, noteTrack;
    uint32_t tick = 0, lastTempoTick = 0;
    double nowUs = 0;
    for (size_t s = 0; s < sections; ++s) {
        const uint32_t tempo = tempoChanges ? Tempos[s] : Tempos[0];
        const double usPerTick = double(tempo) / TicksPerQuarter;
        AppendVarLen(tempoTrack, tick - lastTempoTick);
        lastTempoTick = tick;
        tempoTrack += "\xFF\x51\x03";
        tempoTrack += char(tempo >> 16);
        tempoTrack += char(tempo >> 8 & 0xFF);
        tempoTrack += char(tempo & 0xFF);
        const double sectionEndUs = double(s + 1) * sectionUs;
        while (nowUs < sectionEndUs) {
            AppendVarLen(noteTrack, song.IdealUs.empty() ? tick : TicksPerNote);
            noteTrack += char(0x90);
            noteTrack += char(60 + song.IdealUs.size() % 24);
            noteTrack += char(song.IdealUs.size() % 2 ? 0 : 100);
            song.IdealUs.push_back(nowUs);
            tick += TicksPerNote;
            nowUs += TicksPerNote * usPerTick;
        }
    }
    song.HalfTickUs = 0.5 * double(*std::max_element(std::begin(Tempos), std::end(Tempos))) / TicksPerQuarter;
    std::string file = std::string("MThd\0\0\0\x06\0\x01\0\x02", 12);
    file += char(TicksPerQuarter >> 8);
    file += char(TicksPerQuarter & 0xFF);
    AppendChunk(file, "MTrk", tempoTrack);
    AppendChunk(file, "MTrk", noteTrack);
    song.Bytes = file;
    return song;
}

double SongSeconds()
{
    const char* value = std::getenv("TINKLA_PLAYBACK_SECONDS");
    const double seconds = value ? std::atof(value) : 60.0;
    return seconds > 0 ? seconds : 60.0;
}

void BM_PlaybackLateness(benchmark::State& state)
{
    const bool busy = state.range(0) != 0;
    const TTimedSong timed = MakeSong(SongSeconds(), state.range(1) != 0);
    std::vector<double> lateness;
    for (auto _ : state) {
        TMidiFile song;
        song.ReadResource(timed.Bytes.data(), timed.Bytes.size());
        TMidiTimer timer;
        std::vector<TClock::time_point> emitted;
        emitted.reserve(timed.IdealUs.size());
        song.OnMidiEvent = [&](PMidiEvent event) {
            if (event->status != MidiMeta)
                emitted.push_back(TClock::now());
        };
        song.OnUpdateEvent = [&](void*) {
            if (song.Ready()) {
                song.StopPlaying();
                timer.Stop();
            }
        };
        timer.OnTimer = [&](void* sender) { song.TimerTick(sender); };

        std::atomic<bool> spin{busy};
        std::thread spinner([&spin] {
            volatile uint64_t sink = 0;
            while (spin.load(std::memory_order_relaxed))
                sink = sink + 1;
        });
        // The first tempo is the file's first tempo event; the reader leaves the last one.
        song.SetUsPerTick(double(Tempos[0]) / TicksPerQuarter);
        timer.Start();
        const TClock::time_point start = TClock::now();
        song.StartPlaying();
        while (timer.TimerId() != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        timer.Stop();
        spin = false;
        spinner.join();

        if (emitted.size() != timed.IdealUs.size()) {
            state.SkipWithError("not every event was played");
            return;
        }
        for (size_t i = 0; i < emitted.size(); ++i)
            lateness.push_back(std::chrono::duration<double, std::micro>(emitted[i] - start).count() -
                               timed.IdealUs[i]);
    }
    const size_t tenth = lateness.size() / 10;
    auto meanOf = [](auto begin, auto end) { return std::accumulate(begin, end, 0.0) / double(end - begin); };
    const double mean = meanOf(lateness.begin(), lateness.end());
    const double first = meanOf(lateness.begin(), lateness.begin() + long(tenth));
    const double last = meanOf(lateness.end() - long(tenth), lateness.end());
    std::vector<double> sorted = lateness;
    std::sort(sorted.begin(), sorted.end());
    const double p99 = sorted[size_t(double(sorted.size() - 1) * 0.99)];
    state.counters["events"] = double(lateness.size());
    state.counters["mean_ms"] = mean / 1000;
    state.counters["p99_ms"] = p99 / 1000;
    state.counters["max_ms"] = sorted.back() / 1000;
    state.counters["min_ms"] = sorted.front() / 1000;
    state.counters["first10_mean_ms"] = first / 1000;
    state.counters["last10_mean_ms"] = last / 1000;
    state.counters["half_tick_ms"] = (state.range(1) ? timed.HalfTickUs : 0.5 * Tempos[0] / TicksPerQuarter) / 1000;
}
BENCHMARK(BM_PlaybackLateness)->ArgNames({"busy", "tempo_changes"})->ArgsProduct({{0, 1}, {0, 1}})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

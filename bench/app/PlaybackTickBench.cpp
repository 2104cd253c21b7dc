// What playback costs with the window's real song handler behind it (output device, LED panel,
// recorder): one 10 ms tick of a dense 16-channel song on the timer thread, and the longest the
// window thread is held up while songs play, end and are stopped.
// Run offscreen: QT_QPA_PLATFORM=offscreen PlaybackTickBench
#include "bench/support/QtBenchmarkMain.h"

#include "app/RecorderControl.h"
#include "app/SongPlayer.h"
#include "app/TransportButtons.h"
#include "app/UBoard.h"
#include "midi/MidiFile.h"
#include "midi/MidiOut.h"
#include "midi/MidiTimer.h"
#include "tests/midi/MidiFileTestBytes.h"
#include "tests/support/FakeMidiOutDriver.h"
#include "tests/support/QueueNotifyPoster.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace {

// Every channel plays a note every 20 ticks (about 21 ms at 120 bpm and 480 ticks per quarter)
// with a controller between: about 2,300 events a second over 16 channels.
std::string DenseSong(int seconds)
{
    std::string file = HeaderChunk(1, 16, 480);
    for (int channel = 0; channel < 16; ++channel) {
        std::string events = Bytes({0x00, 0xC0 + channel, channel * 8});
        for (int step = 0; step < seconds * 48; ++step) {
            const int note = 48 + (step * 5 + channel) % 36;
            events += Bytes({0x00, 0x90 + channel, note, 100}) + VarLen(10) + Bytes({0xB0 + channel, 1, step % 128}) +
                      VarLen(10) + Bytes({0x80 + channel, note, 0});
        }
        file += TrackChunk(events + Bytes({0x00, 0xFF, 0x2F, 0x00}));
    }
    return file;
}

struct TBench {
    TFakeMidiOutDriver Driver{{"Bench Synth"}};
    TQueueNotifyPoster Poster;
    TScriptedDialogs Dialogs;
    TFBoard Board{Driver, Poster, QStringLiteral(TINKLA_SOURCE_DIR "/"), &Dialogs};

    explicit TBench(const std::string& song)
    {
        Board.MidiFile1->ReadResource(song.data(), song.size());
        Board.MidiFile1->SetBpm(120);
        Board.MidiFile1->SetFilename("dense");
        Board.Recorder->lblRecClick();
    }
};

// One tick's worth of due events through the window's handler, then the end-of-song check, as
// the timer thread runs them (called here directly, so the ticks are exactly 10 ms apart).
void PlaybackTick(benchmark::State& state)
{
    TBench bench(DenseSong(30));
    TMidiFile& song = *bench.Board.MidiFile1;
    int32_t elapsed = 0;
    int64_t events = 0;
    bench.Board.MidiOutput1->OnMidiShortOutput = [&](PMidiEvent event) {
        ++events;
        bench.Board.MidiRec->RecordEvent(event);
    };
    song.StartPlaying();
    for (auto _ : state) {
        elapsed += 10;
        song.PlayToTime(elapsed);
        bench.Board.Player->MidiFile1UpdateEvent(&song);
        if (!song.Playing() || song.Ready()) {
            state.PauseTiming();
            bench.Driver.ClearRecords();
            bench.Board.Recorder->lblStop1Click();
            bench.Board.MidiRec->Clear();
            bench.Board.Recorder->lblRecClick();
            song.StartPlaying();
            elapsed = 0;
            state.ResumeTiming();
        }
    }
    state.counters["events_per_tick"] = benchmark::Counter(double(events) / double(state.iterations()));
}
BENCHMARK(PlaybackTick)->Unit(benchmark::kMicrosecond);

// The window thread runs a 1 ms timer while the real timer thread plays the dense song and a
// burst of 200,000 events in one tick, the song ends by itself, and the stop button is pressed
// in the middle of the burst. Reported: the longest the play and stop buttons took on the window
// thread, and the longest gap between the window timer's calls (which a busy machine widens too).
void WindowThreadStall(benchmark::State& state)
{
    std::string burst;
    for (int i = 0; i < 200'000; ++i)
        burst += Bytes({0x00, 0x90 | (i % 16), 60 + i % 24, 90});
    const std::string burstSong = HeaderChunk(0, 1, 480) + TrackChunk(burst);
    for (auto _ : state) {
        TBench bench(DenseSong(3));
        QElapsedTimer clock;
        qint64 last = 0, longestGap = 0, longestStop = 0, longestPlay = 0;
        const auto timed = [&](int tag, qint64& longest) {
            QElapsedTimer span;
            span.start();
            bench.Board.Buttons->OnClick(tag);
            longest = std::max(longest, span.nsecsElapsed());
        };
        QTimer probe;
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestGap = std::max(longestGap, now - last);
            last = now;
        });
        const auto runFor = [&](int ms) {
            QElapsedTimer span;
            span.start();
            while (span.elapsed() < ms) {
                QApplication::processEvents(QEventLoop::AllEvents, 5);
                bench.Driver.ClearRecords();
            }
        };
        clock.start();
        probe.start();
        runFor(100);
        longestGap = 0;
        timed(TTransportButtons::Play, longestPlay);
        runFor(3500); // plays to its end, which stops it from the timer thread
        for (int round = 0; round < 5; ++round) {
            // Reading the song is the benchmark's own work, not playback's: the gap starts after it.
            bench.Board.MidiFile1->ReadResource(burstSong.data(), burstSong.size());
            bench.Board.MidiFile1->SetBpm(120);
            last = clock.nsecsElapsed();
            timed(TTransportButtons::Play, longestPlay);
            runFor(12);
            timed(TTransportButtons::Stop, longestStop);
            runFor(50);
        }
        probe.stop();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        state.counters["longest_gap_ms"] = double(longestGap) / 1e6;
        state.counters["longest_stop_ms"] = double(longestStop) / 1e6;
        state.counters["longest_play_ms"] = double(longestPlay) / 1e6;
    }
}
BENCHMARK(WindowThreadStall)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}

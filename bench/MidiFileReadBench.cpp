// Reader throughput over the whole shared corpus of third-party MIDI files.
#include "midi/MidiFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TCorpus {
    std::vector<std::string> Paths;
    std::vector<std::string> Bytes;
    size_t TotalBytes = 0;
};

const TCorpus& Corpus()
{
    static const TCorpus corpus = [] {
        TCorpus c;
        const auto dir = std::filesystem::path(TINKLA_SHARED_DIR) / "midi-corpus";
        if (!std::filesystem::exists(dir))
            return c;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
            const auto ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".mid" && ext != ".MID" && ext != ".rmi"))
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            c.Paths.push_back(entry.path().string());
            c.Bytes.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            c.TotalBytes += c.Bytes.back().size();
        }
        return c;
    }();
    return corpus;
}

int64_t CountEvents(const TMidiFile& song)
{
    int64_t events = 0;
    for (int32_t t = 0; t < song.TrackCount(); ++t)
        events += song.GetTrack(t)->EventCount();
    return events;
}

// One iteration reads every corpus file once from memory (the resource path). With
// `release` the songs are freed inside the timed region too, as a reader that is used and
// thrown away would be; without it they are freed outside it.
void ReadCorpusFromMemory(benchmark::State& state, bool release)
{
    const TCorpus& corpus = Corpus();
    if (corpus.Bytes.empty()) {
        state.SkipWithError("no MIDI corpus in the shared folder");
        return;
    }
    int64_t events = 0;
    std::vector<std::unique_ptr<TMidiFile>> songs;
    songs.reserve(corpus.Bytes.size());
    for (auto _ : state) {
        for (const std::string& bytes : corpus.Bytes) {
            songs.push_back(std::make_unique<TMidiFile>());
            try {
                songs.back()->ReadResource(bytes.data(), bytes.size());
            } catch (const EMidiFileError&) {
            }
            events += CountEvents(*songs.back());
        }
        if (release) {
            songs.clear();
        } else {
            state.PauseTiming();
            songs.clear();
            state.ResumeTiming();
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(corpus.TotalBytes));
    state.counters["events/s"] = benchmark::Counter(double(events), benchmark::Counter::kIsRate);
    state.counters["files"] = double(corpus.Bytes.size());
}
BENCHMARK_CAPTURE(ReadCorpusFromMemory, read, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ReadCorpusFromMemory, read_and_release, true)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same through ReadFile, as the window opens a file (page cache warm).
void BM_ReadCorpusFromFiles(benchmark::State& state)
{
    const TCorpus& corpus = Corpus();
    if (corpus.Paths.empty()) {
        state.SkipWithError("no MIDI corpus in the shared folder");
        return;
    }
    int64_t events = 0;
    for (auto _ : state) {
        for (const std::string& path : corpus.Paths) {
            TMidiFile song;
            song.Clear();
            song.SetFilename(path);
            try {
                song.ReadFile();
            } catch (const EMidiFileError&) {
            }
            events += CountEvents(song);
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(corpus.TotalBytes));
    state.counters["events/s"] = benchmark::Counter(double(events), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadCorpusFromFiles)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

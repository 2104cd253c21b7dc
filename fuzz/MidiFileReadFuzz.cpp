// Fuzzes the MIDI file reader from both entries: a named file, and in memory (a stream or a
// byte buffer, chosen by the input's length so that seed files stay intact). A complete file
// read must agree with the memory read; what was read is played on a manual clock and written
// back, and the written file must read back to the same events.
#include "midi/MidiFile.h"
#include "tests/support/WrittenEvents.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// A scratch folder for one input, removed again afterwards (libFuzzer may end the process
// without running exit handlers).
class TScratchDir {
public:
    TScratchDir()
    {
        const char* base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        FPath = std::string(base) + "/tinkla-fuzz-XXXXXX";
        if (!::mkdtemp(FPath.data()))
            std::abort();
    }
    ~TScratchDir() { std::filesystem::remove_all(FPath); }
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;
    std::string File(const char* name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}


void ReadFromFile(TMidiFile& song, const TScratchDir& dir, const uint8_t* data, size_t size)
{
    const std::string path = dir.File("input.mid");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    song.SetFilename(path);
    song.ReadFile();
}

void ReadFromMemory(TMidiFile& song, const uint8_t* data, size_t size)
{
    if (size % 2 == 0) {
        std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
        song.ReadResource(stream);
    } else {
        song.ReadResource(data, size);
    }
}

void Play(TMidiFile& song, TManualTickClock& clock)
{
    if (song.UsPerTick() == 0.0) {
        try {
            song.SetBpm(120);
        } catch (const EMidiFileError&) {
        }
    }
    size_t played = 0;
    song.OnMidiEvent = [&played](PMidiEvent) { ++played; };
    song.StartPlaying();
    for (int tick = 0; tick < 200 && !song.Ready(); ++tick) {
        clock.Advance(tick < 100 ? 10 : 100000);
        song.TimerTick(nullptr);
    }
    (void)song.GetSongLength();
}

void WriteAndReadBack(const TMidiFile& song, const TScratchDir& dir)
{
    const std::string path = dir.File("output.mid");
    song.WriteFile(path);
    TMidiFile back;
    back.SetFilename(path);
    back.ReadFile();
    const std::string difference = FirstWritingDifference(song, back);
    Check(difference.empty(), difference.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TScratchDir dir;
    TManualTickClock clock(0xFFFFFF00u);
    TMidiFile fromFile(clock);
    bool complete = true;
    try {
        ReadFromFile(fromFile, dir, data, size);
    } catch (const EMidiFileError&) {
        complete = false;
    }
    TMidiFile fromMemory(clock);
    try {
        ReadFromMemory(fromMemory, data, size);
        Check(!complete || fromMemory.TrackCount() == fromFile.TrackCount(), "file and memory reads differ");
    } catch (const EMidiFileError&) {
        Check(!complete, "only the memory read failed");
    }
    Play(fromMemory, clock);
    if (complete && fromFile.TrackCount() > 0)
        WriteAndReadBack(fromFile, dir);
    return 0;
}

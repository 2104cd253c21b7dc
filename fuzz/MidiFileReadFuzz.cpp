// Fuzzes the MIDI file reader from memory, through one of its memory entries (a byte buffer or
// a stream, chosen by the input's length so that seed files stay intact). What was read is written back to memory and must read back
// to the same events; it is also played on a manual clock into a recorder, and the recording,
// written and read back, must keep its events too. Nothing touches the disk.
#include "midi/MidiFile.h"
#include "tests/support/WrittenEvents.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void Check(bool condition, const std::string& what)
{
    if (!condition) {
        std::fprintf(stderr, "check failed: %s\n", what.c_str());
        std::abort();
    }
}

// Reads the input through one entry; false when the read raised (a refused or invalid file).
bool Read(TMidiFile& song, const std::string& bytes, bool asStream)
{
    try {
        if (asStream) {
            std::istringstream stream(bytes);
            song.ReadResource(stream);
        } else {
            song.ReadResource(bytes.data(), bytes.size());
        }
        return true;
    } catch (const EMidiFileError&) {
        return false;
    }
}

void WriteAndReadBack(const TMidiFile& song, const char* what)
{
    std::ostringstream out;
    song.WriteStream(out);
    const std::string bytes = out.str();
    TMidiFile back;
    Check(Read(back, bytes, false), std::string(what) + ": the written file does not read back");
    const std::string difference = FirstWritingDifference(song, back);
    Check(difference.empty(), std::string(what) + ": " + difference);
}

// Plays the song into a recorder on the same clock: first in 10 ms steps, then in steps of
// 20 minutes, far enough to pass the recorder's time limit.
void PlayIntoRecorder(TMidiFile& song, TManualTickClock& clock, TMidiFile& rec)
{
    if (song.UsPerTick() == 0.0) {
        try {
            song.SetBpm(120);
        } catch (const EMidiFileError&) {
        }
    }
    song.OnMidiEvent = [&rec](PMidiEvent event) { rec.RecordEvent(event); };
    rec.StartRecording();
    song.StartPlaying();
    for (int tick = 0; tick < 200 && !song.Ready(); ++tick) {
        clock.Advance(tick < 100 ? 10 : 20 * 60 * 1000);
        song.TimerTick(nullptr);
    }
    song.StopPlaying();
    (void)song.GetSongLength();
    (void)rec.RecordingStoppedAtLimit();
    rec.StopRecording();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TManualTickClock clock(0xFFFFFF00u);
    TMidiFile song(clock);
    const bool complete = Read(song, bytes, size % 2 == 0);
    // A later header chunk may leave a division of 0, under which the song's own tempo events
    // would no longer read: such a song is not written back.
    if (complete && song.TrackCount() > 0 && song.TicksPerQuarter() != 0)
        WriteAndReadBack(song, "song");
    TMidiFile rec(clock);
    PlayIntoRecorder(song, clock, rec);
    WriteAndReadBack(rec, "recording");
    return 0;
}

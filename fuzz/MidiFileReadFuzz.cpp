// Fuzzes the MIDI file reader from memory, through both of its memory entries (a byte buffer
// and a stream), which must agree. What was read is written back to memory and must read back
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

bool SameEvents(const TMidiFile& a, const TMidiFile& b)
{
    if (a.TrackCount() != b.TrackCount())
        return false;
    for (int32_t t = 0; t < a.TrackCount(); ++t) {
        const TMidiTrack& x = *a.GetTrack(t);
        const TMidiTrack& y = *b.GetTrack(t);
        if (x.EventCount() != y.EventCount() || x.Name != y.Name || x.Channel != y.Channel)
            return false;
        for (int32_t i = 0; i < x.EventCount(); ++i) {
            const TMidiEvent& e = *x.GetEvent(i);
            const TMidiEvent& f = *y.GetEvent(i);
            if (e.status != f.status || e.data1 != f.data1 || e.data2 != f.data2 || e.text != f.text ||
                e.deltaTicks != f.deltaTicks || e.absoluteTicks != f.absoluteTicks)
                return false;
        }
    }
    return true;
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
    TMidiFile fromBuffer(clock);
    const bool complete = Read(fromBuffer, bytes, false);
    TMidiFile fromStream(clock);
    Check(Read(fromStream, bytes, true) == complete, "the buffer and the stream read differ in success");
    Check(SameEvents(fromBuffer, fromStream), "the buffer and the stream read differ in events");

    if (fromBuffer.TrackCount() > 0)
        WriteAndReadBack(fromBuffer, "song");
    TMidiFile rec(clock);
    PlayIntoRecorder(fromBuffer, clock, rec);
    WriteAndReadBack(rec, "recording");
    return 0;
}

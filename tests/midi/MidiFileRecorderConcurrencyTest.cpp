// The recorder is fed from the window thread and the playback timer's thread at once.
#include "midi/MidiFile.h"
#include "midi/MidiTimer.h"
#include "tests/midi/MidiFileTestBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

using namespace std::chrono_literals;

namespace {
// A song of `count` notes on channels 0..7, one tick apart, played at 20 ticks per ms.
std::string FastSong(int count)
{
    std::string events = Bytes({0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x32}); // 50 us per quarter
    for (int i = 0; i < count; ++i)
        events += Bytes({i == 0 ? 0 : 1, 0x90 | (i % 8), 40 + i % 50, 100});
    return HeaderChunk(0, 1, 1) + TrackChunk(events);
}
}

TEST(MidiFileRecorderConcurrency, RecordsFromTwoThreadsWhileASongPlays)
{
    constexpr int SongNotes = 4000;
    constexpr int WindowNotes = 4000;
    const std::string bytes = FastSong(SongNotes);
    TMidiFile song;
    song.ReadResource(bytes.data(), bytes.size());
    TMidiFile rec;
    TMidiTimer timer;
    std::atomic<int> songSent{0};
    song.OnMidiEvent = [&](PMidiEvent event) {
        if (event->status == MidiMeta)
            return;
        ++songSent;
        rec.RecordEvent(event);
    };
    song.OnUpdateEvent = [&](void*) {
        if (song.Ready()) {
            song.StopPlaying();
            for (int channel = 0; channel < 16; ++channel) {
                TMidiEvent allSoundOff{uint8_t(0xB0 | channel), ControllerAllSoundOff, 0, {}, 0, 0};
                rec.RecordEvent(&allSoundOff);
            }
            timer.Stop();
        }
    };
    timer.OnTimer = [&](void* sender) { song.TimerTick(sender); };

    rec.StartRecording();
    timer.Start();
    song.StartPlaying();
    int32_t lastLength = 0;
    for (int i = 0; i < WindowNotes; ++i) {
        TMidiEvent note{uint8_t(0x98 | (i % 8)), uint8_t(i % 128), 127, {}, 0, 0};
        rec.RecordEvent(&note);
        if (i % 64 == 0) {
            EXPECT_GE(rec.GetRecordingTime(), 0);
            const int32_t length = rec.GetSongLength();
            EXPECT_GE(length, lastLength) << "a recording only grows";
            lastLength = length;
            EXPECT_GE(song.GetCurrentTime(), 0);
            std::this_thread::yield();
        }
    }
    const auto limit = std::chrono::steady_clock::now() + 30s;
    while (timer.TimerId() != 0 && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(timer.TimerId(), 0u) << "the song did not end";
    timer.Stop(); // joins the timer thread
    rec.StopRecording();

    ASSERT_EQ(songSent.load(), SongNotes);
    ASSERT_EQ(rec.NumberOfTracks(), 17);
    std::set<int> channels;
    int notes = 0, allSoundOff = 0;
    for (int32_t t = 1; t < rec.NumberOfTracks(); ++t) {
        const TMidiTrack& track = *rec.GetTrack(t);
        EXPECT_TRUE(channels.insert(track.Channel).second) << "two tracks for channel " << track.Channel;
        int32_t previous = 0;
        for (int32_t i = 0; i < track.EventCount(); ++i) {
            const TMidiEvent& event = *track.GetEvent(i);
            EXPECT_GE(event.absoluteTicks, previous) << "times went backwards in track " << t;
            previous = event.absoluteTicks;
            if (event.status == MidiMeta)
                continue;
            EXPECT_EQ(StatusChannel(event.status), track.Channel);
            if (StatusKind(event.status) == MidiNoteOn)
                ++notes;
            else
                ++allSoundOff;
        }
    }
    EXPECT_EQ(notes, SongNotes + WindowNotes);
    EXPECT_EQ(allSoundOff, 16);
}

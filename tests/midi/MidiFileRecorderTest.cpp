#include "midi/MidiFile.h"
#include "tests/midi/MidiFileTestBytes.h"
#include "tests/support/WrittenEvents.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <sys/resource.h>

namespace {

class MidiFileRecorder : public ::testing::Test {
protected:
    TManualTickClock Clock{5000};
    TMidiFile Rec{Clock};
    TTempDir Dir;

    void SendAt(uint32_t sinceStart, uint8_t status, uint8_t data1 = 0, uint8_t data2 = 0, std::string text = {})
    {
        Clock.Set(5000 + sinceStart);
        TMidiEvent event;
        event.status = status;
        event.data1 = data1;
        event.data2 = data2;
        event.text = std::move(text);
        Rec.RecordEvent(&event);
    }
    std::string Written()
    {
        const std::string path = Dir.File("out.mid");
        Rec.WriteFile(path);
        return ReadBytes(path);
    }
};

const std::string EmptyTrack0 = TrackChunk(Bytes({0x00, 0xFF, 0x2F, 0x00}));

} // namespace

TEST_F(MidiFileRecorder, OneNoteIsWrittenByteForByte)
{
    Rec.StartRecording();
    SendAt(500, 0x90, 0x3C, 0x7F);
    SendAt(1000, 0x80, 0x3C, 0x7F);
    Rec.StopRecording();
    EXPECT_EQ(Rec.NumberOfTracks(), 2);
    EXPECT_EQ(Rec.TicksPerQuarter(), 30797);
    EXPECT_EQ(Rec.Bpm(), 120);
    EXPECT_EQ(Rec.GetTrack(0)->Channel, -1);
    EXPECT_EQ(Rec.GetTrack(1)->Channel, 0);
    EXPECT_EQ(Written(),
              Bytes({0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x02, 0x78, 0x4D}) +
                  Bytes({0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x04, 0x00, 0xFF, 0x2F, 0x00}) +
                  Bytes({0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x10, 0x81, 0xF0, 0x4D, 0x90, 0x3C, 0x7F,
                         0x81, 0xF0, 0x4D, 0x80, 0x3C, 0x7F, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(Rec.NumberOfTracks(), 2) << "writing leaves the tracks as they are";
}

TEST_F(MidiFileRecorder, ChannelsTracksAndRunningStatus)
{
    Rec.StartRecording();
    SendAt(0, 0x90, 60, 127);
    SendAt(0, 0x90, 64, 127); // same tick count, same channel: delta 0, no status byte
    SendAt(2000, 0xC5, 12);   // first message on channel 5 opens a track after channel 0's
    SendAt(2000, 0xB5, 7, 100);
    Rec.StopRecording();
    ASSERT_EQ(Rec.NumberOfTracks(), 3);
    const TMidiTrack& five = *Rec.GetTrack(2);
    EXPECT_EQ(five.Channel, 5);
    EXPECT_EQ(five.GetEvent(0)->deltaTicks, 123188);
    EXPECT_EQ(five.GetEvent(0)->absoluteTicks, 123188);
    EXPECT_EQ(Written().substr(14 + 12),
              TrackChunk(Bytes({0x00, 0x90, 60, 127, 0x00, 64, 127, 0x00, 0xFF, 0x2F, 0x00})) +
                  TrackChunk(VarLen(123188) + Bytes({0xC5, 12, 0x00, 0xB5, 7, 100, 0x00, 0xFF, 0x2F, 0x00})));
}

TEST_F(MidiFileRecorder, AllSoundOffOnlyForChannelsThatSounded)
{
    Rec.StartRecording();
    SendAt(1000, 0xB3, ControllerAllSoundOff, 0);
    EXPECT_EQ(Rec.NumberOfTracks(), 1) << "no track for a silent channel's All Sound Off";
    SendAt(2000, 0x93, 60, 127);
    SendAt(3000, 0xB3, ControllerAllSoundOff, 0);
    ASSERT_EQ(Rec.NumberOfTracks(), 2);
    const TMidiTrack& three = *Rec.GetTrack(1);
    ASSERT_EQ(three.EventCount(), 2);
    // The dropped message leaves the channel's clock alone: the note keeps its true time.
    EXPECT_EQ(three.GetEvent(0)->absoluteTicks, 123188);
    EXPECT_EQ(three.GetEvent(1)->absoluteTicks, 184782);
    EXPECT_EQ(three.GetEvent(1)->data1, ControllerAllSoundOff);
}

TEST_F(MidiFileRecorder, EmptyRecordingAndStateRules)
{
    TMidiEvent note{0x90, 60, 127, {}, 0, 0};
    Rec.RecordEvent(&note);
    EXPECT_EQ(Rec.NumberOfTracks(), 0) << "nothing is recorded while off";
    EXPECT_EQ(Rec.GetRecordingTime(), 0);
    Rec.StartRecording();
    Clock.Advance(1234);
    EXPECT_EQ(Rec.GetRecordingTime(), 1234);
    EXPECT_EQ(Rec.GetSongLength(), 0) << "a running recording's empty track 0 has length 0";
    Rec.StopRecording();
    Rec.StopRecording();
    EXPECT_EQ(Rec.GetRecordingTime(), 0);
    ASSERT_EQ(Rec.NumberOfTracks(), 1);
    EXPECT_EQ(Rec.GetTrack(0)->EventCount(), 1) << "a second stop adds no End of Track";
    EXPECT_EQ(Rec.GetSongLength(), 0);
    EXPECT_EQ(Written(), HeaderChunk(1, 1, 30797) + EmptyTrack0);

    // A new recording discards the old one.
    Rec.StartRecording();
    SendAt(10, 0x90, 1, 1);
    Rec.StartRecording();
    EXPECT_EQ(Rec.NumberOfTracks(), 1);
}

TEST_F(MidiFileRecorder, WhatIsKeptFromTheMessages)
{
    Rec.StartRecording();
    // A song's event carries its own times; the copy gets the recorder's.
    TMidiEvent fromSong{0x91, 62, 90, {}, 777, 9999};
    Clock.Set(5500);
    Rec.RecordEvent(&fromSong);
    EXPECT_EQ(fromSong.deltaTicks, 777) << "the caller's record is only lent";
    // System exclusive is filed under channel 0 with its payload.
    SendAt(600, MidiSysEx, 0, 0, Bytes({0x7E, 0x00, 0xF7}));
    // End of Track and Set Tempo are ignored; other metas go to track 0.
    SendAt(700, MidiMeta, MetaEndOfTrack);
    SendAt(700, MidiMeta, MetaSetTempo, 0, Bytes({7, 0xA1, 0x20}));
    SendAt(1000, MidiMeta, 0x01, 0, "hi");
    // Statuses a track chunk cannot hold are not recorded at all.
    SendAt(800, 0xF8);
    SendAt(800, 0x3C);
    Rec.StopRecording();

    ASSERT_EQ(Rec.NumberOfTracks(), 3);
    EXPECT_EQ(Rec.GetTrack(1)->Channel, 1);
    EXPECT_EQ(Rec.GetTrack(1)->GetEvent(0)->absoluteTicks, 30797);
    EXPECT_EQ(Rec.GetTrack(2)->Channel, 0);
    const TMidiTrack& track0 = *Rec.GetTrack(0);
    ASSERT_EQ(track0.EventCount(), 2);
    EXPECT_EQ(track0.GetEvent(0)->text, "hi");
    EXPECT_EQ(track0.GetEvent(0)->absoluteTicks, 61594);
    EXPECT_EQ(Written().substr(14),
              TrackChunk(VarLen(61594) + Bytes({0xFF, 0x01, 0x02, 'h', 'i', 0x00, 0xFF, 0x2F, 0x00})) +
                  TrackChunk(VarLen(30797) + Bytes({0x91, 62, 90, 0x00, 0xFF, 0x2F, 0x00})) +
                  TrackChunk(VarLen(36956) + Bytes({0xF0, 0x03, 0x7E, 0x00, 0xF7, 0x00, 0xFF, 0x2F, 0x00})));
}

TEST_F(MidiFileRecorder, ReadBackGivesTheSameTracks)
{
    Rec.StartRecording();
    for (uint32_t i = 0; i < 40; ++i) {
        SendAt(i * 37, uint8_t(0x90 | (i % 3)), uint8_t(40 + i), 100);
        SendAt(i * 37 + 20, uint8_t(0x80 | (i % 3)), uint8_t(40 + i), 64);
        SendAt(i * 37 + 21, uint8_t(0xE0 | (i % 3)), uint8_t(i), 0x40);
    }
    SendAt(5000, 0xC2, 5);
    SendAt(5000, 0xD2, 9);
    Rec.StopRecording();
    const std::string path = Dir.File("round.mid");
    Rec.WriteFile(path);

    TMidiFile back;
    back.SetFilename(path);
    ASSERT_EQ(back.ReadFile(), Rec.NumberOfTracks());
    EXPECT_EQ(back.TicksPerQuarter(), 30797);
    EXPECT_EQ(back.FileFormat(), TFileFormat::multi_synch);
    for (int32_t t = 0; t < Rec.NumberOfTracks(); ++t) {
        const TMidiTrack& a = *Rec.GetTrack(t);
        const TMidiTrack& b = *back.GetTrack(t);
        ASSERT_EQ(a.EventCount(), b.EventCount()) << "track " << t;
        for (int32_t i = 0; i < a.EventCount(); ++i) {
            const TMidiEvent& x = *a.GetEvent(i);
            const TMidiEvent& y = *b.GetEvent(i);
            EXPECT_EQ(std::tie(x.status, x.data1, x.data2, x.text, x.deltaTicks, x.absoluteTicks),
                      std::tie(y.status, y.data1, y.data2, y.text, y.deltaTicks, y.absoluteTicks))
                << "track " << t << " event " << i;
        }
    }
}

TEST_F(MidiFileRecorder, WriterEncodingOfTracksItDidNotRecord)
{
    // Tracks filled by hand: variable-length deltas, events without an encoding, odd data bytes.
    Rec.SetTicksPerQuarter(0x12345);
    Rec.AddTrack();
    TMidiTrack& track = *Rec.GetTrack(0);
    for (int32_t delta : {128, 1000, 16383, 16384, 30797, 0x0FFFFFFF}) {
        TMidiEvent event;
        event.status = 0xA0;
        event.deltaTicks = delta;
        track.PutEvent(std::move(event));
    }
    auto odd = [&track](uint8_t status, int32_t delta, uint8_t data1) {
        TMidiEvent event;
        event.status = status;
        event.deltaTicks = delta;
        event.data1 = data1;
        event.data2 = 0xC5;
        track.PutEvent(std::move(event));
    };
    odd(0xF8, 3, 0);     // left out; its delta moves to the next event
    odd(0x00, 4, 0);
    odd(0xA0, 5, 0xBC);  // running status still 0xA0; data bytes keep 7 bits
    odd(0xD1, 0, 0x11);  // one data byte only
    EXPECT_EQ(Written(), Bytes({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0x00, 0x01, 0x23, 0x45}) +
                             TrackChunk(Bytes({0x81, 0x00, 0xA0, 0, 0, 0x87, 0x68, 0, 0, 0xFF, 0x7F, 0, 0,
                                               0x81, 0x80, 0x00, 0, 0, 0x81, 0xF0, 0x4D, 0, 0, 0xFF, 0xFF,
                                               0xFF, 0x7F, 0, 0, 0x0C, 0x3C, 0x45, 0x00, 0xD1, 0x11})));

    // A delta that would need five bytes is split into four-byte ones joined by empty text
    // events; the status byte after them is written again.
    Rec.Clear();
    Rec.AddTrack();
    TMidiEvent event;
    event.status = 0xC0;
    event.deltaTicks = -1; // 0xFFFFFFFF ticks, as a file's delta of that length reads
    Rec.GetTrack(0)->PutEvent(std::move(event));
    std::string bridged;
    for (int i = 0; i < 16; ++i)
        bridged += Bytes({0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
    EXPECT_EQ(Written().substr(14), TrackChunk(bridged + Bytes({0x0F, 0xC0, 0x00})));
}

TEST_F(MidiFileRecorder, LongSilenceIsWrittenWithFourByteDeltasAndReadsBack)
{
    // 73 minutes between two notes of one channel: about 270 million ticks, above 0x0FFFFFFF.
    const uint32_t later = 73u * 60u * 1000u;
    Rec.StartRecording();
    SendAt(0, 0x90, 0x3C, 0x7F);
    SendAt(later, 0x90, 0x3E, 0x7F);
    SendAt(later, 0x90, 0x40, 0x7F);
    Rec.StopRecording();
    const int32_t noteTicks = Rec.GetTrack(1)->GetEvent(1)->absoluteTicks;
    ASSERT_GT(uint32_t(noteTicks), TMidiFile::MaxDelta);

    std::ostringstream stream;
    Rec.WriteStream(stream);
    const std::string bytes = stream.str();
    EXPECT_EQ(bytes, Written()) << "one writer for files and streams";
    const std::string track1 = bytes.substr(14 + EmptyTrack0.size() + 8);
    EXPECT_EQ(track1, Bytes({0x00, 0x90, 0x3C, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00}) +
                          VarLen(uint32_t(noteTicks) - TMidiFile::MaxDelta) +
                          Bytes({0x90, 0x3E, 0x7F, 0x00, 0x40, 0x7F, 0x00, 0xFF, 0x2F, 0x00}));

    TMidiFile back;
    back.ReadResource(bytes.data(), bytes.size());
    ASSERT_EQ(back.NumberOfTracks(), 2);
    const TMidiTrack& notes = *back.GetTrack(1);
    ASSERT_EQ(notes.EventCount(), 5);
    EXPECT_EQ(notes.GetEvent(2)->absoluteTicks, noteTicks) << "the bridge keeps the note's time";
    EXPECT_EQ(notes.GetLastTime(), noteTicks);
    EXPECT_EQ(FirstWritingDifference(Rec, back), "") << "the bridging events are the only addition";
}

TEST_F(MidiFileRecorder, FailedWriteKeepsTheEarlierFileAndTheTracks)
{
    Rec.StartRecording();
    for (uint32_t i = 0; i < 2000; ++i)
        SendAt(i, 0x90, uint8_t(i % 128), 1);
    Rec.StopRecording();
    const std::string path = Dir.File("keep.mid");
    WriteBytes(path, "earlier");

    // Let the file system refuse writes beyond 1 KB for this process.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(Rec.WriteFile(path), EMidiFileError);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadBytes(path), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()), {}), 1) << "no temporary file left";
    EXPECT_EQ(Rec.GetTrack(1)->EventCount(), 2001);

    EXPECT_THROW(Rec.WriteFile(Dir.File("no-such-folder/x.mid")), EMidiFileError);
    std::filesystem::create_directory(Dir.File("folder"));
    EXPECT_THROW(Rec.WriteFile(Dir.File("folder")), EMidiFileError) << "a folder cannot be replaced";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()), {}), 2);

    Rec.WriteFile(path);
    EXPECT_GT(ReadBytes(path).size(), 4000u);
}

TEST_F(MidiFileRecorder, StopsAtItsTimeLimitAndSaysSo)
{
    Rec.StartRecording();
    SendAt(1000, 0x90, 0x3C, 0x7F);
    SendAt(TMidiFile::RecordLimitMs, 0x80, 0x3C, 0x40);
    EXPECT_TRUE(Rec.Recording()) << "a message at the limit itself is still recorded";
    EXPECT_FALSE(Rec.RecordingStoppedAtLimit());
    const TMidiTrack& notes = *Rec.GetTrack(1);
    const int32_t atLimit = notes.GetLastTime();
    EXPECT_GT(notes.GetEvent(1)->deltaTicks, 0);
    EXPECT_LT(atLimit, INT32_MAX) << "the last time recorded is a true one, not a saturated one";

    SendAt(TMidiFile::RecordLimitMs + 1, 0x90, 0x3E, 0x7F);
    EXPECT_FALSE(Rec.Recording());
    EXPECT_TRUE(Rec.RecordingStoppedAtLimit());
    EXPECT_EQ(Rec.GetRecordingTime(), 0);
    ASSERT_EQ(notes.EventCount(), 3) << "the late message is not recorded; End of Track closes the track";
    EXPECT_EQ(notes.GetEvent(2)->data1, MetaEndOfTrack);
    EXPECT_EQ(notes.GetLastTime(), atLimit);
    std::ostringstream written;
    Rec.WriteStream(written);
    TMidiFile back;
    back.ReadResource(written.str().data(), written.str().size());
    EXPECT_EQ(FirstWritingDifference(Rec, back), "");

    // Without any message, the recording clock's question stops it; a new recording starts afresh.
    Clock.Set(5000);
    Rec.StartRecording();
    EXPECT_FALSE(Rec.RecordingStoppedAtLimit());
    Clock.Set(5000 + TMidiFile::RecordLimitMs);
    EXPECT_FALSE(Rec.RecordingStoppedAtLimit());
    EXPECT_TRUE(Rec.Recording());
    Clock.Advance(1);
    EXPECT_TRUE(Rec.RecordingStoppedAtLimit());
    EXPECT_FALSE(Rec.Recording());
    EXPECT_EQ(Rec.GetTrack(0)->EventCount(), 1);

    Rec.StartRecording();
    Rec.StopRecording();
    Clock.Advance(TMidiFile::RecordLimitMs + 1);
    EXPECT_FALSE(Rec.RecordingStoppedAtLimit()) << "a recording the user stopped was not stopped at the limit";
}

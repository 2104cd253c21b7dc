#include "midi/MidiFile.h"
#include "tests/midi/MidiFileTestBytes.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Reads bytes through the resource path (a byte buffer).
void ReadBuffer(TMidiFile& song, const std::string& bytes) { song.ReadResource(bytes.data(), bytes.size()); }

std::string EventText(const TMidiEvent& e)
{
    char line[64];
    std::snprintf(line, sizeof line, "%d:%02X %02X %02X", e.absoluteTicks, e.status, e.data1, e.data2);
    return line;
}

std::vector<std::string> Events(const TMidiTrack& track)
{
    std::vector<std::string> out;
    for (int32_t i = 0; i < track.EventCount(); ++i)
        out.push_back(EventText(*track.GetEvent(i)));
    return out;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(MidiFileReader, ReadsHeaderTracksEventsAndTrackProperties)
{
    const std::string file = HeaderChunk(1, 2, 96) +
        TrackChunk(Bytes({0x00, 0xFF, 0x03, 0x04, 'M', 'a', 'i', 'n', 0x00, 0xFF, 0x04, 0x01, 'P',
                          0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00})) +
        TrackChunk(Bytes({0x00, 0xC3, 0x05, 0x60, 0x93, 0x3C, 0x64, 0x60, 0x3C, 0x00, // running status
                          0x81, 0x00, 0x83, 0x3E, 0x40, 0x00, 0xE3, 0x00, 0x40, 0x00, 0xFF, 0x2F, 0x00}));
    TTempDir dir;
    WriteBytes(dir.File("song.mid"), file);
    TMidiFile song;
    song.SetFilename(dir.File("song.mid"));
    ASSERT_EQ(song.ReadFile(), 2);

    EXPECT_EQ(song.NumberOfTracks(), 2);
    EXPECT_EQ(song.FileFormat(), TFileFormat::multi_synch);
    EXPECT_EQ(song.TicksPerQuarter(), 96);
    EXPECT_EQ(song.Bpm(), 120);
    EXPECT_DOUBLE_EQ(song.UsPerTick(), 500000.0 / 96);

    const TMidiTrack& conductor = *song.GetTrack(0);
    EXPECT_EQ(conductor.GetName(), "Main");
    EXPECT_EQ(conductor.Instrument, "P");
    EXPECT_EQ(conductor.Channel, 0);
    EXPECT_EQ(conductor.GetEvent(2)->text, Bytes({0x07, 0xA1, 0x20}));

    const TMidiTrack& notes = *song.GetTrack(1);
    EXPECT_EQ(Events(notes), (Strings{"0:C3 05 00", "96:93 3C 64", "192:93 3C 00", "320:83 3E 40",
                                      "320:E3 00 40", "320:FF 2F 00"}));
    EXPECT_EQ(notes.GetEvent(2)->deltaTicks, 96);
    EXPECT_EQ(notes.Channel, 3);
    EXPECT_EQ(notes.CurrentTime, 320);
    EXPECT_EQ(notes.GetLastTime(), 320);
    EXPECT_EQ(notes.GetEvent(-1), nullptr);
    EXPECT_EQ(notes.GetEvent(notes.EventCount()), nullptr);
    EXPECT_THROW(song.GetTrack(2), std::out_of_range);
    EXPECT_THROW(song.GetTrack(-1), std::out_of_range);
}

TEST(MidiFileReader, LenientStatusDecoding)
{
    TMidiFile song;
    // A data byte right after a meta event starts another meta event (running status 0xFF).
    ReadBuffer(song, HeaderChunk(0, 1, 120) +
                         TrackChunk(Bytes({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x01, 'a',
                                           0x00, 0x06, 0x01, 'b'})));
    EXPECT_EQ(Events(*song.GetTrack(0)), (Strings{"0:90 3C 40", "0:FF 01 00", "0:FF 06 00"}));
    EXPECT_EQ(song.GetTrack(0)->GetEvent(2)->text, "b");

    // 0xF7 and 0xF1..0xFE take no data; what follows is decoded as further events.
    ReadBuffer(song, HeaderChunk(0, 1, 120) + TrackChunk(Bytes({0x00, 0xF7, 0x02, 0xF8, 0x05, 0xF1})));
    EXPECT_EQ(Events(*song.GetTrack(0)), (Strings{"0:F7 00 00", "2:F8 00 00", "7:F1 00 00"}));

    // Without any status byte yet, the first event has status 0 and its data byte becomes
    // the next delta time.
    ReadBuffer(song, HeaderChunk(0, 1, 120) + TrackChunk(Bytes({0x00, 0x3C, 0x00, 0x90, 0x3C, 0x00})));
    EXPECT_EQ(Events(*song.GetTrack(0)), (Strings{"0:00 00 00", "60:00 00 00", "60:90 3C 00"}));

    // System exclusive keeps every payload byte, zeros included; ReadText(0) gives "".
    ReadBuffer(song, HeaderChunk(0, 1, 120) +
                         TrackChunk(Bytes({0x00, 0xF0, 0x04, 0x7E, 0x00, 0x00, 0xF7, 0x00, 0xFF, 0x01, 0x00})));
    EXPECT_EQ(song.GetTrack(0)->GetEvent(0)->text, Bytes({0x7E, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(song.GetTrack(0)->GetEvent(1)->text, "");

    // Running status starts afresh in every track chunk.
    ReadBuffer(song, HeaderChunk(1, 2, 120) + TrackChunk(Bytes({0x00, 0x90, 0x3C, 0x40})) +
                         TrackChunk(Bytes({0x00, 0x3C, 0x40})));
    EXPECT_EQ(Events(*song.GetTrack(1)), (Strings{"0:00 00 00", "60:00 00 00"}));
}

TEST(MidiFileReader, ChunkBoundaries)
{
    TMidiFile song;
    // Lengths 0 and 1 give empty tracks; the single byte of a 1-byte chunk is never read.
    ReadBuffer(song, HeaderChunk(1, 2, 120) + TrackChunk("") + TrackChunk(Bytes({0x00})));
    ASSERT_EQ(song.NumberOfTracks(), 2);
    EXPECT_EQ(song.GetTrack(0)->EventCount(), 0);
    EXPECT_EQ(song.GetTrack(1)->EventCount(), 0);

    // An event that would start at the chunk's last byte is not read.
    ReadBuffer(song, HeaderChunk(0, 1, 120) + TrackChunk(Bytes({0x00, 0xC0, 0x05, 0x00})));
    EXPECT_EQ(Events(*song.GetTrack(0)), (Strings{"0:C0 05 00"}));

    // Texts, data bytes and lengths that run past the chunk's end stop there and never take
    // bytes from the next chunk; missing data bytes read as 0.
    ReadBuffer(song, HeaderChunk(1, 3, 120) + TrackChunk(Bytes({0x00, 0xF0, 0x87, 0x68, 0x01, 0x02})) +
                         TrackChunk(Bytes({0x00, 0x90, 0x3C})) + TrackChunk(Bytes({0x00, 0xFF, 0x01, 0xFF})) +
                         TrackChunk(Bytes({0x00, 0x80, 0x01, 0x02})));
    ASSERT_EQ(song.NumberOfTracks(), 3);
    EXPECT_EQ(song.GetTrack(0)->GetEvent(0)->text, Bytes({0x01, 0x02}));
    EXPECT_EQ(Events(*song.GetTrack(1)), (Strings{"0:90 3C 00"}));
    EXPECT_EQ(Events(*song.GetTrack(2)), (Strings{"0:FF 01 00"}));

    // A header longer than 6 bytes: the rest is ignored; a short one reads missing bytes as 0.
    ReadBuffer(song, Chunk("MThd", Bytes({0, 1, 0, 1, 0, 60, 9, 9})) + TrackChunk(Bytes({0x00, 0xC0, 0x01})));
    EXPECT_EQ(song.TicksPerQuarter(), 60);
    EXPECT_EQ(song.NumberOfTracks(), 1);
    ReadBuffer(song, Chunk("MThd", Bytes({0, 0, 0})));
    EXPECT_EQ(song.TicksPerQuarter(), 0);
    EXPECT_EQ(song.NumberOfTracks(), 0);
}

TEST(MidiFileReader, VariableLengthNumbersKeepTheirLow32Bits)
{
    TMidiFile song;
    // Five-byte deltas: bits beyond 32 are shifted out; the running sum wraps, it does not overflow.
    ReadBuffer(song, HeaderChunk(0, 1, 120) +
                         TrackChunk(Bytes({0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x01, 0x02, 0xC0, 0x02,
                                           0x9F, 0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x03})));
    const TMidiTrack& track = *song.GetTrack(0);
    ASSERT_EQ(track.EventCount(), 3);
    EXPECT_EQ(track.GetEvent(0)->deltaTicks, INT32_MAX);
    EXPECT_EQ(track.GetEvent(0)->absoluteTicks, INT32_MAX);
    EXPECT_EQ(track.GetEvent(1)->absoluteTicks, INT32_MIN + 1);
    EXPECT_EQ(track.GetEvent(2)->deltaTicks, -1);
    EXPECT_EQ(track.GetEvent(2)->absoluteTicks, INT32_MIN);
}

TEST(MidiFileReader, HeaderValuesAndChunkCounting)
{
    TMidiFile song;
    ReadBuffer(song, HeaderChunk(2, 0, 120));
    EXPECT_EQ(song.FileFormat(), TFileFormat::multi_asynch);
    // Format 3 leaves the format as it was; an SMPTE division is taken as a tick count.
    ReadBuffer(song, HeaderChunk(3, 0, 0xE728));
    EXPECT_EQ(song.FileFormat(), TFileFormat::multi_asynch);
    EXPECT_EQ(song.TicksPerQuarter(), 59176);

    // 3 announced tracks, an unknown chunk among them: it uses up one read and the last
    // track chunk is never read.
    ReadBuffer(song, HeaderChunk(1, 3, 120) + TrackChunk(Bytes({0x00, 0xC0, 0x01})) +
                         TrackChunk(Bytes({0x00, 0xC0, 0x02})) + Chunk("Junk", "xyz") +
                         TrackChunk(Bytes({0x00, 0xC0, 0x03})));
    EXPECT_EQ(song.NumberOfTracks(), 2);
    EXPECT_EQ(song.GetTrack(1)->GetEvent(0)->data1, 2);

    // After Clear, a file whose first chunk is a track yields that track only.
    song.Clear();
    ReadBuffer(song, TrackChunk(Bytes({0x00, 0xC0, 0x07})) + TrackChunk(Bytes({0x00, 0xC0, 0x08})));
    ASSERT_EQ(song.NumberOfTracks(), 1);
    EXPECT_EQ(song.GetTrack(0)->GetEvent(0)->data1, 7);
    EXPECT_EQ(song.TicksPerQuarter(), 120) << "a file without header keeps the old division";
}

TEST(MidiFileReader, TempoRules)
{
    TMidiFile song;
    ReadBuffer(song, HeaderChunk(0, 1, 120) +
                         TrackChunk(Bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x51, 0x03, 0x09,
                                           0x27, 0xC0})));
    EXPECT_EQ(song.Bpm(), 100);
    EXPECT_DOUBLE_EQ(song.UsPerTick(), 5000.0);

    // Without a tempo event, reading keeps Bpm and UsPerTick as they were.
    ReadBuffer(song, HeaderChunk(0, 1, 120) + TrackChunk(Bytes({0x00, 0xC0, 0x01})));
    EXPECT_EQ(song.Bpm(), 100);

    // A short Set Tempo reads its missing bytes as 0 and nothing past its text.
    ReadBuffer(song, HeaderChunk(0, 1, 100) +
                         TrackChunk(Bytes({0x00, 0xFF, 0x51, 0x02, 0x0F, 0x42, 0x00, 0xFF, 0x01, 0x01, 0x40})));
    EXPECT_EQ(song.Bpm(), 60);
    EXPECT_DOUBLE_EQ(song.UsPerTick(), 9999.36);

    song.Clear();
    EXPECT_EQ(song.Bpm(), 0);
    EXPECT_EQ(song.UsPerTick(), 0.0);
    song.SetTicksPerQuarter(120);
    song.SetBpm(120);
    EXPECT_DOUBLE_EQ(song.UsPerTick(), 500000.0 / 120);
    song.SetUsPerTick(1.0);
    song.SetBpm(120); // equal to Bpm: nothing changes, not even an out-of-step UsPerTick
    EXPECT_EQ(song.UsPerTick(), 1.0);
    song.SetBpm(50001);
    EXPECT_EQ(song.Bpm(), 50041);
    EXPECT_DOUBLE_EQ(song.UsPerTick(), 1199.0 / 120);
    EXPECT_THROW(song.SetBpm(0), EMidiFileError);
    EXPECT_THROW(song.SetBpm(60000001), EMidiFileError);
    song.SetTicksPerQuarter(0);
    EXPECT_THROW(song.SetBpm(90), EMidiFileError);
}

TEST(MidiFileReader, MutedChannelsFromMelodyTracks)
{
    const std::string file = HeaderChunk(1, 6, 120) +
        TrackChunk(Bytes({0x00, 0xFF, 0x03, 0x01, '@', 0x00, 0x80, 0x3C, 0x00})) +
        TrackChunk(Bytes({0x00, 0xFF, 0x03, 0x02, '@', 'b', 0x00, 0x91, 0x3C, 0x00})) +
        TrackChunk(Bytes({0x00, 0xFF, 0x03, 0x02, ' ', '@', 0x00, 0x83, 0x3C, 0x00})) +
        TrackChunk(Bytes({0x00, 0xFF, 0x03, 0x04, 'B', 'a', 's', 's', 0x00, 0x84, 0x3C, 0x00})) +
        TrackChunk(Bytes({0x00, 0xFF, 0x03, 0x01, '@', 0x00, 0x92, 0x3C, 0x00, 0x00, 0x95, 0x3C, 0x40})) +
        TrackChunk(Bytes({0x00, 0xFF, 0x03, 0x00}));
    TMidiFile song;
    song.MutedChannels.Add(9);
    std::istringstream stream(file);
    stream.seekg(20); // the stream is rewound to its start
    song.ReadResource(stream);
    ASSERT_EQ(song.NumberOfTracks(), 6);
    EXPECT_EQ(song.GetTrack(4)->Channel, 2) << "a Note On with velocity > 0 does not change the channel";
    std::vector<int> muted;
    for (int c = 0; c < TChannelSet::Size; ++c)
        if (song.MutedChannels.Contains(c))
            muted.push_back(c);
    EXPECT_EQ(muted, (std::vector<int>{0, 1, 2}));

    // A melody track without any Note Off keeps channel 0 and so mutes channel 0.
    ReadBuffer(song, HeaderChunk(1, 1, 120) + TrackChunk(Bytes({0x00, 0xFF, 0x03, 0x01, '@', 0x00, 0x95, 0x3C, 0x40})));
    EXPECT_TRUE(song.MutedChannels.Contains(0));
    EXPECT_FALSE(song.MutedChannels.Contains(5));

    // ReadFile leaves the set alone.
    TTempDir dir;
    WriteBytes(dir.File("a.mid"), HeaderChunk(1, 0, 120));
    song.SetFilename(dir.File("a.mid"));
    song.ReadFile();
    EXPECT_TRUE(song.MutedChannels.Contains(0));
}

TEST(MidiFileReader, FileErrorsKeepWhatWasParsed)
{
    TTempDir dir;
    TMidiFile song;
    ReadBuffer(song, HeaderChunk(0, 1, 120) + TrackChunk(Bytes({0x00, 0xC0, 0x01})));

    song.SetFilename(dir.File("missing.mid"));
    EXPECT_THROW(song.ReadFile(), EMidiFileError);
    EXPECT_EQ(song.NumberOfTracks(), 1) << "the count is only recomputed after a complete read";
    EXPECT_THROW(song.GetTrack(0), std::out_of_range) << "the old tracks are released before opening";

    // A chunk longer than the data after it: an end-of-file error, earlier tracks stay.
    const std::string truncated = HeaderChunk(1, 3, 120) + TrackChunk(Bytes({0x00, 0xC0, 0x01})) + "MTrk" +
                                  BigEndian32(0xFFFFFFF0u) + Bytes({0x00, 0xC0});
    WriteBytes(dir.File("cut.mid"), truncated);
    song.SetFilename(dir.File("cut.mid"));
    try {
        song.ReadFile();
        FAIL() << "no error for a chunk past the end of the file";
    } catch (const EMidiFileError& error) {
        EXPECT_NE(std::string(error.what()).find("end of file"), std::string::npos) << error.what();
    }
    EXPECT_EQ(song.NumberOfTracks(), 3);
    EXPECT_EQ(song.GetTrack(0)->EventCount(), 1);
    EXPECT_THROW(song.GetTrack(1), std::out_of_range);

    // A file that ends before its announced chunks.
    WriteBytes(dir.File("short.mid"), HeaderChunk(1, 2, 120) + TrackChunk(Bytes({0x00, 0xC0, 0x01})));
    song.SetFilename(dir.File("short.mid"));
    EXPECT_THROW(song.ReadFile(), EMidiFileError);
    EXPECT_EQ(song.NumberOfTracks(), 2);
}

TEST(MidiFileReader, ResourceStreamsEndWithoutError)
{
    TMidiFile song;
    // The last chunk announces far more than the stream holds: it ends with the stream,
    // without an error and without inventing bytes.
    const std::string file = HeaderChunk(1, 3, 120) + "MTrk" + BigEndian32(0xFFFFFFF0u) +
                             Bytes({0x00, 0x90, 0x3C, 0x40, 0x10, 0x3C, 0x00});
    std::istringstream stream(file);
    song.ReadResource(stream);
    ASSERT_EQ(song.NumberOfTracks(), 1);
    EXPECT_EQ(Events(*song.GetTrack(0)), (Strings{"0:90 3C 40", "16:90 3C 00"}));

    ReadBuffer(song, file);
    EXPECT_EQ(Events(*song.GetTrack(0)), (Strings{"0:90 3C 40", "16:90 3C 00"}));

    ReadBuffer(song, "");
    EXPECT_EQ(song.NumberOfTracks(), 0);
}

TEST(MidiFileReader, InvalidTempoRaisesAfterTheEventIsKept)
{
    TMidiFile song;
    const std::string zeroTempo =
        HeaderChunk(0, 1, 120) + TrackChunk(Bytes({0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x01}));
    EXPECT_THROW(ReadBuffer(song, zeroTempo), EMidiFileError);
    ASSERT_EQ(song.GetTrack(0)->EventCount(), 1);
    EXPECT_EQ(song.GetTrack(0)->GetEvent(0)->data1, MetaSetTempo);

    const std::string noDivision =
        HeaderChunk(0, 1, 0) + TrackChunk(Bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
    EXPECT_THROW(ReadBuffer(song, noDivision), EMidiFileError);
    EXPECT_EQ(song.Bpm(), 120);
}

TEST(MidiFileReader, ChannelSetIgnoresValuesOutsideItsRange)
{
    TChannelSet set;
    EXPECT_TRUE(set.Empty());
    set.Add(-1);
    set.Add(256);
    EXPECT_TRUE(set.Empty());
    set.Add(255);
    set.Add(63);
    set.Add(64);
    EXPECT_TRUE(set.Contains(255) && set.Contains(63) && set.Contains(64));
    EXPECT_FALSE(set.Contains(62) || set.Contains(65) || set.Contains(-1));
    set.Remove(64);
    EXPECT_FALSE(set.Contains(64));
    set.Clear();
    EXPECT_TRUE(set.Empty());
}

TEST(MidiFileReader, FilesDenserThanAnySongAreRefusedAndTheBufferReleased)
{
    // Each zero byte in a track chunk is the delta of one status-less event: 48 bytes of memory
    // or more per byte of file. A megabyte of them is still within the allowance and reads as before.
    TMidiFile song;
    const std::string megabyte(1u << 20, '\0');
    ReadBuffer(song, HeaderChunk(0, 1, 96) + TrackChunk(megabyte));
    ASSERT_EQ(song.NumberOfTracks(), 1);
    EXPECT_EQ(song.GetTrack(0)->EventCount(), int32_t(megabyte.size() - 1)) << "the last byte starts no event";
    EXPECT_EQ(song.ReaderBufferBytes(), 0u);

    // Three megabytes of them would take more than 16 times the file's size plus 50 MB.
    const std::string hostile = HeaderChunk(0, 2, 96) + TrackChunk(Bytes({0x00, 0xC0, 0x01})) +
                                TrackChunk(std::string(3u << 20, '\0'));
    TTempDir dir;
    WriteBytes(dir.File("dense.mid"), hostile);
    song.SetFilename(dir.File("dense.mid"));
    try {
        song.ReadFile();
        FAIL() << "a file denser than any song was read";
    } catch (const EMidiFileError& error) {
        EXPECT_NE(std::string(error.what()).find("refused"), std::string::npos) << error.what();
    }
    EXPECT_EQ(song.NumberOfTracks(), 0);
    EXPECT_EQ(song.TrackCount(), 0) << "nothing of a refused file is kept";
    EXPECT_EQ(song.ReaderBufferBytes(), 0u) << "a failed read releases the chunk buffer too";
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "midi/MidiFile.h"
#include "ui/SongTables.h"

namespace {

// What one track of a song holds, gathered from the events as read.
struct TTrackFacts {
    std::string Name;
    int Channel = -1;
    int Program = -1;
    int Notes = 0;
    int LowNote = 128, HighNote = -1;
    int LowVelocity = 128, HighVelocity = -1;
    std::vector<int> Volumes, Pans, Modulations;
    int Lyrics = 0;
    int FirstNoteTick = -1;
    std::vector<std::pair<int, int>> Melody; // (tick, note) of every note start
};

TTrackFacts Facts(TMidiTrack& track)
{
    TTrackFacts facts;
    facts.Name = track.GetName();
    facts.Channel = track.Channel;
    for (int i = 0; PMidiEvent event = track.GetEvent(i); ++i) {
        const uint8_t kind = StatusKind(event->status);
        if (event->status == MidiMeta && event->data1 == 0x05)
            ++facts.Lyrics;
        else if (kind == MidiProgramChange && facts.Program < 0)
            facts.Program = event->data1;
        else if (kind == MidiControlChange && event->data1 == 7)
            facts.Volumes.push_back(event->data2);
        else if (kind == MidiControlChange && event->data1 == 10)
            facts.Pans.push_back(event->data2);
        else if (kind == MidiControlChange && event->data1 == 1)
            facts.Modulations.push_back(event->data2);
        else if (kind == MidiNoteOn && event->data2 > 0) {
            ++facts.Notes;
            facts.LowNote = std::min<int>(facts.LowNote, event->data1);
            facts.HighNote = std::max<int>(facts.HighNote, event->data1);
            facts.LowVelocity = std::min<int>(facts.LowVelocity, event->data2);
            facts.HighVelocity = std::max<int>(facts.HighVelocity, event->data2);
            if (facts.FirstNoteTick < 0)
                facts.FirstNoteTick = event->absoluteTicks;
            facts.Melody.emplace_back(event->absoluteTicks, event->data1);
        }
    }
    return facts;
}

struct TRow {
    const char* Name;
    int Channel, Program, Notes, LowNote, HighNote, LowVelocity, HighVelocity, Volume, Pan;
};

void ExpectRow(const TTrackFacts& facts, const TRow& row, int track)
{
    SCOPED_TRACE("track " + std::to_string(track));
    EXPECT_EQ(facts.Name, row.Name);
    EXPECT_EQ(facts.Channel, row.Channel);
    EXPECT_EQ(facts.Program, row.Program);
    EXPECT_EQ(facts.Notes, row.Notes);
    EXPECT_EQ(facts.LowNote, row.LowNote);
    EXPECT_EQ(facts.HighNote, row.HighNote);
    EXPECT_EQ(facts.LowVelocity, row.LowVelocity);
    EXPECT_EQ(facts.HighVelocity, row.HighVelocity);
    ASSERT_FALSE(facts.Volumes.empty());
    EXPECT_EQ(facts.Volumes.front(), row.Volume);
    EXPECT_EQ(facts.Pans, std::vector<int>{row.Pan});
}

struct TTempoChange {
    int Tick;
    uint32_t MicrosecondsPerQuarter;
};

std::vector<TTempoChange> Tempi(TMidiTrack& conductor)
{
    std::vector<TTempoChange> tempi;
    for (int i = 0; PMidiEvent event = conductor.GetEvent(i); ++i)
        if (event->status == MidiMeta && event->data1 == MetaSetTempo && event->text.size() == 3) {
            const auto byte = [&](int at) { return uint32_t(uint8_t(event->text[size_t(at)])); };
            tempi.push_back({event->absoluteTicks, byte(0) << 16 | byte(1) << 8 | byte(2)});
        }
    return tempi;
}

// Seconds from the start to `end` ticks following every tempo change, at 120 ticks per quarter.
double PlayedSeconds(const std::vector<TTempoChange>& tempi, int end)
{
    double seconds = 0;
    for (size_t i = 0; i < tempi.size(); ++i) {
        const int to = i + 1 < tempi.size() ? tempi[i + 1].Tick : end;
        seconds += double(to - tempi[i].Tick) * tempi[i].MicrosecondsPerQuarter / 120.0 / 1e6;
    }
    return seconds;
}

std::vector<int> Members(const TChannelSet& set)
{
    std::vector<int> members;
    for (int channel = 0; channel < TChannelSet::Size; ++channel)
        if (set.Contains(channel))
            members.push_back(channel);
    return members;
}

int LastTick(TMidiFile& song)
{
    int last = 0;
    for (int i = 0; i < song.NumberOfTracks(); ++i)
        last = std::max(last, song.GetTrack(i)->GetLastTime());
    return last;
}

class SongsResourceTest : public ::testing::Test {
protected:
    void Read(const char* name)
    {
        std::istringstream stream(LoadSongResource(QString::fromLatin1(name)));
        Song.ReadResource(stream);
    }
    TMidiFile Song;
};

TEST_F(SongsResourceTest, TwinkleHasItsTracksChannelsAndMelodyChannels)
{
    Read("MIDI_XXX");
    EXPECT_EQ(Song.FileFormat(), TFileFormat::multi_synch);
    EXPECT_EQ(Song.TicksPerQuarter(), 120);
    ASSERT_EQ(Song.NumberOfTracks(), 11);
    EXPECT_EQ(Song.GetTrack(0)->GetName(), "untitled");

    const TRow rows[] = {
        {"@", 0, 80, 108, 74, 83, 61, 84, 100, 64},  {"@", 1, 80, 108, 74, 83, 40, 40, 100, 94},
        {"@", 2, 80, 108, 74, 83, 60, 60, 100, 34},  {"1", 3, 100, 108, 74, 83, 60, 60, 100, 74},
        {"1", 4, 35, 116, 30, 48, 62, 90, 105, 60},  {"6", 5, 0, 414, 31, 69, 52, 70, 105, 104},
        {"6", 6, 0, 414, 31, 69, 52, 70, 105, 24},   {"1", 7, 46, 186, 50, 86, 96, 127, 60, 84},
        {"1", 8, 46, 186, 50, 86, 96, 127, 60, 44},  {"8", 9, 0, 370, 36, 59, 65, 100, 105, 64},
    };
    std::vector<TTrackFacts> facts;
    for (int track = 1; track <= 10; ++track) {
        facts.push_back(Facts(*Song.GetTrack(track)));
        ExpectRow(facts.back(), rows[track - 1], track);
        EXPECT_EQ(facts.back().Modulations, std::vector<int>{0}) << "track " << track;
        EXPECT_EQ(facts.back().Lyrics > 0, track <= 4) << "track " << track;
    }
    EXPECT_EQ(Members(Song.MutedChannels), (std::vector<int>{0, 1, 2}));

    // The four lead tracks play one tune in unison, from the fifth bar on: Twinkle, twinkle,
    // little star, in D major.
    EXPECT_EQ(facts[0].FirstNoteTick, 960);
    for (int lead = 1; lead < 4; ++lead)
        EXPECT_EQ(facts[size_t(lead)].Melody, facts[0].Melody) << "track " << lead + 1;
    const int opening[] = {74, 74, 81, 81, 83, 83, 81, 79, 79, 78, 78, 76, 76, 74};
    for (size_t i = 0; i < std::size(opening); ++i)
        EXPECT_EQ(facts[0].Melody.at(i).second, opening[i]) << "note " << i;
    EXPECT_EQ(facts[0].Lyrics, 108 + 14) << "a syllable per note, and the breaks between the 15 lines";
}

TEST_F(SongsResourceTest, TwinkleSlowsDownAtTheEnd)
{
    Read("MIDI_XXX");
    const std::vector<TTempoChange> tempi = Tempi(*Song.GetTrack(0));
    ASSERT_FALSE(tempi.empty());
    EXPECT_EQ(tempi.front().Tick, 0);
    EXPECT_EQ(tempi.front().MicrosecondsPerQuarter, 500000u);
    ASSERT_EQ(tempi.size(), 81u);
    EXPECT_EQ(tempi[1].Tick, 13740);
    EXPECT_EQ(tempi.back().Tick, 14100);
    EXPECT_EQ(tempi.back().MicrosecondsPerQuarter, 750000u);
    for (size_t i = 1; i < tempi.size(); ++i) {
        SCOPED_TRACE("tempo change " + std::to_string(i));
        EXPECT_NEAR(60e6 / tempi[i].MicrosecondsPerQuarter, 120.0 - 0.5 * double(i), 0.001);
        if (i > 1) {
            EXPECT_GE(tempi[i].Tick - tempi[i - 1].Tick, 2);
            EXPECT_LE(tempi[i].Tick - tempi[i - 1].Tick, 5);
        }
    }
    EXPECT_EQ(LastTick(Song), 14100);
    EXPECT_NEAR(PlayedSeconds(tempi, LastTick(Song)), 59.0, 0.5);
    // After reading, the last tempo is in force, so the length estimate is at 80 bpm.
    EXPECT_EQ(Song.Bpm(), 80);
    EXPECT_EQ(Song.GetSongLength(), 88125);
}

TEST_F(SongsResourceTest, SwallowHasItsConductorTracksAndMelodyChannel)
{
    Read("MIDI_XYZ");
    EXPECT_EQ(Song.FileFormat(), TFileFormat::multi_synch);
    EXPECT_EQ(Song.TicksPerQuarter(), 120);
    ASSERT_EQ(Song.NumberOfTracks(), 8);

    TMidiTrack& conductor = *Song.GetTrack(0);
    EXPECT_EQ(conductor.GetName(), "");
    struct TMeta {
        int Tick;
        uint8_t Status, Type;
        std::string Text;
    };
    const TMeta expected[] = {
        {0, 0xF0, 0, std::string("\x7F\x7F\x0B\x01\x00\x01\x09\x03\x01\x04\x02\x09\x03\x0B\x04\x0D\x05\x10\xF7", 19)},
        {0, 0xFF, 0x58, std::string("\x04\x02\x18\x08", 4)},
        {0, 0xFF, 0x59, std::string("\x00\x00", 2)},
        {0, 0xFF, 0x51, std::string("\x09\x27\xC0", 3)},
        {120, 0xFF, 0x51, std::string("\x09\x27\xC0", 3)},
        {10080, 0xFF, 0x58, std::string("\x02\x02\x18\x08", 4)},
        {10080, 0xFF, 0x59, std::string("\xFF\x00", 2)},
        {10320, 0xFF, 0x58, std::string("\x04\x02\x18\x08", 4)},
        {10320, 0xFF, 0x2F, ""},
    };
    int i = 0;
    for (const TMeta& meta : expected) {
        PMidiEvent event = conductor.GetEvent(i++);
        ASSERT_NE(event, nullptr) << "event " << i;
        EXPECT_EQ(event->absoluteTicks, meta.Tick) << "event " << i;
        EXPECT_EQ(event->status, meta.Status) << "event " << i;
        EXPECT_EQ(event->data1, meta.Type) << "event " << i;
        EXPECT_EQ(event->text, meta.Text) << "event " << i;
    }
    EXPECT_EQ(conductor.GetEvent(i), nullptr);

    const TRow rows[] = {
        {"@", 0, 71, 89, 67, 83, 127, 127, 127, 64}, {"", 1, 33, 25, 26, 38, 96, 96, 110, 64},
        {"", 2, 1, 100, 50, 79, 96, 96, 110, 31},    {"", 3, 71, 89, 67, 83, 97, 97, 70, 64},
        {"", 4, 4, 58, 62, 88, 96, 96, 110, 96},     {"", 5, 49, 40, 55, 67, 63, 63, 70, 64},
        {"", 9, 0, 282, 36, 49, 103, 122, 100, 64},
    };
    std::vector<TTrackFacts> facts;
    for (int track = 1; track <= 7; ++track) {
        facts.push_back(Facts(*Song.GetTrack(track)));
        ExpectRow(facts.back(), rows[track - 1], track);
    }
    EXPECT_EQ(facts[5].Volumes, (std::vector<int>{70, 80, 75})) << "the strings swell and settle";

    EXPECT_EQ(Members(Song.MutedChannels), std::vector<int>{0});

    // The tune, doubled on channel 3, starts at tick 120 and keeps to G A B D E.
    EXPECT_EQ(facts[0].FirstNoteTick, 120);
    EXPECT_EQ(facts[3].Melody, facts[0].Melody);
    for (const auto& [tick, note] : facts[0].Melody)
        EXPECT_TRUE(std::set<int>({7, 9, 11, 2, 4}).count(note % 12)) << "note " << note << " at " << tick;

    EXPECT_EQ(LastTick(Song), 10320);
    EXPECT_EQ(Song.GetSongLength(), 51600);
}

TEST(SongsFiles, EveryListedSongIsAResourceAndOthersAreRefused)
{
    for (std::string_view name : SongResourceNames) {
        const QString resource = QString::fromLatin1(name.data(), qsizetype(name.size()));
        EXPECT_EQ(SongResourcePath(resource), QStringLiteral(":/MIDI/") + resource);
        EXPECT_EQ(LoadSongResource(resource).substr(0, 4), "MThd") << name;
    }
    EXPECT_EQ(SongTransposes, (std::array<int, SongCount>{2, 7}));
    // Before any song is chosen the resource name is empty.
    EXPECT_THROW(LoadSongResource(QString()), std::runtime_error);
    try {
        LoadSongResource(QStringLiteral("MIDI_ABC"));
        FAIL() << "an unknown song must be refused";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("MIDI_ABC"), std::string::npos) << error.what();
    }
}

// Debian's own MIDI library reads both files, and its tempo-map length agrees.
TEST(SongsFiles, DebianMidoReadsThem)
{
    const std::filesystem::path python = "/usr/bin/python3";
    if (!std::filesystem::exists(python) || std::system("/usr/bin/python3 -c 'import mido' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-mido is not installed";
    const std::string songs = std::string(TINKLA_SOURCE_DIR) + "/resources/songs/";
    const struct {
        const char* File;
        double Seconds;
    } expected[] = {{"MIDI_XXX.mid", 59.0}, {"MIDI_XYZ.mid", 51.6}};
    for (const auto& song : expected) {
        const std::string command = "/usr/bin/python3 -c \"import mido,sys; m=mido.MidiFile(sys.argv[1]);"
                                    " sys.exit(0 if m.type == 1 and abs(m.length - " +
                                    std::to_string(song.Seconds) + ") < 0.5 else 1)\" '" + songs + song.File + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
}

} // namespace

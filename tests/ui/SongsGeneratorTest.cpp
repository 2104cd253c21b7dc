#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "midi/MidiFile.h"
#include "tools/songs/SongFile.h"
#include "tools/songs/Songs.h"
#include "ui/SongTables.h"

namespace {

std::string Bytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class SongsGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Unique per process: several builds may run these tests at once.
        Folder = std::filesystem::temp_directory_path() /
                 ("tinkla-songs-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(Folder);
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }

    std::string Generate(const TSongScore& song, const char* name) const
    {
        const std::filesystem::path path = Folder / name;
        WriteSongFile(song, path.string());
        return Bytes(path);
    }

    std::filesystem::path Folder;
};

// The committed songs, and the copies compiled into the program, are exactly what the scores
// produce: rerun song-generator after changing a score.
TEST_F(SongsGeneratorTest, CommittedFilesAreTheScoresOutput)
{
    const std::filesystem::path committed = std::filesystem::path(TINKLA_SOURCE_DIR) / "resources" / "songs";
    const struct {
        TSongScore Song;
        const char* Name;
    } songs[] = {{TwinkleScore(), "MIDI_XXX"}, {SwallowScore(), "MIDI_XYZ"}};
    for (const auto& [song, name] : songs) {
        SCOPED_TRACE(name);
        const std::string generated = Generate(song, name);
        ASSERT_FALSE(generated.empty());
        EXPECT_TRUE(generated == Bytes(committed / (std::string(name) + ".mid")))
            << "resources/songs/" << name << ".mid differs from its score";
        EXPECT_TRUE(generated == LoadSongResource(QString::fromLatin1(name))) << "the compiled-in copy differs";
    }
}

// Every event of the score comes back from the file, in order, with its time and payload
// (lyrics with their line breaks, the system-exclusive message, running-status notes).
TEST_F(SongsGeneratorTest, ScoresSurviveWritingAndReading)
{
    for (const TSongScore& song : {TwinkleScore(), SwallowScore()}) {
        const std::string bytes = Generate(song, "song.mid");
        TMidiFile file;
        file.ReadResource(bytes.data(), bytes.size());
        ASSERT_EQ(file.NumberOfTracks(), int32_t(song.Tracks.size()));
        EXPECT_EQ(file.TicksPerQuarter(), song.TicksPerQuarter);
        for (size_t t = 0; t < song.Tracks.size(); ++t) {
            const TMidiTrack& track = *file.GetTrack(int32_t(t));
            const std::vector<TMidiEvent>& events = song.Tracks[t];
            ASSERT_EQ(track.EventCount(), int32_t(events.size())) << "track " << t;
            for (size_t i = 0; i < events.size(); ++i) {
                const PMidiEvent read = track.GetEvent(int32_t(i));
                SCOPED_TRACE("track " + std::to_string(t) + " event " + std::to_string(i));
                EXPECT_EQ(read->status, events[i].status);
                EXPECT_EQ(read->data1, events[i].data1);
                EXPECT_EQ(read->data2, events[i].data2);
                EXPECT_EQ(read->text, events[i].text);
                EXPECT_EQ(read->absoluteTicks, events[i].absoluteTicks);
            }
        }
    }
}

TEST_F(SongsGeneratorTest, UnwritablePathIsReported)
{
    EXPECT_THROW(WriteSongFile(TwinkleScore(), (Folder / "missing" / "song.mid").string()), EMidiFileError);
}

} // namespace

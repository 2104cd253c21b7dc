// Third-party Standard MIDI Files: every one reads without crashing, the well-formed ones give
// the tracks and events their manifest counts, and whatever reads writes back to the same events.
#include "midi/MidiFile.h"
#include "tests/midi/MidiFileTestBytes.h"
#include "tests/support/WrittenEvents.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

const std::filesystem::path CorpusDir = std::filesystem::path(TINKLA_SHARED_DIR) / "midi-corpus";

struct TCorpusFile {
    std::string Path; // relative to the corpus folder
    int Tracks = 0;   // header's count
    int Chunks = 0;   // MTrk chunks present
    int Events = 0;
    std::set<std::string> Flags;
};

std::vector<TCorpusFile> Manifest()
{
    std::vector<TCorpusFile> files;
    std::ifstream in(CorpusDir / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        for (std::string cell; std::getline(row, cell, '\t');)
            cells.push_back(cell);
        if (cells.size() < 8)
            continue;
        TCorpusFile file;
        file.Path = cells[0];
        file.Tracks = std::atoi(cells[4].c_str());
        file.Chunks = std::atoi(cells[5].c_str());
        file.Events = std::atoi(cells[7].c_str());
        if (cells.size() > 10) {
            std::stringstream flags(cells[10]);
            for (std::string flag; std::getline(flags, flag, ',');)
                file.Flags.insert(flag);
        }
        files.push_back(file);
    }
    return files;
}

// Flags of files that are well formed, only unusual.
bool WellFormed(const TCorpusFile& file)
{
    static const std::set<std::string> benign = {"running-status", "one-channel-per-track", "noteon-vel0",
                                                 "sysex", "seq-specific-meta", "port-meta-21", "lyrics",
                                                 "SMPTE-offset-meta", "channel-prefix-meta"};
    for (const auto& flag : file.Flags)
        if (!benign.count(flag))
            return false;
    return file.Tracks == file.Chunks;
}

} // namespace

TEST(MidiFileCorpus, EveryFileReadsAndWellFormedOnesMatchTheManifest)
{
    if (!std::filesystem::exists(CorpusDir / "MANIFEST.tsv"))
        GTEST_SKIP() << "no third-party MIDI corpus at " << CorpusDir << " (the shared folder is absent)";
    TTempDir dir;
    int checked = 0, failedReads = 0, roundTrips = 0;
    for (const TCorpusFile& file : Manifest()) {
        SCOPED_TRACE(file.Path);
        const std::string path = (CorpusDir / file.Path).string();
        TMidiFile song;
        song.Clear();
        song.SetFilename(path);
        bool read = true;
        try {
            song.ReadFile();
        } catch (const EMidiFileError&) {
            read = false;
            ++failedReads;
        }

        // The resource path reads the same bytes without the file path's end-of-file checks.
        const std::string bytes = ReadBytes(path);
        TMidiFile resource;
        try {
            resource.ReadResource(bytes.data(), bytes.size());
        } catch (const EMidiFileError&) {
            EXPECT_FALSE(read) << "only the file path checks lengths, yet the resource path failed";
        }
        if (!read)
            continue;

        int events = 0;
        for (int32_t t = 0; t < song.NumberOfTracks(); ++t)
            events += song.GetTrack(t)->EventCount();
        ASSERT_EQ(song.NumberOfTracks(), resource.NumberOfTracks());
        if (WellFormed(file)) {
            EXPECT_EQ(song.NumberOfTracks(), file.Tracks);
            EXPECT_EQ(events, file.Events);
            ++checked;
        }

        if (song.TrackCount() > 0) {
            const std::string out = dir.File("copy.mid");
            song.WriteFile(out);
            TMidiFile back;
            back.SetFilename(out);
            back.ReadFile();
            EXPECT_EQ(FirstWritingDifference(song, back), "");
            ++roundTrips;
        }
    }
    EXPECT_GE(checked, 150) << "too few well-formed files compared with the manifest";
    EXPECT_GE(failedReads, 5) << "the corpus's broken files should raise end-of-file errors";
    EXPECT_GE(roundTrips, 180);
}

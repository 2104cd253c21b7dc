#include "midi/platform/SoundFontSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class SoundFontSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Folder = std::filesystem::temp_directory_path() / ("tinkla-sf-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Folder / "b");
        for (const char* name : {"b/z.sf2", "b/a.sf3", "a.sf3", "m.sf2", "notes.txt"})
            std::ofstream(Folder / name) << "x";
    }
    void TearDown() override
    {
        std::filesystem::remove_all(Folder);
        unsetenv("TINKLA_SOUNDFONT");
    }
    std::filesystem::path Folder;
};

TEST_F(SoundFontSearchTest, UncompressedFirstThenFolderAndNameOrder)
{
    const auto candidates = SoundFontCandidates("/opt/fluid/default.sf2", {Folder.string(), (Folder / "b").string()});
    const std::vector<std::string> expected = {
        "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/opt/fluid/default.sf2",
        (Folder / "m.sf2").string(), (Folder / "b/z.sf2").string(), (Folder / "a.sf3").string(),
        (Folder / "b/a.sf3").string()};
    EXPECT_EQ(candidates, expected);
}

TEST_F(SoundFontSearchTest, DuplicatesAndMissingFoldersAreDropped)
{
    const auto candidates = SoundFontCandidates("/usr/share/sounds/sf2/FluidR3_GM.sf2", {"/no/such/folder"});
    EXPECT_EQ(candidates, (std::vector<std::string>{"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2"}));
}

TEST_F(SoundFontSearchTest, EnvironmentChoiceMustBeASoundFont)
{
    setenv("TINKLA_SOUNDFONT", (Folder / "m.sf2").c_str(), 1);
    EXPECT_EQ(FindSoundFont(), "") << "a file that is no SoundFont is refused, not replaced";
    unsetenv("TINKLA_SOUNDFONT");
    const std::string found = FindSoundFont();
    if (found.empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed (fluid-soundfont-gm)";
    setenv("TINKLA_SOUNDFONT", found.c_str(), 1);
    EXPECT_EQ(FindSoundFont(), found);
}

} // namespace

#include "ui/Tamber.h"

#include "midi/ChannelSet.h"

#include <set>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(TamberTable, RowsThatAreEasyToGetWrong)
{
    EXPECT_EQ(TamberTable[0].ChineseName, "大钢琴（声学钢琴）");
    EXPECT_EQ(TamberTable[52].ChineseName, "人声合唱“啊”");
    EXPECT_EQ(TamberTable[53].ChineseName, "人声“嘟”");
    EXPECT_EQ(TamberTable[55].ChineseName, "管弦乐敲击齐奏");
    EXPECT_EQ(TamberTable[89].ChineseName, "合成音色2 （温暖）");
    EXPECT_EQ(TamberTable[91].ChineseName, "合成音色4 （合唱）");
    EXPECT_EQ(TamberTable[93].ChineseName, "合成音色6 （金属声）");
    EXPECT_EQ(TamberTable[94].ChineseName, "合成音色7 （光环）");
    EXPECT_EQ(TamberTable[88].ChineseName, "合成音色1（新世纪）");
    const char* const effects[] = {"雨声", "音轨", "水晶", "大气", "明亮", "鬼怪", "回声", "科幻"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(TamberTable[96 + i].ChineseName,
                  "合成效果 " + std::to_string(i + 1) + " " + effects[i]) << 96 + i;
    EXPECT_EQ(TamberTable[113].ChineseName, "[Agogo]");
    EXPECT_EQ(TamberTable[113].EnglishName, "Agogo");
    EXPECT_EQ(TamberTable[33].EnglishName, "Electric Bass(finger)");
    EXPECT_EQ(TamberTable[34].EnglishName, "Electric Bass (pick)");
    EXPECT_EQ(TamberTable[82].EnglishName, "Lead 3 (caliope lead)");
    EXPECT_EQ(TamberTable[21].EnglishName, "Accordian");
    EXPECT_EQ(TamberTable[127].ChineseName, "枪声");
}

TEST(TamberTable, SixteenGroupsOfEight)
{
    const char* const groups[] = {"钢琴", "打击乐", "风琴", "吉他", "贝司", "弦乐",
                                  "合奏/合唱", "铜管", "簧管", "笛", "合成主音", "合成音色",
                                  "合成效果", "民间乐器", "打击乐器", "声音特效"};
    std::set<std::string_view> english;
    for (int p = 0; p < TamberCount; ++p) {
        EXPECT_EQ(TamberTable[p].GroupName, groups[p / TambersPerGroup]) << p;
        EXPECT_FALSE(TamberTable[p].ChineseName.empty()) << p;
        english.insert(TamberTable[p].EnglishName);
    }
    EXPECT_EQ(english.size(), 128u) << "every row is its own instrument";
    EXPECT_NE(TamberTable[8].GroupName, TamberTable[112].GroupName);
}

TEST(InstrumentLine, ListsTheChannelsThenTheName)
{
    EXPECT_EQ(InstrumentLine(TChannelSet{0}, 0), QStringLiteral("ch:0  键盘音色：大钢琴（声学钢琴）"));
    EXPECT_EQ(InstrumentLine(TChannelSet{5, 3}, 1), QStringLiteral("ch:3 5  键盘音色：明亮的钢琴"));
    EXPECT_EQ(InstrumentLine(TChannelSet{}, 113), QStringLiteral("ch: 键盘音色：[Agogo]"));
    TChannelSet all;
    for (int c = 0; c < 16; ++c)
        all.Add(c);
    EXPECT_EQ(InstrumentLine(all, 52),
              QStringLiteral("ch:0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15  键盘音色：人声合唱“啊”"));
    EXPECT_EQ(InstrumentLine(TChannelSet{9, 16, 200}, 127), QStringLiteral("ch:9  键盘音色：枪声"))
        << "only channels 0..15 are shown";
}

TEST(InstrumentLine, RejectsProgramsOutsideTheCatalogue)
{
    EXPECT_THROW(InstrumentLine(TChannelSet{0}, 128), std::out_of_range);
    EXPECT_THROW(InstrumentLine(TChannelSet{0}, -1), std::out_of_range);
}

} // namespace

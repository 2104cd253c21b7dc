// The handlers behind the popup menu, as the window wires them: instrument choice through a
// recording output, the Z key, and the transposition text.
#include "ui/BoardMenu.h"
#include "ui/InstrumentSelector.h"
#include "ui/OffsetLabel.h"

#include <stdexcept>
#include <vector>

#include <QAction>
#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

#include "midi/MidiOut.h"
#include "tests/support/FakeMidiOutDriver.h"
#include "tests/support/QueueNotifyPoster.h"
#include "tests/ui/LedQtApp.h"
#include "ui/ULedFrame.h"

namespace {

std::bitset<256> Channels(std::initializer_list<int> list)
{
    std::bitset<256> set;
    for (int c : list)
        set.set(c);
    return set;
}

uint32_t ProgramChange(int channel, int program) { return PackShortMessage(uint8_t(0xC0 + channel), uint8_t(program), 225); }

struct TSelectTest : ::testing::Test {
    TFakeMidiOutDriver Driver{{"Synth"}};
    TQueueNotifyPoster Poster;
    TMidiOutput Output{Driver, Poster};
    TFrameLed Led;
    TInstrumentSelector Selector{Output, Led};

    void SetUp() override
    {
        Output.SetTrace(nullptr);
        ASSERT_TRUE(Output.Open());
    }
    QString Line() const { return Led.lblTamber->text(); }
};

TEST_F(TSelectTest, ChoosingAnInstrumentSendsItOnEachKeyChannel)
{
    Selector.SelectInstrument(1, Channels({0}));
    EXPECT_EQ(Driver.Shorts(), std::vector<uint32_t>{ProgramChange(0, 1)});
    EXPECT_EQ(Line(), QStringLiteral("ch:0  键盘音色：明亮的钢琴"));
    EXPECT_EQ(Selector.CurrentProgram(), 1);

    Driver.ClearRecords();
    Selector.SelectInstrument(1, Channels({5, 3}));
    EXPECT_EQ(Driver.Shorts(), (std::vector<uint32_t>{ProgramChange(3, 1), ProgramChange(5, 1)}));
    EXPECT_TRUE(Line().startsWith(QStringLiteral("ch:3 5  键盘音色：")));

    Driver.ClearRecords();
    Selector.SelectInstrument(113, Channels({}));
    EXPECT_TRUE(Driver.Shorts().empty());
    EXPECT_EQ(Line(), QStringLiteral("ch: 键盘音色：[Agogo]"));
    EXPECT_EQ(Selector.CurrentProgram(), 113);
}

TEST_F(TSelectTest, AllSixteenChannelsAscendingAndNoneBeyond)
{
    std::bitset<256> channels = Channels({16, 40, 255});
    for (int c = 15; c >= 0; --c)
        channels.set(c);
    Selector.SelectInstrument(127, channels);
    std::vector<uint32_t> expected;
    for (int c = 0; c < 16; ++c)
        expected.push_back(ProgramChange(c, 127));
    EXPECT_EQ(Driver.Shorts(), expected);
}

TEST_F(TSelectTest, TheRecorderSeesTheThirdByte)
{
    std::vector<TMidiEvent> seen;
    Output.OnMidiShortOutput = [&seen](PMidiEvent event) { seen.push_back(*event); };
    Selector.SelectInstrument(52, Channels({9}));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].status, 0xC9);
    EXPECT_EQ(seen[0].data1, 52);
    EXPECT_EQ(seen[0].data2, 225);
    EXPECT_EQ(Line(), QStringLiteral("ch:9  键盘音色：人声合唱“啊”")) << "the line shows the catalogue's text";
}

TEST_F(TSelectTest, AProgramOutsideTheCatalogueSendsNothing)
{
    Selector.SelectInstrument(7, Channels({0}));
    Driver.ClearRecords();
    EXPECT_THROW(Selector.SelectInstrument(128, Channels({0})), std::out_of_range);
    EXPECT_THROW(Selector.SelectInstrument(-1, Channels({0})), std::out_of_range);
    EXPECT_TRUE(Driver.Shorts().empty());
    EXPECT_EQ(Selector.CurrentProgram(), 7);
    EXPECT_EQ(Line(), QStringLiteral("ch:0  键盘音色：科拉维科特琴（击弦古钢琴）"));
}

TEST_F(TSelectTest, TheZKeyReappliesTheInstrumentOnTodaysChannels)
{
    Selector.SelectInstrument(40, Channels({0}));
    Driver.ClearRecords();
    // The channels changed meanwhile: nothing is re-sent until the key goes down.
    EXPECT_FALSE(Selector.KeyDown(30, Channels({2, 9})));
    EXPECT_TRUE(Driver.Shorts().empty());
    EXPECT_EQ(Line(), QStringLiteral("ch:0  键盘音色：小提琴"));

    for (int repeat = 0; repeat < 3; ++repeat)
        EXPECT_TRUE(Selector.KeyDown(TInstrumentSelector::RefreshKeyCode, Channels({2, 9})));
    std::vector<uint32_t> expected;
    for (int repeat = 0; repeat < 3; ++repeat) {
        expected.push_back(ProgramChange(2, 40));
        expected.push_back(ProgramChange(9, 40));
    }
    EXPECT_EQ(Driver.Shorts(), expected);
    EXPECT_EQ(Line(), QStringLiteral("ch:2 9  键盘音色：小提琴"));
}

TEST_F(TSelectTest, StartUpClicksTheDefaultItem)
{
    TBoardMenu menu;
    std::bitset<256> keyChannels = Channels({0});
    QObject::connect(&menu, &TBoardMenu::InstrumentClicked,
                     [&](int program) { Selector.SelectInstrument(program, keyChannels); });
    menu.NSelectDefault->trigger();
    EXPECT_EQ(Driver.Shorts(), std::vector<uint32_t>{0xE100C0u});
    EXPECT_EQ(Line(), QStringLiteral("ch:0  键盘音色：大钢琴（声学钢琴）"));
}

TEST(OffsetLabel, ShowsTheTranspositionWhileItIsNotZero)
{
    QWidget window;
    QLabel* label = CreateOffsetLabel(&window);
    EXPECT_EQ(label->parent(), &window);
    EXPECT_EQ(label->pos(), QPoint(628, 200));
    EXPECT_FALSE(label->isVisibleTo(&window)) << "hidden at start";
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->font().pixelSize(), 13);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 128, 0));

    ShowOffset(*label, 3);
    EXPECT_EQ(label->text(), QStringLiteral("当前移调：3"));
    EXPECT_TRUE(label->isVisibleTo(&window));
    ShowOffset(*label, 7);
    EXPECT_EQ(label->text(), QStringLiteral("当前移调：7"));
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    ShowOffset(*label, 0);
    EXPECT_FALSE(label->isVisibleTo(&window));
}

} // namespace

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
#include "midi/ChannelSet.h"
#include "tests/support/QueueNotifyPoster.h"
#include "tests/ui/LedQtApp.h"
#include "ui/ULedFrame.h"

namespace {

uint32_t ProgramChange(int channel, int program) { return PackShortMessage(uint8_t(0xC0 + channel), uint8_t(program), 225); }

struct TSelectTest : ::testing::Test {
    TFakeMidiOutDriver Driver{{"Synth"}};
    TQueueNotifyPoster Poster;
    TMidiOutput Output{Driver, Poster};
    TFrameLed Led;
    int32_t CurrentProgram = 0;
    TChannelSet KeyChannels = TChannelSet{0};
    TInstrumentSelector Selector{Output, Led, CurrentProgram, KeyChannels};

    void Select(int program, std::initializer_list<int> channels)
    {
        KeyChannels = channels;
        Selector.SelectInstrument(program);
    }

    void SetUp() override
    {
        Output.SetTrace(nullptr);
        ASSERT_TRUE(Output.Open());
    }
    QString Line() const { return Led.lblTamber->text(); }
};

TEST_F(TSelectTest, ChoosingAnInstrumentSendsItOnEachKeyChannel)
{
    Select(1, {0});
    EXPECT_EQ(Driver.Shorts(), std::vector<uint32_t>{ProgramChange(0, 1)});
    EXPECT_EQ(Line(), QStringLiteral("ch:0  键盘音色：明亮的钢琴"));
    EXPECT_EQ(CurrentProgram, 1);

    Driver.ClearRecords();
    Select(1, {5, 3});
    EXPECT_EQ(Driver.Shorts(), (std::vector<uint32_t>{ProgramChange(3, 1), ProgramChange(5, 1)}));
    EXPECT_TRUE(Line().startsWith(QStringLiteral("ch:3 5  键盘音色：")));

    Driver.ClearRecords();
    Select(113, {});
    EXPECT_TRUE(Driver.Shorts().empty());
    EXPECT_EQ(Line(), QStringLiteral("ch: 键盘音色：[Agogo]"));
    EXPECT_EQ(CurrentProgram, 113);
}

TEST_F(TSelectTest, AllSixteenChannelsAscendingAndNoneBeyond)
{
    KeyChannels = TChannelSet{16, 40, 255};
    for (int c = 15; c >= 0; --c)
        KeyChannels.Add(c);
    Selector.SelectInstrument(127);
    std::vector<uint32_t> expected;
    for (int c = 0; c < 16; ++c)
        expected.push_back(ProgramChange(c, 127));
    EXPECT_EQ(Driver.Shorts(), expected);
}

TEST_F(TSelectTest, TheRecorderSeesTheThirdByte)
{
    std::vector<TMidiEvent> seen;
    Output.OnMidiShortOutput = [&seen](PMidiEvent event) { seen.push_back(*event); };
    Select(52, {9});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].status, 0xC9);
    EXPECT_EQ(seen[0].data1, 52);
    EXPECT_EQ(seen[0].data2, 225);
    EXPECT_EQ(Line(), QStringLiteral("ch:9  键盘音色：人声合唱“啊”")) << "the line shows the catalogue's text";
}

TEST_F(TSelectTest, AProgramOutsideTheCatalogueSendsNothing)
{
    Select(7, {0});
    Driver.ClearRecords();
    EXPECT_THROW(Selector.SelectInstrument(128), std::out_of_range);
    EXPECT_THROW(Selector.SelectInstrument(-1), std::out_of_range);
    EXPECT_TRUE(Driver.Shorts().empty());
    EXPECT_EQ(CurrentProgram, 7);
    EXPECT_EQ(Line(), QStringLiteral("ch:0  键盘音色：科拉维科特琴（击弦古钢琴）"));
}

TEST_F(TSelectTest, TheZKeyReappliesTheInstrumentOnTodaysChannels)
{
    Select(40, {0});
    Driver.ClearRecords();
    // The channels changed meanwhile: nothing is re-sent until the key goes down.
    KeyChannels = TChannelSet{2, 9};
    EXPECT_FALSE(Selector.KeyDown(30));
    EXPECT_TRUE(Driver.Shorts().empty());
    EXPECT_EQ(Line(), QStringLiteral("ch:0  键盘音色：小提琴"));

    for (int repeat = 0; repeat < 3; ++repeat)
        EXPECT_TRUE(Selector.KeyDown(TInstrumentSelector::RefreshKeyCode));
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
    CurrentProgram = 99;
    QObject::connect(&menu, &TBoardMenu::InstrumentClicked, &menu,
                     [this](int program) { Selector.SelectInstrument(program); });
    menu.NSelectDefault->trigger();
    EXPECT_EQ(Driver.Shorts(), std::vector<uint32_t>{0xE100C0u});
    EXPECT_EQ(Line(), QStringLiteral("ch:0  键盘音色：大钢琴（声学钢琴）"));
    EXPECT_EQ(CurrentProgram, 0);
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

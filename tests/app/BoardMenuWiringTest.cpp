// The window's popup menu, instrument choice, Z key refresh and transposition, driven as a
// child would: menu items, key presses and a right click.
#include "tests/app/BoardFixture.h"

#include "ui/BoardMenu.h"
#include "ui/ULedFrame.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

namespace {

using Messages = std::vector<TMessage>;

QString InstrumentLine(const TFBoard& board) { return board.FrameLed->lblTamber->text(); }

TEST_F(TBoardTest, DefaultInstrumentAndItsLineAtStartup)
{
    Start();
    EXPECT_EQ(SentAtStartup(), (Messages{{0xC0, 0, 225}}));
    EXPECT_EQ(InstrumentLine(*Board), QStringLiteral("ch:0  键盘音色：大钢琴（声学钢琴）"));
}

TEST_F(TBoardTest, InstrumentItemsSendOnEveryKeyChannelAndZReappliesThem)
{
    Start();
    ItemWithTag(Board->Menu->NSelect, 1)->trigger();
    EXPECT_EQ(Sent(), (Messages{{0xC0, 1, 225}}));
    EXPECT_EQ(Board->CurrentProgram, 1);
    EXPECT_EQ(InstrumentLine(*Board), QStringLiteral("ch:0  键盘音色：明亮的钢琴"));

    // After the channels change, Z sends the same program on the new channels, repeats included.
    Board->KeyChannels = {3, 5};
    Press(Xkb::Z);
    Key(QEvent::KeyPress, Xkb::Z, true);
    Release(Xkb::Z);
    EXPECT_EQ(Sent(), (Messages{{0xC0, 1, 225}, {0xC3, 1, 225}, {0xC5, 1, 225}, {0xC3, 1, 225}, {0xC5, 1, 225}}));
    EXPECT_EQ(InstrumentLine(*Board), QStringLiteral("ch:3 5  键盘音色：明亮的钢琴"));
}

TEST_F(TBoardTest, TranspositionItemsShiftTheKeysAndShowTheShift)
{
    Start();
    ItemWithTag(Board->Menu->nOffset, 3)->trigger();
    EXPECT_EQ(Board->Transpose, 3);
    EXPECT_TRUE(Board->lblOffset->isVisibleTo(Board.get()));
    EXPECT_EQ(Board->lblOffset->text(), QStringLiteral("当前移调：3"));
    MouseDown(On(60));
    // A key held across a change gets its note-off at the new shift.
    ItemWithTag(Board->Menu->nOffset, 0)->trigger();
    MouseUp(On(60));
    EXPECT_FALSE(Board->lblOffset->isVisibleTo(Board.get()));
    ItemWithTag(Board->Menu->nOffset, 7)->trigger();
    MouseDown(On(95));
    MouseUp(On(95));
    EXPECT_EQ(Sent(), (Messages{{0x90, 63, 127}, {0x80, 60, 127}, {0x90, 102, 127}, {0x80, 102, 127}}));
}

TEST_F(TBoardTest, RightClickOpensTheMenuAndExitClosesTheWindow)
{
    Start();
    Board->show();
    const QPoint at(400, 100);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, Board->mapToGlobal(at));
    QApplication::sendEvent(Board.get(), &click);
    QMenu* menu = Board->Menu->PopupMenu1();
    EXPECT_TRUE(menu->isVisible());
    // Its right edge is at the point clicked.
    EXPECT_EQ(menu->geometry().right() + 1, Board->mapToGlobal(at).x());
    menu->hide();

    Board->Menu->NExit->trigger();
    EXPECT_FALSE(Board->isVisible());
}

TEST_F(TBoardTest, InstrumentChoiceOnAFailingDeviceIsToldOnce)
{
    Start();
    Driver.RefuseSends(5);
    ItemWithTag(Board->Menu->NSelect, 8)->trigger();
    ItemWithTag(Board->Menu->NSelect, 9)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Board->CurrentProgram, 9);
}

} // namespace

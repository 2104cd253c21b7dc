// Playing the window with synthesised key and mouse events against a recording output.
#include "tests/app/BoardFixture.h"

#include <QDialog>

namespace {

using Messages = std::vector<TMessage>;

TEST_F(TBoardTest, HeldKeySoundsOnceAcrossRepeatsAndStopsOnRelease)
{
    Start();
    Press(Xkb::A);
    EXPECT_TRUE(Board->Keys[48].Pressed);
    EXPECT_TRUE(ShownPressed(48));
    // X11 delivers each repeat as a release/press pair, both marked as repeats.
    for (int i = 0; i < 3; ++i) {
        Key(QEvent::KeyRelease, Xkb::A, true);
        Key(QEvent::KeyPress, Xkb::A, true);
    }
    EXPECT_EQ(Sent(), (Messages{{0x90, 48, 127}}));
    EXPECT_TRUE(Board->Keys[48].Pressed);
    Release(Xkb::A);
    EXPECT_EQ(Sent(), (Messages{{0x90, 48, 127}, {0x80, 48, 127}}));
    EXPECT_FALSE(Board->Keys[48].Pressed);
    EXPECT_FALSE(ShownPressed(48));
}

TEST_F(TBoardTest, TwoComputerKeysOnOneNote)
{
    Start();
    Press(Xkb::K);
    Press(Xkb::Q);
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 127}}));
    Release(Xkb::Q);
    EXPECT_FALSE(ShownPressed(60));
    EXPECT_FALSE(Board->Keys[60].Pressed);
    // The second key-up still sends its note-off.
    Release(Xkb::K);
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 127}, {0x80, 60, 127}, {0x80, 60, 127}}));
}

TEST_F(TBoardTest, ExtendedKeysAndUnmappedKeys)
{
    Start();
    Press(Xkb::Left);
    Release(Xkb::Left);
    // Z plays no note: it re-applies the instrument instead.
    Press(Xkb::Z);
    Release(Xkb::Z);
    EXPECT_EQ(Sent(), (Messages{{0x90, 48, 127}, {0x80, 48, 127}, {0xC0, 0, 225}}));
}

TEST_F(TBoardTest, TranspositionShiftsOnlyWhatIsSent)
{
    Start();
    Board->Transpose = 7;
    MouseDown(On(95));
    EXPECT_EQ(Board->MouseNote, 95);
    EXPECT_TRUE(ShownPressed(95));
    MouseUp(On(95));
    MouseDown(On(36));
    EXPECT_TRUE(Board->Keys[36].Pressed);
    MouseUp(On(36));
    EXPECT_EQ(Sent(), (Messages{{0x90, 102, 127}, {0x80, 102, 127}, {0x90, 43, 127}, {0x80, 43, 127}}));
}

TEST_F(TBoardTest, EveryKeyChannelInAscendingOrder)
{
    Start();
    Board->KeyChannels = {9, 0};
    Press(Xkb::A);
    Release(Xkb::A);
    EXPECT_EQ(Sent(), (Messages{{0x90, 48, 127}, {0x99, 48, 127}, {0x80, 48, 127}, {0x89, 48, 127}}));
    // Only note messages are transposed.
    Board->Transpose = 3;
    Board->SendToKeyChannels(0xC0, 5, 0);
    EXPECT_EQ(Sent().back(), (TMessage{0xC9, 5, 0}));
}

TEST_F(TBoardTest, NoKeyChannelsStillDrawsTheKeys)
{
    Start();
    Board->KeyChannels.Clear();
    Press(Xkb::A);
    EXPECT_TRUE(ShownPressed(48));
    MouseDown(On(61));
    EXPECT_TRUE(ShownPressed(61));
    MouseUp(On(61));
    Release(Xkb::A);
    EXPECT_FALSE(ShownPressed(48));
    EXPECT_FALSE(ShownPressed(61));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(TBoardTest, SlidingAcrossKeysAndOffTheKeyboard)
{
    Start();
    MouseDown(On(60));
    MouseDrag(On(60) + QPoint(3, 0)); // still the same key: nothing
    MouseDrag(On(62));
    EXPECT_EQ(Board->MouseNote, 62);
    EXPECT_FALSE(ShownPressed(60));
    EXPECT_TRUE(ShownPressed(62));
    MouseDrag({400, 100}); // off the keys, button still held
    EXPECT_EQ(Board->MouseNote, 0);
    MouseUp({900, 500});    // released anywhere: nothing left to end
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 127}, {0x80, 60, 127}, {0x90, 62, 127}, {0x80, 62, 127}}));
}

TEST_F(TBoardTest, MovingWithoutTheButtonPlaysNothing)
{
    Start();
    Mouse(QEvent::MouseMove, On(60), Qt::NoButton, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, On(60), Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Board->MouseNote, 0);
}

TEST_F(TBoardTest, SlidingOntoAKeyAComputerKeyHolds)
{
    Start();
    Press(Xkb::K); // 60
    MouseDown(On(62));
    MouseDrag(On(60));
    EXPECT_EQ(Board->MouseNote, 0);
    EXPECT_TRUE(Board->Keys[60].Pressed);
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 127}, {0x90, 62, 127}, {0x80, 62, 127}}));
}

TEST_F(TBoardTest, MousePressOnAKeyAComputerKeyHolds)
{
    Start();
    Press(Xkb::K);
    MouseDown(On(60));
    MouseUp(On(60));
    EXPECT_FALSE(ShownPressed(60));
    EXPECT_FALSE(Board->Keys[60].Pressed);
    Release(Xkb::K);
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 127}, {0x90, 60, 127}, {0x80, 60, 127}, {0x80, 60, 127}}));
}

TEST_F(TBoardTest, DoubleClickSoundsTwice)
{
    Start();
    MouseDown(On(64));
    MouseUp(On(64));
    MouseDouble(On(64));
    MouseUp(On(64));
    EXPECT_EQ(Sent(), (Messages{{0x90, 64, 127}, {0x80, 64, 127}, {0x90, 64, 127}, {0x80, 64, 127}}));
}

TEST_F(TBoardTest, BlackKeysWinTheirOverlaps)
{
    Start();
    MouseDown({30, 230});
    MouseUp({30, 230});
    MouseDown({36, 300});
    MouseUp({36, 300});
    EXPECT_EQ(Sent(), (Messages{{0x90, 37, 127}, {0x80, 37, 127}, {0x90, 38, 127}, {0x80, 38, 127}}));
}

TEST_F(TBoardTest, EventsForOtherWindowsPlayNothing)
{
    Start();
    QDialog dialog(Board.get());
    Key(QEvent::KeyPress, Xkb::A, false, &dialog);
    Key(QEvent::KeyRelease, Xkb::A, false, &dialog);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(On(60)), QPointF(On(60)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&dialog, &press);
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(Board->Keys[48].Pressed);
}

TEST_F(TBoardTest, AfterCloseTheKeysAreNoLongerCaught)
{
    Start();
    Board->close();
    Press(Xkb::A);
    EXPECT_TRUE(Sent().empty());
}

} // namespace

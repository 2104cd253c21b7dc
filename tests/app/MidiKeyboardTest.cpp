// Playing from a MIDI keyboard: a fake input thread hands the window's MIDI keyboard what a
// real input would, and the test checks what reaches the output device and the screen keys.
#include "tests/app/BoardFixture.h"

#include "ui/ULedFrame.h"

namespace {

using Messages = std::vector<TMessage>;

using TMidiKeyboardTest = TBoardTest;

TEST_F(TMidiKeyboardTest, NotesSoundOnEveryKeyChannelWithThePlayersVelocityAndDrawOnTheWindowThread)
{
    Start();
    Board->KeyChannels = {0, 9};
    PlayFromInput({{0x93, 60, 100}});
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 100}, {0x99, 60, 100}}));
    // Sent without waiting for the window thread, which draws afterwards.
    EXPECT_FALSE(Board->Keys[60].Pressed);
    QApplication::processEvents();
    EXPECT_TRUE(Board->Keys[60].Pressed);
    EXPECT_TRUE(ShownPressed(60));

    // A note-on of velocity 0 ends the note; a note-off keeps its release velocity.
    PlayFromInput({{0x93, 60, 0}, {0x9F, 64, 90}, {0x8F, 64, 30}});
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 100}, {0x99, 60, 100}, {0x80, 60, 64}, {0x89, 60, 64},
                                {0x90, 64, 90}, {0x99, 64, 90}, {0x80, 64, 30}, {0x89, 64, 30}}));
    QApplication::processEvents();
    EXPECT_FALSE(Board->Keys[60].Pressed);
    EXPECT_FALSE(ShownPressed(60));
    EXPECT_FALSE(Board->Keys[64].Pressed);
}

TEST_F(TMidiKeyboardTest, TranspositionShiftsOnlyTheSentNoteAndNotesOffTheKeysStillSound)
{
    Start();
    ItemWithTag(Board->Menu->nOffset, 3)->trigger();
    // 100 and 20 lie outside the drawn keys; 60 is drawn unshifted.
    PlayFromInput({{0x90, 60, 80}, {0x90, 100, 70}, {0x90, 20, 70}});
    EXPECT_EQ(Sent(), (Messages{{0x90, 63, 80}, {0x90, 103, 70}, {0x90, 23, 70}}));
    QApplication::processEvents();
    EXPECT_TRUE(ShownPressed(60));
    EXPECT_FALSE(ShownPressed(63));
    EXPECT_FALSE(Board->Keys[100].Pressed);
    EXPECT_FALSE(Board->Keys[20].Pressed);

    // A shift past 127 would be no MIDI note at all: such a note is not sent.
    ItemWithTag(Board->Menu->nOffset, 7)->trigger();
    PlayFromInput({{0x90, 125, 70}, {0x80, 125, 70}, {0x90, 120, 70}});
    EXPECT_EQ(Sent().back(), (TMessage{0x90, 127, 70}));
    EXPECT_EQ(Sent().size(), 4u);
}

TEST_F(TMidiKeyboardTest, PedalModulationAndBendReachEveryKeyChannelAndOtherMessagesAreIgnored)
{
    Start();
    Board->KeyChannels = {0, 9};
    PlayFromInput({{0xB5, 64, 127}, {0xB5, 1, 50}, {0xE5, 0, 80}, {0xB5, 7, 100}, {0xA5, 60, 10}, {0xD5, 30, 0}});
    EXPECT_EQ(Sent(), (Messages{{0xB0, 64, 127}, {0xB9, 64, 127}, {0xB0, 1, 50}, {0xB9, 1, 50},
                                {0xE0, 0, 80}, {0xE9, 0, 80}}));
}

TEST_F(TMidiKeyboardTest, ProgramChangeChoosesTheInstrumentAsTheMenuDoes)
{
    Start();
    Board->KeyChannels = {0, 9};
    PlayFromInput({{0xC4, 1, 0}});
    // The LED panel belongs to the window thread: the choice waits for it.
    EXPECT_TRUE(Sent().empty());
    QApplication::processEvents();
    EXPECT_EQ(Sent(), (Messages{{0xC0, 1, 225}, {0xC9, 1, 225}}));
    EXPECT_EQ(Board->CurrentProgram, 1);
    EXPECT_EQ(Board->FrameLed->lblTamber->text(), QStringLiteral("ch:0 9  键盘音色：明亮的钢琴"));
}

TEST_F(TMidiKeyboardTest, DeviceErrorOnTheInputThreadIsToldOnTheWindowThread)
{
    Start();
    Driver.SetErrorText(MidiOutErrNoMemory, "Out of memory.");
    Driver.RefuseSends(MidiOutErrNoMemory);
    PlayFromInput({{0x90, 60, 100}});
    QApplication::processEvents();
    QApplication::processEvents();
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("Out of memory.")));
    // The failed note is not drawn as sounding.
    EXPECT_FALSE(Board->Keys[60].Pressed);
    Driver.RefuseSends(0);
    PlayFromInput({{0x90, 60, 100}});
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 100}}));
}

} // namespace

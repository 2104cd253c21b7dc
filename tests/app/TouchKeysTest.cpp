// Fingers on a touch screen, as Qt delivers them offscreen from a test touch device.
#include "tests/app/BoardFixture.h"

#include <QPointingDevice>
#include <QTest>

namespace {

using Messages = std::vector<TMessage>;

class TTouchKeysTest : public TBoardTest {
protected:
    // The test's own device: Qt leaves deleting it to the test.
    std::unique_ptr<QPointingDevice> Device{QTest::createTouchDevice()};
    QPointingDevice* Screen = Device.get();

    void StartShown()
    {
        Start();
        Board->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Board.get()));
    }
};

TEST_F(TTouchKeysTest, TwoFingersSoundAChordAndEachLiftReleasesItsOwnNote)
{
    StartShown();
    QTest::touchEvent(Board.get(), Screen).press(0, On(60), Board.get());
    QTest::touchEvent(Board.get(), Screen).stationary(0).press(1, On(64), Board.get());
    EXPECT_TRUE(ShownPressed(60));
    EXPECT_TRUE(ShownPressed(64));
    QTest::touchEvent(Board.get(), Screen).release(0, On(60), Board.get()).stationary(1);
    EXPECT_FALSE(Board->Keys[60].Pressed);
    EXPECT_TRUE(Board->Keys[64].Pressed);
    QTest::touchEvent(Board.get(), Screen).release(1, On(64), Board.get());
    EXPECT_FALSE(ShownPressed(64));
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 127}, {0x90, 64, 127}, {0x80, 60, 127}, {0x80, 64, 127}}));
}

TEST_F(TTouchKeysTest, SlidingAFingerMovesTheNoteAndTheSystemsMouseCopiesPlayNothing)
{
    StartShown();
    QTest::touchEvent(Board.get(), Screen).press(0, On(60), Board.get());
    QTest::touchEvent(Board.get(), Screen).move(0, On(62), Board.get());
    // The mouse events a system makes of the same finger.
    for (const auto& [type, button, held] : {std::tuple{QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton},
                                             std::tuple{QEvent::MouseMove, Qt::NoButton, Qt::LeftButton},
                                             std::tuple{QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton}}) {
        const QPoint at = On(67);
        QMouseEvent copy(type, QPointF(at), QPointF(Board->mapToGlobal(at)), button, Qt::MouseButtons(held),
                         Qt::NoModifier, Screen);
        QApplication::sendEvent(Board.get(), &copy);
    }
    EXPECT_FALSE(Board->Keys[60].Pressed);
    EXPECT_TRUE(ShownPressed(62));
    EXPECT_FALSE(Board->Keys[67].Pressed);
    QTest::touchEvent(Board.get(), Screen).release(0, On(62), Board.get());
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 127}, {0x80, 60, 127}, {0x90, 62, 127}, {0x80, 62, 127}}));
}

TEST_F(TTouchKeysTest, TouchesOutsideTheKeysNeitherPlayNorDragTheWindow)
{
    StartShown();
    const QPoint place = Board->pos();
    const QPoint background(100, 100);
    QTest::touchEvent(Board.get(), Screen).press(0, background, Board.get());
    QTest::touchEvent(Board.get(), Screen).move(0, background + QPoint(40, 30), Board.get());
    QTest::touchEvent(Board.get(), Screen).release(0, background + QPoint(40, 30), Board.get());
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(Board->pos(), place);
    EXPECT_FALSE(Board->Dragging);
}

} // namespace

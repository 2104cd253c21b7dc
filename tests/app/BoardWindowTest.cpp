// The window's start-up, its failure reports, dragging and the close button.
#include "tests/app/BoardFixture.h"

#include "app/TransportButtons.h"
#include "ui/ULedFrame.h"

#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QTemporaryDir>

namespace {

using Messages = std::vector<TMessage>;

TEST_F(TBoardTest, StartsWithTheLayoutAndDeviceZeroOpen)
{
    Start();
    EXPECT_EQ(Board->size(), QSize(765, 341));
    EXPECT_TRUE(Board->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(Board->MidiOutput1->IsOpen());
    EXPECT_EQ(Board->MidiOutput1->ProductName(), "Fake Synth");
    EXPECT_EQ(Board->KeyChannels, TChannelSet{0});
    EXPECT_EQ(Board->MouseNote, 0);
    EXPECT_TRUE(Reports.empty());
    for (int note = LowestKeyNote; note <= HighestKeyNote; ++note) {
        ASSERT_NE(Board->Keys[size_t(note)].Image, nullptr) << note;
        EXPECT_FALSE(Board->Keys[size_t(note)].Image->isNull()) << note;
        EXPECT_FALSE(ShownPressed(note)) << note;
    }
    EXPECT_EQ(Board->Image2->geometry(), QRect(720, 16, 33, 33));
    EXPECT_EQ(Board->lblClose->geometry(), QRect(720, 16, 32, 32));
    EXPECT_EQ(Board->Buttons->Pictures[3]->geometry(), QRect(368, 168, 48, 29));
    EXPECT_EQ(Board->Buttons->HotAreas[6]->geometry(), QRect(560, 168, 49, 29));
    EXPECT_EQ(Board->Buttons->Captions[0]->geometry(), QRect(185, 199, 34, 16));
    EXPECT_EQ(Board->Buttons->Captions[0]->text(), QStringLiteral("选曲"));
    EXPECT_FALSE(Board->lblOffset->isVisibleTo(Board.get()));
    // Start-up applies the default instrument on channel 0 and names it on the panel.
    EXPECT_EQ(SentAtStartup(), (Messages{{0xC0, 0, 225}}));
    EXPECT_EQ(Board->CurrentProgram, 0);
    EXPECT_EQ(Board->FrameLed->geometry(), QRect(269, 40, 212, 113));
    EXPECT_FALSE(Board->FrameLed->isEnabled());
}

TEST_F(TBoardTest, ChoosesTheDeviceNamedInTheEnvironment)
{
    Driver.AddDevice("Second Synth");
    qputenv("TINKLA_MIDI_OUT", "Second Synth");
    Start();
    EXPECT_EQ(Board->MidiOutput1->DeviceID(), 1);
    EXPECT_TRUE(Board->MidiOutput1->IsOpen());
}

TEST_F(TBoardTest, UnknownDeviceIsReportedOnceAndTheWindowStillWorks)
{
    qputenv("TINKLA_MIDI_OUT", "No Such Synth");
    Start();
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("No Such Synth"))) << Reports[0].toStdString();
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("TINKLA_MIDI_OUT")));
    // The keys were set up all the same; notes fail quietly instead of one box each.
    Press(Xkb::A);
    Release(Xkb::A);
    MouseDown(On(60));
    MouseUp(On(60));
    QApplication::processEvents();
    EXPECT_EQ(Reports.size(), 1u);
    EXPECT_TRUE(Board->KeyChannels.Contains(0));
}

TEST_F(TBoardTest, RefusedOpenIsReportedWithTheDriversReason)
{
    Driver.RefuseOpen(MidiOutErrAllocated);
    Driver.SetErrorText(MidiOutErrAllocated, "The device is already in use.");
    Start();
    EXPECT_FALSE(Board->MidiOutput1->IsOpen());
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("The device is already in use."))) << Reports[0].toStdString();
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("Fake Synth")));
    for (int i = 0; i < 5; ++i) {
        Press(Xkb::A);
        Release(Xkb::A);
    }
    QApplication::processEvents();
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(TBoardTest, FailingSendsAreToldOncePerDistinctError)
{
    Start();
    Driver.SetErrorText(MidiOutErrNoMemory, "Out of memory.");
    Driver.RefuseSends(MidiOutErrNoMemory);
    Press(Xkb::A);
    // The failing send stops the handler: the key is not drawn as sounding.
    EXPECT_FALSE(Board->Keys[48].Pressed);
    Press(Xkb::A);
    Release(Xkb::A);
    QApplication::processEvents();
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("Out of memory."))) << Reports[0].toStdString();
    Driver.SetErrorText(MidiOutErrUnspecified, "Unspecified error.");
    Driver.RefuseSends(MidiOutErrUnspecified);
    Press(Xkb::A);
    QApplication::processEvents();
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_TRUE(Reports[1].contains(QStringLiteral("Unspecified error.")));
    // Once the device works again, playing goes on normally.
    Driver.RefuseSends(0);
    Press(Xkb::A);
    EXPECT_TRUE(Board->Keys[48].Pressed);
}

TEST_F(TBoardTest, MissingSkinIsNamedAndTheKeysStillPlay)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    Start(empty.path() + QLatin1Char('/'));
    ASSERT_EQ(Reports.size(), 1u);
    for (const char* file : {"img/Close.png", "img/keyupl.png", "img/bkeydown.png", "img/btn_Open_hot.png"}) {
        EXPECT_TRUE(Reports[0].contains(QLatin1String(file))) << file;
    }
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("img 文件夹")));
    EXPECT_TRUE(Board->MidiOutput1->IsOpen());
    Press(Xkb::A);
    Release(Xkb::A);
    EXPECT_EQ(Sent(), (Messages{{0x90, 48, 127}, {0x80, 48, 127}}));
    // Without pictures the keys are painted plainly, and still show whether they are down.
    const QImage up = Board->grab().toImage();
    MouseDown(On(60));
    const QImage down = Board->grab().toImage();
    EXPECT_NE(up.pixel(On(60)), down.pixel(On(60)));
    EXPECT_EQ(up.pixel(On(61)), down.pixel(On(61)));
}

TEST_F(TBoardTest, UndecodableSkinFileIsNamedAloneAndTheOthersStillLoad)
{
    QTemporaryDir copy;
    ASSERT_TRUE(copy.isValid());
    const QDir source(QStringLiteral(TINKLA_SOURCE_DIR "/img"));
    ASSERT_TRUE(QDir(copy.path()).mkdir(QStringLiteral("img")));
    for (const QString& name : source.entryList(QDir::Files)) {
        ASSERT_TRUE(QFile::copy(source.filePath(name), copy.path() + QStringLiteral("/img/") + name));
    }
    QFile broken(copy.path() + QStringLiteral("/img/keyup.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a picture");
    broken.close();

    Start(copy.path() + QLatin1Char('/'));
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_TRUE(Reports[0].contains(QStringLiteral("img/keyup.png")));
    EXPECT_FALSE(Reports[0].contains(QStringLiteral("img/keyupl.png")));
    EXPECT_TRUE(Board->Skin.PngKeyUp.isNull());
    EXPECT_FALSE(Board->Skin.PngKeyUpL.isNull());
    EXPECT_FALSE(Board->Skin.PngKeyDownR.isNull());
}

TEST_F(TBoardTest, PaintedKeysShowWhetherTheyAreDown)
{
    Start();
    const QImage up = Board->grab().toImage();
    Press(Xkb::K); // 60
    const QImage whiteDown = Board->grab().toImage();
    EXPECT_NE(up.pixel(On(60)), whiteDown.pixel(On(60)));
    // The black keys lie over the white ones: key 61's left half, over key 60, stays as it was.
    EXPECT_EQ(up.pixel(QPoint(325, 240)), whiteDown.pixel(QPoint(325, 240)));
    MouseDown(On(61));
    const QImage blackDown = Board->grab().toImage();
    EXPECT_NE(up.pixel(QPoint(325, 240)), blackDown.pixel(QPoint(325, 240)));
    EXPECT_EQ(up.pixel(On(63)), blackDown.pixel(On(63)));
    MouseUp(On(61));
    Release(Xkb::K);
    EXPECT_EQ(Board->grab().toImage(), up);
}

TEST_F(TBoardTest, DraggingTheBackgroundMovesTheWindowAndPlaysNothing)
{
    Start();
    const QPoint origin = Board->pos();
    MouseDown({100, 120});
    EXPECT_TRUE(Board->Dragging);
    EXPECT_EQ(Board->DragX, 100);
    EXPECT_EQ(Board->DragY, 120);
    MouseDrag({130, 100});
    EXPECT_EQ(Board->pos(), origin + QPoint(30, -20));
    // The cursor crosses the keys while the window is being dragged: no note.
    MouseDrag(On(60));
    MouseUp(On(60));
    EXPECT_FALSE(Board->Dragging);
    EXPECT_EQ(Board->DragX + Board->DragY, 0);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(TBoardTest, PressingAKeyOrAButtonNeverDrags)
{
    Start();
    MouseDown(On(60));
    EXPECT_FALSE(Board->Dragging);
    MouseUp(On(60));
    // A press on the close button's area goes to the button, not to the window.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(Board->mapToGlobal(QPoint(725, 21))),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Board->lblClose, &press);
    EXPECT_FALSE(Board->Dragging);
    EXPECT_EQ(Sent(), (Messages{{0x90, 60, 127}, {0x80, 60, 127}}));
}

TEST_F(TBoardTest, CloseButtonHoverAndClick)
{
    Start();
    const qint64 layoutPicture = Board->Image2->Picture().cacheKey();
    EXPECT_NE(layoutPicture, Board->Skin.PngClose.cacheKey());
    QEnterEvent enter(QPointF(5, 5), QPointF(725, 21), QPointF(725, 21));
    QApplication::sendEvent(Board->lblClose, &enter);
    EXPECT_EQ(Board->Image2->Picture().cacheKey(), Board->Skin.PngCloseHot.cacheKey());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(Board->lblClose, &leave);
    EXPECT_EQ(Board->Image2->Picture().cacheKey(), Board->Skin.PngClose.cacheKey());

    Board->show();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(725, 21), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(725, 21), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(Board->lblClose, &press);
    QApplication::sendEvent(Board->lblClose, &release);
    EXPECT_FALSE(Board->isVisible());
}

} // namespace

#include "ui/ULedFrame.h"

#include <limits>
#include <thread>

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/ui/LedQtApp.h"

namespace {

void Send(TFrameLed& led, uint8_t status, uint8_t data1, uint8_t data2 = 100)
{
    TMidiEvent event;
    event.status = status;
    event.data1 = data1;
    event.data2 = data2;
    led.ShowMidiEvent(&event);
}

QRgb Pixel(const TFrameLed& led, int x, int y) { return led.Image1->Picture.pixel(x, y) | 0xFF000000u; }

// Counts, in column x, the blue segment rows above the baseline.
int BlueRows(const TFrameLed& led, int x)
{
    int rows = 0;
    for (int y = 0; y < led.Image1->Picture.height(); ++y)
        rows += Pixel(led, x, y) == TFrameLed::SegmentColor;
    return rows;
}

int TopBlueRow(const TFrameLed& led, int x)
{
    for (int y = 0; y < led.Image1->Picture.height(); ++y)
        if (Pixel(led, x, y) == TFrameLed::SegmentColor)
            return y;
    return -1;
}

struct TLedFrameTest : ::testing::Test {
    TFrameLed Led;
};

TEST_F(TLedFrameTest, ResetPanelGeometryAtBothSizes)
{
    EXPECT_EQ(Led.lblTamber->height(), 12);
    EXPECT_EQ(Led.Label1->height(), 14);
    EXPECT_EQ(Led.Label1->text(), "Rec: 00:00:00");
    EXPECT_DOUBLE_EQ(Led.PixelsPerMs.load(), 0.0);
    Led.ProgressWidth = 33;
    Led.Levels[4] = 7;
    Led.ResetPanel();
    EXPECT_EQ(Led.LeftMargin, 20);
    EXPECT_EQ(Led.SegmentHeight, 5);
    EXPECT_EQ(Led.BarWidth, 10);
    EXPECT_EQ(Led.BackColor, TFrameLed::Silver);
    EXPECT_EQ(Led.ProgressWidth.load(), 0);
    EXPECT_EQ(Led.Levels[4].load(), 7) << "levels are not touched by a reset";
    EXPECT_EQ(Pixel(Led, 0, 0), TFrameLed::ResetColor);
    EXPECT_EQ(Pixel(Led, 219, 134), TFrameLed::ResetColor);

    Led.resize(212, 113);
    Led.ResetPanel();
    EXPECT_EQ(Led.Image1->Picture.size(), QSize(212, 113));
    EXPECT_EQ(Led.Image3->size(), QSize(212, 113));
    EXPECT_EQ(Led.lblTamber->height(), 12);
    EXPECT_EQ(Led.SegmentHeight, 4);
    EXPECT_EQ(Led.BarWidth, 9);
}

TEST_F(TLedFrameTest, NoteOnsSetLevelsFromTheNoteNumberOnly)
{
    Send(Led, 0x90, 127);
    EXPECT_EQ(Led.Levels[0].load(), 15);
    for (uint8_t note = 0; note <= 7; ++note) {
        Send(Led, 0x91, note);
        EXPECT_EQ(Led.Levels[1].load(), 0) << int(note);
    }
    Send(Led, 0x92, 95, 0);
    EXPECT_EQ(Led.Levels[2].load(), 11) << "velocity 0 still sets the level";
    Send(Led, 0x99, 36);
    EXPECT_EQ(Led.Levels[9].load(), 4) << "percussion raises its bar like any channel";
    Send(Led, 0x99, 80);
    EXPECT_EQ(Led.Levels[9].load(), 10) << "the later note-on wins";
    Send(Led, 0x80, 20);
    Send(Led, 0xC0, 100);
    Send(Led, 0xB0, 127);
    Send(Led, 0xFF, 0x51);
    EXPECT_EQ(Led.Levels[0].load(), 15) << "note-offs and other events are ignored";
    Send(Led, 0x9F, 64);
    EXPECT_EQ(Led.Levels[15].load(), 8);
}

TEST_F(TLedFrameTest, FullBarOnTheDesignedSize)
{
    Led.ResetPanel();
    Send(Led, 0x90, 127);
    Led.DrawPanel();
    // Bar 0 spans x 20..29 and its 16 segments of 5 rows reach up to y 27.
    EXPECT_EQ(TopBlueRow(Led, 20), 27);
    EXPECT_EQ(BlueRows(Led, 20), 16 * 5);
    EXPECT_EQ(BlueRows(Led, 29), 16 * 5);
    EXPECT_EQ(Pixel(Led, 19, 121), TFrameLed::Silver);
    EXPECT_EQ(Pixel(Led, 30, 121), TFrameLed::Silver) << "one pixel between bars";
    EXPECT_EQ(Pixel(Led, 20, 121), TFrameLed::SegmentColor) << "segment 0 ends on the baseline";
    EXPECT_EQ(Pixel(Led, 20, 116), TFrameLed::Silver) << "one pixel between segments";
    EXPECT_EQ(Pixel(Led, 20, 111), TFrameLed::SegmentColor);
    for (int x : {0, 100, 219})
        EXPECT_EQ(Pixel(Led, x, 122), TFrameLed::BaselineColor) << x;
    EXPECT_EQ(Pixel(Led, 0, 0), TFrameLed::Silver);
    EXPECT_EQ(Led.Levels[0].load(), 14);
}

TEST_F(TLedFrameTest, BarsOnTheWindowSizeKeepTheirSpacing)
{
    Led.resize(212, 113);
    Led.ResetPanel();
    Send(Led, 0x90, 127);
    Send(Led, 0x9F, 40); // level 5
    Led.DrawPanel();
    // Baseline at 100; level 15 of 4-row segments tops out at 100 - 15 * 5 - 4.
    EXPECT_EQ(TopBlueRow(Led, 20), 21);
    EXPECT_EQ(Pixel(Led, 211, 100), TFrameLed::BaselineColor);
    const int left15 = 20 + 15 * 10;
    EXPECT_EQ(BlueRows(Led, left15), 6 * 4);
    EXPECT_EQ(BlueRows(Led, left15 + 8), 6 * 4);
    EXPECT_EQ(BlueRows(Led, left15 + 9), 0);
    EXPECT_EQ(BlueRows(Led, left15 - 1), 0);
    EXPECT_EQ(TopBlueRow(Led, left15), 100 - 5 * 5 - 4);
}

TEST_F(TLedFrameTest, BarsCountDownOneSegmentPerRedrawAndVanish)
{
    Led.ResetPanel();
    Send(Led, 0x93, 16); // level 2
    const int x = 20 + 3 * 11;
    Led.DrawPanel();
    EXPECT_EQ(BlueRows(Led, x), 3 * 5);
    Led.DrawPanel();
    EXPECT_EQ(BlueRows(Led, x), 2 * 5);
    Led.DrawPanel();
    EXPECT_EQ(BlueRows(Led, x), 0);
    EXPECT_EQ(Led.Levels[3].load(), 0);
    Led.DrawPanel();
    EXPECT_EQ(Led.Levels[3].load(), 0) << "a quiet channel stays at 0";
}

TEST_F(TLedFrameTest, ProgressBarRowsAndWidth)
{
    Led.ResetPanel();
    Led.SetSongLength(1000);
    EXPECT_DOUBLE_EQ(Led.PixelsPerMs.load(), 0.22);
    Led.SetSongPosition(500);
    EXPECT_EQ(Led.ProgressWidth.load(), 110);
    Led.DrawPanel();
    for (int y = 124; y < 130; ++y) {
        EXPECT_EQ(Pixel(Led, 0, y), TFrameLed::ProgressColor) << y;
        EXPECT_EQ(Pixel(Led, 109, y), TFrameLed::ProgressColor) << y;
        EXPECT_EQ(Pixel(Led, 110, y), TFrameLed::Silver) << y;
    }
    EXPECT_EQ(Pixel(Led, 5, 123), TFrameLed::Silver);
    EXPECT_EQ(Pixel(Led, 5, 130), TFrameLed::Silver);

    Led.SetSongPosition(5000); // past the end: clipped, not an error
    Led.DrawPanel();
    EXPECT_EQ(Pixel(Led, 219, 127), TFrameLed::ProgressColor);
    Led.SetSongPosition(-100);
    Led.DrawPanel();
    EXPECT_EQ(Pixel(Led, 0, 127), TFrameLed::Silver) << "a negative width paints nothing";
}

TEST_F(TLedFrameTest, SongLengthOfZeroOrLessKeepsTheScale)
{
    Led.SetSongPosition(123456);
    EXPECT_EQ(Led.ProgressWidth.load(), 0) << "no length set: every position gives 0";
    Led.SetSongLength(0);
    Led.SetSongLength(-40);
    EXPECT_DOUBLE_EQ(Led.PixelsPerMs.load(), 0.0);
    Led.SetSongLength(440);
    Led.SetSongLength(0);
    Led.SetSongLength(-1);
    EXPECT_DOUBLE_EQ(Led.PixelsPerMs.load(), 0.5);
}

TEST(ProgressPixels, RoundsHalvesToEvenAndStaysInRange)
{
    EXPECT_EQ(ProgressPixels(1, 0.5), 0);
    EXPECT_EQ(ProgressPixels(3, 0.5), 2);
    EXPECT_EQ(ProgressPixels(5, 0.5), 2);
    EXPECT_EQ(ProgressPixels(7, 0.5), 4);
    EXPECT_EQ(ProgressPixels(-3, 0.5), -2);
    EXPECT_EQ(ProgressPixels(-5, 0.5), -2);
    EXPECT_EQ(ProgressPixels(10, 0.26), 3);
    EXPECT_EQ(ProgressPixels(10, 0.24), 2);
    EXPECT_EQ(ProgressPixels(std::numeric_limits<int32_t>::max(), 220.0),
              std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ProgressPixels(std::numeric_limits<int32_t>::min(), 220.0),
              std::numeric_limits<int32_t>::min());
}

TEST_F(TLedFrameTest, ResetProgressRedrawsOnlyOnTheWindowThread)
{
    Led.ResetPanel();
    Led.SetSongLength(100);
    Led.SetSongPosition(50);
    Send(Led, 0x90, 64); // level 8
    std::thread other([this] { Led.ResetProgress(); });
    other.join();
    EXPECT_EQ(Led.ProgressWidth.load(), 0);
    EXPECT_EQ(Led.Levels[0].load(), 8) << "no redraw off the window thread";
    EXPECT_EQ(Pixel(Led, 0, 0), TFrameLed::ResetColor);

    Led.SetSongPosition(50);
    Led.ResetProgress();
    EXPECT_EQ(Led.ProgressWidth.load(), 0);
    EXPECT_EQ(Led.Levels[0].load(), 7);
    EXPECT_EQ(Pixel(Led, 0, 127), TFrameLed::Silver);
    EXPECT_EQ(BlueRows(Led, 20), 9 * 5);
}

TEST_F(TLedFrameTest, TimerRedrawsEvery80Ms)
{
    EXPECT_TRUE(Led.Timer1.isActive()) << "enabled from creation";
    EXPECT_EQ(Led.Timer1.interval(), 80);
    Led.StartTimer();
    EXPECT_TRUE(Led.Timer1.isActive());
    Led.ResetPanel();
    Send(Led, 0x90, 127);
    EXPECT_TRUE(QTest::qWaitFor([this] { return Led.Levels[0].load() < 15; }, 2000));
    EXPECT_EQ(Pixel(Led, 0, 0), TFrameLed::Silver);
}

TEST_F(TLedFrameTest, DisabledPanelLooksTheSame)
{
    // No redraw between the two pictures: it would lower the bar.
    Led.Timer1.stop();
    Led.resize(212, 113);
    Led.ResetPanel();
    Led.SetTamberText(QStringLiteral("ch:0  键盘音色：钢琴"));
    Send(Led, 0x90, 100);
    Led.DrawPanel();
    const QImage enabled = Led.grab().toImage();
    Led.setEnabled(false);
    const QImage disabled = Led.grab().toImage();
    EXPECT_EQ(enabled, disabled) << "the window's instance is disabled, its texts must not grey out";
}

} // namespace

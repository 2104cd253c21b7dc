// The LED status panel: a recording-time line, the instrument line and 16 channel bars over a
// progress bar, redrawn every 80 ms. The bars rise with each song note-on and fall one segment
// per redraw.
//
// Threads: everything runs on the window thread except ShowMidiEvent and SetSongPosition (any
// thread: constant-time, allocation-free, no drawing) and ResetProgress (any thread; off the
// window thread it only clears the progress width and leaves the redraw to the next tick).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QTimer>

#include "midi/MidiEvent.h"

class QLabel;

// A picture child: paints `Picture` at its top-left corner, or stretched over the whole widget.
class TLedImage : public QWidget {
public:
    TLedImage(QWidget* parent, bool stretch);
    QImage Picture;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool Stretch;
};

class TFrameLed : public QFrame {
public:
    static constexpr int DesignWidth = 220;
    static constexpr int DesignHeight = 135;
    static constexpr int ChannelCount = 16;
    static constexpr int RedrawIntervalMs = 80;
    static constexpr QRgb ResetColor = qRgb(255, 255, 255);
    static constexpr QRgb Silver = qRgb(192, 192, 192);
    static constexpr QRgb SegmentColor = qRgb(0, 0, 255);
    static constexpr QRgb ProgressColor = qRgb(0, 255, 0);
    static constexpr QRgb BaselineColor = qRgb(0, 0, 0);

    explicit TFrameLed(QWidget* parent = nullptr);

    // Children, in painting order from bottom to top.
    TLedImage* Image1; // the bars' and progress bar's drawing surface (its Picture)
    QLabel* Label2;    // empty, never written
    QLabel* Label1;    // the recording clock, written by the window
    QLabel* lblTamber; // the instrument line
    TLedImage* Image3; // the glass overlay, painted last
    QTimer Timer1;

    // Segments (minus one) each channel's bar shows at the next redraw; 0 means no bar.
    std::array<std::atomic<int32_t>, ChannelCount> Levels{};
    int32_t BarWidth = 0;
    int32_t SegmentHeight = 0;
    int32_t LeftMargin = 0;
    QRgb BackColor = qRgb(0, 0, 0);
    std::atomic<double> PixelsPerMs{0.0}; // set before playback, read by the playback thread
    std::atomic<int32_t> ProgressWidth{0};

    void ResetPanel();
    void DrawPanel();
    void ShowMidiEvent(PMidiEvent event);
    void ResetProgress();
    void StartTimer();
    // Lengths of 0 or less keep the previous scale.
    void SetSongLength(int32_t lengthMs);
    // Rounds half to even; positions past the song's end give a bar wider than the panel.
    void SetSongPosition(int32_t positionMs);
    void SetTamberText(const QString& text);
    void Timer1Timer();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The images follow the frame's size (the canvas is recreated, white, when it changes).
    void FitChildren();
};

// The progress bar's width for a position at a scale: rounded half to even, held inside the
// range of int32_t. Pure; any thread.
int32_t ProgressPixels(int32_t positionMs, double pixelsPerMs);

#include "ui/ULedFrame.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QThread>

#include "ui/Fonts.h"

namespace {

const QString GlassResource = QStringLiteral(":/layout/LedGlass.png");

// Design places and sizes of the labels; they keep their height whatever the frame's size.
constexpr QRect Label2Rect(100, 5, 100, 13);
constexpr QRect Label1Rect(10, 5, 91, 14);
constexpr QRect TamberRect(10, 16, 6, 12);

// Rows of the bar area counted from the bottom of the canvas.
constexpr int BaselineFromBottom = 13;
constexpr int ProgressTopFromBottom = 11;
constexpr int ProgressBottomFromBottom = 5;

// The panel is disabled on the window, yet its texts keep the window-text colour.
QLabel* MakeLabel(QWidget* parent, const QString& family, int pixelSize, const QRect& rect)
{
    auto* label = new QLabel(parent);
    label->setFont(TinklaFont(family, pixelSize));
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     palette.color(QPalette::Active, QPalette::WindowText));
    label->setPalette(palette);
    return label;
}

// Filled with the left and top edges included, the right and bottom edges excluded; empty
// or inverted spans paint nothing.
void FillSpan(QPainter& painter, int left, int top, int right, int bottom, QRgb color)
{
    if (right > left && bottom > top)
        painter.fillRect(QRect(left, top, right - left, bottom - top), QColor(color));
}

} // namespace

TLedImage::TLedImage(QWidget* parent, bool stretch) : QWidget(parent), Stretch(stretch)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TLedImage::paintEvent(QPaintEvent*)
{
    if (Picture.isNull())
        return;
    QPainter painter(this);
    if (Stretch) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), Picture);
    } else {
        painter.drawImage(0, 0, Picture);
    }
}

TFrameLed::TFrameLed(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);

    Image1 = new TLedImage(this, false);
    Label2 = MakeLabel(this, QStringLiteral("Courier New"), 11, Label2Rect);
    Label1 = MakeLabel(this, QStringLiteral("Courier New"), 11, Label1Rect);
    Label1->setText(QStringLiteral("Rec: 00:00:00"));
    lblTamber = MakeLabel(this, QStringLiteral("宋体"), 12, TamberRect);
    Image3 = new TLedImage(this, true);
    // Without the picture (a build without the window's layout) the panel simply has no glass.
    Image3->Picture.load(GlassResource);

    resize(DesignWidth, DesignHeight);
    FitChildren();

    Timer1.setInterval(RedrawIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, &TFrameLed::Timer1Timer);
    Timer1.start();
}

void TFrameLed::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    FitChildren();
}

void TFrameLed::FitChildren()
{
    Image1->setGeometry(rect());
    Image3->setGeometry(rect());
    if (Image1->Picture.size() != size()) {
        Image1->Picture = QImage(size(), QImage::Format_RGB32);
        Image1->Picture.fill(ResetColor);
    }
    // Automatic width: the texts may run to the frame's right edge, where they are clipped.
    for (QLabel* label : {Label1, lblTamber})
        label->resize(std::max(1, width() - label->x()), label->height());
}

void TFrameLed::ResetPanel()
{
    // A hidden frame gets its resize event only when shown; the geometry is needed now.
    FitChildren();
    Image1->Picture.fill(ResetColor);
    LeftMargin = 20;
    SegmentHeight = (Image1->height() - 15 - lblTamber->height() - Label1->height()) / 16;
    BarWidth = (Image1->width() - 15 - 2 * LeftMargin) / 16;
    BackColor = Silver;
    ProgressWidth.store(0, std::memory_order_relaxed);
    Image1->update();
}

void TFrameLed::DrawPanel()
{
    QImage& canvas = Image1->Picture;
    const int w = canvas.width();
    const int h = canvas.height();
    const int baseline = h - BaselineFromBottom;
    QPainter painter(&canvas);
    painter.fillRect(canvas.rect(), QColor(BackColor));

    for (int i = 0; i < ChannelCount; ++i) {
        int32_t level = Levels[i].load(std::memory_order_relaxed);
        if (level <= 0)
            continue;
        const int left = LeftMargin + i * (BarWidth + 1);
        for (int k = 0; k <= level; ++k) {
            const int bottom = baseline - k * (SegmentHeight + 1);
            FillSpan(painter, left, bottom - SegmentHeight, left + BarWidth, bottom, SegmentColor);
        }
        // A note-on stored since the read wins over the count-down.
        Levels[i].compare_exchange_strong(level, level - 1, std::memory_order_relaxed);
    }

    FillSpan(painter, 0, baseline, w, baseline + 1, BaselineColor);
    FillSpan(painter, 0, h - ProgressTopFromBottom, ProgressWidth.load(std::memory_order_relaxed),
             h - ProgressBottomFromBottom, ProgressColor);
    painter.end();
    Image1->update();
}

void TFrameLed::ShowMidiEvent(PMidiEvent event)
{
    if (StatusKind(event->status) == MidiNoteOn)
        Levels[StatusChannel(event->status)].store(event->data1 / 8, std::memory_order_relaxed);
}

void TFrameLed::ResetProgress()
{
    ProgressWidth.store(0, std::memory_order_relaxed);
    if (QThread::currentThread() == thread())
        DrawPanel();
}

void TFrameLed::StartTimer()
{
    if (!Timer1.isActive())
        Timer1.start();
}

void TFrameLed::SetSongLength(int32_t lengthMs)
{
    if (lengthMs > 0)
        PixelsPerMs.store(double(Image1->width()) / double(lengthMs), std::memory_order_relaxed);
}

void TFrameLed::SetSongPosition(int32_t positionMs)
{
    ProgressWidth.store(ProgressPixels(positionMs, PixelsPerMs.load(std::memory_order_relaxed)), std::memory_order_relaxed);
}

void TFrameLed::SetTamberText(const QString& text)
{
    lblTamber->setText(text);
}

void TFrameLed::Timer1Timer()
{
    DrawPanel();
}

int32_t ProgressPixels(int32_t positionMs, double pixelsPerMs)
{
    const double exact = double(positionMs) * pixelsPerMs;
    const double below = std::floor(exact);
    const double fraction = exact - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    constexpr double Lowest = std::numeric_limits<int32_t>::min();
    constexpr double Highest = std::numeric_limits<int32_t>::max();
    if (!(rounded >= Lowest))
        return std::numeric_limits<int32_t>::min();
    if (rounded > Highest)
        return std::numeric_limits<int32_t>::max();
    return int32_t(rounded);
}

#include "tools/skin/SkinPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <array>
#include <memory>

namespace {

// A transparent canvas whose painter works in scale-1 pixels.
struct TCanvas {
    QImage Image;
    std::unique_ptr<QPainter> Painter;

    TCanvas(int width, int height, int scale)
        : Image(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied)
    {
        Image.fill(Qt::transparent);
        Painter = std::make_unique<QPainter>(&Image);
        Painter->setRenderHint(QPainter::Antialiasing);
        Painter->scale(scale, scale);
    }

    QImage Finish()
    {
        Painter.reset();
        return Image;
    }
};

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& from, const QColor& to)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

QPainterPath RoundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// A rectangle rounded at the bottom only (keys hang from the key bed's top edge).
QPainterPath BottomRounded(const QRectF& rect, qreal radius)
{
    QPainterPath path = RoundedRect(rect, radius);
    QPainterPath top;
    top.addRect(rect.adjusted(0, 0, 0, -rect.height() / 2));
    return path.united(top);
}

// Pastel colours that read as "toy", one per transport button.
QColor ButtonColour(TButtonIcon icon)
{
    switch (icon) {
    case TButtonIcon::Open: return QColor(0x8f, 0xd3, 0xfe);
    case TButtonIcon::Play: return QColor(0x9b, 0xe3, 0x9b);
    case TButtonIcon::Stop: return QColor(0xff, 0xb8, 0x8c);
    case TButtonIcon::Rec: return QColor(0xff, 0xa8, 0xb6);
    case TButtonIcon::RecPlay: return QColor(0xc7, 0xb8, 0xff);
    case TButtonIcon::StopRec: return QColor(0xff, 0xd5, 0x8e);
    case TButtonIcon::Save: return QColor(0x96, 0xe2, 0xdc);
    }
    return Qt::white;
}

const QColor RecordRed(0xe8, 0x3f, 0x5b);

void DrawNote(QPainter& p, QPointF head, qreal size, const QColor& colour)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.translate(head);
    p.rotate(-20);
    p.drawEllipse(QRectF(-size * 0.5, -size * 0.36, size, size * 0.72));
    p.restore();
    p.setPen(QPen(colour, size * 0.2, Qt::SolidLine, Qt::RoundCap));
    const QPointF stemBottom(head.x() + size * 0.42, head.y() - size * 0.1);
    const QPointF stemTop(stemBottom.x(), stemBottom.y() - size * 1.45);
    p.drawLine(stemBottom, stemTop);
    p.drawLine(stemTop, QPointF(stemTop.x() + size * 0.55, stemTop.y() + size * 0.5));
}

void DrawTriangle(QPainter& p, QPointF centre, qreal size, const QColor& colour)
{
    QPainterPath path;
    path.moveTo(centre.x() - size * 0.4, centre.y() - size * 0.5);
    path.lineTo(centre.x() + size * 0.55, centre.y());
    path.lineTo(centre.x() - size * 0.4, centre.y() + size * 0.5);
    path.closeSubpath();
    p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(colour);
    p.drawPath(path);
}

void DrawIcon(QPainter& p, TButtonIcon icon, const QColor& ink)
{
    const QPointF centre(24, 14.5);
    switch (icon) {
    case TButtonIcon::Open:
        DrawNote(p, centre + QPointF(-2.5, 5), 7, ink);
        break;
    case TButtonIcon::Play:
        DrawTriangle(p, centre, 13, ink);
        break;
    case TButtonIcon::Stop:
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawRoundedRect(QRectF(centre.x() - 6, centre.y() - 6, 12, 12), 2.5, 2.5);
        break;
    case TButtonIcon::Rec:
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(RecordRed);
        p.drawEllipse(centre, 7, 7);
        break;
    case TButtonIcon::RecPlay:
        DrawTriangle(p, centre + QPointF(-5, 0), 11, ink);
        DrawNote(p, centre + QPointF(5, 5), 6, ink);
        break;
    case TButtonIcon::StopRec:
        p.setPen(QPen(ink, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(centre.x() - 7, centre.y() - 7, 14, 14), 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(RecordRed);
        p.drawEllipse(centre, 3.5, 3.5);
        break;
    case TButtonIcon::Save: {
        p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawLine(centre + QPointF(0, -7), centre + QPointF(0, 3));
        p.drawPolyline(std::array{centre + QPointF(-4, -1), centre + QPointF(0, 3), centre + QPointF(4, -1)}.data(), 3);
        p.drawPolyline(std::array{centre + QPointF(-7, 2), centre + QPointF(-7, 7), centre + QPointF(7, 7),
                                  centre + QPointF(7, 2)}.data(), 4);
        break;
    }
    }
}

// A row of soft dots, the keyboard's speaker grille.
void DrawGrille(QPainter& p, const QRectF& area, const QColor& colour)
{
    constexpr qreal Step = 11;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    int row = 0;
    for (qreal y = area.top(); y <= area.bottom(); y += Step * 0.87, ++row) {
        const qreal shift = (row % 2) * Step / 2;
        for (qreal x = area.left() + shift; x <= area.right(); x += Step) {
            p.drawEllipse(QPointF(x, y), 2.6, 2.6);
        }
    }
}

} // namespace

QImage DrawWhiteKey(TWhiteKeyShape shape, bool pressed, int scale)
{
    TCanvas canvas(21, 120, scale);
    QPainter& p = *canvas.Painter;
    // Black keys cover 8 pixels of a neighbour down to y 65; leave a pixel of air around them.
    const bool notchLeft = shape != TWhiteKeyShape::Left;
    const bool notchRight = shape != TWhiteKeyShape::Right;
    const qreal topLeft = notchLeft ? 9 : 0.5;
    const qreal topRight = notchRight ? 12 : 20.5;
    QPainterPath body = BottomRounded(QRectF(0.5, 60, 20, 59.5), 4.5);
    body = body.united(BottomRounded(QRectF(topLeft, -2, topRight - topLeft, 68), 1.5));

    const QColor top = pressed ? QColor(0xff, 0xe2, 0x7a) : QColor(0xff, 0xff, 0xff);
    const QColor bottom = pressed ? QColor(0xff, 0xc4, 0x3d) : QColor(0xf0, 0xef, 0xf6);
    p.setPen(QPen(pressed ? QColor(0xe0, 0x9a, 0x1c) : QColor(0xc8, 0xc2, 0xda), 1));
    p.setBrush(Vertical(0, 120, top, bottom));
    p.drawPath(body);

    // The front lip: tall when the key is up, almost gone when it is pushed down.
    const qreal lip = pressed ? 3 : 8;
    p.setClipPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(pressed ? QColor(0xf0, 0xa8, 0x22) : QColor(0xdd, 0xda, 0xea));
    p.drawRect(QRectF(0, 120 - lip, 21, lip));
    if (pressed) {
        // A shadow under the key bed's edge: the key has sunk in.
        p.setBrush(Vertical(0, 10, QColor(0, 0, 0, 60), QColor(0, 0, 0, 0)));
        p.drawRect(QRectF(0, 0, 21, 10));
    }
    return canvas.Finish();
}

QImage DrawBlackKey(bool pressed, int scale)
{
    TCanvas canvas(16, 65, scale);
    QPainter& p = *canvas.Painter;
    const QPainterPath body = BottomRounded(QRectF(0.5, -2, 15, 66.5), 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(pressed ? Vertical(0, 65, QColor(0xff, 0x9c, 0xb0), QColor(0xf0, 0x5d, 0x82))
                       : Vertical(0, 65, QColor(0x55, 0x4a, 0x78), QColor(0x2f, 0x28, 0x48)));
    p.drawPath(body);
    p.setClipPath(body);
    const qreal lip = pressed ? 3 : 8;
    p.setBrush(pressed ? QColor(0xd9, 0x44, 0x6c) : QColor(0x6f, 0x63, 0x98));
    p.drawRoundedRect(QRectF(2, 64.5 - lip, 12, lip - 1.5), 2, 2);
    // A soft sheen down the left side.
    p.setBrush(QColor(255, 255, 255, pressed ? 70 : 45));
    p.drawRoundedRect(QRectF(3, 2, 3, 62 - lip - 4), 1.5, 1.5);
    return canvas.Finish();
}

QImage DrawCloseButton(bool hot, int scale)
{
    TCanvas canvas(32, 32, scale);
    QPainter& p = *canvas.Painter;
    const QPointF centre(16, 16);
    if (hot) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xff, 0x8a, 0x80, 90));
        p.drawEllipse(centre, 15.5, 15.5);
    }
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(hot ? Vertical(3, 29, QColor(0xff, 0x85, 0x7a), QColor(0xf2, 0x4f, 0x5e))
                   : Vertical(3, 29, QColor(0xff, 0xb0, 0xa8), QColor(0xf7, 0x7f, 0x86)));
    p.drawEllipse(centre, 12.5, 12.5);
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11.5, 11.5), QPointF(20.5, 20.5));
    p.drawLine(QPointF(20.5, 11.5), QPointF(11.5, 20.5));
    return canvas.Finish();
}

QImage DrawTransportButton(TButtonIcon icon, TButtonLook look, int scale)
{
    TCanvas canvas(48, 29, scale);
    QPainter& p = *canvas.Painter;
    const QColor base = ButtonColour(icon);
    const QColor fill = look == TButtonLook::Hot ? base.lighter(112)
                      : look == TButtonLook::On  ? base.darker(125)
                                                 : base;
    const QRectF pill(1.5, 1.5, 45, 26);
    if (look == TButtonLook::Hot) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawRoundedRect(QRectF(0, 0, 48, 29), 14.5, 14.5);
    }
    p.setPen(QPen(base.darker(look == TButtonLook::On ? 160 : 125), 1.2));
    p.setBrush(Vertical(pill.top(), pill.bottom(), fill.lighter(110), fill.darker(108)));
    p.drawRoundedRect(pill, 13, 13);
    // A glossy band across the top half.
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(3, 14, QColor(255, 255, 255, look == TButtonLook::On ? 60 : 130), QColor(255, 255, 255, 0)));
    p.drawRoundedRect(QRectF(6, 3, 36, 11), 5.5, 5.5);
    DrawIcon(p, icon, look == TButtonLook::On ? QColor(Qt::white) : base.darker(230));
    return canvas.Finish();
}

QImage DrawBackground(int scale)
{
    TCanvas canvas(765, 341, scale);
    QPainter& p = *canvas.Painter;
    p.fillRect(QRectF(0, 0, 765, 341), Vertical(0, 341, QColor(0xff, 0xf7, 0xe3), QColor(0xff, 0xe6, 0xbd)));
    // A stitched toy edge.
    p.setPen(QPen(QColor(0xf5, 0xc3, 0x7e), 2, Qt::DashLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(4, 4, 757, 333), 18, 18);

    DrawGrille(p, QRectF(62, 52, 185, 95), QColor(0xf6, 0xcd, 0x93));
    DrawGrille(p, QRectF(500, 64, 205, 83), QColor(0xf6, 0xcd, 0x93));

    // The button tray.
    p.setPen(QPen(QColor(0xf2, 0xcb, 0x92), 1.5));
    p.setBrush(QColor(0xff, 0xee, 0xcf));
    p.drawRoundedRect(QRectF(166, 161, 452, 55), 16, 16);

    // The key bed with a rainbow trim along its top edge.
    const QRectF bed(9, 214, 747, 140);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(bed.top(), 341, QColor(0x7b, 0x6c, 0xb8), QColor(0x5a, 0x4c, 0x93)));
    p.drawRoundedRect(bed, 10, 10);
    const std::array<QColor, 6> rainbow = {QColor(0xff, 0x8a, 0x8a), QColor(0xff, 0xc2, 0x6e), QColor(0xff, 0xe7, 0x7a),
                                           QColor(0x9b, 0xe3, 0x9b), QColor(0x8f, 0xd3, 0xfe), QColor(0xc7, 0xb8, 0xff)};
    const qreal band = (750.0 - 15.0) / rainbow.size();
    for (size_t i = 0; i < rainbow.size(); ++i) {
        p.setBrush(rainbow[i]);
        p.drawRect(QRectF(15 + band * qreal(i), 216.5, band, 3));
    }
    return canvas.Finish().convertToFormat(QImage::Format_RGB32);
}

namespace {

// The logo in a 128 x 128 box of the painter's coordinates.
void PaintLogo(QPainter& p)
{
    p.setPen(Qt::NoPen);
    QLinearGradient sky(0, 0, 128, 128);
    sky.setColorAt(0, QColor(0x7f, 0xc8, 0xf8));
    sky.setColorAt(1, QColor(0xb7, 0x9c, 0xff));
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 34, 34);
    // Two beamed notes, bold enough to read at 33 x 33.
    p.setBrush(Qt::white);
    for (const QPointF head : {QPointF(44, 90), QPointF(86, 80)}) {
        p.save();
        p.translate(head);
        p.rotate(-20);
        p.drawEllipse(QRectF(-15, -11, 30, 22));
        p.restore();
    }
    p.setPen(QPen(Qt::white, 8, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(56, 88), QPointF(56, 36));
    p.drawLine(QPointF(98, 78), QPointF(98, 26));
    p.setPen(Qt::NoPen);
    QPainterPath beam;
    beam.moveTo(52, 34);
    beam.lineTo(102, 22);
    beam.lineTo(102, 38);
    beam.lineTo(52, 50);
    beam.closeSubpath();
    p.drawPath(beam);
}

} // namespace

QImage DrawLogo(int scale)
{
    TCanvas canvas(128, 128, scale);
    PaintLogo(*canvas.Painter);
    return canvas.Finish();
}

QImage DrawLogoIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    PaintLogo(p);
    p.end();
    return image;
}

QImage DrawLedGlass(int scale)
{
    TCanvas canvas(222, 180, scale);
    QPainter& p = *canvas.Painter;
    const QRectF outer(0, 0, 222, 180);
    const QRectF pane = outer.adjusted(6, 6, -6, -6);
    QPainterPath frame = RoundedRect(outer, 10);
    frame = frame.subtracted(RoundedRect(pane, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(0, 180, QColor(0x9e, 0x2b, 0x3c), QColor(0x74, 0x17, 0x26)));
    p.drawPath(frame);

    p.setClipPath(RoundedRect(pane, 5));
    p.setBrush(QColor(0xc8, 0xe6, 0xff, 33)); // about 13 % opaque
    p.drawRect(pane);
    p.setBrush(Vertical(pane.top(), pane.top() + 5, QColor(255, 255, 255, 150), QColor(255, 255, 255, 40)));
    p.drawRect(QRectF(pane.left(), pane.top(), pane.width(), 5));
    QRadialGradient shine(QPointF(180, 22), 75);
    shine.setColorAt(0, QColor(255, 255, 255, 110));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(shine);
    p.drawEllipse(QPointF(180, 22), 75, 45);
    return canvas.Finish();
}

QImage DrawNoteIcon(bool selected, int scale)
{
    TCanvas canvas(16, 16, scale);
    QPainter& p = *canvas.Painter;
    // Head, stem and flag as one outline, so the green edge runs round the whole note. Straight
    // edges sit on half pixels so that the 1-pixel outline stays crisp at 16 x 16.
    QPainterPath head;
    head.addEllipse(QPointF(0, 0), 4.6, 3.3);
    QPainterPath note = QTransform().translate(6.2, 11.6).rotate(-24).map(head);
    QPainterPath stem;
    stem.addRect(QRectF(8.5, 0.5, 2.5, 11));
    note = note.united(stem);
    QPainterPath flag;
    flag.moveTo(10, 0.5);
    flag.cubicTo(QPointF(11, 3.8), QPointF(16.4, 4.6), QPointF(14.2, 10.4));
    flag.cubicTo(QPointF(14, 7.6), QPointF(12.4, 6.8), QPointF(10.5, 6.6));
    flag.closeSubpath();
    note = note.united(flag).simplified();
    p.setPen(QPen(QColor(0x2b, 0x9a, 0x3c), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(selected ? QColor(0xff, 0x55, 0x1c) : QColor(Qt::white));
    p.drawPath(note);
    return canvas.Finish();
}

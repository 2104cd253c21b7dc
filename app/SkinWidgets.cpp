#include "app/SkinWidgets.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

QLabel* NewSkinLabel(QWidget* parent, const QRect& geometry, const QFont& font, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, SkinGreen);
    label->setPalette(palette);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

TPictureBox::TPictureBox(QWidget* parent, const QRect& geometry)
    : QWidget(parent)
{
    setGeometry(geometry);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TPictureBox::SetPicture(const QPixmap& picture)
{
    FPicture = picture;
    update();
}

void TPictureBox::paintEvent(QPaintEvent*)
{
    if (FPicture.isNull()) {
        return;
    }
    QPainter(this).drawPixmap(0, 0, FPicture);
}

THotArea::THotArea(QWidget* parent, const QRect& geometry, int tag)
    : QWidget(parent)
    , FTag(tag)
{
    setGeometry(geometry);
    setCursor(Qt::PointingHandCursor);
}

void THotArea::enterEvent(QEnterEvent*)
{
    if (OnMouseEnter) {
        OnMouseEnter(this);
    }
}

void THotArea::leaveEvent(QEvent*)
{
    if (OnMouseLeave) {
        OnMouseLeave(this);
    }
}

void THotArea::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void THotArea::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) {
        OnClick(this);
    }
}

// The two small controls the skinned window is built from. Window thread only.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <functional>

class QLabel;

// The green of the window's own texts and lines.
inline const QColor SkinGreen{0x2e, 0x9d, 0x4f};

// A green label on the window's surface: it lets the mouse through, so pressing on it drags the
// window like the background does.
QLabel* NewSkinLabel(QWidget* parent, const QRect& geometry, const QFont& font, const QString& text);

// A picture at its own size in the top-left corner, letting the mouse through to the window.
class TPictureBox : public QWidget {
public:
    TPictureBox(QWidget* parent, const QRect& geometry);
    void SetPicture(const QPixmap& picture);
    const QPixmap& Picture() const { return FPicture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap FPicture;
};

// A transparent area that takes the mouse: it reports entering, leaving and a left click, and
// keeps presses from reaching the window (so they neither drag it nor play keys).
class THotArea : public QWidget {
public:
    THotArea(QWidget* parent, const QRect& geometry, int tag);

    int Tag() const { return FTag; }

    std::function<void(THotArea* sender)> OnMouseEnter;
    std::function<void(THotArea* sender)> OnMouseLeave;
    std::function<void(THotArea* sender)> OnClick;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int FTag;
};

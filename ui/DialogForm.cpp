#include "ui/DialogForm.h"

#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

void SetUpFixedDialog(QDialog& dialog, const QString& caption, const QSize& client, QRgb formColor, const QFont& font)
{
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    dialog.setFixedSize(client);
    dialog.setFont(font);
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, QColor(formColor));
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);
}

void CentreOnScreen(QDialog& dialog)
{
    const QWidget* owner = dialog.parentWidget();
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
}

namespace {

// A dialog presses only default buttons on Enter; these have none, so the focused one presses
// itself.
class TEnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if (!key->isAutoRepeat())
            static_cast<QPushButton*>(watched)->click();
        return true;
    }
};

} // namespace

QPushButton* NewDialogButton(QWidget* parent, const char* caption, const QRect& geometry)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->installEventFilter(new TEnterPresses(button));
    return button;
}

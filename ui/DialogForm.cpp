#include "ui/DialogForm.h"

#include <QDialog>
#include <QGuiApplication>
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

QPushButton* NewDialogButton(QWidget* parent, const char* caption, const QRect& geometry)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

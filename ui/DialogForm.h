// What the program's fixed dialogs share: a caption with only a close button, a client area
// that cannot be resized, filled with the form's colour, centred on the screen, and push
// buttons that Enter presses only when they have the focus. Window thread only.
#pragma once

#include <QColor>
#include <QString>

class QDialog;
class QFont;
class QPushButton;
class QRect;
class QSize;
class QWidget;

void SetUpFixedDialog(QDialog& dialog, const QString& caption, const QSize& client, QRgb formColor, const QFont& font);

// On the screen of the dialog's owner, or the primary screen without one. Moving it also keeps
// Qt from centring it over the owner when it is shown.
void CentreOnScreen(QDialog& dialog);

// Neither a default nor an auto-default button; Enter presses it while it has the focus.
QPushButton* NewDialogButton(QWidget* parent, const char* caption, const QRect& geometry);

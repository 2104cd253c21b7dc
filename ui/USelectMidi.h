// The song selection dialog: a list of the built-in songs, OK and Cancel. Closing with OK
// stores the chosen song in the selection values of ui/SongTables.h; the keyboard window
// reads them afterwards. Window thread only.
#pragma once

#include <QColor>
#include <QDialog>

class QListWidget;
class QPushButton;

class TFSelectMidi : public QDialog {
public:
    static constexpr int ClientWidth = 482;
    static constexpr int ClientHeight = 302;
    static constexpr int ItemHeight = 18;
    static constexpr QRgb FormColor = qRgb(192, 220, 192);
    static constexpr QRgb ListColor = qRgb(166, 202, 240);
    static constexpr QRgb ListTextColor = qRgb(0, 128, 0);

    // Created without an owner window, so it is centred on the screen.
    explicit TFSelectMidi(QWidget* parent = nullptr);

    QListWidget* MidiList;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    // List position of the selected item, -1 when none is selected.
    int SelectedRow() const;

    // A double click anywhere in the list chooses the selected item like OK; without one it
    // does nothing.
    void MidiListDblClick();
    // Stores the selected item in the selection values (nothing selected: leaves them).
    void btnOkClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Neither button is a default or cancel button: Enter only presses a focused button, and
    // Escape closes nothing.
    void keyPressEvent(QKeyEvent* event) override;
};

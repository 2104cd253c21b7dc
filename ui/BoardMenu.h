// The keyboard window's popup menu: file and channel commands, the playback and recording
// submenus (shown, but they do nothing), the 128 instruments in 16 groups of eight, the eight
// transpositions and the exit command. Items carry their number as `Tag` (QAction data): the
// program for instruments, the semitones for transpositions. The window owns one and connects
// the signals to its handlers. Window thread only.
#pragma once

#include <memory>

#include <QObject>
#include <QPoint>
#include <QString>

#include "ui/MenuStyle.h"

class QAction;
class QMenu;

// The menu caption of an instrument: the catalogue's Chinese name, except for four items whose
// captions were written differently (straight quotes, a leading blank, lower case).
// `program` 0..127, checked: throws std::out_of_range.
QString InstrumentCaption(int program);

class TBoardMenu : public QObject {
    Q_OBJECT

public:
    static constexpr int GroupCount = 16;
    static constexpr int MaxTranspose = 7;

    explicit TBoardMenu(QObject* parent = nullptr);
    ~TBoardMenu() override;

    QMenu* PopupMenu1() const { return FPopupMenu1.get(); }
    // Opens the menu with its right edge at `globalPoint`, the point clicked.
    void Popup(const QPoint& globalPoint);

    // The item's `Tag`; -1 for items without one.
    static int Tag(const QAction* item);

    QAction* NHelp = nullptr;
    QAction* NOpen = nullptr;
    QAction* NTune = nullptr;
    QAction* N20 = nullptr;  // "播放" submenu
    QAction* N119 = nullptr; // "录音" submenu
    QAction* N120 = nullptr; // "录/放同步控制" submenu
    QAction* NSelect = nullptr;
    QAction* nOffset = nullptr;
    QAction* N133 = nullptr;
    QAction* NExit = nullptr;
    // Program 0's item; start-up triggers it to apply the default instrument.
    QAction* NSelectDefault = nullptr;

signals:
    // Any of the 128 instrument items, with its program number (the window's OnSelectClick).
    void InstrumentClicked(int program);
    // Any of the eight transposition items, with its semitones (the window's nOffsetClick).
    void OffsetClicked(int semitones);
    void OpenClicked();
    void TuneClicked();
    void ExitClicked();

private:
    QMenu* AddSubmenu(QMenu* parent, const QString& caption, const char* name);
    void AddPlaceholderSubmenu(QMenu* parent, const QString& caption, const char* name,
                               std::initializer_list<const char*> items, QAction*& item);
    void BuildInstruments(QMenu* select);
    void BuildTranspositions(QMenu* offset);

    // Declared first so that it outlives every menu drawn with it.
    std::unique_ptr<TMenuStyle> FStyle;
    std::unique_ptr<QMenu> FPopupMenu1;
};

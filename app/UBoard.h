// The keyboard window: a frameless, skinned 765 x 341 window with the 60-key keyboard, the
// close button, the transport buttons and the LED panel. It starts and tears down the
// program's parts in a fixed order, plays notes from the mouse and the computer keyboard
// through an application-wide event filter (AppMessage), and wires the song player, the
// recorder control and the menu to its state.
//
// Threads: everything here runs on the window thread; the song player says what its playback
// handlers do on the timer thread.
#pragma once

#include "app/PianoKeys.h"
#include "app/SkinImages.h"
#include "midi/ChannelSet.h"

#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TBoardMenu;
class TFrameLed;
class TInstrumentSelector;
class TMidiFile;
class TMidiInputs;
class TMidiKeyboard;
class TMidiOutDriver;
class TMidiOutput;
class TMidiTimer;
class TNotifyPoster;
class TPictureBox;
class THotArea;
class TRecorderControl;
class TSongPlayer;
class TTransportButtons;
class TUserDialogs;
class TTouchKeys;

class TFBoard : public QWidget {
    Q_OBJECT

public:
    static constexpr int ClientWidth = 765;
    static constexpr int ClientHeight = 341;

    // Runs the whole start-up. `driver` and `poster` must outlive the window; `appDir` is the
    // folder the img folder is read from (the executable's, with a trailing separator).
    // `dialogs` (which must outlive the window) answers the boxes and file dialogs; by default
    // the window shows the real ones.
    TFBoard(TMidiOutDriver& driver, TNotifyPoster& poster, const QString& appDir = ExecutableDir(),
            TUserDialogs* dialogs = nullptr);
    ~TFBoard() override;

    static QString ExecutableDir();

    // The application-wide filter: acts on key and left-button mouse events meant for this
    // window itself and always lets them go on to it.
    bool AppMessage(QObject* receiver, QEvent* event);

    void ComputerKeyDown(int32_t code);
    void ComputerKeyUp(int32_t code);
    // One short message per channel of KeyChannels, ascending; note-on and note-off carry
    // the note shifted by Transpose.
    void SendToKeyChannels(uint8_t kind, uint8_t data1, uint8_t data2);

    int32_t NoteAtPoint(QPoint p) const;
    void DrawKeyDown(int32_t note);
    void DrawKeyUp(int32_t note);
    void DrawAllKeysUp();

    // Shows trouble the program works around in a box owned by this window, after the current
    // event has been handled (so a box never opens in the middle of a key press or in
    // start-up). Tests replace ShowMessage to collect what the user would read.
    void Report(const QString& text);
    std::function<void(const QString& text)> ShowMessage;

    // --- State (named as the rest of the program refers to it) ------------------------------
    QString AppDir;
    TSkinImages Skin;
    TKeyTable Keys;
    int32_t MouseNote = 0;
    TChannelSet KeyChannels;
    int32_t CurrentProgram = 0;
    // Written on the window thread, read by the playback thread for every song event.
    std::atomic<bool> PlayAlong{false};
    // Semitones (0 to 7) added to every note the keyboard sends. Written on the window thread,
    // read by the MIDI keyboard's input threads.
    std::atomic<int32_t> Transpose{0};
    int32_t DragX = 0;
    int32_t DragY = 0;
    bool Dragging = false;

    // Members are destroyed in reverse order: everything that sends goes before the device,
    // and the player (which stops the timer) before the songs and the timer.
    std::unique_ptr<TMidiOutput> MidiOutput1;
    std::unique_ptr<TMidiFile> MidiFile1; // the song
    std::unique_ptr<TMidiFile> MidiRec;   // the recording
    std::unique_ptr<TMidiTimer> MidiTimer;
    // The right-click menu: instruments, transpositions and the file commands.
    std::unique_ptr<TBoardMenu> Menu;
    std::unique_ptr<TInstrumentSelector> Selector;
    std::unique_ptr<TUserDialogs> OwnDialogs;
    TUserDialogs* Dialogs;
    std::unique_ptr<TTransportButtons> Buttons;
    std::unique_ptr<TRecorderControl> Recorder;
    std::unique_ptr<TSongPlayer> Player;
    // Fingers on a touch screen and a MIDI keyboard, with the inputs that feed it (stopped
    // first thing in the destructor: their threads send through the device).
    std::unique_ptr<TTouchKeys> TouchKeys;
    std::unique_ptr<TMidiKeyboard> MidiKeyboard;
    std::unique_ptr<TMidiInputs> MidiInputs;

    // Controls of the layout.
    QLabel* Label1;       // the product name, one letter per line
    TPictureBox* Image2;  // the close button's picture
    THotArea* lblClose;
    QLabel* lblCaption;   // the current song's title
    QLabel* lblOffset;    // the transposition, hidden until one is chosen
    TFrameLed* FrameLed;  // the LED status panel

    // Where the LED panel sits.
    static constexpr QRect LedPanelPlace{269, 40, 212, 113};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void BuildKeyTable();
    void CreateControls();
    void OpenOutputDevice();
    // Gives the key its pressed or released picture and repaints it.
    void ShowKey(int32_t note, bool down);
    void PaintKey(QPainter& painter, int32_t note) const;
    void MouseKeyEvent(const QMouseEvent& event);
    void ReportDeviceError(const std::exception& error);
    void ConnectMenu();
    void ConnectTransport();
    void ConnectFingersAndMidiKeyboard();
    void OnSelectClick(int program);
    void nOffsetClick(int semitones);
    void NTuneClick();
    // Runs a menu or button command; exceptions must not leave Qt's signal dispatch.
    void Guarded(const std::function<void()>& command);
    void ShowReports();

    QPixmap FBackground;
    QPixmap FLogo;
    std::vector<QString> FReports;
    // The device's last error the user was shown, so a failing device is reported once
    // rather than once per note.
    QString FShownDeviceError;
    bool FDeviceUnavailable = false;
};

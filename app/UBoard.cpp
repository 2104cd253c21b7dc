#include "app/UBoard.h"

#include "app/KeyMap.h"
#include "app/MidiKeyboard.h"
#include "app/NativeKeyCode.h"
#include "app/RecorderControl.h"
#include "app/SkinWidgets.h"
#include "app/SongPlayer.h"
#include "app/TouchKeys.h"
#include "app/TransportButtons.h"
#include "midi/MidiFile.h"
#include "midi/MidiOut.h"
#include "midi/MidiTimer.h"
#include "midi/platform/MidiInput.h"
#include "midi/platform/TerminationSignals.h"
#include "ui/BoardMenu.h"
#include "ui/Fonts.h"
#include "ui/InstrumentSelector.h"
#include "ui/OffsetLabel.h"
#include "ui/RecoveryRecording.h"
#include "ui/ULedFrame.h"
#include "ui/UTune.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

namespace {

bool OnWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

QString TFBoard::ExecutableDir()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

TFBoard::TFBoard(TMidiOutDriver& driver, TNotifyPoster& poster, const QString& appDir, TUserDialogs* dialogs)
    : QWidget(nullptr, Qt::FramelessWindowHint)
    , AppDir(appDir)
    , MidiOutput1(std::make_unique<TMidiOutput>(driver, poster))
    , MidiFile1(std::make_unique<TMidiFile>())
    , MidiRec(std::make_unique<TMidiFile>())
    , OwnDialogs(dialogs != nullptr ? nullptr : std::make_unique<TQtUserDialogs>(this))
    , Dialogs(dialogs != nullptr ? dialogs : OwnDialogs.get())
{
    ShowMessage = [this](const QString& text) { Dialogs->Warn(text); };
    setWindowTitle(QStringLiteral("Tinkla"));
    setFixedSize(ClientWidth, ClientHeight);
    move(208, 151);
    setFocusPolicy(Qt::StrongFocus);
    CreateControls();
    FormCreate();
}

TFBoard::~TFBoard()
{
    MidiInputs.reset();
    qApp->removeEventFilter(this);
}

void TFBoard::CreateControls()
{
    Label1 = NewSkinLabel(this, {20, 40, 17, 113}, TinklaFont(QStringLiteral("新宋体"), 13, true),
                      QStringLiteral("T\ni\nn\nk\nl\na"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    Image2 = new TPictureBox(this, {720, 16, 33, 33});
    lblClose = new THotArea(this, {720, 16, 32, 32}, 0);
    lblClose->OnMouseEnter = [this](THotArea*) { Image2->SetPicture(Skin.PngCloseHot); };
    lblClose->OnMouseLeave = [this](THotArea*) { Image2->SetPicture(Skin.PngClose); };
    lblClose->OnClick = [this](THotArea*) { close(); };

    Buttons = std::make_unique<TTransportButtons>(
        *this, AppDir, Skin.PngOpenHot, [this] { return MidiFile1->Playing(); }, [this] { return MidiRec->Recording(); });

    lblCaption = NewSkinLabel(this, {209, 21, 0, 0}, TinklaFont(QStringLiteral("Courier New"), 16, true), QString());
    lblOffset = CreateOffsetLabel(this);

    FrameLed = new TFrameLed(this);
    FrameLed->setGeometry(LedPanelPlace);
    // A display only: it never takes the mouse or the focus.
    FrameLed->setEnabled(false);
}

void TFBoard::FormCreate()
{
    // The skin: pictures beside the program, and those compiled in with the layout. A missing
    // picture is reported and drawn plainly; the keyboard still plays.
    const qreal density = qApp->devicePixelRatio();
    std::vector<TSkinProblem> problems = Skin.Load(AppDir, density);
    const auto layoutPicture = [&](const QString& path) {
        try {
            return LoadSkinPicture(path, density);
        } catch (const ESkinError& error) {
            problems.push_back(error.Problem);
            return QPixmap();
        }
    };
    FBackground = layoutPicture(QStringLiteral(":/layout/Background.jpg"));
    FLogo = layoutPicture(QStringLiteral(":/layout/Logo.png"));
    Image2->SetPicture(layoutPicture(QStringLiteral(":/layout/Close.png")));
    for (TSkinProblem& problem : Buttons->Load(density)) {
        problems.push_back(std::move(problem));
    }
    if (!problems.empty()) {
        QString text = QStringLiteral("有些皮肤图片读不出来，键盘会用简单的样子显示：\n");
        for (const TSkinProblem& problem : problems) {
            text += QStringLiteral("\n%1（%2）").arg(problem.Path, problem.Reason);
        }
        text += QStringLiteral("\n\n请重新安装 Tinkla，让 img 文件夹和程序放在同一个文件夹里。");
        Report(text);
    }

    BuildKeyTable();
    OpenOutputDevice();
    MouseNote = 0;
    DrawAllKeysUp();
    qApp->installEventFilter(this);

    MidiTimer = std::make_unique<TMidiTimer>();

    // Qt paints every widget double-buffered; nothing to switch on.

    FrameLed->ResetPanel();
    FrameLed->ResetProgress();
    FrameLed->update();

    KeyChannels = {0};

    Selector = std::make_unique<TInstrumentSelector>(*MidiOutput1, *FrameLed, CurrentProgram, KeyChannels);
    ConnectTransport();
    ConnectMenu();
    Menu->NSelectDefault->trigger();
    ConnectFingersAndMidiKeyboard();
}

void TFBoard::ConnectFingersAndMidiKeyboard()
{
    // Fingers and a MIDI keyboard play as the mouse and the computer keys do.
    const TKeyDrawing drawing{Keys, [this](int32_t note) { DrawKeyDown(note); }, [this](int32_t note) { DrawKeyUp(note); }};
    TouchKeys = std::make_unique<TTouchKeys>(drawing, [this](uint8_t kind, uint8_t data1, uint8_t data2) {
        SendToKeyChannels(kind, data1, data2);
    });
    setAttribute(Qt::WA_AcceptTouchEvents);
    MidiKeyboard = std::make_unique<TMidiKeyboard>(
        *MidiOutput1, KeyChannels, Transpose, drawing, [this](int32_t program) { OnSelectClick(program); },
        [this](const EmidioutputError& error) { ReportDeviceError(error); },
        [this](std::function<void()> work) { QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection); });
    MidiInputs = OpenMidiInputs([keyboard = MidiKeyboard.get()](uint8_t status, uint8_t data1, uint8_t data2) {
        keyboard->Receive(status, data1, data2);
    });
}

void TFBoard::ConnectTransport()
{
    // Every short message sent, from either thread, reaches the recording.
    MidiOutput1->OnMidiShortOutput = [this](PMidiEvent event) { MidiRec->RecordEvent(event); };
    Recorder = std::make_unique<TRecorderControl>(*MidiRec, *FrameLed->Label1, *Buttons, *Dialogs);
    Player = std::make_unique<TSongPlayer>(TSongPlayerBindings{
        *MidiFile1, *MidiTimer, *MidiOutput1, *FrameLed, *Buttons, *Dialogs, PlayAlong, KeyChannels, Transpose,
        *lblCaption, *lblOffset, [this](const std::exception& error) { ReportDeviceError(error); },
        [this](const QString& text) { Report(text); }});
    Buttons->OnClick = [this](int tag) {
        Guarded([this, tag] {
            switch (tag) {
            case TTransportButtons::Open: Player->lblOpenClick(); break;
            case TTransportButtons::Play: Player->lblPlayClick(); break;
            case TTransportButtons::Stop: Player->lblStopClick(); break;
            case TTransportButtons::Rec: Recorder->lblRecClick(); break;
            case TTransportButtons::RecPlay: Player->lblRecPlayClick(); break;
            case TTransportButtons::Stop1: Recorder->lblStop1Click(); break;
            case TTransportButtons::Save: Recorder->lblSaveClick(); break;
            default: break;
            }
        });
    };
}

void TFBoard::Guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const EmidioutputError& error) {
        ReportDeviceError(error);
    } catch (const std::exception& error) {
        Dialogs->ShowError(QString::fromStdString(error.what()));
    }
}

void TFBoard::ConnectMenu()
{
    Menu = std::make_unique<TBoardMenu>();
    connect(Menu.get(), &TBoardMenu::InstrumentClicked, this, &TFBoard::OnSelectClick);
    connect(Menu.get(), &TBoardMenu::OffsetClicked, this, &TFBoard::nOffsetClick);
    connect(Menu.get(), &TBoardMenu::ExitClicked, this, &QWidget::close);
    connect(Menu.get(), &TBoardMenu::OpenClicked, this, [this] { Guarded([this] { Player->NOpenClick(); }); });
    connect(Menu.get(), &TBoardMenu::TuneClicked, this, [this] { Guarded([this] { NTuneClick(); }); });
}

void TFBoard::NTuneClick()
{
    // No program change and no new instrument line: the Z key and the next instrument choice
    // bring both to the new channels.
    RunTuneDialog(
        *MidiFile1, KeyChannels, PlayAlong, *MidiOutput1, [this](const std::exception& error) { ReportDeviceError(error); },
        this, [this](TFTune& dialog) { return Dialogs->Exec(dialog); });
}

void TFBoard::OnSelectClick(int program)
{
    Guarded([this, program] { Selector->SelectInstrument(program); });
}

void TFBoard::nOffsetClick(int semitones)
{
    Transpose = semitones;
    ShowOffset(*lblOffset, semitones);
}

void TFBoard::contextMenuEvent(QContextMenuEvent* event)
{
    Menu->Popup(event->globalPos());
}

void TFBoard::OpenOutputDevice()
{
    try {
        SelectStartupDevice(*MidiOutput1);
    } catch (const EmidioutputError& error) {
        FDeviceUnavailable = true;
        Report(QStringLiteral("找不到 MIDI 输出设备：%1\n\n键盘可以显示，但不会发出声音。"
                              "请检查 TINKLA_MIDI_OUT 设置的设备名，或者安装 SoundFont（fluid-soundfont-gm）后重新启动 Tinkla。")
                   .arg(QString::fromStdString(error.what())));
        return;
    }
    // What the device runs into after opening (a SoundFont that does not load, a sound server
    // that goes away) arrives later, on this thread.
    MidiOutput1->OnDeviceTrouble = [this](TMidiOutput*, uint16_t code) {
        ReportDeviceError(EmidioutputError(MidiOutput1->ErrorText(code)));
    };
    if (!MidiOutput1->Open()) {
        FDeviceUnavailable = true;
        Report(QStringLiteral("MIDI 输出设备“%1”打不开：%2\n\n键盘可以显示，但不会发出声音。"
                              "请关闭正在使用这个设备的其他程序，检查声音设置后重新启动 Tinkla。")
                   .arg(QString::fromStdString(MidiOutput1->ProductName()),
                        QString::fromStdString(MidiOutput1->ErrorText(MidiOutput1->LastError()))));
    }
}

void TFBoard::BuildKeyTable()
{
    Keys = ::BuildKeyTable();
}

void TFBoard::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TFBoard::FormClose()
{
    if (TTerminationSignals::QuitRequested()) {
        // Quitting on a signal asks nothing: an unsaved recording goes to the recovery folder.
        WriteRecoveryRecording(*MidiRec);
    } else {
        if (MidiRec->Recording()) {
            Recorder->lblStop1Click();
        }
        if (MidiRec->GetSongLength() > 0 && !Recorder->AskSaveRecording()) {
            // The user wanted it saved and writing failed: it is not lost with the window.
            const QString kept = WriteRecoveryRecording(*MidiRec);
            if (!kept.isEmpty()) {
                Dialogs->Inform(QStringLiteral("录音另外保存在这里：\n%1").arg(kept));
            }
        }
    }
    // A song still playing is stopped with its All Sound Off, so no note of it keeps sounding
    // on an external synthesizer once the device is closed.
    if (MidiFile1->Playing()) {
        Player->StopPlayback();
    }
    // The timer stops before anything its ticks reach (the song, the device, the panel) goes.
    MidiTimer->Stop();
    qApp->removeEventFilter(this);
    // The skin pictures and the output device are freed with the window.
}

int32_t TFBoard::NoteAtPoint(QPoint p) const
{
    return ::NoteAtPoint(Keys, p.x(), p.y());
}

void TFBoard::DrawKeyDown(int32_t note)
{
    ShowKey(note, true);
}

void TFBoard::DrawKeyUp(int32_t note)
{
    ShowKey(note, false);
}

void TFBoard::ShowKey(int32_t note, bool down)
{
    TPianoKey& key = Keys[size_t(note)];
    switch (key.Kind) {
    case kkBlack: key.Image = down ? &Skin.PngBlackKeyDown : &Skin.PngBlackKeyUp; break;
    case kkWhiteLeft: key.Image = down ? &Skin.PngKeyDownL : &Skin.PngKeyUpL; break;
    case kkWhiteMiddle: key.Image = down ? &Skin.PngKeyDown : &Skin.PngKeyUp; break;
    case kkWhiteRight: key.Image = down ? &Skin.PngKeyDownR : &Skin.PngKeyUpR; break;
    default: return;
    }
    update(key.Rect.Left, key.Rect.Top, key.Rect.Width(), key.Rect.Height());
}

void TFBoard::DrawAllKeysUp()
{
    for (int32_t note = LowestKeyNote; note <= HighestKeyNote; ++note) {
        DrawKeyUp(note);
    }
}

void TFBoard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (FBackground.isNull()) {
        painter.fillRect(rect(), QColor(0xff, 0xf1, 0xd6));
    } else {
        painter.drawPixmap(rect(), FBackground);
    }
    painter.drawPixmap(QRect(16, 8, 33, 33), FLogo);
    for (const auto& [y, width] : {std::pair{22, 148}, std::pair{27, 135}, std::pair{32, 119}}) {
        painter.fillRect(QRect(53, y, width, 2), SkinGreen);
    }
    // White keys first: the black keys lie over their edges.
    for (const bool black : {false, true}) {
        for (int32_t note = LowestKeyNote; note <= HighestKeyNote; ++note) {
            if ((Keys[size_t(note)].Kind == kkBlack) == black) {
                PaintKey(painter, note);
            }
        }
    }
}

void TFBoard::PaintKey(QPainter& painter, int32_t note) const
{
    const TPianoKey& key = Keys[size_t(note)];
    const QRect place(key.Rect.Left, key.Rect.Top, key.Rect.Width(), key.Rect.Height());
    if (key.Image != nullptr && !key.Image->isNull()) {
        painter.drawPixmap(place.topLeft(), *key.Image);
        return;
    }
    // No picture: a plain key that still shows whether it is down.
    const bool black = key.Kind == kkBlack;
    const QColor up = black ? QColor(0x3a, 0x32, 0x5a) : QColor(Qt::white);
    const QColor down = black ? QColor(0xf0, 0x5d, 0x82) : QColor(0xff, 0xc4, 0x3d);
    painter.fillRect(place.adjusted(0, 0, -1, -1), key.Pressed ? down : up);
    painter.setPen(QColor(0x5a, 0x4c, 0x93));
    painter.drawRect(place.adjusted(0, 0, -1, -1));
}

bool TFBoard::eventFilter(QObject* watched, QEvent* event)
{
    return AppMessage(watched, event);
}

bool TFBoard::AppMessage(QObject* receiver, QEvent* event)
{
    // Only events for this window itself: not its dialogs, not its child controls, and not
    // the native window object Qt delivers them through first.
    if (receiver != this) {
        return false;
    }
    try {
        // Fingers play through their own unit; mouse events made from touches play nothing.
        if (TouchKeys && TouchKeys->Event(*event)) {
            return true;
        }
        switch (event->type()) {
        case QEvent::KeyPress:
            ComputerKeyDown(KeyCodeOf(*static_cast<QKeyEvent*>(event)));
            break;
        case QEvent::KeyRelease:
            // X11 reports a held key's repeats as release/press pairs: such a release ends nothing.
            if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
                ComputerKeyUp(KeyCodeOf(*static_cast<QKeyEvent*>(event)));
            }
            break;
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            MouseKeyEvent(*static_cast<QMouseEvent*>(event));
            break;
        default:
            break;
        }
    } catch (const EmidioutputError& error) {
        ReportDeviceError(error);
    }
    return false;
}

void TFBoard::MouseKeyEvent(const QMouseEvent& event)
{
    if (DragX + DragY > 0) {
        return;
    }
    const QPoint p = event.position().toPoint();
    switch (event.type()) {
    case QEvent::MouseMove: {
        if (!(event.buttons() & Qt::LeftButton)) {
            return;
        }
        const int32_t n = NoteAtPoint(p);
        if (MouseNote > 0 && MouseNote != n) {
            SendToKeyChannels(0x80, uint8_t(MouseNote), 127);
            DrawKeyUp(MouseNote);
            Keys[size_t(MouseNote)].Pressed = false;
            MouseNote = 0;
        }
        if (n >= 1 && n <= HighestKeyNote && !Keys[size_t(n)].Pressed) {
            DrawKeyDown(n);
            MouseNote = n;
            Keys[size_t(n)].Pressed = true;
            SendToKeyChannels(0x90, uint8_t(n), 127);
        }
        return;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (event.button() != Qt::LeftButton) {
            return;
        }
        const int32_t n = NoteAtPoint(p);
        if (n > 0) {
            SendToKeyChannels(0x90, uint8_t(n), 127);
            DrawKeyDown(n);
            Keys[size_t(n)].Pressed = true;
            MouseNote = n;
        }
        return;
    }
    case QEvent::MouseButtonRelease:
        if (event.button() == Qt::LeftButton && MouseNote > 0) {
            SendToKeyChannels(0x80, uint8_t(MouseNote), 127);
            DrawKeyUp(MouseNote);
            Keys[size_t(MouseNote)].Pressed = false;
            MouseNote = 0;
        }
        return;
    default:
        return;
    }
}

void TFBoard::ComputerKeyDown(int32_t code)
{
    const int32_t n = KeyCodeToNote(code);
    if (n > 0 && !Keys[size_t(n)].Pressed) {
        SendToKeyChannels(0x90, uint8_t(n), 127);
        DrawKeyDown(n);
        Keys[size_t(n)].Pressed = true;
    }
    Selector->KeyDown(code);
}

void TFBoard::ComputerKeyUp(int32_t code)
{
    const int32_t n = KeyCodeToNote(code);
    if (n > 0) {
        SendToKeyChannels(0x80, uint8_t(n), 127);
        DrawKeyUp(n);
        Keys[size_t(n)].Pressed = false;
    }
}

void TFBoard::SendToKeyChannels(uint8_t kind, uint8_t data1, uint8_t data2)
{
    for (const int c : KeyChannels) {
        if (c >= 16) {
            break;
        }
        const auto channel = uint8_t(c);
        if (kind == 0x80 || kind == 0x90) {
            MidiOutput1->SendShort(uint8_t(kind + channel), uint8_t((data1 + Transpose) % 256), data2);
        } else {
            MidiOutput1->SendShort(uint8_t(kind + channel), data1, data2);
        }
    }
}

void TFBoard::mousePressEvent(QMouseEvent* event)
{
    // Keys play; everything else on the window's surface moves it.
    if (event->button() != Qt::LeftButton || NoteAtPoint(event->position().toPoint()) > 0) {
        return;
    }
    // Wayland lets no program place its own window: the compositor runs the drag instead.
    if (OnWayland() && windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        return;
    }
    DragX = event->position().toPoint().x();
    DragY = event->position().toPoint().y();
    Dragging = true;
}

void TFBoard::mouseMoveEvent(QMouseEvent* event)
{
    if (Dragging) {
        move(pos() + event->position().toPoint() - QPoint(DragX, DragY));
    }
}

void TFBoard::mouseReleaseEvent(QMouseEvent*)
{
    Dragging = false;
    DragX = 0;
    DragY = 0;
}

void TFBoard::ReportDeviceError(const std::exception& error)
{
    const QString text = QString::fromStdString(error.what());
    // A device that never opened was explained at start-up, and every note would fail the
    // same way; an open device's failure is told again only when it changes.
    if (FDeviceUnavailable || text == FShownDeviceError) {
        return;
    }
    FShownDeviceError = text;
    Report(QStringLiteral("声音出不来了：%1\n\n请检查 MIDI 输出设备和声音设置。").arg(text));
}

void TFBoard::Report(const QString& text)
{
    FReports.push_back(text);
    if (FReports.size() == 1) {
        QTimer::singleShot(0, this, &TFBoard::ShowReports);
    }
}

void TFBoard::ShowReports()
{
    QString text;
    for (const QString& report : FReports) {
        text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + report;
    }
    FReports.clear();
    if (!text.isEmpty() && ShowMessage && !TTerminationSignals::QuitRequested()) {
        ShowMessage(text);
    }
}

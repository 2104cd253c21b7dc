#include "app/UBoard.h"

#include "app/KeyMap.h"
#include "app/NativeKeyCode.h"
#include "app/SkinWidgets.h"
#include "midi/MidiOut.h"
#include "ui/BoardMenu.h"
#include "ui/Fonts.h"
#include "ui/InstrumentSelector.h"
#include "ui/OffsetLabel.h"
#include "ui/ULedFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

namespace {

const QColor LabelGreen(0x2e, 0x9d, 0x4f);

struct TTransportPlace {
    int X;
    const char* Picture;
    const char* Caption;
};

// The seven buttons: choose a song, play, stop, record, play along, stop recording, save.
constexpr std::array<TTransportPlace, TFBoard::TransportCount> TransportPlaces = {{
    {176, ":/layout/btn_Open.png", "选曲"},
    {232, ":/layout/btn_play.png", "播放"},
    {288, ":/layout/btn_stop.png", "终止"},
    {368, ":/layout/btn_rec.png", "录音"},
    {424, ":/layout/btn_recplay.png", "伴奏"},
    {480, ":/layout/btn_stop_rec.png", "停录"},
    {560, ":/layout/btn_save.png", "保存"},
}};
constexpr int TransportTop = 168;
constexpr int CaptionTop = 199;

QLabel* NewLabel(QWidget* parent, const QRect& geometry, const QFont& font, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, LabelGreen);
    label->setPalette(palette);
    // Labels belong to the window's surface: pressing on them drags the window.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

bool OnWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

QString TFBoard::ExecutableDir()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

TFBoard::TFBoard(TMidiOutDriver& driver, TNotifyPoster& poster, const QString& appDir)
    : QWidget(nullptr, Qt::FramelessWindowHint)
    , AppDir(appDir)
    , MidiOutput1(std::make_unique<TMidiOutput>(driver, poster))
{
    ShowMessage = [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("信息"), text); };
    setWindowTitle(QStringLiteral("Tinkla"));
    setFixedSize(ClientWidth, ClientHeight);
    move(208, 151);
    setFocusPolicy(Qt::StrongFocus);
    CreateControls();
    FormCreate();
}

TFBoard::~TFBoard()
{
    qApp->removeEventFilter(this);
}

void TFBoard::CreateControls()
{
    Label1 = NewLabel(this, {20, 40, 17, 113}, TinklaFont(QStringLiteral("新宋体"), 13, true),
                      QStringLiteral("T\ni\nn\nk\nl\na"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    Image2 = new TPictureBox(this, {720, 16, 33, 33});
    lblClose = new THotArea(this, {720, 16, 32, 32}, 0);
    lblClose->OnMouseEnter = [this](THotArea*) { Image2->SetPicture(Skin.PngCloseHot); };
    lblClose->OnMouseLeave = [this](THotArea*) { Image2->SetPicture(Skin.PngClose); };
    lblClose->OnClick = [this](THotArea*) { close(); };

    const QFont captionFont = TinklaFont(QStringLiteral("楷体_GB2312"), 16, true);
    for (int tag = 0; tag < TransportCount; ++tag) {
        const TTransportPlace& place = TransportPlaces[size_t(tag)];
        TransportPictures[size_t(tag)] = new TPictureBox(this, {place.X, TransportTop, 48, 29});
        // Button behaviour is attached by the transport controls; the areas already keep
        // presses on the buttons from dragging the window or playing keys.
        TransportHotAreas[size_t(tag)] = new THotArea(this, {place.X, TransportTop, 49, 29}, tag);
        TransportCaptions[size_t(tag)] = NewLabel(this, {place.X + 9, CaptionTop, 34, 16}, captionFont,
                                                  QString::fromUtf8(place.Caption));
        TransportCaptions[size_t(tag)]->setAlignment(Qt::AlignCenter);
    }

    lblCaption = NewLabel(this, {59, 11, 300, 20}, TinklaFont(QStringLiteral("Courier New"), 16, true), QString());
    lblCaption->setAlignment(Qt::AlignCenter);
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
    for (int tag = 0; tag < TransportCount; ++tag) {
        TransportPictures[size_t(tag)]->SetPicture(layoutPicture(QString::fromUtf8(TransportPlaces[size_t(tag)].Picture)));
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

    // Seam: create the playback timer MidiTimer (owned by this window) here.

    // Qt paints every widget double-buffered; nothing to switch on.

    FrameLed->ResetPanel();
    FrameLed->ResetProgress();
    FrameLed->update();

    KeyChannels = {0};

    Selector = std::make_unique<TInstrumentSelector>(*MidiOutput1, *FrameLed, CurrentProgram, KeyChannels);
    ConnectMenu();
    Menu->NSelectDefault->trigger();
}

void TFBoard::ConnectMenu()
{
    Menu = std::make_unique<TBoardMenu>();
    connect(Menu.get(), &TBoardMenu::InstrumentClicked, this, &TFBoard::OnSelectClick);
    connect(Menu.get(), &TBoardMenu::OffsetClicked, this, &TFBoard::nOffsetClick);
    connect(Menu.get(), &TBoardMenu::ExitClicked, this, &QWidget::close);
    // Seam: OpenClicked and TuneClicked open a song file and the channel dialog.
}

void TFBoard::OnSelectClick(int program)
{
    // Menu clicks arrive through Qt's signal dispatch, which must not be left by an exception.
    try {
        Selector->SelectInstrument(program);
    } catch (const EmidioutputError& error) {
        ReportDeviceError(error);
    }
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
    // Seam: if MidiRec is recording, StopRecording; if it holds anything, AskSaveRecording.

    // Seam: stop MidiTimer here, before anything its ticks reach (the song, the output device,
    // the LED panel) goes away.

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
        painter.fillRect(QRect(53, y, width, 2), LabelGreen);
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
    if (!text.isEmpty() && ShowMessage) {
        ShowMessage(text);
    }
}

#include "ui/UTune.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "midi/MidiFile.h"
#include "midi/MidiOut.h"
#include "ui/DialogForm.h"
#include "ui/Fonts.h"

namespace {

constexpr int IconSize = 17;
constexpr int PictureSize = 16;

// Places inside the group box, in four columns of four.
struct TChannelPlace {
    QPoint Box;
    QPoint Icon;
};

constexpr std::array<TChannelPlace, TFTune::ChannelCount> Places{{
    {{16, 24}, {73, 24}},   {{16, 44}, {73, 43}},   {{16, 64}, {73, 63}},   {{16, 84}, {73, 83}},
    {{120, 25}, {177, 24}}, {{120, 45}, {177, 43}}, {{120, 65}, {177, 63}}, {{120, 85}, {177, 83}},
    {{224, 26}, {281, 26}}, {{224, 46}, {281, 45}}, {{224, 66}, {281, 65}}, {{224, 86}, {281, 85}},
    {{336, 27}, {393, 27}}, {{336, 47}, {393, 46}}, {{336, 67}, {393, 66}}, {{336, 88}, {393, 86}},
}};

// A group box drawn flat on the form colour: the platform style shades a group's inside, and
// the blank icons (filled with the form colour) would show as patches on it.
class TFlatGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QFontMetrics metrics(font());
        painter.setPen(QColor(0x9d, 0xc3, 0xe6));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, metrics.height() / 2 + 0.5, -0.5, -0.5), 5, 5);
        const QRect caption(8, 0, metrics.horizontalAdvance(title()) + 6, metrics.height());
        painter.fillRect(caption, palette().window());
        painter.setPen(palette().windowText().color());
        painter.drawText(caption, Qt::AlignCenter, title());
    }
};


} // namespace

TNoteIcon::TNoteIcon(QWidget* parent) : QWidget(parent)
{
    resize(IconSize, IconSize);
    const qreal density = devicePixelRatioF();
    FCanvas = QPixmap(QSize(IconSize, IconSize) * density);
    FCanvas.setDevicePixelRatio(density);
    FCanvas.fill(Qt::transparent);
}

void TNoteIcon::Fill(const QColor& colour)
{
    FCanvas.fill(colour);
    update();
}

void TNoteIcon::Draw(const QIcon& picture)
{
    QPainter painter(&FCanvas);
    painter.drawPixmap(0, 0, picture.pixmap(QSize(PictureSize, PictureSize), FCanvas.devicePixelRatio()));
    update();
}

void TNoteIcon::paintEvent(QPaintEvent*)
{
    QPainter(this).drawPixmap(0, 0, FCanvas);
}

void TNoteIcon::mousePressEvent(QMouseEvent* event)
{
    FPressed = event->button() == Qt::LeftButton;
}

// A click is a press and release of the left button, both on the icon.
void TNoteIcon::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    FPressed = false;
    if (click && OnClick)
        OnClick();
}

// The second press of a double click starts no click of its own: a double click toggles once.
void TNoteIcon::mouseDoubleClickEvent(QMouseEvent*)
{
    FPressed = false;
}

TFTune::TFTune(TMidiFile& song, TChannelSet& keyChannels, const std::atomic<bool>& playAlong, TMidiOutput& output,
               std::function<void(const std::exception&)> reportDeviceError, QWidget* parent)
    : QDialog(parent)
    , ImageList1{QIcon(QStringLiteral(":/layout/NoteIcon.png")), QIcon(QStringLiteral(":/layout/NoteIconSelected.png"))}
    , FSong(song)
    , FKeyChannels(keyChannels)
    , FPlayAlong(playAlong)
    , FOutput(output)
    , FReportDeviceError(std::move(reportDeviceError))
{
    SetUpFixedDialog(*this, QString::fromUtf8("调整"), QSize(ClientWidth, ClientHeight), FormColor,
                     TinklaFont(QStringLiteral("MS Sans Serif"), 11));

    GroupBox1 = new TFlatGroupBox(QString::fromUtf8("选择播放或者录制的通道"), this);
    GroupBox1->setGeometry(16, 16, 433, 121);
    // Icons are created before the check boxes, as the dialog fills itself in that order.
    for (int n = 1; n <= ChannelCount; ++n) {
        auto* icon = new TNoteIcon(GroupBox1);
        icon->setObjectName(QStringLiteral("Image%1").arg(n));
        icon->move(Places[size_t(n - 1)].Icon);
        icon->OnClick = [this, icon] { ImageClick(icon); };
        Image[size_t(n - 1)] = icon;
    }
    for (int n = 1; n <= ChannelCount; ++n) {
        auto* box = new QCheckBox(QString::fromUtf8("通道%1").arg(n), GroupBox1);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(n));
        box->setGeometry(QRect(Places[size_t(n - 1)].Box, QSize(57, 17)));
        box->setEnabled(false);
        // `clicked` comes from the user only; FormCreate applies the handler itself.
        connect(box, &QCheckBox::clicked, this, [this, n] { CheckBoxClick(n); });
        CheckBox[size_t(n - 1)] = box;
    }

    Button1 = NewDialogButton(this, "确定", QRect(179, 159, 75, 25));
    Button2 = NewDialogButton(this, "取消", QRect(331, 159, 75, 25));
    connect(Button1, &QPushButton::clicked, this, [this] {
        Button1Click();
        accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    CentreOnScreen(*this);

    FormCreate();
}

void TFTune::FormCreate()
{
    const QColor background(FormColor);
    for (TNoteIcon* icon : Image) {
        icon->Fill(background);
        icon->Draw(ImageList1[0]);
        icon->Number = icon->objectName().mid(int(qstrlen("Image"))).toInt();
    }

    FCreating = true;
    for (int32_t i = 0; i < FSong.TrackCount(); ++i) {
        const TMidiTrack* track = FSong.GetTrack(i);
        const int c = track->Channel + 1;
        if (c < 1 || c > ChannelCount)
            continue;
        TNoteIcon* icon = Image[size_t(c - 1)];
        HideNoteIcon(icon);
        if (!track->Name.empty() && track->Name[0] == '@') {
            icon->setEnabled(true);
            icon->Selected = true;
        }
        QCheckBox* box = CheckBox[size_t(c - 1)];
        box->setEnabled(true);
        box->setChecked(!FSong.MutedChannels.Contains(c - 1));
        CheckBoxClick(c);
    }
    FCreating = false;
}

void TFTune::HideNoteIcon(TNoteIcon* icon)
{
    icon->setEnabled(false);
    icon->Fill(QColor(FormColor));
}

void TFTune::ShowNoteIcon(TNoteIcon* icon)
{
    icon->setEnabled(true);
    icon->Fill(QColor(FormColor));
    if (!FCreating)
        icon->Selected = false;
    DrawSelection(icon);
}

void TFTune::DrawSelection(TNoteIcon* icon)
{
    icon->Draw(ImageList1[icon->Selected ? 1 : 0]);
}

void TFTune::CheckBoxClick(int tag)
{
    if (tag < 1 || tag > ChannelCount)
        return;
    const int channel = tag - 1;
    if (CheckBox[size_t(channel)]->isChecked()) {
        HideNoteIcon(Image[size_t(channel)]);
        FSong.MutedChannels.Remove(channel);
    } else {
        ShowNoteIcon(Image[size_t(channel)]);
        if (FPlayAlong.load())
            SendAllSoundOff(channel);
        FSong.MutedChannels.Add(channel);
    }
}

// Stops the notes the song left sounding on a channel the child now plays. A failing device
// is reported and the channel is muted all the same.
void TFTune::SendAllSoundOff(int channel)
{
    TMidiEvent event;
    event.status = uint8_t(MidiControlChange + channel);
    event.data1 = ControllerAllSoundOff;
    event.data2 = 0;
    try {
        FOutput.SendMidiEvent(&event);
    } catch (const std::exception& error) {
        if (FReportDeviceError)
            FReportDeviceError(error);
    }
}

void TFTune::ImageClick(TNoteIcon* clicked)
{
    clicked->Selected = !clicked->Selected;
    for (TNoteIcon* icon : Image) {
        if (!icon->isEnabled())
            continue;
        if (icon != clicked)
            icon->Selected = false;
        // Cleared first so the anti-aliased outline is not drawn over itself again and again.
        icon->Fill(QColor(FormColor));
        DrawSelection(icon);
    }
}

void TFTune::Button1Click()
{
    TChannelSet muted;
    for (int n = 1; n <= ChannelCount; ++n) {
        const QCheckBox* box = CheckBox[size_t(n - 1)];
        if (!box->isEnabled() || box->isChecked())
            continue;
        for (int32_t i = 0; i < FSong.TrackCount(); ++i) {
            const TMidiTrack* track = FSong.GetTrack(i);
            if (track->Channel == n - 1) {
                muted.Add(track->Channel);
                break;
            }
        }
    }
    // Built aside and stored whole: channels 0..15 share one atomic word, so a song playing
    // meanwhile never sees the set emptied half-way.
    FSong.MutedChannels = muted;

    TChannelSet keys;
    for (const TNoteIcon* icon : Image)
        if (icon->Selected)
            keys.Add(icon->Number - 1);
    FKeyChannels = keys;
}

int RunTuneDialog(TMidiFile& song, TChannelSet& keyChannels, const std::atomic<bool>& playAlong, TMidiOutput& output,
                  std::function<void(const std::exception&)> reportDeviceError, QWidget* parent,
                  const std::function<int(TFTune&)>& exec)
{
    const TChannelSet mutedBefore = song.MutedChannels;
    const TChannelSet keysBefore = keyChannels;
    const auto putBack = [&] {
        song.MutedChannels = mutedBefore;
        keyChannels = keysBefore;
    };
    int result = QDialog::Rejected;
    try {
        TFTune dialog(song, keyChannels, playAlong, output, std::move(reportDeviceError), parent);
        result = exec(dialog);
    } catch (...) {
        putBack();
        throw;
    }
    if (result != QDialog::Accepted)
        putBack();
    return result;
}

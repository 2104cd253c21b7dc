#include "app/RecorderControl.h"

#include "app/TransportButtons.h"
#include "midi/MidiFile.h"
#include "ui/UserDialogs.h"

#include <QFile>
#include <QLabel>

TRecorderControl::TRecorderControl(TMidiFile& recording, QLabel& clock, TTransportButtons& buttons,
                                   TUserDialogs& dialogs)
    : FRecording(recording), FClock(clock), FButtons(buttons), FDialogs(dialogs)
{
    Timer1.setInterval(ClockIntervalMs);
    QObject::connect(&Timer1, &QTimer::timeout, [this] { Timer1Timer(); });
    Timer1.start();
}

QString TRecorderControl::ClockText(int32_t milliseconds)
{
    return QString::asprintf("Rec:%.2d:%.2d", int(milliseconds / 60000), int(milliseconds / 1000 % 60));
}

void TRecorderControl::Timer1Timer()
{
    if (FRecording.RecordingStoppedAtLimit()) {
        FClock.setText(ClockText(int32_t(TMidiFile::RecordLimitMs)));
        FButtons.ShowRec(false);
        Timer1.stop();
        FDialogs.Inform(QStringLiteral("录音已经录了将近十个小时，停下来了。请把它保存起来。"));
        return;
    }
    FClock.setText(ClockText(FRecording.GetRecordingTime()));
}

void TRecorderControl::lblRecClick()
{
    if (FRecording.Recording())
        return;
    // Starting clears the previous recording: only once it is saved or given up.
    if (FRecording.GetSongLength() > 0 && !AskSaveRecording())
        return;
    FRecording.StartRecording();
    FButtons.ShowRec(true);
    Timer1.start();
}

void TRecorderControl::lblStop1Click()
{
    FRecording.StopRecording();
    FButtons.ShowRec(false);
    Timer1.stop();
}

void TRecorderControl::lblSaveClick()
{
    if (FRecording.Recording())
        lblStop1Click();
    if (FRecording.NumberOfTracks() < 1) {
        FDialogs.Inform(QStringLiteral("还没有录制内容"));
        return;
    }
    const QString fileName = FDialogs.SaveRecordingFileName();
    if (!fileName.isEmpty())
        Write(fileName);
}

bool TRecorderControl::AskSaveRecording()
{
    if (FDialogs.Ask(QStringLiteral("发现还有录制的内容没有保存，是不是要保存呢？"))) {
        const QString fileName = FDialogs.SaveRecordingFileName();
        if (!fileName.isEmpty() && !Write(fileName))
            return false;
    }
    FRecording.Clear();
    return true;
}

bool TRecorderControl::Write(const QString& fileName)
{
    try {
        FRecording.WriteFile(QFile::encodeName(fileName).toStdString());
    } catch (const std::exception& error) {
        FDialogs.ShowError(QStringLiteral("录音没有保存下来：%1").arg(QString::fromStdString(error.what())));
        return false;
    }
    FRecording.Clear();
    return true;
}

#include "app/SongPlayer.h"

#include "app/TransportButtons.h"
#include "midi/MidiFile.h"
#include "midi/MidiOut.h"
#include "midi/MidiTimer.h"
#include "ui/OffsetLabel.h"
#include "ui/SongTables.h"
#include "ui/ULedFrame.h"
#include "ui/USelectMidi.h"
#include "ui/UserDialogs.h"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

namespace {

// The title is centred here; it may grow to either side as far as the logo on the left.
constexpr QPoint CaptionCentre{209, 21};
constexpr int CaptionMaxWidth = 2 * (CaptionCentre.x() - 53);

bool IsNote(uint8_t status)
{
    const uint8_t kind = StatusKind(status);
    return kind == MidiNoteOff || kind == MidiNoteOn;
}

} // namespace

TSongPlayer::TSongPlayer(const TSongPlayerBindings& bindings) : F(bindings)
{
    // Bound once, while the timer is stopped: a callback is never reassigned while it may run.
    F.Timer.OnTimer = [this](void*) { F.Song.TimerTick(&F.Song); };
    F.Song.OnMidiEvent = [this](PMidiEvent event) { MidiFile1MidiEvent(event); };
    F.Song.OnUpdateEvent = [this](void* sender) { MidiFile1UpdateEvent(sender); };
}

TSongPlayer::~TSongPlayer()
{
    F.Song.StopPlaying();
    F.Timer.Stop();
    F.Song.OnMidiEvent = nullptr;
    F.Song.OnUpdateEvent = nullptr;
}

void TSongPlayer::ShowCaption(const QString& text)
{
    const QFontMetrics metrics(F.Caption.font());
    F.Caption.setText(metrics.elidedText(text, Qt::ElideMiddle, CaptionMaxWidth));
    F.Caption.adjustSize();
    F.Caption.move(CaptionCentre - QPoint(F.Caption.width() / 2, F.Caption.height() / 2));
}

void TSongPlayer::FallBackToDefaultTempo()
{
    try {
        F.Song.SetBpm(120);
    } catch (const EMidiFileError&) {
        // A song without a time division has no tempo to set; it plays nothing.
    }
}

void TSongPlayer::lblOpenClick()
{
    if (F.Song.Playing())
        return;
    TFSelectMidi dialog;
    if (F.Dialogs.Exec(dialog) != QDialog::Accepted)
        return;
    std::string bytes;
    try {
        bytes = LoadSongResource(SelectedSongResource);
    } catch (const std::exception& error) {
        F.Dialogs.ShowError(QString::fromStdString(error.what()));
        return;
    }
    F.Transpose = SongTransposes[size_t(SelectedSongIndex)];
    ShowOffset(F.Offset, F.Transpose.load());
    ShowCaption(SelectedSongTitle);
    F.Song.SetFilename(SelectedSongTitle.toStdString());
    try {
        F.Song.ReadResource(bytes.data(), bytes.size());
        if (!F.Song.MutedChannels.Empty())
            F.KeyChannels = F.Song.MutedChannels;
    } catch (const EMidiFileError&) {
        FallBackToDefaultTempo();
    }
}

void TSongPlayer::NOpenClick()
{
    if (F.Song.Playing())
        return;
    const QString path = F.Dialogs.OpenMidiFileName();
    if (path.isEmpty())
        return;
    F.Song.Clear();
    F.Song.SetFilename(QFile::encodeName(path).toStdString());
    QString failure;
    try {
        F.Song.ReadFile();
        if (F.Song.UsPerTick() == 0.0)
            F.Song.SetBpm(120);
    } catch (const EMidiFileError& error) {
        failure = QString::fromStdString(error.what());
        FallBackToDefaultTempo();
    }
    F.Transpose = 0;
    ShowOffset(F.Offset, 0);
    // Without tracks, or with 0 ticks per quarter note (no tick has a length, so the song would
    // never advance nor end), nothing is loaded, rather than a name that plays nothing.
    QString unplayable;
    if (F.Song.TrackCount() == 0)
        unplayable = failure.isEmpty() ? QStringLiteral("里面没有音轨") : failure;
    else if (F.Song.TicksPerQuarter() == 0)
        unplayable = QStringLiteral("它的时间分度是 0（每个四分音符 0 个 tick），音符没有长短，无法播放");
    if (!unplayable.isEmpty()) {
        F.Song.Clear();
        F.Song.SetFilename(std::string());
        ShowCaption(QString());
        F.Dialogs.Inform(QStringLiteral("“%1”不是能播放的 MIDI 音乐文件：%2").arg(QFileInfo(path).fileName(), unplayable));
        return;
    }
    ShowCaption(QFileInfo(path).fileName());
}

void TSongPlayer::lblPlayClick()
{
    F.PlayAlong.store(false);
    StartPlay();
}

void TSongPlayer::lblRecPlayClick()
{
    F.PlayAlong.store(true);
    StartPlay();
}

void TSongPlayer::StartPlay()
{
    if (F.Song.Playing())
        return;
    if (F.Song.Filename().empty()) {
        F.Dialogs.Inform(QStringLiteral("还没有选取任何曲目，请先选择曲目再播放"));
        return;
    }
    // A song that has just ended stops its timer from the timer's own thread; wait for that
    // last tick to finish before starting again.
    F.Timer.Stop();
    // Raises, leaving the timer stopped, when its thread cannot be created; nothing plays then.
    F.Timer.Start();
    FPlaying.fetch_add(1);
    FEventFaultTold.store(false);
    FActive.store(true);
    F.Song.StartPlaying();
    F.Led.ResetPanel();
    F.Led.SetSongLength(F.Song.GetSongLength());
    F.Led.StartTimer();
    F.Buttons.ShowPlay(true);
}

void TSongPlayer::StopPlayback()
{
    FActive.store(false);
    F.Song.StopPlaying();
    F.Buttons.ShowPlay(false);
    // The timer goes first: a tick still under way ends after its current event, so no song
    // note can follow the All Sound Off.
    F.Timer.Stop();
    try {
        AllSoundOff();
    } catch (const EmidioutputError& error) {
        F.ReportDeviceError(error);
    }
    F.Led.ResetProgress();
}

void TSongPlayer::AllSoundOff()
{
    for (uint8_t channel = 0; channel < 16; ++channel) {
        TMidiEvent event;
        event.status = uint8_t(MidiControlChange + channel);
        event.data1 = ControllerAllSoundOff;
        event.data2 = 0;
        F.Output.SendMidiEvent(&event);
    }
}

void TSongPlayer::MidiFile1MidiEvent(PMidiEvent event) noexcept
{
    try {
        if (event->status == MidiMeta)
            return;
        F.Led.SetSongPosition(F.Song.GetCurrentTime());
        if (F.PlayAlong.load() && IsNote(event->status) && F.Song.MutedChannels.Contains(StatusChannel(event->status)))
            return;
        // A damaged file can give an event without a status byte, which no device takes.
        if (event->status < 0x80) {
            TellOnce(QStringLiteral("这首曲子有些地方坏了，放不出来，已经跳过。"), false);
            return;
        }
        F.Output.SendMidiEvent(event);
        F.Led.ShowMidiEvent(event);
    } catch (const std::exception& error) {
        TellOnce(QString::fromStdString(error.what()), true);
    } catch (...) {
        FEventFaultTold.store(true);
    }
}

void TSongPlayer::MidiFile1UpdateEvent(void* sender) noexcept
{
    const auto* song = static_cast<const TMidiFile*>(sender);
    if (!song->Ready() || !FActive.exchange(false))
        return;
    F.Song.StopPlaying();
    try {
        AllSoundOff();
    } catch (const std::exception& error) {
        TellOnce(QString::fromStdString(error.what()), true);
    }
    F.Timer.Stop();
    F.Led.ResetProgress();
    const uint32_t playing = FPlaying.load();
    try {
        QMetaObject::invokeMethod(
            this,
            [this, playing] {
                if (playing == FPlaying.load() && !F.Song.Playing())
                    F.Buttons.ShowPlay(false);
            },
            Qt::QueuedConnection);
    } catch (...) {
        // Out of memory for the notice: the play button keeps its picture until the next look change.
    }
}

void TSongPlayer::TellOnce(const QString& text, bool deviceFailure) noexcept
{
    if (FEventFaultTold.exchange(true))
        return;
    try {
        QMetaObject::invokeMethod(
            this,
            [this, text, deviceFailure] {
                if (deviceFailure)
                    F.ReportDeviceError(EmidioutputError(text.toStdString()));
                else
                    F.ReportPlaybackError(text);
            },
            Qt::QueuedConnection);
    } catch (...) {
    }
}

// The transport buttons and file commands on the window, with scripted boxes and dialogs.
#include "tests/app/BoardFixture.h"

#include "app/RecorderControl.h"
#include "app/SongPlayer.h"
#include "app/TransportButtons.h"
#include "midi/MidiFile.h"
#include "tests/midi/MidiFileTestBytes.h"
#include "midi/platform/TickCount.h"
#include "tests/support/WaitFor.h"
#include "ui/BoardMenu.h"
#include "ui/SongTables.h"
#include "ui/ULedFrame.h"
#include "ui/USelectMidi.h"
#include "ui/UTune.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

using Messages = std::vector<TMessage>;

const QString NoSong = QStringLiteral("还没有选取任何曲目，请先选择曲目再播放");
const QString NothingRecorded = QStringLiteral("还没有录制内容");
const QString SaveQuestion = QStringLiteral("发现还有录制的内容没有保存，是不是要保存呢？");

Messages AllSoundOffSweep()
{
    Messages sweep;
    for (int channel = 0; channel < 16; ++channel)
        sweep.push_back({0xB0 + channel, 120, 0});
    return sweep;
}

class TTransportTest : public TBoardTest {
protected:
    QTemporaryDir Folder;

    void Click(int tag) { Board->Buttons->OnClick(tag); }

    // The song dialog answered with the song at `row` and OK.
    void ChooseSong(int row)
    {
        Dialogs.OnExec = [row](QDialog& dialog) {
            auto& songs = dynamic_cast<TFSelectMidi&>(dialog);
            songs.MidiList->setCurrentRow(row);
            songs.btnOkClick();
            return int(QDialog::Accepted);
        };
        Click(TTransportButtons::Open);
    }

    QString WriteSong(const QString& name, const std::string& bytes)
    {
        const QString path = Folder.filePath(name);
        WriteBytes(path.toStdString(), bytes);
        return path;
    }

    void OpenFile(const QString& path)
    {
        Dialogs.OpenNames.push_back(path);
        Board->Menu->NOpen->trigger();
    }

    bool PictureIs(int tag, const char* file) const
    {
        const QImage shown = Board->Buttons->Pictures[size_t(tag)]->Picture().toImage();
        return shown == LoadSkinPicture(QStringLiteral(TINKLA_SOURCE_DIR "/img/") + file, 1.0).toImage();
    }
};

TEST_F(TTransportTest, ChoosingSongsAndFiles)
{
    Start();
    Click(TTransportButtons::Play);
    Click(TTransportButtons::RecPlay);
    EXPECT_EQ(Dialogs.Informed, (std::vector<QString>{NoSong, NoSong}));
    EXPECT_TRUE(Sent().empty());
    EXPECT_FALSE(Board->MidiFile1->Playing());

    // The second built-in song: its melody channel becomes the keyboard's, shifted by 7.
    ChooseSong(1);
    EXPECT_EQ(Board->Transpose, 7);
    EXPECT_TRUE(Board->lblOffset->isVisibleTo(Board.get()));
    EXPECT_EQ(Board->lblOffset->text(), QStringLiteral("当前移调：7"));
    EXPECT_EQ(Board->KeyChannels, Board->MidiFile1->MutedChannels);
    EXPECT_EQ(Board->KeyChannels, TChannelSet{0});
    EXPECT_TRUE(Board->lblCaption->text().startsWith(QStringLiteral("小燕子")));
    const QRect caption = Board->lblCaption->geometry();
    EXPECT_LE(std::abs(caption.center().x() - 209), 1);
    EXPECT_GT(caption.width(), 100) << "the title is sized to its text";

    // A file: no transposition, the channels stay, the name without its folder.
    Board->KeyChannels = {4};
    OpenFile(WriteSong(QStringLiteral("tune.mid"), HeaderChunk(0, 1, 96) + TrackChunk(Bytes({0x00, 0x90, 60, 100}))));
    EXPECT_EQ(Board->Transpose, 0);
    EXPECT_FALSE(Board->lblOffset->isVisibleTo(Board.get()));
    EXPECT_EQ(Board->KeyChannels, TChannelSet{4});
    EXPECT_EQ(Board->lblCaption->text(), QStringLiteral("tune.mid"));
    EXPECT_EQ(Board->MidiFile1->Bpm(), 120) << "a file without a tempo plays at 120";

    // Something that is no MIDI file at all loads nothing and says why.
    OpenFile(WriteSong(QStringLiteral("letter.mid"), "Dear grandma, ..."));
    ASSERT_EQ(Dialogs.Informed.size(), 3u);
    EXPECT_TRUE(Dialogs.Informed.back().contains(QStringLiteral("letter.mid")));
    EXPECT_TRUE(Board->lblCaption->text().isEmpty());
    Click(TTransportButtons::Play);
    EXPECT_EQ(Dialogs.Informed.back(), NoSong);

    // A file of 0 ticks per quarter note would never advance: it replaces the loaded song with
    // nothing and says why, so play asks for a song instead of lighting up for ever.
    OpenFile(WriteSong(QStringLiteral("tune.mid"), HeaderChunk(0, 1, 96) + TrackChunk(Bytes({0x00, 0x90, 60, 100}))));
    OpenFile(WriteSong(QStringLiteral("still.mid"), HeaderChunk(0, 1, 0) + TrackChunk(Bytes({0x00, 0x90, 60, 100}))));
    ASSERT_EQ(Dialogs.Informed.size(), 5u);
    EXPECT_TRUE(Dialogs.Informed.back().contains(QStringLiteral("still.mid")));
    EXPECT_TRUE(Dialogs.Informed.back().contains(QStringLiteral("0")));
    EXPECT_TRUE(Board->lblCaption->text().isEmpty());
    EXPECT_TRUE(Board->MidiFile1->Filename().empty());
    Click(TTransportButtons::Play);
    EXPECT_EQ(Dialogs.Informed.back(), NoSong);
    EXPECT_FALSE(Board->MidiFile1->Playing());

    // Cancelling the dialogs changes nothing.
    Dialogs.OnExec = nullptr;
    Click(TTransportButtons::Open);
    Board->Menu->NOpen->trigger();
    EXPECT_TRUE(Board->MidiFile1->Filename().empty());
    EXPECT_TRUE(Dialogs.Errors.empty());
}

TEST_F(TTransportTest, WhilePlayingOnlyTheModeChangesAndStopSilencesEveryChannel)
{
    Start();
    ChooseSong(0);
    Click(TTransportButtons::Play);
    ASSERT_TRUE(Board->MidiFile1->Playing());
    EXPECT_TRUE(PictureIs(TTransportButtons::Play, "btn_play_on.png"));
    EXPECT_FALSE(Board->PlayAlong);

    const int dialogs = Dialogs.Dialogs, fileDialogs = Dialogs.FileDialogs;
    Click(TTransportButtons::Open);
    Board->Menu->NOpen->trigger();
    Board->Buttons->MouseEnter(TTransportButtons::Open);
    EXPECT_FALSE(Board->Buttons->Pictures[TTransportButtons::Open]->Picture().toImage() == Board->Skin.PngOpenHot.toImage())
        << "the song button does not light up while a song plays";
    EXPECT_EQ(Dialogs.Dialogs, dialogs);
    EXPECT_EQ(Dialogs.FileDialogs, fileDialogs);
    EXPECT_TRUE(PictureIs(TTransportButtons::Play, "btn_play_on.png"));
    Click(TTransportButtons::RecPlay);
    EXPECT_TRUE(Board->PlayAlong);
    EXPECT_TRUE(Board->MidiFile1->Playing());

    // Play along: the melody channels' notes are held back, everything else plays.
    Board->MidiTimer->Stop();
    Driver.ClearRecords();
    StartupSends = 0;
    for (const TMessage& message : Messages{{0x90, 62, 90}, {0x81, 62, 0}, {0xC0, 5, 0}, {0x93, 50, 80}, {0xB1, 7, 100}}) {
        TMidiEvent event;
        event.status = uint8_t(message[0]);
        event.data1 = uint8_t(message[1]);
        event.data2 = uint8_t(message[2]);
        Board->Player->MidiFile1MidiEvent(&event);
    }
    EXPECT_EQ(Sent(), (Messages{{0xC0, 5, 0}, {0x93, 50, 80}, {0xB1, 7, 100}}));
    EXPECT_EQ(Board->FrameLed->Levels[0], 0) << "held-back notes move no bar";
    EXPECT_GT(Board->FrameLed->Levels[3], 0);

    Click(TTransportButtons::Stop);
    EXPECT_FALSE(Board->MidiFile1->Playing());
    EXPECT_EQ(Board->MidiTimer->TimerId(), 0u);
    EXPECT_TRUE(PictureIs(TTransportButtons::Play, "btn_play.png"));
    const Messages sent = Sent();
    ASSERT_GE(sent.size(), 16u);
    EXPECT_EQ(Messages(sent.end() - 16, sent.end()), AllSoundOffSweep());

    // Closing the window while a song plays silences it before the device goes.
    Click(TTransportButtons::Play);
    ASSERT_TRUE(Board->MidiFile1->Playing());
    Board->close();
    EXPECT_FALSE(Board->MidiFile1->Playing());
    const Messages atClose = Sent();
    EXPECT_EQ(Messages(atClose.end() - 16, atClose.end()), AllSoundOffSweep());
}

TEST_F(TTransportTest, SongEndsByItselfAndPlaysAgainAtOnce)
{
    Start();
    OpenFile(WriteSong(QStringLiteral("short.mid"),
                       HeaderChunk(0, 1, 96) + TrackChunk(Bytes({0x00, 0x91, 64, 100, 0x01, 0x81, 64, 0}))));
    for (int round = 0; round < 20; ++round) {
        const size_t before = Driver.Shorts().size();
        Click(TTransportButtons::Play);
        ASSERT_TRUE(WaitFor([&] { return !Board->MidiFile1->Playing(); })) << round;
        ASSERT_TRUE(WaitFor([&] { return Board->MidiTimer->TimerId() == 0; })) << round;
        // The picture changes on the window thread, when the end's notice arrives there.
        EXPECT_TRUE(WaitFor([&] {
            QApplication::processEvents();
            return PictureIs(TTransportButtons::Play, "btn_play.png");
        })) << round;
        const Messages sent = SentBetween(before, Driver.Shorts().size());
        Messages expected{{0x91, 64, 100}, {0x81, 64, 0}};
        const Messages sweep = AllSoundOffSweep();
        expected.insert(expected.end(), sweep.begin(), sweep.end());
        EXPECT_EQ(sent, expected) << round;
    }
    EXPECT_TRUE(Reports.empty());
}

TEST_F(TTransportTest, RecordStopAndSave)
{
    Start();
    Click(TTransportButtons::Save);
    EXPECT_EQ(Dialogs.Informed, std::vector<QString>{NothingRecorded});
    EXPECT_EQ(TRecorderControl::ClockText(75'000), QStringLiteral("Rec:01:15"));
    EXPECT_EQ(TRecorderControl::ClockText(3'600'000), QStringLiteral("Rec:60:00"));

    Click(TTransportButtons::Rec);
    ASSERT_TRUE(Board->MidiRec->Recording());
    EXPECT_TRUE(PictureIs(TTransportButtons::Rec, "btn_rec_on.png"));
    Board->Transpose = 2;
    Press(Xkb::A);
    Release(Xkb::A);
    Click(TTransportButtons::Rec); // a second press changes nothing: the recording goes on
    EXPECT_TRUE(Board->MidiRec->Recording());
    EXPECT_TRUE(Dialogs.Asked.empty());

    // Saving while recording stops the recording first.
    const QString file = Folder.filePath(QStringLiteral("rec.mid"));
    Dialogs.SaveNames.push_back(file);
    Click(TTransportButtons::Save);
    EXPECT_FALSE(Board->MidiRec->Recording());
    EXPECT_FALSE(Board->Recorder->Timer1.isActive());
    EXPECT_TRUE(PictureIs(TTransportButtons::Rec, "btn_rec.png"));
    TMidiFile saved;
    saved.SetFilename(file.toStdString());
    saved.ReadFile();
    EXPECT_EQ(saved.TicksPerQuarter(), TMidiFile::RecordTicksPerQuarter);
    std::vector<int> notes;
    for (int t = 0; t < saved.TrackCount(); ++t)
        for (int e = 0; e < saved.GetTrack(t)->EventCount(); ++e)
            if (StatusKind(saved.GetTrack(t)->GetEvent(e)->status) == MidiNoteOn)
                notes.push_back(saved.GetTrack(t)->GetEvent(e)->data1);
    EXPECT_EQ(notes, std::vector<int>{50});
    Click(TTransportButtons::Save);
    EXPECT_EQ(Dialogs.Informed.back(), NothingRecorded) << "a save empties the recording";
}

TEST_F(TTransportTest, UnsavedRecordingsAreOfferedAndNeverLostToAFailedSave)
{
    Start();
    Click(TTransportButtons::Rec);
    Press(Xkb::A);
    // The recording holds something once its length is above 0 ms.
    ASSERT_TRUE(WaitFor([&] { return Board->MidiRec->GetRecordingTime() > 2; }));
    Release(Xkb::A);
    Click(TTransportButtons::Stop1);
    EXPECT_EQ(Board->FrameLed->Label1->text().left(4), QStringLiteral("Rec:"));

    // Yes, but the file cannot be written: the user is told and nothing is lost or restarted.
    Dialogs.Answers.push_back(true);
    Dialogs.SaveNames.push_back(Folder.filePath(QStringLiteral("no/such/folder/rec.mid")));
    Click(TTransportButtons::Rec);
    EXPECT_EQ(Dialogs.Asked, std::vector<QString>{SaveQuestion});
    EXPECT_EQ(Dialogs.Errors.size(), 1u);
    EXPECT_FALSE(Board->MidiRec->Recording());
    EXPECT_GT(Board->MidiRec->GetSongLength(), 0);

    // No: the old recording goes and a new one starts.
    Dialogs.Answers.push_back(false);
    Click(TTransportButtons::Rec);
    EXPECT_TRUE(Board->MidiRec->Recording());
    Press(Xkb::K);
    ASSERT_TRUE(WaitFor([&] { return Board->MidiRec->GetRecordingTime() > 2; }));
    Release(Xkb::K);

    // Closing during a recording stops it and asks; Yes saves it.
    const QString file = Folder.filePath(QStringLiteral("last.mid"));
    Dialogs.Answers.push_back(true);
    Dialogs.SaveNames.push_back(file);
    Board->close();
    EXPECT_EQ(Dialogs.Asked.size(), 3u);
    EXPECT_FALSE(Board->MidiRec->Recording());
    EXPECT_TRUE(QFile::exists(file));
}

} // namespace

namespace {

TEST_F(TTransportTest, ChannelDialogFromTheMenuKeepsItsEditsOnlyOnOk)
{
    Start();
    ChooseSong(0);
    const TChannelSet muted = Board->MidiFile1->MutedChannels;
    ASSERT_EQ(muted, (TChannelSet{0, 1, 2}));
    Board->KeyChannels = {5};
    const size_t sentBefore = Driver.Shorts().size();

    // Cancel after checking channel 1's box and picking channel 3's note: both sets come back.
    Dialogs.OnExec = [](QDialog& dialog) {
        auto& tune = dynamic_cast<TFTune&>(dialog);
        tune.CheckBox[0]->click();
        tune.ImageClick(tune.Image[3]);
        return int(QDialog::Rejected);
    };
    Board->Menu->NTune->trigger();
    EXPECT_EQ(Board->MidiFile1->MutedChannels, muted);
    EXPECT_EQ(Board->KeyChannels, TChannelSet{5});

    // The same with OK: channel 0 plays again; its hidden icon stays selected beside channel 3's.
    Dialogs.OnExec = [](QDialog& dialog) {
        auto& tune = dynamic_cast<TFTune&>(dialog);
        tune.CheckBox[0]->click();
        tune.ImageClick(tune.Image[3]);
        tune.Button1->click();
        return int(QDialog::Accepted);
    };
    Board->Menu->NTune->trigger();
    EXPECT_EQ(Board->MidiFile1->MutedChannels, (TChannelSet{1, 2}));
    EXPECT_EQ(Board->KeyChannels, (TChannelSet{0, 3}));
    EXPECT_EQ(Driver.Shorts().size(), sentBefore) << "outside play-along nothing is sent, not even a program change";
}

} // namespace

TEST(RecorderControl, ARecordingStoppedAtItsTimeLimitIsToldOnceAndKept)
{
    TManualTickClock clock{5000};
    TMidiFile recording{clock};
    QWidget window;
    QLabel line;
    const QPixmap openHot;
    TTransportButtons buttons(window, QStringLiteral(TINKLA_SOURCE_DIR "/"), openHot, [] { return false; },
                              [&] { return recording.Recording(); });
    buttons.Load(1.0);
    TScriptedDialogs dialogs;
    TRecorderControl control(recording, line, buttons, dialogs);

    control.lblRecClick();
    TMidiEvent note;
    note.status = 0x90;
    note.data1 = 60;
    note.data2 = 100;
    clock.Set(6000);
    recording.RecordEvent(&note);
    control.Timer1Timer();
    EXPECT_EQ(line.text(), QStringLiteral("Rec:00:01"));

    clock.Set(5000 + TMidiFile::RecordLimitMs + 1000);
    control.Timer1Timer();
    EXPECT_FALSE(recording.Recording());
    EXPECT_FALSE(control.Timer1.isActive());
    EXPECT_EQ(dialogs.Informed.size(), 1u);
    EXPECT_EQ(line.text(), TRecorderControl::ClockText(int32_t(TMidiFile::RecordLimitMs)));
    EXPECT_EQ(recording.NumberOfTracks(), 2) << "what was recorded stays, to be saved";
}

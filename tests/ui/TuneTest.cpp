#include "ui/UTune.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "midi/MidiFile.h"
#include "midi/MidiOut.h"
#include "tests/support/FakeMidiOutDriver.h"
#include "tests/support/QueueNotifyPoster.h"
#include "tests/ui/LedQtApp.h"
#include "ui/SongTables.h"

namespace {

enum class TLook { Blank, Unselected, Selected };

// What one channel's row shows: the check box, and the note icon with its flag and picture.
struct TRow {
    bool BoxEnabled;
    bool Checked;
    bool IconEnabled;
    bool IconSelected;
    TLook Look;
};

constexpr TRow FreeRow{false, false, true, false, TLook::Unselected};

uint32_t AllSoundOff(int channel)
{
    return PackShortMessage(uint8_t(MidiControlChange + channel), ControllerAllSoundOff, 0);
}

class TuneTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Output.Open()); }

    void ReadFirstSong()
    {
        const std::string data = LoadSongResource(QString::fromUtf8(SongResourceNames[0].data()));
        Song.ReadResource(data.data(), data.size());
    }

    void AddTrack(int32_t channel, const std::string& name)
    {
        TMidiTrack* track = Song.GetTrack(Song.AddTrack());
        track->Channel = channel;
        track->Name = name;
    }

    std::function<void(const std::exception&)> Reporter()
    {
        return [this](const std::exception& error) { Reports.push_back(error.what()); };
    }

    TFTune& Open()
    {
        Dialog = std::make_unique<TFTune>(Song, KeyChannels, PlayAlong, Output, Reporter());
        Dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Dialog.get()));
        return *Dialog;
    }

    // What the icon's canvas holds: the form colour only, or the form colour under one of
    // the two pictures.
    static TLook LookOf(TFTune& dialog, TNoteIcon* icon)
    {
        const QImage canvas = icon->Canvas();
        auto drawn = [&](const QIcon* picture) {
            TNoteIcon reference(nullptr);
            reference.Fill(QColor(TFTune::FormColor));
            if (picture)
                reference.Draw(*picture);
            return reference.Canvas();
        };
        if (canvas == drawn(nullptr))
            return TLook::Blank;
        if (canvas == drawn(&dialog.ImageList1[1]))
            return TLook::Selected;
        EXPECT_EQ(canvas, drawn(&dialog.ImageList1[0])) << "icon " << icon->Number << " shows neither picture";
        return TLook::Unselected;
    }

    static void ExpectRows(TFTune& dialog, const std::vector<TRow>& rows)
    {
        for (int n = 1; n <= TFTune::ChannelCount; ++n) {
            SCOPED_TRACE("channel row " + std::to_string(n));
            const TRow& row = rows[size_t(n - 1)];
            const QCheckBox* box = dialog.CheckBox[size_t(n - 1)];
            TNoteIcon* icon = dialog.Image[size_t(n - 1)];
            EXPECT_EQ(icon->Number, n);
            EXPECT_EQ(box->isEnabled(), row.BoxEnabled);
            EXPECT_EQ(box->isChecked(), row.Checked);
            EXPECT_EQ(icon->isEnabled(), row.IconEnabled);
            EXPECT_EQ(icon->Selected, row.IconSelected);
            EXPECT_EQ(LookOf(dialog, icon), row.Look);
        }
    }

    static void ClickIcon(TFTune& dialog, int n)
    {
        QTest::mouseClick(dialog.Image[size_t(n - 1)], Qt::LeftButton, {}, QPoint(8, 8));
    }

    // On the box's square, as a child would.
    static void ClickBox(TFTune& dialog, int n) { QTest::mouseClick(dialog.CheckBox[size_t(n - 1)], Qt::LeftButton, {}, QPoint(6, 8)); }

    TFakeMidiOutDriver Driver{{"Fake Synth"}};
    TQueueNotifyPoster Poster;
    TMidiOutput Output{Driver, Poster};
    TMidiFile Song;
    TChannelSet KeyChannels{0};
    std::atomic<bool> PlayAlong{false};
    std::vector<std::string> Reports;
    std::unique_ptr<TFTune> Dialog;
};

TEST_F(TuneTest, WithoutASongEveryBoxIsDisabledAndOkTakesTheClickedIconOrNothing)
{
    Song.MutedChannels = {4};
    TFTune& dialog = Open();

    EXPECT_EQ(dialog.size(), QSize(467, 197));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    ExpectRows(dialog, std::vector<TRow>(16, FreeRow));

    ClickBox(dialog, 3);
    EXPECT_FALSE(dialog.CheckBox[2]->isChecked()) << "a disabled box takes no click";
    ClickIcon(dialog, 7);
    EXPECT_TRUE(dialog.Image[6]->Selected);
    EXPECT_EQ(LookOf(dialog, dialog.Image[6]), TLook::Selected);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Song.MutedChannels, TChannelSet{});
    EXPECT_EQ(KeyChannels, TChannelSet{6});

    // A new opening starts from nothing selected; OK then leaves the keys on no channel.
    TFTune& again = Open();
    ExpectRows(again, std::vector<TRow>(16, FreeRow));
    QTest::mouseClick(again.Button1, Qt::LeftButton);
    EXPECT_EQ(KeyChannels, TChannelSet{});
    EXPECT_TRUE(Driver.Shorts().empty());
}

TEST_F(TuneTest, FirstBuiltInSongOpensWithItsMelodyChannelsMutedAndSelected)
{
    ReadFirstSong();
    ASSERT_EQ(Song.MutedChannels, (TChannelSet{0, 1, 2}));
    KeyChannels = {9};
    TFTune& dialog = Open();

    const TRow melody{true, false, true, true, TLook::Selected};
    const TRow played{true, true, false, false, TLook::Blank};
    std::vector<TRow> rows(3, melody);
    rows.insert(rows.end(), 7, played);
    rows.insert(rows.end(), 6, FreeRow);
    ExpectRows(dialog, rows);

    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Song.MutedChannels, (TChannelSet{0, 1, 2}));
    EXPECT_EQ(KeyChannels, (TChannelSet{0, 1, 2}));
    EXPECT_TRUE(Driver.Shorts().empty()) << "nothing is sent outside play-along mode";
}

// Track order, repeated channels and channels no box has: a melody track selects its icon
// even when a later track of the same channel is not a melody, and the icon of a checked
// melody channel stays selected while hidden.
TEST_F(TuneTest, EachTrackIsAppliedInTrackOrderAndStrayChannelsAreIgnored)
{
    AddTrack(3, "@melody");
    AddTrack(3, "piano");
    AddTrack(9, "drums");
    AddTrack(20, "@stray");
    AddTrack(-1, "@stray");
    AddTrack(5, "@");
    Song.MutedChannels = {5, 9};
    TFTune& dialog = Open();

    std::vector<TRow> rows(16, FreeRow);
    rows[3] = {true, true, false, true, TLook::Blank};
    rows[5] = {true, false, true, true, TLook::Selected};
    rows[9] = {true, false, true, false, TLook::Unselected};
    ExpectRows(dialog, rows);

    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(Song.MutedChannels, (TChannelSet{5, 9}));
    EXPECT_EQ(KeyChannels, (TChannelSet{3, 5}));
}

TEST_F(TuneTest, IconClicksLeaveAtMostOneEnabledIconSelectedAndHiddenOnesKeepTheirs)
{
    ReadFirstSong();
    TFTune& dialog = Open();

    // One of three selected icons: all three go.
    ClickIcon(dialog, 2);
    for (int n : {1, 2, 3}) {
        EXPECT_FALSE(dialog.Image[size_t(n - 1)]->Selected) << n;
        EXPECT_EQ(LookOf(dialog, dialog.Image[size_t(n - 1)]), TLook::Unselected) << n;
    }
    // Again: only it.
    ClickIcon(dialog, 2);
    EXPECT_TRUE(dialog.Image[1]->Selected);
    EXPECT_EQ(LookOf(dialog, dialog.Image[1]), TLook::Selected);
    EXPECT_FALSE(dialog.Image[0]->Selected);
    EXPECT_FALSE(dialog.Image[2]->Selected);

    // Checking its box hides it but keeps it selected, and unmutes the channel at once.
    ClickBox(dialog, 2);
    ASSERT_TRUE(dialog.CheckBox[1]->isChecked());
    EXPECT_FALSE(dialog.Image[1]->isEnabled());
    EXPECT_TRUE(dialog.Image[1]->Selected);
    EXPECT_EQ(LookOf(dialog, dialog.Image[1]), TLook::Blank);
    EXPECT_EQ(Song.MutedChannels, (TChannelSet{0, 2}));

    // A hidden icon takes no click and keeps its flag when another is chosen.
    ClickIcon(dialog, 5);
    EXPECT_FALSE(dialog.Image[4]->Selected);
    ClickIcon(dialog, 12);
    EXPECT_TRUE(dialog.Image[11]->Selected);
    EXPECT_TRUE(dialog.Image[1]->Selected);

    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(Song.MutedChannels, (TChannelSet{0, 2}));
    EXPECT_EQ(KeyChannels, (TChannelSet{1, 11}));
    EXPECT_TRUE(Driver.Shorts().empty());
}

TEST_F(TuneTest, ADoubleClickIsOneClickAndEnterPressesTheFocusedButton)
{
    TFTune& dialog = Open();
    // Press, release and the double click a real pointer sends.
    ClickIcon(dialog, 5);
    QTest::mouseDClick(dialog.Image[4], Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_TRUE(dialog.Image[4]->Selected);
    EXPECT_EQ(LookOf(dialog, dialog.Image[4]), TLook::Selected);

    dialog.Button1->setFocus();
    QTest::keyClick(dialog.Button1, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(KeyChannels, TChannelSet{4});

    TFTune& again = Open();
    ClickIcon(again, 7);
    again.Button2->setFocus();
    QTest::keyClick(again.Button2, Qt::Key_Enter);
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(KeyChannels, TChannelSet{4});
}

TEST_F(TuneTest, UncheckingInPlayAlongSilencesTheChannelAtOnceAndCancelDoesNotUndoIt)
{
    ReadFirstSong();
    KeyChannels = {0, 1, 2};
    PlayAlong = true;
    const int result = RunTuneDialog(Song, KeyChannels, PlayAlong, Output, Reporter(), nullptr, [&](TFTune& dialog) {
        // Filling the dialog applies the click handler to each used channel: the muted ones
        // are silenced as they open.
        EXPECT_EQ(Driver.Shorts(), (std::vector<uint32_t>{AllSoundOff(0), AllSoundOff(0), AllSoundOff(1), AllSoundOff(2)}));
        Driver.ClearRecords();
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));

        ClickBox(dialog, 1);
        EXPECT_FALSE(Song.MutedChannels.Contains(0)) << "checking plays the channel again at once";
        EXPECT_TRUE(Driver.Shorts().empty());
        ClickBox(dialog, 5);
        EXPECT_TRUE(Song.MutedChannels.Contains(4));
        EXPECT_EQ(Driver.Shorts(), std::vector<uint32_t>{AllSoundOff(4)});
        ClickIcon(dialog, 5);

        QTest::mouseClick(dialog.Button2, Qt::LeftButton);
        return dialog.result();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Song.MutedChannels, (TChannelSet{0, 1, 2}));
    EXPECT_EQ(KeyChannels, (TChannelSet{0, 1, 2}));
    EXPECT_EQ(Driver.Shorts(), std::vector<uint32_t>{AllSoundOff(4)}) << "the sound stays off";
    EXPECT_TRUE(Reports.empty());
}

TEST_F(TuneTest, ADeviceFailureIsReportedAndTheChannelIsMutedAllTheSame)
{
    ReadFirstSong();
    PlayAlong = true;
    Driver.SetErrorText(MidiOutErrNoDevice, "the synthesizer is gone");
    Driver.RefuseSends(MidiOutErrNoDevice);
    TFTune& dialog = Open();
    EXPECT_EQ(Reports.size(), 4u) << "each failed All Sound Off is handed to the window";
    Reports.clear();

    dialog.CheckBox[3]->setChecked(false);
    EXPECT_NO_THROW(dialog.CheckBoxClick(4));
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0], "the synthesizer is gone");
    EXPECT_TRUE(Song.MutedChannels.Contains(3));
    EXPECT_TRUE(dialog.Image[3]->isEnabled());
    EXPECT_TRUE(Driver.Shorts().empty());
}

TEST_F(TuneTest, RunTuneDialogKeepsTheEditsOnlyOnOk)
{
    ReadFirstSong();
    KeyChannels = {7};
    const auto editThen = [&](std::function<int(TFTune&)> close) {
        return [close](TFTune& dialog) {
            dialog.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            ClickBox(dialog, 2);
            ClickIcon(dialog, 14);
            return close(dialog);
        };
    };

    // The window's close button rejects like Cancel.
    EXPECT_EQ(RunTuneDialog(Song, KeyChannels, PlayAlong, Output, Reporter(), nullptr, editThen([](TFTune& dialog) {
                  dialog.close();
                  return dialog.result();
              })),
              QDialog::Rejected);
    EXPECT_EQ(Song.MutedChannels, (TChannelSet{0, 1, 2}));
    EXPECT_EQ(KeyChannels, TChannelSet{7});

    EXPECT_THROW(RunTuneDialog(Song, KeyChannels, PlayAlong, Output, Reporter(), nullptr,
                               editThen([](TFTune&) -> int { throw std::runtime_error("lost"); })),
                 std::runtime_error);
    EXPECT_EQ(Song.MutedChannels, (TChannelSet{0, 1, 2}));
    EXPECT_EQ(KeyChannels, TChannelSet{7});

    EXPECT_EQ(RunTuneDialog(Song, KeyChannels, PlayAlong, Output, Reporter(), nullptr, editThen([](TFTune& dialog) {
                  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
                  return dialog.result();
              })),
              QDialog::Accepted);
    EXPECT_EQ(Song.MutedChannels, (TChannelSet{0, 2}));
    EXPECT_EQ(KeyChannels, (TChannelSet{1, 13})) << "the hidden melody icon stays selected";
}

} // namespace

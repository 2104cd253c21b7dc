#include "ui/RecoveryRecording.h"

#include "midi/MidiFile.h"
#include "tests/midi/MidiFileTestBytes.h"
#include "tests/support/WrittenEvents.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

void Send(TMidiFile& rec, uint8_t status, uint8_t data1, uint8_t data2)
{
    TMidiEvent event;
    event.status = status;
    event.data1 = data1;
    event.data2 = data2;
    rec.RecordEvent(&event);
}

} // namespace

TEST(RecoveryRecording, AnUnsavedRecordingIsWrittenToTheUsersDataFolder)
{
    TTempDir dir;
    qputenv("XDG_DATA_HOME", dir.Path().c_str());
    TManualTickClock clock(1000);
    TMidiFile rec(clock);
    EXPECT_TRUE(WriteRecoveryRecording(rec).isEmpty()) << "no recording, no file";
    rec.StartRecording();
    clock.Advance(2000);
    EXPECT_TRUE(WriteRecoveryRecording(rec).isEmpty()) << "a recording without a message, no file";
    EXPECT_FALSE(rec.Recording());
    EXPECT_FALSE(QFileInfo::exists(RecoveryFolder()));

    rec.StartRecording();
    clock.Advance(500);
    Send(rec, 0x90, 60, 127);
    clock.Advance(500);
    Send(rec, 0x80, 60, 127);
    const QString path = WriteRecoveryRecording(rec);
    EXPECT_FALSE(rec.Recording()) << "the recording is stopped before it is written";
    EXPECT_TRUE(path.startsWith(QString::fromStdString(dir.File("tinkla/recovered/rec-")))) << path.toStdString();
    EXPECT_TRUE(path.endsWith(".mid"));

    TMidiFile back;
    back.SetFilename(path.toStdString());
    ASSERT_EQ(back.ReadFile(), 2);
    EXPECT_EQ(FirstWritingDifference(rec, back), "");
    EXPECT_EQ(back.GetTrack(1)->EventCount(), 3);

    const QString second = WriteRecoveryRecording(rec);
    EXPECT_NE(second, path) << "an earlier recovered recording is never replaced";
    EXPECT_TRUE(QFileInfo::exists(path) && QFileInfo::exists(second));

    // A data folder that cannot hold folders: nothing is raised on the way out.
    WriteBytes(dir.File("plain-file"), "x");
    qputenv("XDG_DATA_HOME", dir.File("plain-file").c_str());
    EXPECT_TRUE(WriteRecoveryRecording(rec).isEmpty());
}

#include "ui/USelectMidi.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/ui/LedQtApp.h"
#include "ui/SongTables.h"

namespace {

const QString StarTitle = QString::fromUtf8("小星星                  适合3-4岁儿童弹奏");
const QString SwallowTitle = QString::fromUtf8("小燕子                  适合4-5岁儿童弹奏");

class SelectMidiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SelectedSongIndex = 0;
        SelectedSongTitle.clear();
        SelectedSongResource.clear();
        Dialog.open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Dialog));
    }

    QPoint ItemCentre(int row) const { return Dialog.MidiList->visualItemRect(Dialog.MidiList->item(row)).center(); }

    // Press, release and the double click a real pointer sends.
    void DoubleClick(const QPoint& at)
    {
        QWidget* viewport = Dialog.MidiList->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    }

    void ExpectUnchosen() const
    {
        EXPECT_EQ(SelectedSongIndex, 0);
        EXPECT_TRUE(SelectedSongTitle.isEmpty());
        EXPECT_TRUE(SelectedSongResource.isEmpty());
    }

    TFSelectMidi Dialog;
};

TEST_F(SelectMidiTest, OpensWithTheTwoSongsAndNothingSelected)
{
    EXPECT_EQ(Dialog.windowTitle(), QString::fromUtf8("选择要弹奏的歌曲"));
    EXPECT_EQ(Dialog.size(), QSize(482, 302));
    EXPECT_EQ(Dialog.minimumSize(), Dialog.maximumSize());
    EXPECT_EQ(Dialog.palette().color(QPalette::Window), QColor(192, 220, 192));
    EXPECT_EQ(Dialog.font().pixelSize(), 16);

    QListWidget* list = Dialog.MidiList;
    EXPECT_EQ(list->geometry(), QRect(16, 16, 449, 217));
    EXPECT_EQ(list->palette().color(QPalette::Base), QColor(166, 202, 240));
    EXPECT_EQ(list->palette().color(QPalette::Text), QColor(0, 128, 0));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), StarTitle);
    EXPECT_EQ(list->item(1)->text(), SwallowTitle);
    EXPECT_EQ(list->visualItemRect(list->item(0)).height(), 18);
    EXPECT_EQ(list->visualItemRect(list->item(1)).top() - list->visualItemRect(list->item(0)).top(), 18);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(Dialog.SelectedRow(), -1);

    EXPECT_EQ(Dialog.btnOk->geometry(), QRect(168, 256, 75, 25));
    EXPECT_EQ(Dialog.btnCancel->geometry(), QRect(368, 256, 75, 25));
    EXPECT_EQ(Dialog.btnOk->text(), QString::fromUtf8("确定"));
    EXPECT_EQ(Dialog.btnCancel->text(), QString::fromUtf8("取消"));
    for (QPushButton* button : {Dialog.btnOk, Dialog.btnCancel}) {
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
}

TEST_F(SelectMidiTest, DoubleClickOnAnItemChoosesItLikeOk)
{
    DoubleClick(ItemCentre(1));
    EXPECT_FALSE(Dialog.isVisible());
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    EXPECT_EQ(SelectedSongIndex, 1);
    EXPECT_EQ(SelectedSongTitle, SwallowTitle);
    EXPECT_EQ(SelectedSongResource, QStringLiteral("MIDI_XYZ"));
    EXPECT_EQ(SongTransposes[size_t(SelectedSongIndex)], 7);
}

TEST_F(SelectMidiTest, DoubleClickOnEmptySpaceWithoutSelectionKeepsTheDialogOpen)
{
    const QPoint below(ItemCentre(1).x(), ItemCentre(1).y() + 100);
    ASSERT_EQ(Dialog.MidiList->itemAt(below), nullptr);
    DoubleClick(below);
    EXPECT_TRUE(Dialog.isVisible());
    EXPECT_EQ(Dialog.SelectedRow(), -1);
    ExpectUnchosen();
}

TEST_F(SelectMidiTest, OkStoresTheSelectedSong)
{
    QTest::mouseClick(Dialog.MidiList->viewport(), Qt::LeftButton, {}, ItemCentre(0));
    ASSERT_EQ(Dialog.SelectedRow(), 0);
    EXPECT_TRUE(Dialog.isVisible()) << "a single click only selects";
    QTest::mouseClick(Dialog.btnOk, Qt::LeftButton);
    EXPECT_FALSE(Dialog.isVisible());
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    EXPECT_EQ(SelectedSongIndex, 0);
    EXPECT_EQ(SelectedSongTitle, StarTitle);
    EXPECT_EQ(SelectedSongResource, QStringLiteral("MIDI_XXX"));
    EXPECT_EQ(SongTransposes[size_t(SelectedSongIndex)], 2);
}

TEST_F(SelectMidiTest, OkWithoutSelectionClosesAndKeepsTheEarlierChoice)
{
    SelectedSongIndex = 1;
    SelectedSongTitle = SwallowTitle;
    SelectedSongResource = QStringLiteral("MIDI_XYZ");
    QTest::mouseClick(Dialog.btnOk, Qt::LeftButton);
    EXPECT_FALSE(Dialog.isVisible());
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    EXPECT_EQ(SelectedSongIndex, 1);
    EXPECT_EQ(SelectedSongTitle, SwallowTitle);
    EXPECT_EQ(SelectedSongResource, QStringLiteral("MIDI_XYZ"));
}

TEST_F(SelectMidiTest, CancelAndTheCloseBoxChangeNothing)
{
    QTest::mouseClick(Dialog.MidiList->viewport(), Qt::LeftButton, {}, ItemCentre(1));
    ASSERT_EQ(Dialog.SelectedRow(), 1);
    QTest::mouseClick(Dialog.btnCancel, Qt::LeftButton);
    EXPECT_FALSE(Dialog.isVisible());
    EXPECT_EQ(Dialog.result(), QDialog::Rejected);
    ExpectUnchosen();

    Dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Dialog));
    Dialog.MidiList->setCurrentRow(0);
    ASSERT_EQ(Dialog.SelectedRow(), 0);
    EXPECT_TRUE(Dialog.close());
    EXPECT_EQ(Dialog.result(), QDialog::Rejected);
    ExpectUnchosen();
}

TEST_F(SelectMidiTest, EnterAndEscapeCloseNothingWhileTheListHasFocus)
{
    Dialog.MidiList->setFocus();
    Dialog.MidiList->setCurrentRow(1);
    QTest::keyClick(Dialog.MidiList, Qt::Key_Return);
    QTest::keyClick(Dialog.MidiList, Qt::Key_Enter);
    QTest::keyClick(Dialog.MidiList, Qt::Key_Escape);
    EXPECT_TRUE(Dialog.isVisible());
    ExpectUnchosen();
}

TEST_F(SelectMidiTest, EnterPressesTheFocusedButton)
{
    Dialog.MidiList->setCurrentRow(1);
    Dialog.btnOk->setFocus();
    QTest::keyClick(Dialog.btnOk, Qt::Key_Escape);
    ASSERT_TRUE(Dialog.isVisible());
    QTest::keyClick(Dialog.btnOk, Qt::Key_Return);
    EXPECT_FALSE(Dialog.isVisible());
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    EXPECT_EQ(SelectedSongResource, QStringLiteral("MIDI_XYZ"));
}

} // namespace

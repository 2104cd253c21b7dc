#include "ui/BoardMenu.h"

#include <stdexcept>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "tests/ui/LedQtApp.h"
#include "ui/Tamber.h"

namespace {

QString Name(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// One line per item: its caption, "-" for a separator, "[...]" around a submenu's caption.
QStringList Outline(const QMenu* menu)
{
    QStringList lines;
    for (const QAction* item : menu->actions()) {
        if (item->isSeparator())
            lines << QStringLiteral("-");
        else if (item->menu())
            lines << QLatin1Char('[') + item->text() + QLatin1Char(']');
        else
            lines << item->text();
    }
    return lines;
}

struct TBoardMenuTest : ::testing::Test {
    TBoardMenu Menu;

    QMenu* Submenu(QAction* item) const
    {
        EXPECT_NE(item->menu(), nullptr) << item->text().toStdString();
        return item->menu();
    }
};

TEST_F(TBoardMenuTest, TopLevelItemsInOrder)
{
    const QStringList expected{"帮助", "-", "打开其他音乐文件...", "调整音乐文件...", "[播放]", "[录音]",
                               "[录/放同步控制]", "-", "[选择乐器]", "[升降调]", "定义乐器快捷键...", "-",
                               "退出"};
    EXPECT_EQ(Outline(Menu.PopupMenu1()), expected);
    const std::vector<std::pair<QAction*, const char*>> named{
        {Menu.NHelp, "帮助"},   {Menu.NOpen, "打开其他音乐文件..."}, {Menu.NTune, "调整音乐文件..."},
        {Menu.N20, "播放"},     {Menu.N119, "录音"},                 {Menu.N120, "录/放同步控制"},
        {Menu.NSelect, "选择乐器"}, {Menu.nOffset, "升降调"},         {Menu.N133, "定义乐器快捷键..."},
        {Menu.NExit, "退出"}};
    for (const auto& [item, caption] : named) {
        ASSERT_NE(item, nullptr) << caption;
        EXPECT_EQ(item->text(), QString::fromUtf8(caption));
        EXPECT_TRUE(Menu.PopupMenu1()->actions().contains(item)) << caption;
    }
    EXPECT_EQ(Menu.PopupMenu1()->findChild<QAction*>(QStringLiteral("N133")), Menu.N133);
}

TEST_F(TBoardMenuTest, PlaybackAndRecordingSubmenus)
{
    EXPECT_EQ(Outline(Submenu(Menu.N20)), (QStringList{"开始播放", "暂停播放", "继续播放", "终止播放"}));
    EXPECT_EQ(Outline(Submenu(Menu.N119)), (QStringList{"开始录音", "暂停录音", "继续录音", "停止录音"}));
    EXPECT_EQ(Outline(Submenu(Menu.N120)),
              (QStringList{"开始播放和录音", "暂停播放和录音", "继续播放和录音", "停止播放和录音"}));
}

TEST_F(TBoardMenuTest, SixteenInstrumentGroupsTaggedWithTheirPrograms)
{
    const QList<QAction*> groups = Submenu(Menu.NSelect)->actions();
    ASSERT_EQ(groups.size(), 16);
    int expectedTag = 0;
    for (int g = 0; g < 16; ++g) {
        EXPECT_EQ(groups[g]->text(), Name(TamberTable[8 * g].GroupName)) << g;
        const QList<QAction*> items = Submenu(groups[g])->actions();
        ASSERT_EQ(items.size(), 8) << g;
        for (const QAction* item : items) {
            EXPECT_EQ(TBoardMenu::Tag(item), expectedTag);
            EXPECT_FALSE(item->isCheckable());
            if (expectedTag != 52 && expectedTag != 53 && expectedTag != 55 && expectedTag != 113) {
                EXPECT_EQ(item->text(), Name(TamberTable[expectedTag].ChineseName)) << expectedTag;
            }
            ++expectedTag;
        }
    }
    EXPECT_EQ(groups[1]->text(), QStringLiteral("打击乐"));
    EXPECT_EQ(groups[14]->text(), QStringLiteral("打击乐器"));
    EXPECT_EQ(Submenu(groups[6])->actions()[4]->text(), QStringLiteral("人声合唱\"啊\""));
    EXPECT_EQ(Submenu(groups[6])->actions()[5]->text(), QStringLiteral("人声\"嘟\""));
    EXPECT_EQ(Submenu(groups[6])->actions()[7]->text(), QStringLiteral(" 管弦乐敲击齐奏"));
    EXPECT_EQ(Submenu(groups[14])->actions()[1]->text(), QStringLiteral("agogo"));
    EXPECT_EQ(Menu.NSelectDefault, Submenu(groups[0])->actions()[0]);
    EXPECT_EQ(Menu.NSelectDefault->text(), QStringLiteral("大钢琴（声学钢琴）"));
}

TEST_F(TBoardMenuTest, EveryInstrumentItemReportsItsProgram)
{
    QSignalSpy spy(&Menu, &TBoardMenu::InstrumentClicked);
    for (QAction* group : Submenu(Menu.NSelect)->actions())
        for (QAction* item : Submenu(group)->actions())
            item->trigger();
    ASSERT_EQ(spy.size(), 128);
    for (int p = 0; p < 128; ++p)
        EXPECT_EQ(spy[p][0].toInt(), p);
    Menu.NSelectDefault->trigger();
    ASSERT_EQ(spy.size(), 129);
    EXPECT_EQ(spy.last()[0].toInt(), 0);
}

TEST_F(TBoardMenuTest, TranspositionItems)
{
    QSignalSpy spy(&Menu, &TBoardMenu::OffsetClicked);
    const QList<QAction*> items = Submenu(Menu.nOffset)->actions();
    EXPECT_EQ(Outline(Submenu(Menu.nOffset)), (QStringList{"+1", "+2", "+3", "+4", "+5", "+6", "+7", "不移调"}));
    const int tags[] = {1, 2, 3, 4, 5, 6, 7, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(TBoardMenu::Tag(items[i]), tags[i]);
        EXPECT_FALSE(items[i]->isCheckable());
        items[i]->trigger();
        ASSERT_EQ(spy.size(), i + 1);
        EXPECT_EQ(spy.last()[0].toInt(), tags[i]);
    }
}

TEST_F(TBoardMenuTest, CommandsReachTheirSignalsAndTheRestDoNothing)
{
    QSignalSpy open(&Menu, &TBoardMenu::OpenClicked);
    QSignalSpy tune(&Menu, &TBoardMenu::TuneClicked);
    QSignalSpy exit(&Menu, &TBoardMenu::ExitClicked);
    QSignalSpy instrument(&Menu, &TBoardMenu::InstrumentClicked);
    QSignalSpy offset(&Menu, &TBoardMenu::OffsetClicked);
    Menu.NHelp->trigger();
    Menu.N133->trigger();
    for (QAction* submenu : {Menu.N20, Menu.N119, Menu.N120})
        for (QAction* item : Submenu(submenu)->actions()) {
            EXPECT_TRUE(item->isEnabled());
            item->trigger();
        }
    EXPECT_EQ(open.size() + tune.size() + exit.size() + instrument.size() + offset.size(), 0);
    Menu.NOpen->trigger();
    Menu.NTune->trigger();
    Menu.NExit->trigger();
    EXPECT_EQ(open.size(), 1);
    EXPECT_EQ(tune.size(), 1);
    EXPECT_EQ(exit.size(), 1);
    EXPECT_EQ(TBoardMenu::Tag(Menu.NHelp), -1);
}

TEST_F(TBoardMenuTest, EveryMenuIsDrawnByTheMenuStyle)
{
    std::vector<QMenu*> pending{Menu.PopupMenu1()};
    int count = 0;
    while (!pending.empty()) {
        QMenu* menu = pending.back();
        pending.pop_back();
        ++count;
        EXPECT_NE(dynamic_cast<TMenuStyle*>(menu->style()), nullptr) << menu->title().toStdString();
        menu->ensurePolished();
        EXPECT_EQ(menu->font().pixelSize(), 12) << menu->title().toStdString();
        for (QAction* item : menu->actions())
            if (item->menu())
                pending.push_back(item->menu());
    }
    EXPECT_EQ(count, 1 + 3 + 1 + 16 + 1);
}

TEST_F(TBoardMenuTest, OpensWithItsRightEdgeAtTheClick)
{
    const QRect screen = Menu.PopupMenu1()->screen()->availableGeometry();
    const QPoint click = screen.center();
    Menu.Popup(click);
    ASSERT_TRUE(Menu.PopupMenu1()->isVisible());
    const QRect placed = Menu.PopupMenu1()->geometry();
    EXPECT_EQ(placed.x() + placed.width(), click.x());
    EXPECT_EQ(placed.y(), click.y());
    Menu.PopupMenu1()->close();
}

TEST(InstrumentCaption, RejectsProgramsOutsideTheCatalogue)
{
    EXPECT_EQ(InstrumentCaption(127), QStringLiteral("枪声"));
    EXPECT_THROW(InstrumentCaption(128), std::out_of_range);
    EXPECT_THROW(InstrumentCaption(-1), std::out_of_range);
}

} // namespace

#include "ui/MenuStyle.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <gtest/gtest.h>

#include "tests/ui/LedQtApp.h"
#include "ui/Fonts.h"

namespace {

constexpr QRect ItemRect(0, 0, 200, 22);

struct TMenuStyleTest : ::testing::Test {
    TMenuStyle Style;
    QMenu Menu;

    void SetUp() override { Menu.setStyle(&Style); }

    QStyleOptionMenuItem Option(const QString& text, bool selected, bool enabled = true)
    {
        QStyleOptionMenuItem option;
        option.initFrom(&Menu);
        option.rect = ItemRect;
        option.text = text;
        option.menuItemType = QStyleOptionMenuItem::Normal;
        option.font = Menu.font();
        option.fontMetrics = QFontMetrics(Menu.font());
        option.state = QStyle::State_None;
        if (enabled)
            option.state |= QStyle::State_Enabled;
        if (selected)
            option.state |= QStyle::State_Selected;
        return option;
    }

    QImage Draw(const QStyleOptionMenuItem& option)
    {
        QImage image(ItemRect.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        Style.drawControl(QStyle::CE_MenuItem, &option, &painter, &Menu);
        return image;
    }
};

// The leftmost column in which any pixel differs from `background`; -1 when none does.
int FirstInk(const QImage& image, QRgb background, int fromX)
{
    for (int x = fromX; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) != background)
                return x;
    return -1;
}

TEST(Fonts, DesignedFacesAreSubstitutedByInstalledOnes)
{
    const QStringList families = QFontDatabase::families();
    if (!families.contains(QStringLiteral("AR PL UMing CN")) || !families.contains(QStringLiteral("AR PL UKai CN")))
        GTEST_SKIP() << "fonts-arphic-uming / fonts-arphic-ukai are not installed";
    const QFont song = TinklaFont(QStringLiteral("宋体"), 12);
    EXPECT_EQ(song.pixelSize(), 12);
    EXPECT_EQ(QFontInfo(song).family(), QStringLiteral("AR PL UMing CN"));
    EXPECT_EQ(QFontInfo(TinklaFont(QStringLiteral("新宋体"), 13, true)).family(), QStringLiteral("AR PL UMing CN"));
    EXPECT_EQ(QFontInfo(TinklaFont(QStringLiteral("楷体_GB2312"), 20)).family(), QStringLiteral("AR PL UKai CN"));
    EXPECT_TRUE(TinklaFont(QStringLiteral("新宋体"), 13, true).bold());
}

TEST_F(TMenuStyleTest, MenusUseTheSongFaceTwelvePixelsHigh)
{
    Menu.ensurePolished();
    EXPECT_EQ(Menu.font().pixelSize(), TMenuStyle::FontPixelSize);
    EXPECT_EQ(Menu.font().family(), QStringLiteral("宋体"));
}

TEST_F(TMenuStyleTest, SelectedItemIsHighlightFramedInTheSameColour)
{
    Menu.ensurePolished();
    const QImage image = Draw(Option(QStringLiteral("钢琴"), true));
    const QRgb highlight = Menu.palette().color(QPalette::Highlight).rgb();
    for (int x = 0; x < ItemRect.width(); ++x) {
        EXPECT_EQ(image.pixel(x, 0), highlight) << x;
        EXPECT_EQ(image.pixel(x, ItemRect.height() - 1), highlight) << x;
    }
    for (int y = 0; y < ItemRect.height(); ++y) {
        EXPECT_EQ(image.pixel(0, y), highlight) << y;
        EXPECT_EQ(image.pixel(ItemRect.width() - 1, y), highlight) << y;
        EXPECT_EQ(image.pixel(10, y), highlight) << "the icon column is highlighted too";
    }
    EXPECT_GE(FirstInk(image, highlight, 0), TMenuStyle::IconColumnWidth) << "the caption is drawn";
}

TEST_F(TMenuStyleTest, PlainItemHasAnIconColumnAndSystemColours)
{
    Menu.ensurePolished();
    const QImage image = Draw(Option(QStringLiteral("钢琴"), false));
    const QRgb column = TMenuStyle::IconColumnColor(Menu.palette()).rgb();
    const QRgb window = Menu.palette().color(QPalette::Window).rgb();
    ASSERT_NE(column, window);
    for (int x = 0; x < TMenuStyle::IconColumnWidth; ++x)
        EXPECT_EQ(image.pixel(x, 11), column) << x;
    EXPECT_EQ(image.pixel(TMenuStyle::IconColumnWidth, 0), window);
    EXPECT_EQ(image.pixel(ItemRect.width() - 1, 11), window);
    const int ink = FirstInk(image, window, TMenuStyle::IconColumnWidth);
    EXPECT_GE(ink, TMenuStyle::IconColumnWidth + TMenuStyle::TextGap);
    EXPECT_LT(ink, TMenuStyle::IconColumnWidth + TMenuStyle::TextGap + 4) << "caption starts after the column";

    const QImage disabled = Draw(Option(QStringLiteral("钢琴"), true, false));
    EXPECT_EQ(disabled.pixel(100, 0), window) << "a disabled item is never highlighted";
}

TEST_F(TMenuStyleTest, SubmenuArrowAndSeparator)
{
    Menu.ensurePolished();
    const QRgb window = Menu.palette().color(QPalette::Window).rgb();
    QStyleOptionMenuItem submenu = Option(QStringLiteral("钢琴"), false);
    submenu.menuItemType = QStyleOptionMenuItem::SubMenu;
    EXPECT_GE(FirstInk(Draw(submenu), window, ItemRect.width() - TMenuStyle::ArrowWidth), 0)
        << "an arrow marks the submenu";
    EXPECT_EQ(FirstInk(Draw(Option(QStringLiteral("钢琴"), false)), window, ItemRect.width() - TMenuStyle::ArrowWidth), -1);

    QStyleOptionMenuItem separator = Option(QString(), false);
    separator.menuItemType = QStyleOptionMenuItem::Separator;
    const QImage line = Draw(separator);
    EXPECT_EQ(line.pixel(100, ItemRect.center().y()), Menu.palette().color(QPalette::Mid).rgb());
    EXPECT_EQ(line.pixel(100, 0), window);
    EXPECT_EQ(Style.sizeFromContents(QStyle::CT_MenuItem, &separator, {}, &Menu).height(),
              TMenuStyle::SeparatorHeight);
}

TEST_F(TMenuStyleTest, ItemSizeFitsColumnCaptionAndArrow)
{
    Menu.ensurePolished();
    const QStyleOptionMenuItem option = Option(QStringLiteral("科拉维科特琴（击弦古钢琴）"), false);
    const QSize size = Style.sizeFromContents(QStyle::CT_MenuItem, &option, {}, &Menu);
    EXPECT_GE(size.width(), TMenuStyle::IconColumnWidth + TMenuStyle::TextGap +
                                option.fontMetrics.horizontalAdvance(option.text) + TMenuStyle::ArrowWidth);
    EXPECT_GE(size.height(), TMenuStyle::FontPixelSize + 2);
    EXPECT_LE(size.height(), 30);
}

} // namespace

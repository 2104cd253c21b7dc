// The committed skin pictures: the sizes the window relies on, pressed keys that look
// clearly different, the white keys' notches, the glass overlay's translucency, and the
// layout pictures compiled in as resources.
#include "app/SkinImages.h"

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

class TGuiApp : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "tinkla-skin-test";
        static char* argv[] = {name, nullptr};
        App = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { App.reset(); }

private:
    std::unique_ptr<QGuiApplication> App;
};

::testing::Environment* const GuiApp = ::testing::AddGlobalTestEnvironment(new TGuiApp);

QImage Read(const QString& path)
{
    QImage image(path);
    EXPECT_FALSE(image.isNull()) << path.toStdString();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage Skin(const char* name) { return Read(QStringLiteral(TINKLA_SOURCE_DIR "/img/") + QLatin1String(name)); }

// The mean colour difference of two pictures of one size, over pixels opaque in both.
double MeanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (qAlpha(p) < 200 || qAlpha(q) < 200) {
                continue;
            }
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            ++count;
        }
    }
    return count > 0 ? sum / count : 0;
}

struct TSized {
    const char* Name;
    int Width, Height;
};

TEST(SkinFiles, EveryPictureHasItsSizeAtOneAndTwoTimes)
{
    const TSized pictures[] = {
        {"Close.png", 32, 32},        {"CloseHot.png", 32, 32},       {"bkeyup.png", 16, 65},
        {"bkeydown.png", 16, 65},     {"keyup.png", 21, 120},         {"keyupl.png", 21, 120},
        {"keyupr.png", 21, 120},      {"keydown.png", 21, 120},       {"keydownl.png", 21, 120},
        {"keydownr.png", 21, 120},    {"btn_Open.png", 48, 29},       {"btn_Open_hot.png", 48, 29},
        {"btn_play.png", 48, 29},     {"btn_play_hot.png", 48, 29},   {"btn_play_on.png", 48, 29},
        {"btn_stop.png", 48, 29},     {"btn_stop_hot.png", 48, 29},   {"btn_rec.png", 48, 29},
        {"btn_rec_hot.png", 48, 29},  {"btn_rec_on.png", 48, 29},     {"btn_recplay.png", 48, 29},
        {"btn_recplay_hot.png", 48, 29}, {"btn_stop_rec.png", 48, 29}, {"btn_stop_rec_hot.png", 48, 29},
        {"btn_save.png", 48, 29},     {"btn_save_hot.png", 48, 29},
    };
    for (const TSized& picture : pictures) {
        EXPECT_EQ(Skin(picture.Name).size(), QSize(picture.Width, picture.Height)) << picture.Name;
        std::string dense = picture.Name;
        dense.insert(dense.rfind('.'), "@2x");
        EXPECT_EQ(Skin(dense.c_str()).size(), QSize(2 * picture.Width, 2 * picture.Height)) << dense;
    }
}

TEST(SkinFiles, PressedKeysAndHoveredButtonsLookDifferent)
{
    const std::pair<const char*, const char*> pairs[] = {
        {"keyup.png", "keydown.png"},   {"keyupl.png", "keydownl.png"}, {"keyupr.png", "keydownr.png"},
        {"bkeyup.png", "bkeydown.png"},
    };
    for (const auto& [up, down] : pairs) {
        // At least a third of the way across one channel on average: plain to see for a child.
        EXPECT_GT(MeanDifference(Skin(up), Skin(down)), 80) << up << " / " << down;
    }
    EXPECT_GT(MeanDifference(Skin("Close.png"), Skin("CloseHot.png")), 30);
    EXPECT_GT(MeanDifference(Skin("btn_play.png"), Skin("btn_play_on.png")), 30);
    EXPECT_GT(MeanDifference(Skin("btn_rec.png"), Skin("btn_rec_on.png")), 30);
}

TEST(SkinFiles, WhiteKeysLeaveRoomForTheirBlackNeighbours)
{
    // Black keys cover the top 65 rows of 8 columns on the side(s) they sit.
    const auto clearAt = [](const QImage& key, int x, int y) { return qAlpha(key.pixel(x, y)) == 0; };
    for (const char* name : {"keyupl.png", "keydownl.png"}) {
        const QImage key = Skin(name);
        EXPECT_TRUE(clearAt(key, 17, 30)) << name;
        EXPECT_FALSE(clearAt(key, 4, 30)) << name;
    }
    for (const char* name : {"keyupr.png", "keydownr.png"}) {
        const QImage key = Skin(name);
        EXPECT_TRUE(clearAt(key, 4, 30)) << name;
        EXPECT_FALSE(clearAt(key, 17, 30)) << name;
    }
    for (const char* name : {"keyup.png", "keydown.png", "keyupl.png", "keyupr.png"}) {
        const QImage key = Skin(name);
        EXPECT_FALSE(clearAt(key, 10, 30)) << name;
        EXPECT_FALSE(clearAt(key, 2, 100)) << name;
        EXPECT_FALSE(clearAt(key, 18, 100)) << name;
    }
    const QImage middle = Skin("keyup.png");
    EXPECT_TRUE(clearAt(middle, 4, 30));
    EXPECT_TRUE(clearAt(middle, 17, 30));
}

TEST(SkinFiles, LayoutPicturesAreCompiledIn)
{
    const QImage background = Read(QStringLiteral(":/layout/Background.jpg"));
    EXPECT_EQ(background.size(), QSize(765, 341));
    EXPECT_FALSE(QImage(QStringLiteral(":/layout/Background.jpg")).hasAlphaChannel());
    EXPECT_EQ(Read(QStringLiteral(":/layout/Logo.png")).size(), QSize(128, 128));
    EXPECT_EQ(Read(QStringLiteral(":/layout/Close.png")).size(), QSize(32, 32));
    for (const char* name : {"btn_Open", "btn_play", "btn_stop", "btn_rec", "btn_recplay", "btn_stop_rec", "btn_save"}) {
        EXPECT_EQ(Read(QStringLiteral(":/layout/%1.png").arg(QLatin1String(name))).size(), QSize(48, 29)) << name;
    }
}

TEST(SkinFiles, LedGlassIsAnOpaqueFrameAroundAFaintPane)
{
    const QImage glass = Read(QStringLiteral(":/layout/LedGlass.png"));
    ASSERT_EQ(glass.size(), QSize(222, 180));
    // The frame, about six pixels wide, dark red.
    for (const QPoint p : {QPoint(3, 90), QPoint(218, 90), QPoint(111, 2), QPoint(111, 177)}) {
        const QRgb pixel = glass.pixel(p);
        EXPECT_EQ(qAlpha(pixel), 255) << p.x() << "," << p.y();
        EXPECT_GT(qRed(pixel), 2 * qGreen(pixel)) << p.x() << "," << p.y();
    }
    // The pane: light blue and about 13 % opaque away from the highlight.
    const QRgb pane = glass.pixel(40, 150);
    EXPECT_GE(qAlpha(pane), 20);
    EXPECT_LE(qAlpha(pane), 45);
    EXPECT_GT(qBlue(pane), qRed(pane));
    // The light strip along the top inside edge and the highlight at the top right.
    EXPECT_GT(qAlpha(glass.pixel(40, 7)), 2 * qAlpha(pane));
    EXPECT_GT(qAlpha(glass.pixel(185, 20)), 2 * qAlpha(pane));
}

TEST(SkinFiles, DenseScreensGetTheTwiceSizedTwin)
{
    const QString key = QStringLiteral(TINKLA_SOURCE_DIR "/img/keyup.png");
    const QPixmap plain = LoadSkinPicture(key, 1.0);
    EXPECT_EQ(plain.size(), QSize(21, 120));
    EXPECT_EQ(plain.devicePixelRatio(), 1.0);
    const QPixmap dense = LoadSkinPicture(key, 2.0);
    EXPECT_EQ(dense.size(), QSize(42, 240));
    EXPECT_EQ(dense.deviceIndependentSize(), QSizeF(21, 120));
    // A picture without a twin is read as it is.
    const QPixmap background = LoadSkinPicture(QStringLiteral(TINKLA_SOURCE_DIR "/docs/screenshot.png"), 2.0);
    EXPECT_EQ(background.size(), QSize(765, 341));
    try {
        LoadSkinPicture(QStringLiteral("/nonexistent/img/keyup.png"), 2.0);
        ADD_FAILURE() << "a missing picture must raise";
    } catch (const ESkinError& error) {
        EXPECT_EQ(error.Problem.Path, QStringLiteral("/nonexistent/img/keyup.png"));
        EXPECT_FALSE(error.Problem.Reason.isEmpty());
    }
}

} // namespace

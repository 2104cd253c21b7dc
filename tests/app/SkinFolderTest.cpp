// Finding the img folder: beside the executable first (the build tree), then the installed
// data folder relative to the executable, so that an installed program loads its whole skin.
#include "app/SkinFolder.h"
#include "app/SkinImages.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string Find(const QString& executableDir, const char* dataFromExecutable)
{
    return FindSkinFolder(executableDir, QString::fromUtf8(dataFromExecutable)).toStdString();
}

// An install tree: <root>/bin for the program, <root>/share/tinkla/img holding a copy of the
// committed skin pictures.
class SkinFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Root.isValid());
        Bin = Root.path() + QStringLiteral("/bin/");
        Data = Root.path() + QStringLiteral("/share/tinkla/");
        ASSERT_TRUE(QDir().mkpath(Bin));
        ASSERT_TRUE(QDir().mkpath(Data + QStringLiteral("img")));
        const QDir source(QStringLiteral(TINKLA_SOURCE_DIR "/img"));
        for (const QString& name : source.entryList(QDir::Files)) {
            ASSERT_TRUE(QFile::copy(source.filePath(name), Data + QStringLiteral("img/") + name));
        }
    }

    QTemporaryDir Root;
    QString Bin;
    QString Data;
};

TEST_F(SkinFolderTest, InstalledProgramFindsAndLoadsItsWholeSkin)
{
    const QString folder = FindSkinFolder(Bin, QStringLiteral("../share/tinkla"));
    EXPECT_EQ(folder.toStdString(), Data.toStdString());
    int argc = 1;
    char name[] = "tinkla-skin-folder-test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    TSkinImages skin;
    EXPECT_TRUE(skin.Load(folder, 1.0).empty());
    EXPECT_EQ(skin.PngKeyUp.size(), QSize(21, 120));
}

TEST_F(SkinFolderTest, ImgBesideTheExecutableWinsAndAMissingSkinIsReportedThere)
{
    // No img anywhere reachable: the executable's own folder, with its separator.
    const QString elsewhere = Root.path() + QStringLiteral("/opt/elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    EXPECT_EQ(Find(elsewhere, "../share/tinkla"), (elsewhere + QLatin1Char('/')).toStdString());
    EXPECT_EQ(Find(Bin, "../nowhere"), Bin.toStdString());

    ASSERT_TRUE(QDir().mkpath(Bin + QStringLiteral("img")));
    EXPECT_EQ(Find(Bin, "../share/tinkla"), Bin.toStdString());
}

} // namespace

#include "app/MainSkin.h"
#include "app/Settings.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class MainSkinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings = AppSettings::Defaults(dir.path() + u'/');
        QDir(dir.path()).mkpath(QStringLiteral("skin"));
        QDir(dir.path()).mkpath(QStringLiteral("classic"));
    }
    QString Put(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }
    QString PutBitmap(const QString& name, int width, int height)
    {
        QImage picture(width, height, QImage::Format_RGB888);
        picture.fill(qRgb(255, 1, 255));
        const QString path = dir.filePath(name);
        EXPECT_TRUE(picture.save(path, "BMP"));
        return path;
    }

    QTemporaryDir dir;
    AppSettings settings;
    MainSkin face;
};

TEST_F(MainSkinTest, StartUpTakesTheSkinsPicturesAndSize)
{
    settings.thema =
        Put(QStringLiteral("skin/face.ini"), "[Position]\nBack=back.bmp\nMask=mask.bmp\nBaseSize=0,0\n");
    PutBitmap(QStringLiteral("skin/back.bmp"), 30, 20);
    PutBitmap(QStringLiteral("skin/mask.bmp"), 64, 48);
    const QSize size = face.SelectAtStartUp(settings, dir.path() + u'/');
    EXPECT_EQ(face.ImagePath(), dir.filePath(QStringLiteral("skin/back.bmp")));
    EXPECT_TRUE(face.Skin().MaskMode());
    EXPECT_EQ(size, QSize(64, 48)) << "a skin without a base size takes its mask's";
}

TEST_F(MainSkinTest, AConfiguredFolderStaysTheBackgroundAndSkinsOffKeepTheStoredSize)
{
    settings.thema = Put(QStringLiteral("skin/face.ini"), "[Position]\nBack=back.bmp\nBaseSize=200,100\n");
    PutBitmap(QStringLiteral("skin/back.bmp"), 30, 20);
    settings.back = dir.filePath(QStringLiteral("classic"));
    EXPECT_EQ(face.SelectAtStartUp(settings, dir.path() + u'/'), QSize(200, 100));
    EXPECT_EQ(face.ImagePath(), settings.back) << "a classic skin folder is not replaced";

    settings.useThema = false;
    settings.w = 150;
    settings.h = 90;
    MainSkin off;
    EXPECT_EQ(off.SelectAtStartUp(settings, dir.path() + u'/'), QSize(150, 90));
    EXPECT_EQ(off.Skin().Definition().baseSize, QSize(200, 100)) << "the file is read all the same";
    EXPECT_FALSE(off.Skin().MaskMode());
}

TEST_F(MainSkinTest, ASkinWithoutAFileOrSizeKeepsTheStoredSize)
{
    settings.thema = dir.filePath(QStringLiteral("missing.ini"));
    EXPECT_EQ(face.SelectAtStartUp(settings, dir.path() + u'/'), QSize(179, 179));
    EXPECT_TRUE(face.ImagePath().isEmpty());
}

// A skin that cannot be used gives way to the program's own, beside the program; the setting
// stays for when it can be used again.
TEST_F(MainSkinTest, ASkinThatCannotBeUsedGivesWayToTheProgramsOwn)
{
    Put(QStringLiteral("Sorlin.ini"), "[Position]\nBaseSize=240,150\nBtnMax=1\nBtn1=0,0,10,0,10,10\n");
    const QString unusable[] = {dir.filePath(QStringLiteral("gone.ini")), QStringLiteral("/dev/zero"),
                                dir.filePath(QStringLiteral("skin")),
                                Put(QStringLiteral("notes.txt"), "a shopping list\n")};
    for (const QString& thema : unusable) {
        SCOPED_TRACE(thema.toStdString());
        settings.thema = thema;
        MainSkin fallback;
        EXPECT_EQ(fallback.SelectAtStartUp(settings, dir.path() + u'/'), QSize(240, 150));
        EXPECT_EQ(fallback.Skin().Definition().buttonCount, 1);
        EXPECT_EQ(settings.thema, thema);
    }
}

} // namespace

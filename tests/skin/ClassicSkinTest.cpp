#include "skin/ClassicSkin.h"
#include "Bmp.h"
#include "skin/Dib.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ClassicSkinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QVector<QRgb> palette = {qRgb(0, 0, 0), qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200),
                                       qRgb(9, 9, 9)};
        const auto panel = [&](int width, int height, int entry) {
            bmp::Spec spec;
            spec.width = width;
            spec.height = height;
            spec.bitCount = 8;
            spec.palette = palette;
            spec.index = [entry](int, int) { return entry; };
            return bmp::File(spec);
        };
        Put("main.bmp", panel(275, 116, 1));
        Put("eqmain.bmp", panel(275, 116, 2));
        Put("titlebar.bmp", panel(275, 14, 4));
        Put("cbuttons.bmp", panel(136, 36, 3));
    }
    void Put(const char* name, const QByteArray& bytes)
    {
        ASSERT_TRUE(bmp::Write(dir.filePath(QLatin1String(name)), bytes));
    }
    QRgb At(const CDib& dib, int x, int y) const { return dib.Image().pixel(x, y); }

    QTemporaryDir dir;
};

TEST_F(ClassicSkinTest, PanelsAndButtonsLandWhereTheLayoutSays)
{
    CDib dib;
    ASSERT_TRUE(ComposeClassicSkin(dib, dir.path(), true));
    EXPECT_EQ(dib.SourceRect(), QRect(0, 0, 275, 232));
    EXPECT_EQ(dib.Block().size(), 203728);
    EXPECT_EQ(At(dib, 0, 0), qRgb(200, 0, 0)) << "main panel on top";
    EXPECT_EQ(At(dib, 0, 200), qRgb(0, 200, 0)) << "equalizer below";
    EXPECT_EQ(At(dib, 16, 88), qRgb(0, 0, 200)) << "buttons at (16, 88)";
    EXPECT_EQ(At(dib, 129, 105), qRgb(0, 0, 200));
    EXPECT_EQ(At(dib, 130, 88), qRgb(200, 0, 0));
    EXPECT_EQ(At(dib, 136, 89), qRgb(0, 0, 200)) << "the eject button at (136, 89)";
    EXPECT_EQ(At(dib, 157, 104), qRgb(0, 0, 200));
    EXPECT_EQ(At(dib, 136, 88), qRgb(200, 0, 0));

    ASSERT_TRUE(ComposeClassicSkin(dib, dir.path(), false));
    EXPECT_EQ(At(dib, 0, 0), qRgb(0, 200, 0)) << "equalizer on top";
    EXPECT_EQ(At(dib, 0, 120), qRgb(200, 0, 0));
    EXPECT_EQ(At(dib, 16, 116 + 88), qRgb(0, 0, 200)) << "the buttons stay on the main panel";
}

TEST_F(ClassicSkinTest, MissingFilesAndPanelsThatDoNotFit)
{
    QFile::remove(dir.filePath(QStringLiteral("eqmain.bmp")));
    CDib dib;
    ASSERT_TRUE(ComposeClassicSkin(dib, dir.path(), true));
    EXPECT_EQ(At(dib, 0, 200), qRgb(0, 0, 0)) << "colour-table entry 0 where the equalizer was";

    QFile::remove(dir.filePath(QStringLiteral("titlebar.bmp")));
    EXPECT_FALSE(ComposeClassicSkin(dib, dir.path(), true));
    EXPECT_EQ(dib.SourceRect(), QRect(0, 0, 275, 232)) << "the picture stays";

    // Panels shorter than 116 rows or too wide for the block are refused.
    QTemporaryDir other;
    bmp::Spec small;
    small.width = 275;
    small.height = 50;
    small.bitCount = 8;
    small.palette = {qRgb(1, 1, 1)};
    for (const char* name : {"main.bmp", "titlebar.bmp"})
        ASSERT_TRUE(bmp::Write(other.filePath(QLatin1String(name)), bmp::File(small)));
    small.width = 136;
    small.height = 36;
    ASSERT_TRUE(bmp::Write(other.filePath(QStringLiteral("cbuttons.bmp")), bmp::File(small)));
    CDib none;
    EXPECT_FALSE(ComposeClassicSkin(none, other.path(), true));
    bmp::Spec wide;
    wide.width = 400;
    wide.height = 116;
    ASSERT_TRUE(bmp::Write(other.filePath(QStringLiteral("main.bmp")), bmp::File(wide)));
    EXPECT_FALSE(ComposeClassicSkin(none, other.path(), true));
    EXPECT_TRUE(none.IsEmpty());
}

} // namespace

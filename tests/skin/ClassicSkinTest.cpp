#include "skin/ClassicSkin.h"
#include "Bmp.h"
#include "skin/Dib.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

namespace {

using ColourAt = std::function<QRgb(int x, int y)>;

// The pixels of a composed skin (main panel on top) that differ from the panels and buttons it
// was made of, as text; empty when every pixel is where the layout puts it.
std::string LayoutMismatches(const CDib& dib, const ColourAt& main, const ColourAt& eq,
                             const ColourAt& buttons)
{
    const QImage& image = dib.Image();
    if (image.size() != QSize(275, 232))
        return "the picture is not 275x232";
    std::string text;
    int count = 0;
    for (int y = 0; y < 232; ++y) {
        for (int x = 0; x < 275; ++x) {
            QRgb expected = y < 116 ? main(x, y) : eq(x, y - 116);
            if (x >= 16 && x < 130 && y >= 88 && y < 106)
                expected = buttons(x - 16, y - 88); // play, pause, stop, previous, next
            else if (x >= 136 && x < 158 && y >= 89 && y < 105)
                expected = buttons(x - 136 + 114, y - 89); // eject
            if (image.pixel(x, y) != expected && ++count <= 3)
                text += "(" + std::to_string(x) + ", " + std::to_string(y) + ") ";
        }
    }
    return count == 0 ? std::string() : text + "and " + std::to_string(count) + " pixels in all";
}

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

TEST_F(ClassicSkinTest, NamesInAnyLetterCaseComposeLikeLowerCaseOnes)
{
    CDib lower;
    ASSERT_TRUE(ComposeClassicSkin(lower, dir.path(), true));

    // As skins made on Windows name them.
    QTemporaryDir mixed;
    const QStringList names = {"main.bmp", "eqmain.bmp", "titlebar.bmp", "cbuttons.bmp"};
    const QStringList renamed = {"Main.bmp", "EQMAIN.BMP", "TitleBar.Bmp", "CBUTTONS.BMP"};
    for (int i = 0; i < names.size(); ++i)
        ASSERT_TRUE(QFile::copy(dir.filePath(names[i]), mixed.filePath(renamed[i])));
    CDib composed;
    ASSERT_TRUE(ComposeClassicSkin(composed, mixed.path(), true));
    EXPECT_EQ(composed.Block(), lower.Block());
    ASSERT_TRUE(ComposeClassicSkin(lower, dir.path(), false));
    ASSERT_TRUE(ComposeClassicSkin(composed, mixed.path(), false));
    EXPECT_EQ(composed.Block(), lower.Block());

    // A name that matches exactly wins over one that differs in case.
    bmp::Spec other;
    other.width = 275;
    other.height = 116;
    other.colour = [](int, int) { return qRgb(1, 2, 3); };
    ASSERT_TRUE(bmp::Write(mixed.filePath(QStringLiteral("main.bmp")), bmp::File(other)));
    ASSERT_TRUE(ComposeClassicSkin(composed, mixed.path(), true));
    EXPECT_EQ(At(composed, 0, 0), qRgb(1, 2, 3));
}

TEST_F(ClassicSkinTest, PngPicturesCompose)
{
    const ColourAt main = [](int x, int y) { return qRgb(x % 256, y, 50); };
    const ColourAt eq = [](int x, int y) { return qRgb(255 - x % 256, y, 150); };
    const ColourAt buttons = [](int x, int y) { return qRgb(x, 200 + y, 250); };
    const auto save = [](const QString& path, int width, int height, const ColourAt& colour) {
        QImage image(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, colour(x, y));
        return image.save(path, "PNG");
    };
    QTemporaryDir pngs;
    ASSERT_TRUE(save(pngs.filePath(QStringLiteral("main.png")), 275, 116, main));
    ASSERT_TRUE(save(pngs.filePath(QStringLiteral("EqMain.png")), 275, 116, eq));
    ASSERT_TRUE(save(pngs.filePath(QStringLiteral("titlebar.PNG")), 275, 14, main));
    ASSERT_TRUE(save(pngs.filePath(QStringLiteral("cbuttons.png")), 136, 36, buttons));

    CDib dib;
    ASSERT_TRUE(ComposeClassicSkin(dib, pngs.path(), true));
    EXPECT_EQ(dib.SourceRect(), QRect(0, 0, 275, 232));
    EXPECT_EQ(dib.Block().size(), 203728);
    EXPECT_EQ(dib.Header().bitCount, 24);
    EXPECT_EQ(LayoutMismatches(dib, main, eq, buttons), "");
    EXPECT_EQ(At(dib, 16, 88), buttons(0, 0));
    EXPECT_EQ(At(dib, 136, 89), buttons(114, 0));
    EXPECT_EQ(At(dib, 200, 100), main(200, 100));

    // A file named .png that holds no PNG is a missing picture.
    ASSERT_TRUE(bmp::Write(pngs.filePath(QStringLiteral("cbuttons.png")), "not a picture"));
    CDib none;
    EXPECT_FALSE(ComposeClassicSkin(none, pngs.path(), true));
    EXPECT_TRUE(none.IsEmpty());
}

TEST_F(ClassicSkinTest, PicturesOfDifferentDepthsAreComposedInTrueColour)
{
    const ColourAt red = [](int, int) { return qRgb(200, 0, 0); };
    const ColourAt green = [](int, int) { return qRgb(0, 200, 0); };
    const ColourAt blue = [](int, int) { return qRgb(0, 0, 200); };
    const ColourAt main = [](int x, int y) { return qRgb(x % 256, y, 7); };
    const ColourAt buttons = [](int x, int y) { return qRgb(x, y, 200); };
    // `other` gets the fixture's 8-bit pictures with a 24-bit main panel, as real skins have it.
    QTemporaryDir other;
    for (const char* name : {"eqmain.bmp", "titlebar.bmp", "cbuttons.bmp"})
        ASSERT_TRUE(QFile::copy(dir.filePath(QLatin1String(name)), other.filePath(QLatin1String(name))));
    bmp::Spec trueColour;
    trueColour.width = 275;
    trueColour.height = 116;
    trueColour.colour = main;
    ASSERT_TRUE(bmp::Write(other.filePath(QStringLiteral("main.bmp")), bmp::File(trueColour)));

    // 8-bit panels with 24-bit buttons.
    trueColour.width = 136;
    trueColour.height = 36;
    trueColour.colour = buttons;
    ASSERT_TRUE(bmp::Write(dir.filePath(QStringLiteral("cbuttons.bmp")), bmp::File(trueColour)));
    CDib dib;
    EXPECT_TRUE(ComposeClassicSkin(dib, dir.path(), true));
    EXPECT_EQ(dib.Header().bitCount, 24);
    EXPECT_EQ(dib.Block().size(), 203728);
    EXPECT_EQ(LayoutMismatches(dib, red, green, buttons), "");

    // A 24-bit main panel with 8-bit buttons and equalizer.
    CDib fromOther;
    EXPECT_TRUE(ComposeClassicSkin(fromOther, other.path(), true));
    EXPECT_EQ(fromOther.Header().bitCount, 24);
    EXPECT_EQ(LayoutMismatches(fromOther, main, green, blue), "");

    // A PNG among 8-bit bitmaps; a bitmap of the same name is taken before it.
    QImage png(136, 36, QImage::Format_RGB32);
    png.fill(qRgb(1, 250, 1));
    ASSERT_TRUE(png.save(dir.filePath(QStringLiteral("CButtons.png")), "PNG"));
    ASSERT_TRUE(ComposeClassicSkin(dib, dir.path(), true));
    EXPECT_EQ(LayoutMismatches(dib, red, green, buttons), "");
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("cbuttons.bmp"))));
    ASSERT_TRUE(ComposeClassicSkin(dib, dir.path(), true));
    EXPECT_EQ(LayoutMismatches(dib, red, green, [](int, int) { return qRgb(1, 250, 1); }), "");
}

} // namespace

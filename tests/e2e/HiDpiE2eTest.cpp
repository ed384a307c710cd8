// The window on a screen of device pixel ratio 2, as on a HiDPI monitor: the X window has twice
// the pixels each way, the settings keep the logical size, and the display text and the skin are
// drawn at the screen's own pixels instead of drawn at half and doubled. Judged by the pixel
// values of screenshots the X server gives, against the same measure of a doubled picture.

#include "Harness.h"
#include "app/SettingsStore.h"
#include "support/TempHome.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

using namespace e2e;

// The default skin beside the program gives the window its size.
constexpr int kSkinWidth = 240;
constexpr int kSkinHeight = 150;

// How a picture's aligned 2×2 pixel blocks look: those the display text touches (it changes
// them against the picture without text), how many of those the text covers unevenly (crisp
// edges drawn at the screen's pixels; a doubled picture covers each block evenly), and how many
// blocks of the picture without text are not one colour (smoothed pictures and outlines).
struct Blocks
{
    int textBlocks = 0;
    int unevenTextBlocks = 0;
    int varied = 0;
    int all = 0;
};

int Distance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

Blocks MeasureBlocks(const QImage& withText, const QImage& withoutText)
{
    Blocks blocks;
    const QImage text = withText.convertToFormat(QImage::Format_RGB32);
    const QImage plain = withoutText.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y + 1 < text.height() && y + 1 < plain.height(); y += 2) {
        for (int x = 0; x + 1 < text.width() && x + 1 < plain.width(); x += 2) {
            std::array<int, 4> change{};
            std::array<QRgb, 4> colour{};
            for (int i = 0; i < 4; ++i) {
                const int px = x + i % 2;
                const int py = y + i / 2;
                colour[static_cast<size_t>(i)] = plain.pixel(px, py);
                change[static_cast<size_t>(i)] = Distance(text.pixel(px, py), plain.pixel(px, py));
            }
            ++blocks.all;
            if (std::any_of(colour.begin() + 1, colour.end(),
                            [&](QRgb c) { return Distance(c, colour[0]) > 12; }))
                ++blocks.varied;
            const auto [least, most] = std::minmax_element(change.begin(), change.end());
            if (*most < 60)
                continue;
            ++blocks.textBlocks;
            if (2 * (*most - *least) > *most)
                ++blocks.unevenTextBlocks;
        }
    }
    return blocks;
}

class HiDpiTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(display.IsRunning()) << "Xvfb did not start"; }

    // The window as the X server shows it at `scale`, with or without the display text.
    QImage Screenshot(const QString& scale, bool withText)
    {
        home.WriteFile(QStringLiteral(".config/pelmo_rin/Sorlin.conf"),
                       withText ? QByteArray() : QByteArray("[Position]\nDispString=0\n"));
        const QString picture = home.Path() + QStringLiteral("/shot.png");
        QFile::remove(picture);
        ProgramRun run(display, {},
                       {QStringLiteral("SORLIN_SCREENSHOT=") + picture,
                        QStringLiteral("SORLIN_SCREENSHOT_AFTER=1"),
                        QStringLiteral("QT_SCALE_FACTOR=") + scale});
        EXPECT_TRUE(run.WaitForExit()) << run.Output().toStdString();
        EXPECT_EQ(run.ExitCode(), 0) << run.Output().toStdString();
        return QImage(picture);
    }
    int SavedInt(const char* key) const
    {
        return SettingsStore(home.SettingsFile())
            .ReadInt(QStringLiteral("Position"), QString::fromLatin1(key), -1);
    }

    TempHome home;
    VirtualDisplay display{false};
};

TEST_F(HiDpiTest, AtScaleTwoTextAndSkinAreDrawnAtTheScreensPixelsAndTheSizeStaysLogical)
{
    const QImage sharpText = Screenshot(QStringLiteral("2"), true);
    EXPECT_EQ(SavedInt("W"), kSkinWidth) << "the settings keep the logical size";
    EXPECT_EQ(SavedInt("H"), kSkinHeight);
    const QImage sharpPlain = Screenshot(QStringLiteral("2"), false);
    ASSERT_EQ(sharpText.size(), QSize(2 * kSkinWidth, 2 * kSkinHeight)) << "twice the pixels each way";
    ASSERT_EQ(sharpPlain.size(), sharpText.size());

    // What pixel doubling would show: the window at scale 1, each pixel made four.
    const QImage smallText = Screenshot(QStringLiteral("1"), true);
    const QImage smallPlain = Screenshot(QStringLiteral("1"), false);
    ASSERT_EQ(smallText.size(), QSize(kSkinWidth, kSkinHeight));
    const Blocks doubled =
        MeasureBlocks(smallText.scaled(sharpText.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation),
                      smallPlain.scaled(sharpText.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    const Blocks sharp = MeasureBlocks(sharpText, sharpPlain);

    // The measure tells the two apart: doubled text has no uneven block, doubled pictures no
    // varied one.
    ASSERT_GT(doubled.textBlocks, 50) << "the display text is there at scale 1";
    EXPECT_EQ(doubled.unevenTextBlocks, 0);
    EXPECT_EQ(doubled.varied, 0);

    ASSERT_GT(sharp.textBlocks, 50) << "the display text is there at scale 2";
    EXPECT_GT(sharp.unevenTextBlocks * 4, sharp.textBlocks)
        << sharp.unevenTextBlocks << " of " << sharp.textBlocks << " text blocks have edges inside them";
    EXPECT_GT(sharp.varied * 200, sharp.all) << sharp.varied << " of " << sharp.all << " blocks vary";
}

} // namespace

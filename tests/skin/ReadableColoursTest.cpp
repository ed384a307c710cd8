// Text colours that read on any fill: the WCAG 2 ratio itself, and for every fill a skin can
// give, black or white text of at least 4.5 : 1, disabled text of at least 3 : 1 that is a
// clear step fainter, and a palette that wears them.

#include "skin/ReadableColours.h"

#include <QPalette>

#include <gtest/gtest.h>

namespace {

TEST(ReadableColoursTest, TheContrastRatioIsWcags)
{
    struct Case
    {
        QColor a, b;
        double ratio;
    };
    const Case cases[] = {
        {Qt::black, Qt::white, 21.0},
        {QColor(0x77, 0x77, 0x77), Qt::white, 4.48}, // the grey commonly quoted as just too light
        {QColor(0x1D, 0x23, 0x31), QColor(0x08, 0x0A, 0x0E), 1.26}, // the default skin's text as it was
        {Qt::red, Qt::red, 1.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.02) << c.a.name().toStdString();
        EXPECT_DOUBLE_EQ(ContrastRatio(c.a, c.b), ContrastRatio(c.b, c.a));
    }
}

// Every fill on a grid through the colour cube (and every grey): enabled text reaches 4.5 : 1,
// disabled text 3 : 1 and stays a clear step fainter.
TEST(ReadableColoursTest, EveryFillGetsReadableAndFainterText)
{
    std::vector<QColor> fills;
    for (int grey = 0; grey < 256; ++grey)
        fills.emplace_back(grey, grey, grey);
    for (int r = 0; r < 256; r += 17) {
        for (int g = 0; g < 256; g += 17) {
            for (int b = 0; b < 256; b += 17)
                fills.emplace_back(r, g, b);
        }
    }
    for (const QColor& fill : fills) {
        const QColor text = ReadableText(fill);
        ASSERT_TRUE(text == QColor(Qt::black) || text == QColor(Qt::white));
        const double enabled = ContrastRatio(text, fill);
        ASSERT_GE(enabled, kEnabledTextContrast) << fill.name().toStdString();
        const double disabled = ContrastRatio(DisabledText(fill), fill);
        ASSERT_GE(disabled, kDisabledTextContrast) << fill.name().toStdString();
        ASSERT_GE(enabled / disabled, 1.25) << fill.name().toStdString();
    }
}

TEST(ReadableColoursTest, TheDesignsColoursStayWhereTheyReadWithRoomToSpare)
{
    const QColor caption(0x19, 0x27, 0x7A);
    EXPECT_EQ(KeepIfReadable(caption, QColor(0xD3, 0xDA, 0xE8)), caption);           // 9 : 1
    EXPECT_EQ(KeepIfReadable(caption, QColor(0xD8, 0x99, 0xC8)), QColor(Qt::black)); // under 7 : 1
    EXPECT_EQ(KeepIfReadable(caption, QColor(0x1D, 0x23, 0x31)), QColor(Qt::white));
    EXPECT_EQ(KeepIfReadable(caption, QColor(0xD8, 0x99, 0xC8), kEnabledTextContrast), caption);
}

TEST(ReadableColoursTest, TheSelectionStandsOutFromTheList)
{
    const QColor platform(0x30, 0x8C, 0xC6);
    EXPECT_EQ(SelectionFill(platform, QColor(0x14, 0x19, 0x24)), platform);
    EXPECT_EQ(SelectionFill(platform, Qt::white), platform);
    // A list of the selection's own colour shows its selection inverted.
    EXPECT_EQ(SelectionFill(platform, QColor(0x38, 0x90, 0xC0)), QColor(Qt::black));
}

TEST(ReadableColoursTest, ThePaletteWearsTheFillsAndReadableTexts)
{
    const QColor base(0x1D, 0x23, 0x31);
    const QColor edit(0xF0, 0xF0, 0xF0);
    const QColor control(0x3A, 0x44, 0x5C);
    const QPalette palette = ReadablePalette(QPalette(), base, edit, control);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        SCOPED_TRACE(group);
        const bool enabled = group != QPalette::Disabled;
        const double least = enabled ? kEnabledTextContrast : kDisabledTextContrast;
        EXPECT_EQ(palette.color(group, QPalette::Window), base);
        // A disabled field lies flat on the dialog's fill.
        EXPECT_EQ(palette.color(group, QPalette::Base), enabled ? edit : base);
        for (auto [fill, text] : {std::pair{QPalette::Window, QPalette::WindowText},
                                  {QPalette::Base, QPalette::Text},
                                  {QPalette::Button, QPalette::ButtonText},
                                  {QPalette::Highlight, QPalette::HighlightedText}}) {
            EXPECT_GE(ContrastRatio(palette.color(group, text), palette.color(group, fill)), least)
                << fill << " " << text;
        }
    }
    EXPECT_NE(palette.color(QPalette::Active, QPalette::Highlight), edit);
    EXPECT_EQ(palette.color(QPalette::Active, QPalette::Highlight),
              palette.color(QPalette::Inactive, QPalette::Highlight));
}

} // namespace

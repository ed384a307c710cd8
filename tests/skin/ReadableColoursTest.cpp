// Text colours that read on any fill: the WCAG 2 ratio itself, and for every fill a skin can
// give, black or white text of at least 4.5 : 1 and disabled text of at least 3 : 1 that is a
// clear step fainter. (The dialogs wearing them are measured in tests/app/DialogLookTest.cpp.)

#include "skin/ReadableColours.h"

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

} // namespace

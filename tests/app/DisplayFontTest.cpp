#include "app/DisplayFont.h"
#include "app/Settings.h"

#include <QFontInfo>

#include <gtest/gtest.h>

namespace {

// The font configuration read on another thread ahead of time gives the display font the same
// match as reading it on the spot; asking for it again is harmless.
TEST(DisplayFontTest, FontMatchingPreparedAheadGivesTheSameFont)
{
    PrepareFontMatching();
    PrepareFontMatching();
    AppSettings settings = AppSettings::Defaults(QStringLiteral("/opt/sorlin/"));
    settings.fontFaceName = QStringLiteral("ＭＳ ゴシック");
    settings.fontHeight = -20;
    const QFont font = MakeDisplayFont(settings);
    EXPECT_EQ(QFontInfo(font).family().toStdString(), "IPAGothic");
    EXPECT_EQ(QFontInfo(font).pixelSize(), 20);
    EXPECT_GT(DisplayLineHeight(font), 20);
    // Once made, later fonts do not wait for anything.
    PrepareFontMatching();
    settings.fontHeight = -12;
    EXPECT_EQ(QFontInfo(MakeDisplayFont(settings)).pixelSize(), 12);
}

} // namespace

// Where the window goes: its own place while it touches a screen, else the nearest place on the
// nearest screen, whatever numbers the settings hold.

#include "app/ScreenPlacement.h"

#include <climits>
#include <tuple>

#include <gtest/gtest.h>

namespace {

TEST(ScreenPlacementTest, AWindowOffEveryScreenComesOntoTheNearest)
{
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QSize size(240, 150);
    const std::tuple<QPoint, QPoint> cases[] = {
        {{100, 100}, {100, 100}},        // on the first screen
        {{3000, 900}, {3000, 900}},      // partly on the second: stays
        {{-239, 50}, {-239, 50}},        // one column showing
        {{-5000, 300}, {0, 300}},        // left of everything
        {{3300, -400}, {2960, 0}},       // above and right of the second
        {{50000, 50000}, {2960, 874}},   // far below and right
        {{INT_MAX, INT_MIN}, {2960, 0}}, // what a broken setting may hold
        {{INT_MIN, INT_MAX}, {0, 930}},
    };
    for (const auto& [wanted, placed] : cases)
        EXPECT_EQ(VisiblePlace(wanted, size, screens), placed) << wanted.x() << "," << wanted.y();
    EXPECT_EQ(VisiblePlace({-5000, 0}, {5000, 5000}, screens), QPoint(0, 0)) << "larger than any screen";
    EXPECT_EQ(VisiblePlace({-5000, 7}, size, {}), QPoint(-5000, 7)) << "no screen: left as it is";
}

} // namespace

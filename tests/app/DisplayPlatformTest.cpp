#include "app/DisplayPlatform.h"

#include <gtest/gtest.h>

namespace {

struct PlatformCase
{
    const char* what;
    QStringList arguments;
    DisplaySession session;
    const char* platform; // "" leaves the choice to Qt
};

TEST(DisplayPlatformTest, AWaylandDesktopWithXWaylandRunsTheWindowOnX11UnlessTheUserChose)
{
    const QString x = QStringLiteral(":0");
    const QString wl = QStringLiteral("wayland-0");
    const PlatformCase cases[] = {
        {"Wayland desktop with XWayland", {}, {{}, wl, QStringLiteral("wayland"), x}, "xcb"},
        {"only the session type says Wayland", {}, {{}, {}, QStringLiteral("Wayland"), x}, "xcb"},
        {"a path to play changes nothing", {QStringLiteral("/home/me/Music")}, {{}, wl, {}, x}, "xcb"},
        {"Wayland without XWayland", {}, {{}, wl, QStringLiteral("wayland"), {}}, ""},
        {"an X11 desktop", {}, {{}, {}, QStringLiteral("x11"), x}, ""},
        {"no desktop at all", {}, {}, ""},
        {"the user's QT_QPA_PLATFORM", {}, {QStringLiteral("wayland"), wl, {}, x}, ""},
        {"a blank QT_QPA_PLATFORM is no choice", {}, {QStringLiteral(" "), wl, {}, x}, "xcb"},
        {"-platform wayland", {QStringLiteral("-platform"), QStringLiteral("wayland")}, {{}, wl, {}, x}, ""},
        {"--platform xcb", {QStringLiteral("--platform"), QStringLiteral("xcb")}, {{}, wl, {}, x}, ""},
    };
    for (const PlatformCase& c : cases)
        EXPECT_EQ(DefaultDisplayPlatform(c.arguments, c.session), QLatin1String(c.platform)) << c.what;
}

} // namespace

#pragma once
// Which display platform the window runs on when the user did not choose one. A desk clock
// places itself and stays above other windows, which Wayland lets no client do: on a Wayland
// desktop that offers XWayland the window runs on X11 ("xcb"), where placement, topmost and the
// shape keep working. The user picks the native Wayland platform with "-platform wayland" or
// QT_QPA_PLATFORM=wayland; then the compositor places the window.

#include <QString>
#include <QStringList>

// What the environment says of the desktop session.
struct DisplaySession
{
    QString qpaPlatform;    // QT_QPA_PLATFORM: the user's choice when set
    QString waylandDisplay; // WAYLAND_DISPLAY
    QString sessionType;    // XDG_SESSION_TYPE
    QString x11Display;     // DISPLAY: XWayland's, on a Wayland desktop that has it
};
DisplaySession CurrentDisplaySession();

// The platform to ask Qt for, given the program's arguments; empty leaves the choice to Qt.
QString DefaultDisplayPlatform(const QStringList& arguments, const DisplaySession& session);

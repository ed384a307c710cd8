#pragma once
// A notice on the desktop (org.freedesktop.Notifications on the session bus), sent without
// waiting for an answer: without a bus or a notification server nothing happens. UI thread.

#include <QString>

namespace platform {

struct DesktopNotice
{
    QString application;  // the program's name as the desktop shows it
    QString desktopEntry; // its desktop entry without ".desktop", for the icon
    QString summary;      // the heading
    QString body;
};
void ShowDesktopNotice(const DesktopNotice& notice);

} // namespace platform

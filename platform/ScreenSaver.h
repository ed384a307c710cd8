#pragma once
// Keeps the screen saver away while video plays, through the desktop's screen-saver service
// (org.freedesktop.ScreenSaver on the session bus). Without a session bus or service it does
// nothing.

#include <QString>

namespace platform {

class ScreenSaverInhibitor
{
public:
    ScreenSaverInhibitor() = default;
    ~ScreenSaverInhibitor() { Release(); }
    ScreenSaverInhibitor(const ScreenSaverInhibitor&) = delete;
    ScreenSaverInhibitor& operator=(const ScreenSaverInhibitor&) = delete;

    // True when the service took the request (or it is held already).
    bool Inhibit(const QString& application, const QString& reason);
    void Release();
    bool IsHeld() const { return cookie != 0; }

private:
    unsigned cookie = 0;
};

} // namespace platform

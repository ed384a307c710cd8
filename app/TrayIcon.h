#pragma once
// CTrayIcon: the notification-area icon of a window. Clicks on it reach the window as
// WM_TRAY_NOTIFY with the icon id in wParam and the mouse message in lParam.

#include <QIcon>
#include <QString>

#include <memory>

class QObject;
class QSystemTrayIcon;

class CTrayIcon
{
public:
    CTrayIcon();
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Shows the icon with `tip` (cut to 127 characters). Clicks are posted to `window` as
    // `callbackMessage`. False when the desktop has no notification area.
    bool Add(QObject* window, unsigned iconId, unsigned callbackMessage, const QIcon& icon,
             const QString& tip);
    void Delete();
    bool IsShown() const { return icon != nullptr; }

private:
    std::unique_ptr<QSystemTrayIcon> icon;
};

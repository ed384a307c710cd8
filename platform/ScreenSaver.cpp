#include "ScreenSaver.h"

#include "Log.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");

} // namespace

bool ScreenSaverInhibitor::Inhibit(const QString& application, const QString& reason)
{
    if (cookie != 0)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface screenSaver(kService, kPath, kService, bus);
    if (!screenSaver.isValid())
        return false;
    screenSaver.setTimeout(2000);
    const QDBusReply<unsigned> reply = screenSaver.call(QStringLiteral("Inhibit"), application, reason);
    if (!reply.isValid()) {
        qCDebug(lcPlatform) << "screen saver not inhibited:" << reply.error().message();
        return false;
    }
    cookie = reply.value();
    return cookie != 0;
}

void ScreenSaverInhibitor::Release()
{
    if (cookie == 0)
        return;
    QDBusInterface screenSaver(kService, kPath, kService, QDBusConnection::sessionBus());
    screenSaver.setTimeout(2000);
    screenSaver.call(QStringLiteral("UnInhibit"), cookie);
    cookie = 0;
}

} // namespace platform

#include "DesktopNotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace platform {

void ShowDesktopNotice(const DesktopNotice& notice)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), notice.desktopEntry},
                            {QStringLiteral("category"), QStringLiteral("x-sorlin.alarm")}};
    // The program, no notice replaced, no icon of its own (the entry's), heading, text, no
    // actions, the hints, and the server's own display time.
    call << notice.application << 0u << QString() << notice.summary << notice.body << QStringList() << hints
         << -1;
    // The answer is not waited for: a missing server only makes an error reply nobody reads.
    call.setAutoStartService(true);
    bus.send(call);
}

} // namespace platform

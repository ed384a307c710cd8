#include "DisplayPlatform.h"

#include <QtGlobal>

DisplaySession CurrentDisplaySession()
{
    return {qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("WAYLAND_DISPLAY"),
            qEnvironmentVariable("XDG_SESSION_TYPE"), qEnvironmentVariable("DISPLAY")};
}

QString DefaultDisplayPlatform(const QStringList& arguments, const DisplaySession& session)
{
    if (!session.qpaPlatform.trimmed().isEmpty())
        return {};
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("-platform") || argument == QLatin1String("--platform"))
            return {};
    }
    const bool wayland = !session.waylandDisplay.isEmpty() ||
                         session.sessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
    if (wayland && !session.x11Display.isEmpty())
        return QStringLiteral("xcb");
    return {};
}

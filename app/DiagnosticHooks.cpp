#include "DiagnosticHooks.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>

void ScheduleDiagnosticScreenshot(QWidget* window, std::function<void()> close)
{
    const QString file = qEnvironmentVariable("SORLIN_SCREENSHOT");
    if (file.isEmpty())
        return;
    bool ok = false;
    double seconds = qEnvironmentVariable("SORLIN_SCREENSHOT_AFTER").toDouble(&ok);
    if (!ok || seconds < 0)
        seconds = 2;
    QTimer::singleShot(static_cast<int>(seconds * 1000), window, [window, file, close = std::move(close)] {
        QPixmap picture;
        if (QScreen* screen = window->screen())
            picture = screen->grabWindow(window->winId());
        if (picture.isNull() || picture.size().isEmpty())
            picture = window->grab();
        if (!picture.save(file, "PNG"))
            std::fprintf(stderr, "sorlin: could not write the screenshot %s\n", qPrintable(file));
        close();
    });
}

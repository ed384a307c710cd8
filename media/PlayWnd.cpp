#include "PlayWnd.h"

#include "Media.h"
#include "platform/VirtualKeys.h"
#include "platform/WindowMessage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {
constexpr unsigned kShowContextMenu = 0x403; // the main window's WM_SHOW_CONTEXT_MENU
}

void CPlayWnd::Route(QWidget* video, QObject* main)
{
    if (window)
        window->removeEventFilter(this);
    window = video;
    mainWindow = main;
    if (window) {
        window->setMouseTracking(true);
        window->installEventFilter(this);
    }
}

bool CPlayWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (!active || watched != window)
        return false;
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        if (event->type() == QEvent::MouseMove) {
            if (target)
                target->PointerAction(PointerEvent::kMove, at.x(), at.y());
        } else if (mouse->button() == Qt::LeftButton) {
            if (target)
                target->PointerAction(PointerEvent::kPress, at.x(), at.y());
        } else if (mouse->button() == Qt::RightButton && mainWindow) {
            platform::PostWindowMessage(mainWindow, kShowContextMenu, static_cast<platform::WPARAM>(at.x()),
                                        at.y());
        }
        return false;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        const unsigned code = platform::VirtualKeyFromQt(key->key());
        if (mode == Attached::kMediaFileEngine && mainWindow && code != 0) {
            const unsigned message =
                event->type() == QEvent::KeyPress ? platform::WM_KEYDOWN : platform::WM_KEYUP;
            // lParam: flags in the high word (none), repeat count 1 in the low word.
            platform::PostWindowMessage(mainWindow, message, code, 1);
        }
        return false;
    }
    default:
        return false;
    }
}

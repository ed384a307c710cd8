// The main window's pointer and key handling.

#include "Commands.h"
#include "Messages.h"
#include "SorlinDlg.h"
#include "media/VideoWindow.h"
#include "platform/VirtualKeys.h"
#include "platform/proxy/MediaProcess.h"
#include "res/Accelerators.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWindow>

namespace {

unsigned AcceleratorModifiers(Qt::KeyboardModifiers modifiers)
{
    unsigned flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= res::Accelerator::kShift;
    if (modifiers & Qt::ControlModifier)
        flags |= res::Accelerator::kControl;
    if (modifiers & Qt::AltModifier)
        flags |= res::Accelerator::kAlt;
    return flags;
}

} // namespace

void CSorlinDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        const QPoint at = event->globalPosition().toPoint();
        platform::PostWindowMessage(this, WM_SHOW_CONTEXT_MENU, static_cast<platform::WPARAM>(at.x()),
                                    at.y());
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    const int lit = face.Skin().Lit();
    if (lit >= 0)
        update(face.Skin().ButtonArea(lit));
    const int hit = face.Skin().HitTest(event->position().toPoint());
    if (hit != kNoHit && hit != kTextAreaHit) {
        face.Skin().SetLit(hit);
        buttonPressed = true;
    }
    if (face.Skin().Lit() >= 0)
        update(face.Skin().ButtonArea(face.Skin().Lit()));
    if (!buttonPressed) {
        // On Wayland only the compositor may move a window.
        if (windowHandle() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
            windowHandle()->startSystemMove())
            return;
        dragging = true;
        dragPoint = event->globalPosition().toPoint();
    }
}

void CSorlinDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging) {
        const QPoint now = event->globalPosition().toPoint();
        move(pos() + (now - dragPoint));
        dragPoint = now;
    }
    player.ShowCursor(false);
    const int hit = face.Skin().HitTest(event->position().toPoint());
    const int hover = hit == kTextAreaHit ? kNoHit : hit;
    setCursor(hover != kNoHit ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (hover != face.Skin().Hover()) {
        update(face.Skin().ButtonArea(face.Skin().Hover()));
        face.Skin().SetHover(hover);
        update(face.Skin().ButtonArea(hover));
    }
}

void CSorlinDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (dragging) {
        const QPoint now = event->globalPosition().toPoint();
        move(pos() + (now - dragPoint));
        dragging = false;
        return;
    }
    if (!buttonPressed)
        return;
    buttonPressed = false;
    // The button pressed acts, even when the pointer has left it.
    PressSkinButton(face.Skin().Lit());
}

void CSorlinDlg::PressSkinButton(int index)
{
    if (index == kExitButton) {
        OnCommand(ID_APP_EXIT);
    } else if (index == kStopButton) {
        if (!player.GetState().CanStop())
            SetLitButton(kNoHit);
        OnCommand(ID_STOP);
    } else if (index == kPlayButton) {
        if (player.GetState().CanPlay()) {
            OnCommand(ID_PLAY);
        } else if (player.GetState().CanPause()) {
            OnCommand(ID_PAUSE);
        } else {
            stopwatch.Cycle(env.tickCount());
            SetLitButton(kNoHit);
        }
    } else if (index >= kFirstCommandButton && index < kMaxSkinButtons) {
        OnCommand(kSkinButtonCommandBase + index + 1);
    }
}

int CSorlinDlg::TranslateKey(unsigned virtualKey, char16_t character, unsigned modifiers) const
{
    return res::TranslateAccelerator(accelerators, virtualKey, character, modifiers);
}

void CSorlinDlg::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const char16_t character = text.size() == 1 && text.front().isPrint() ? text.front().unicode() : 0;
    const int id = TranslateKey(platform::VirtualKeyFromQt(event->key()), character,
                                AcceleratorModifiers(event->modifiers()));
    if (id != 0) {
        OnCommand(id);
        return;
    }
    // Shift+F10 asks for the context menu, as the menu key does.
    if (event->key() == Qt::Key_F10 && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier) {
        ShowContextMenu(QPoint(-1, -1));
        return;
    }
    // Keys without a command are not dialog keys here: Esc does not end the program.
    QWidget::keyPressEvent(event);
}

platform::LRESULT CSorlinDlg::OnKeyDown(platform::WPARAM wParam, platform::LPARAM)
{
    // A key the full-screen video window passed on; the modifiers are the ones held now.
    const unsigned modifiers = AcceleratorModifiers(QGuiApplication::queryKeyboardModifiers());
    const auto virtualKey = static_cast<unsigned>(wParam);
    const char16_t character =
        platform::CharacterOfVirtualKey(virtualKey, (modifiers & res::Accelerator::kShift) != 0);
    if (const int id = TranslateKey(virtualKey, character, modifiers); id != 0)
        OnCommand(id);
    return 0;
}

bool CSorlinDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The video window's pointer, seen before the window itself: a right click asks for the
    // context menu, the left button and moves point at the DVD's menu buttons, a double click
    // asks for full screen. While full screen the video window routes these by itself.
    const QEvent::Type type = event->type();
    // The pointer (or a drag) moving over the window is the user about to ask for something: the
    // media process starts meanwhile, so that the first play does not wait for it. While only
    // the clock shows and nobody comes near, none runs; a window shown under a pointer that
    // stays still is entered, but nobody moved.
    // So does the keyboard's user coming back to the window: an activation after the window had
    // lost the focus, not the one it gets when it is first shown.
    if (watched == this) {
        if (type == QEvent::MouseMove || type == QEvent::DragMove ||
            (type == QEvent::WindowActivate && deactivatedOnce))
            platform::MediaProcess::Instance().WarmUp();
        if (type == QEvent::WindowDeactivate)
            deactivatedOnce = true;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonDblClick)
        return false;
    auto* video = qobject_cast<VideoWindow*>(watched);
    if (!video)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    const bool routedByVideo = video->isFullScreen();
    if (type == QEvent::MouseMove) {
        player.ShowCursor(false);
        if (!routedByVideo)
            player.Dvd().PointerAction(PointerEvent::kMove, at.x(), at.y());
    } else if (type == QEvent::MouseButtonDblClick) {
        if (mouse->button() == Qt::LeftButton)
            platform::PostWindowMessage(this, WM_VIDEO_MOUSE, WM_LBUTTONDBLCLK,
                                        static_cast<platform::LPARAM>(video->winId()));
    } else if (!routedByVideo && mouse->button() == Qt::LeftButton) {
        player.Dvd().PointerAction(PointerEvent::kPress, at.x(), at.y());
    } else if (!routedByVideo && mouse->button() == Qt::RightButton) {
        const QPoint global = mouse->globalPosition().toPoint();
        platform::PostWindowMessage(this, WM_SHOW_CONTEXT_MENU, static_cast<platform::WPARAM>(global.x()),
                                    global.y());
    }
    return false;
}

platform::LRESULT CSorlinDlg::OnVideoMouse(platform::WPARAM wParam, platform::LPARAM lParam)
{
    if (wParam == WM_MOUSEMOVE) {
        player.ShowCursor(false);
    } else if (wParam == WM_LBUTTONDBLCLK) {
        // Only for our own video window, and only while it still exists.
        const QString appTitle = res::LoadString(res::kStrAppTitle);
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<VideoWindow*>(widget) && widget->windowTitle() == appTitle &&
                static_cast<platform::LPARAM>(widget->winId()) == lParam) {
                fullScreenRequest = true;
                break;
            }
        }
    }
    return 0;
}

void CSorlinDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // A right press has already asked for the menu; the menu key and Shift+F10 ask here.
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowContextMenu(QPoint(-1, -1));
}

bool CSorlinDlg::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int hit = face.Skin().HitTest(help->pos());
        QString tip;
        if (hit >= 0 && hit < kMaxSkinButtons)
            tip = face.Skin().Definition().buttons[hit].name;
        else if (hit == kTextAreaHit)
            tip = player.GetState().IsLoaded() ? player.GetDisplayTitle() : displayText;
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QDialog::event(event);
}

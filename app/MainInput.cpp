// The main window's pointer, key and command handling.

#include "Commands.h"
#include "Messages.h"
#include "SorlinDlg.h"
#include "media/VideoWindow.h"
#include "platform/Folders.h"
#include "platform/Launch.h"
#include "platform/Log.h"
#include "platform/VirtualKeys.h"
#include "res/Accelerators.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWindow>

#include <algorithm>

namespace {

// "desc|patterns|desc|patterns||" as the file dialog takes it: "desc (patterns);;...".
QString DialogFilter(const QString& listed)
{
    const QStringList parts = listed.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QString name = parts[i];
        if (const qsizetype open = name.indexOf(u'('); open > 0)
            name.truncate(open);
        filters << name.trimmed() + QStringLiteral(" (") + QString(parts[i + 1]).replace(u';', u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

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

void CSorlinDlg::OpenFiles()
{
    // The dialog starts at the item playing now, without the quotes a path may carry.
    QString source, start;
    int flags = 0;
    player.GetItems(&start, &source, &flags);
    if (start.startsWith(u'"'))
        start.remove(0, 1);
    if (start.endsWith(u'"'))
        start.chop(1);
    modalOpen = true;
    const QStringList paths =
        QFileDialog::getOpenFileNames(this, res::LoadString(res::kStrOpenTitle), start,
                                      DialogFilter(res::LoadString(res::kStrMediaFilter)));
    modalOpen = false;
    if (paths.isEmpty())
        return;
    player.SetItems(paths, false, QString());
    SaveSettingsNow();
    if (player.OpenForward(1))
        SetLitButton(2);
}

void CSorlinDlg::OpenMusicFolder()
{
    const QString music = platform::MusicFolder();
    if (music.isEmpty())
        return;
    player.SetItems({music}, false, QString());
    if (player.OpenForward(1))
        SetLitButton(2);
}

void CSorlinDlg::OnCommand(int id)
{
    qCDebug(lcApp) << "command" << id;
    switch (id) {
    case ID_APP_EXIT:
        EndDialog(IDCANCEL);
        break;
    case ID_PLAY:
        if (player.Play(0))
            SetLitButton(2);
        break;
    case ID_PAUSE:
        if (player.state.CanPause()) {
            player.Pause();
            SetLitButton(kNoHit);
        }
        break;
    case ID_STOP:
        if (player.state.CanStop()) {
            player.Stop();
            player.Close(false);
            SetLitButton(kNoHit);
        } else {
            alarmPlayer.Stop();
        }
        break;
    case ID_CLOSE:
        player.Close(false);
        player.Forget();
        SetLitButton(kNoHit);
        break;
    case ID_EJECT:
        busy = true;
        player.Eject();
        busy = false;
        SetLitButton(player.state.IsPlaying() ? 2 : kNoHit);
        break;
    case ID_PREVIOUS:
        player.Previous();
        SetLitButton(2);
        break;
    case ID_NEXT:
        player.Next();
        SetLitButton(2);
        break;
    case ID_FIRST:
        player.OpenForward(1);
        SetLitButton(2);
        break;
    case ID_LAST:
        player.OpenBackward(1);
        SetLitButton(2);
        break;
    case ID_REWIND:
        player.Navigate(0, -1.0);
        break;
    case ID_FAST_FORWARD:
        player.Navigate(1, 1.0);
        break;
    case ID_UP:
        player.Navigate(2, 0.5);
        break;
    case ID_DOWN:
        player.Navigate(3, 0.5);
        break;
    case ID_ENTER:
        player.Navigate(4, 0.5);
        break;
    case ID_DVD_KEY_5:
        player.Navigate(5, 0.5);
        break;
    case ID_DVD_KEY_6:
        player.Navigate(6, 0.5);
        break;
    case ID_SLOW_FORWARD:
        SlowScan(1, 1.0 / 15);
        break;
    case ID_SLOW_BACKWARD:
        SlowScan(0, -1.0 / 15);
        break;
    case ID_PREVIOUS_SUBPICTURE:
        StepStream(Stream::kSubpicture, -1);
        break;
    case ID_NEXT_SUBPICTURE:
        StepStream(Stream::kSubpicture, 1);
        break;
    case ID_PREVIOUS_AUDIO:
        StepStream(Stream::kAudio, -1);
        break;
    case ID_NEXT_AUDIO:
        StepStream(Stream::kAudio, 1);
        break;
    case ID_PREVIOUS_ANGLE:
        StepStream(Stream::kAngle, -1);
        break;
    case ID_NEXT_ANGLE:
        StepStream(Stream::kAngle, 1);
        break;
    case ID_VOLUME_UP:
        volume = std::min(volume + 10, 0L);
        player.SetVolume(volume);
        break;
    case ID_VOLUME_DOWN:
        volume = std::max(volume - 10, -10000L);
        player.SetVolume(volume);
        break;
    case ID_FULL_SCREEN:
        fullScreenRequest = true;
        break;
    case ID_OPEN:
        OpenFiles();
        break;
    case ID_MUSIC_FOLDER:
        OpenMusicFolder();
        break;
    case ID_STOPWATCH_START:
        stopwatch.Start(env.tickCount());
        break;
    case ID_STOPWATCH_STOP:
        stopwatch.Stop();
        break;
    case ID_STOPWATCH_RELEASE:
        stopwatch.Release();
        break;
    case ID_PREVIOUS_TITLE:
        player.PlayTitle(-1);
        break;
    case ID_NEXT_TITLE:
        player.PlayTitle(1);
        break;
    case ID_DVD_ROOT_MENU: {
        // A disc without a root menu gets its title menu, when that one is allowed.
        const unsigned long uops = player.GetValidUops();
        player.ShowMenu((uops & kUopShowRootMenu) && !(uops & kUopShowTitleMenu) ? kDvdTitleMenu
                                                                                 : kDvdRootMenu);
        break;
    }
    case ID_DVD_CHAPTER_MENU:
        player.ShowMenu(kDvdChapterMenu);
        break;
    case ID_DVD_SUBPICTURE_MENU:
        player.ShowMenu(kDvdSubpictureMenu);
        break;
    case ID_DVD_AUDIO_MENU:
        player.ShowMenu(kDvdAudioMenu);
        break;
    case ID_DVD_ANGLE_MENU:
        player.ShowMenu(kDvdAngleMenu);
        break;
    case ID_DVD_TITLE_MENU:
        player.ShowMenu(kDvdTitleMenu);
        break;
    case ID_NO_VPE:
        settings.dvdDecodeNoVPE = settings.dvdDecodeNoVPE != 0 ? 0 : 1;
        player.SetDecodeMode(DvdDecodeFlags(settings.dvdDecode, settings.dvdDecodeNoVPE));
        break;
    case ID_CLOSED_CAPTION:
        settings.ccOn = !settings.ccOn;
        player.SetClosedCaption(settings.ccOn);
        break;
    case ID_SUBPICTURE_OFF:
        settings.subPicture = false;
        // Stream 32 is no stream: this only switches the display off.
        player.SelectSubpicture(32, false);
        break;
    case ID_README:
        platform::Launch(env.programFolder + QStringLiteral("readme.txt"));
        break;
    case ID_HISTORY:
        platform::Launch(env.programFolder + QStringLiteral("history.txt"));
        break;
    case ID_SKIN_TEXT:
        platform::Launch(env.programFolder + QStringLiteral("skin.txt"));
        break;
    default:
        OnRangeCommand(id);
        break;
    }
}

void CSorlinDlg::OnRangeCommand(int id)
{
    if (id >= ID_JUMP_FIRST && id <= ID_JUMP_LAST) {
        QString item, source;
        int flags = 0;
        const QStringList& items = player.GetItems(&item, &source, &flags);
        if (id - ID_JUMP_FIRST < items.size())
            player.SelectItem(items.at(id - ID_JUMP_FIRST));
    } else if (id >= ID_DECODE_FIRST && id <= ID_DECODE_LAST) {
        settings.dvdDecode = id - ID_DECODE_FIRST;
        player.SetDecodeMode(DvdDecodeFlags(settings.dvdDecode, settings.dvdDecodeNoVPE));
    } else if (id >= ID_SUBPICTURE_FIRST && id <= ID_SUBPICTURE_LAST) {
        settings.subPictureTrack = id - ID_SUBPICTURE_FIRST;
        settings.subPicture = true;
        player.SelectSubpicture(settings.subPictureTrack, true);
    } else if (id >= ID_AUDIO_FIRST && id <= ID_AUDIO_LAST) {
        settings.audioTrack = id - ID_AUDIO_FIRST;
        player.SelectAudio(settings.audioTrack);
    } else if (id >= ID_ANGLE_FIRST && id <= ID_ANGLE_LAST) {
        angle = id - ID_ANGLE_FIRST;
        player.SelectAngle(angle);
    } else if (id >= ID_PROPERTIES_FIRST && id <= ID_PROPERTIES_LAST) {
        player.ShowCursor(false);
        modalOpen = true;
        player.ShowFilterProperties(id - ID_PROPERTIES_FIRST);
        modalOpen = false;
    }
}

void CSorlinDlg::StepStream(Stream stream, int step)
{
    // Without a DVD there are no streams to step through, and the saved choices stay.
    if (player.kind != kKindDvd)
        return;
    QStringList names;
    unsigned count = 0;
    int current = 0;
    unsigned limit = 0;
    switch (stream) {
    case Stream::kSubpicture: {
        unsigned long engineCurrent = 0;
        bool disabled = false;
        player.GetSubpictureStreams(&names, &count, &engineCurrent, &disabled);
        current = static_cast<int>(engineCurrent);
        limit = 32;
        break;
    }
    case Stream::kAudio: {
        unsigned long engineCurrent = 0;
        player.GetAudioStreams(&names, &count, &engineCurrent);
        current = settings.audioTrack;
        limit = 8;
        break;
    }
    case Stream::kAngle: {
        int engineCurrent = 0;
        player.GetAngles(&names, &count, &engineCurrent);
        current = angle;
        limit = 9;
        break;
    }
    }
    // A count at the limit means the engine could not tell.
    if (count == limit)
        count = 0;
    int chosen = current + step;
    if (step > 0 && count != 0 && chosen > static_cast<int>(count) - 1)
        chosen = static_cast<int>(count) - 1;
    if (chosen < 0)
        chosen = 0;
    switch (stream) {
    case Stream::kSubpicture:
        settings.subPictureTrack = chosen;
        player.SelectSubpicture(chosen, settings.subPicture);
        break;
    case Stream::kAudio:
        settings.audioTrack = chosen;
        player.SelectAudio(chosen);
        break;
    case Stream::kAngle:
        angle = chosen;
        player.SelectAngle(chosen);
        break;
    }
}

void CSorlinDlg::SlowScan(int key, double rate)
{
    player.Navigate(key, rate);
    OnTimer();
}

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
    const int lit = face.skin.lit;
    if (lit >= 0)
        update(face.skin.ButtonArea(lit));
    const int hit = face.skin.HitTest(event->position().toPoint());
    if (hit != kNoHit && hit != kTextAreaHit) {
        face.skin.lit = hit;
        buttonPressed = true;
    }
    if (face.skin.lit >= 0)
        update(face.skin.ButtonArea(face.skin.lit));
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
    const int hit = face.skin.HitTest(event->position().toPoint());
    const int hover = hit == kTextAreaHit ? kNoHit : hit;
    setCursor(hover != kNoHit ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (hover != face.skin.hover) {
        update(face.skin.ButtonArea(face.skin.hover));
        face.skin.hover = hover;
        update(face.skin.ButtonArea(hover));
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
    const int k = face.skin.lit + 1;
    if (k == 1) {
        OnCommand(ID_APP_EXIT);
    } else if (k == 2) {
        if (!player.state.CanStop())
            SetLitButton(kNoHit);
        OnCommand(ID_STOP);
    } else if (k == 3) {
        if (player.state.CanPlay()) {
            OnCommand(ID_PLAY);
        } else if (player.state.CanPause()) {
            OnCommand(ID_PAUSE);
        } else {
            stopwatch.Cycle(env.tickCount());
            SetLitButton(kNoHit);
        }
    } else if (k >= 4) {
        OnCommand(kSkinButtonCommandBase + k);
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
            player.PointerAction(0, at.x(), at.y());
    } else if (type == QEvent::MouseButtonDblClick) {
        if (mouse->button() == Qt::LeftButton)
            platform::PostWindowMessage(this, WM_VIDEO_MOUSE, WM_LBUTTONDBLCLK,
                                        static_cast<platform::LPARAM>(video->winId()));
    } else if (!routedByVideo && mouse->button() == Qt::LeftButton) {
        player.PointerAction(1, at.x(), at.y());
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
        const int hit = face.skin.HitTest(help->pos());
        QString tip;
        if (hit >= 0 && hit < kMaxSkinButtons)
            tip = face.skin.definition.buttons[hit].name;
        else if (hit == kTextAreaHit)
            tip = player.state.IsLoaded() ? player.GetDisplayTitle() : displayText;
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QDialog::event(event);
}

// The main window's pointer, key and command handling.

#include "Commands.h"
#include "Messages.h"
#include "SorlinDlg.h"
#include "platform/Folders.h"
#include "platform/Launch.h"
#include "res/StringTable.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWindow>

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

} // namespace

void CSorlinDlg::OpenFiles()
{
    modalOpen = true;
    const QStringList paths =
        QFileDialog::getOpenFileNames(this, res::LoadString(res::kStrOpenTitle), QString(),
                                      DialogFilter(res::LoadString(res::kStrMediaFilter)));
    modalOpen = false;
    if (paths.isEmpty())
        return;
    player.SetItems(paths, false, QString());
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

void CSorlinDlg::keyPressEvent(QKeyEvent* event)
{
    int id = 0;
    switch (event->key()) {
    case Qt::Key_PageDown:
        id = ID_NEXT;
        break;
    case Qt::Key_PageUp:
        id = ID_PREVIOUS;
        break;
    case Qt::Key_Home:
        id = ID_FIRST;
        break;
    case Qt::Key_End:
        id = ID_LAST;
        break;
    case Qt::Key_4:
        id = ID_PLAY;
        break;
    case Qt::Key_5:
        id = ID_PAUSE;
        break;
    case Qt::Key_6:
        id = ID_STOP;
        break;
    case Qt::Key_7:
        id = ID_CLOSE;
        break;
    case Qt::Key_9:
        id = ID_FULL_SCREEN;
        break;
    case Qt::Key_2:
    case Qt::Key_Delete:
        id = ID_EJECT;
        break;
    case Qt::Key_1:
        id = ID_APP_EXIT;
        break;
    case Qt::Key_Left:
        id = ID_REWIND;
        break;
    case Qt::Key_Right:
        id = ID_FAST_FORWARD;
        break;
    case Qt::Key_Up:
        id = ID_UP;
        break;
    case Qt::Key_Down:
        id = ID_DOWN;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        id = ID_ENTER;
        break;
    default:
        break;
    }
    if (id == 0) {
        QDialog::keyPressEvent(event);
        return;
    }
    OnCommand(id);
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

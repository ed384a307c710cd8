// The main window's commands: from the menu, the accelerators and the skin's buttons. Each group
// of commands has its handler; the numbered ranges have theirs.

#include "Commands.h"
#include "Messages.h"
#include "SorlinDlg.h"
#include "platform/Folders.h"
#include "platform/Log.h"
#include "platform/PathSplit.h"
#include "platform/proxy/MediaProcess.h"
#include "res/StringTable.h"
#include "skin/FileDialogs.h"

#include <QFileDialog>

#include <algorithm>

void CSorlinDlg::OpenFiles()
{
    // The dialog starts at the item playing now, without the quotes a path may carry.
    QString source, current;
    int flags = 0;
    player.GetItems(&current, &source, &flags);
    const QString start = platform::WithoutQuotes(current);
    // The files chosen will play: the media process starts while the dialog is open.
    platform::MediaProcess::Instance().WarmUp();
    modalOpen = true;
    const QStringList paths =
        QFileDialog::getOpenFileNames(this, res::LoadString(res::kStrOpenTitle), start,
                                      DialogFilter(res::LoadString(res::kStrMediaFilter)));
    modalOpen = false;
    if (paths.isEmpty())
        return;
    player.SetItems(paths, false, QString());
    SaveSettingsNow();
    if (player.OpenForward(ForwardFrom::kStart))
        SetLitButton(kPlayButton);
}

void CSorlinDlg::OpenMusicFolder()
{
    const QString music = platform::MusicFolder();
    if (music.isEmpty())
        return;
    player.SetItems({music}, false, QString());
    if (player.OpenForward(ForwardFrom::kStart))
        SetLitButton(kPlayButton);
}

void CSorlinDlg::OnCommand(int id)
{
    qCDebug(lcApp) << "command" << id;
    // While a player downloads, the command that started it is still running: only the end of
    // the program is taken, which stops the download.
    if (id != ID_APP_EXIT && (player.GetState().Is(PlayerState::kDownloading) ||
                              alarmPlayer.GetState().Is(PlayerState::kDownloading))) {
        qCDebug(lcApp) << "command" << id << "ignored during a download";
        return;
    }
    if (!OnProgramCommand(id) && !OnTransportCommand(id) && !OnDvdCommand(id) && !OnClockCommand(id))
        OnRangeCommand(id);
}

bool CSorlinDlg::OnProgramCommand(int id)
{
    switch (id) {
    case ID_APP_EXIT:
        EndDialog(IDCANCEL);
        return true;
    case ID_OPEN:
        OpenFiles();
        return true;
    case ID_MUSIC_FOLDER:
        OpenMusicFolder();
        return true;
    case ID_FULL_SCREEN:
        fullScreenRequest = true;
        return true;
    case ID_README:
        OpenHelpText(QStringLiteral("readme.txt"));
        return true;
    case ID_HISTORY:
        OpenHelpText(QStringLiteral("history.txt"));
        return true;
    case ID_SKIN_TEXT:
        OpenHelpText(QStringLiteral("skin.txt"));
        return true;
    case ID_POSITION_SETTINGS:
        OnPositionDialog();
        return true;
    case ID_APP_ABOUT:
        OnAboutDialog();
        return true;
    case ID_PLAYLIST:
        OnPlaylistDialog();
        return true;
    case ID_PLAY_SETTINGS:
        OnPlaySettingsDialog();
        return true;
    default:
        return false;
    }
}

bool CSorlinDlg::OnTransportCommand(int id)
{
    switch (id) {
    case ID_PLAY:
        if (player.Play())
            SetLitButton(kPlayButton);
        return true;
    case ID_PAUSE:
        if (player.GetState().CanPause()) {
            player.Pause();
            SetLitButton(kNoHit);
        }
        return true;
    case ID_STOP:
        if (player.GetState().CanStop()) {
            player.Stop();
            player.Close(false);
            SetLitButton(kNoHit);
        } else {
            alarmPlayer.Stop();
        }
        return true;
    case ID_CLOSE:
        player.Close(false);
        player.Forget();
        SetLitButton(kNoHit);
        return true;
    case ID_EJECT:
        busy = true;
        player.Eject();
        busy = false;
        SetLitButton(player.GetState().IsPlaying() ? kPlayButton : kNoHit);
        return true;
    case ID_PREVIOUS:
        player.Previous();
        SetLitButton(kPlayButton);
        return true;
    case ID_NEXT:
        player.Next();
        SetLitButton(kPlayButton);
        return true;
    case ID_FIRST:
        player.OpenForward(ForwardFrom::kStart);
        SetLitButton(kPlayButton);
        return true;
    case ID_LAST:
        player.OpenBackward(BackwardFrom::kLastItem);
        SetLitButton(kPlayButton);
        return true;
    case ID_REWIND:
        player.Navigate(NavigationKey::kLeft, -1.0);
        return true;
    case ID_FAST_FORWARD:
        player.Navigate(NavigationKey::kRight, 1.0);
        return true;
    case ID_SLOW_FORWARD:
        SlowScan(NavigationKey::kRight, 1.0 / 15);
        return true;
    case ID_SLOW_BACKWARD:
        SlowScan(NavigationKey::kLeft, -1.0 / 15);
        return true;
    case ID_VOLUME_UP:
        volume = std::min(volume + 10, 0L);
        player.SetVolume(volume);
        return true;
    case ID_VOLUME_DOWN:
        volume = std::max(volume - 10, -10000L);
        player.SetVolume(volume);
        return true;
    default:
        return false;
    }
}

bool CSorlinDlg::OnDvdCommand(int id)
{
    switch (id) {
    case ID_UP:
        player.Navigate(NavigationKey::kUp, 0.5);
        return true;
    case ID_DOWN:
        player.Navigate(NavigationKey::kDown, 0.5);
        return true;
    case ID_ENTER:
        player.Navigate(NavigationKey::kEnter, 0.5);
        return true;
    case ID_DVD_KEY_5:
        player.Navigate(NavigationKey::kKey5, 0.5);
        return true;
    case ID_DVD_KEY_6:
        player.Navigate(NavigationKey::kKey6, 0.5);
        return true;
    case ID_PREVIOUS_TITLE:
        player.Dvd().PlayTitle(-1);
        return true;
    case ID_NEXT_TITLE:
        player.Dvd().PlayTitle(1);
        return true;
    case ID_PREVIOUS_SUBPICTURE:
        StepStream(Stream::kSubpicture, -1);
        return true;
    case ID_NEXT_SUBPICTURE:
        StepStream(Stream::kSubpicture, 1);
        return true;
    case ID_PREVIOUS_AUDIO:
        StepStream(Stream::kAudio, -1);
        return true;
    case ID_NEXT_AUDIO:
        StepStream(Stream::kAudio, 1);
        return true;
    case ID_PREVIOUS_ANGLE:
        StepStream(Stream::kAngle, -1);
        return true;
    case ID_NEXT_ANGLE:
        StepStream(Stream::kAngle, 1);
        return true;
    case ID_DVD_ROOT_MENU: {
        // A disc without a root menu gets its title menu, when that one is allowed.
        const unsigned long uops = player.Dvd().GetValidUops();
        player.Dvd().ShowMenu((uops & kUopShowRootMenu) && !(uops & kUopShowTitleMenu)
                                  ? platform::DvdMenu::kTitle
                                  : platform::DvdMenu::kRoot);
        return true;
    }
    case ID_DVD_CHAPTER_MENU:
        player.Dvd().ShowMenu(platform::DvdMenu::kChapter);
        return true;
    case ID_DVD_SUBPICTURE_MENU:
        player.Dvd().ShowMenu(platform::DvdMenu::kSubpicture);
        return true;
    case ID_DVD_AUDIO_MENU:
        player.Dvd().ShowMenu(platform::DvdMenu::kAudio);
        return true;
    case ID_DVD_ANGLE_MENU:
        player.Dvd().ShowMenu(platform::DvdMenu::kAngle);
        return true;
    case ID_DVD_TITLE_MENU:
        player.Dvd().ShowMenu(platform::DvdMenu::kTitle);
        return true;
    case ID_NO_VPE:
        settings.dvdDecodeNoVPE = settings.dvdDecodeNoVPE != 0 ? 0 : 1;
        player.Dvd().SetDecodeMode(DvdDecodeFlags(settings.dvdDecode, settings.dvdDecodeNoVPE));
        return true;
    case ID_CLOSED_CAPTION:
        settings.ccOn = !settings.ccOn;
        player.Dvd().SetClosedCaption(settings.ccOn);
        return true;
    case ID_SUBPICTURE_OFF:
        settings.subPicture = false;
        // Stream 32 is no stream: this only switches the display off.
        player.Dvd().SelectSubpicture(32, false);
        return true;
    default:
        return false;
    }
}

bool CSorlinDlg::OnClockCommand(int id)
{
    switch (id) {
    case ID_STOPWATCH_START:
        stopwatch.Start(env.tickCount());
        return true;
    case ID_STOPWATCH_STOP:
        stopwatch.Stop();
        return true;
    case ID_STOPWATCH_RELEASE:
        stopwatch.Release();
        return true;
    case ID_TIMER:
        OnTimerDialog();
        return true;
    case ID_STOPWATCH_SETTINGS:
        OnAlarmDialog();
        return true;
    default:
        return false;
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
        player.Dvd().SetDecodeMode(DvdDecodeFlags(settings.dvdDecode, settings.dvdDecodeNoVPE));
    } else if (id >= ID_SUBPICTURE_FIRST && id <= ID_SUBPICTURE_LAST) {
        settings.subPictureTrack = id - ID_SUBPICTURE_FIRST;
        settings.subPicture = true;
        player.Dvd().SelectSubpicture(settings.subPictureTrack, true);
    } else if (id >= ID_AUDIO_FIRST && id <= ID_AUDIO_LAST) {
        settings.audioTrack = id - ID_AUDIO_FIRST;
        player.Dvd().SelectAudio(settings.audioTrack);
    } else if (id >= ID_ANGLE_FIRST && id <= ID_ANGLE_LAST) {
        angle = id - ID_ANGLE_FIRST;
        player.Dvd().SelectAngle(angle);
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
    if (player.GetKind() != ItemKind::kDvd)
        return;
    QStringList names;
    unsigned count = 0;
    int current = 0;
    unsigned limit = 0;
    switch (stream) {
    case Stream::kSubpicture: {
        unsigned long engineCurrent = 0;
        bool disabled = false;
        player.Dvd().GetSubpictureStreams(&names, &count, &engineCurrent, &disabled);
        current = static_cast<int>(engineCurrent);
        limit = 32;
        break;
    }
    case Stream::kAudio: {
        unsigned long engineCurrent = 0;
        player.Dvd().GetAudioStreams(&names, &count, &engineCurrent);
        current = settings.audioTrack;
        limit = 8;
        break;
    }
    case Stream::kAngle: {
        int engineCurrent = 0;
        player.Dvd().GetAngles(&names, &count, &engineCurrent);
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
        player.Dvd().SelectSubpicture(chosen, settings.subPicture);
        break;
    case Stream::kAudio:
        settings.audioTrack = chosen;
        player.Dvd().SelectAudio(chosen);
        break;
    case Stream::kAngle:
        angle = chosen;
        player.Dvd().SelectAngle(chosen);
        break;
    }
}

void CSorlinDlg::SlowScan(NavigationKey key, double rate)
{
    player.Navigate(key, rate);
    OnTimer();
}

// The main window's dialogs: the timer schedule, the stopwatch's alarm, the position settings,
// the playlist editor, the play settings and the version information, and the help texts
// beside the program. Each dialog opens with
// the skin's colours and with the window marked as showing a modal dialog.

#include "AboutDlg.h"
#include "Commands.h"
#include "DisplayFont.h"
#include "Messages.h"
#include "ScreenPlacement.h"
#include "SorlinDlg.h"
#include "clock/AlarmDlg.h"
#include "clock/LaunchDlg.h"
#include "clock/PosDialog.h"
#include "mediadialogs/CDSetDlg.h"
#include "mediadialogs/PlayListDlg.h"
#include "platform/Launch.h"
#include "platform/MessageBox.h"
#include "res/StringTable.h"

#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int kMinimumClientSide = 32;

} // namespace

int CSorlinDlg::ShowDialog(CDialogEx& dialog)
{
    dialog.SetSkinColours(face.Skin().Definition());
    modalOpen = true;
    const int result = dialog.DoModal();
    modalOpen = false;
    return result;
}

void CSorlinDlg::OnTimerDialog()
{
    // No entry starts while the user edits them. Cancel ends the pause as well: the entries
    // changed before it are in the table, and a schedule that stayed off until the next OK
    // would silently drop the hourly chime.
    scheduleSuspended = true;
    CLaunchDlg dialog(settings.timers, kTimerEntryCount - 1, settings.programSelect, this);
    const int result = ShowDialog(dialog);
    scheduleSuspended = false;
    if (result != IDOK)
        return;
    settings.programSelect = dialog.Index();
    SaveSettingsNow();
}

void CSorlinDlg::OnAlarmDialog()
{
    scheduleSuspended = true;
    CTimerEntry& alarm = settings.timers[kAlarmTimerEntry];
    CAlarmDlg dialog(alarm.launch, settings.countMax, settings.countDown, this);
    const int result = ShowDialog(dialog);
    scheduleSuspended = false;
    if (result != IDOK)
        return;
    alarm.launch = dialog.Program();
    settings.countMax = dialog.CountDown();
    settings.countDown = dialog.SetTime();
    SaveSettingsNow();
}

void CSorlinDlg::OnPositionDialog()
{
    ReadBackDisplaySettings();
    PositionValues values;
    values.window = geometry();
    values.topmost = settings.topmost != 0;
    values.border = settings.border;
    values.plugIn = settings.plugIn;
    values.waitTime = settings.waitTime;
    values.dsFirst = settings.dsFirst;
    values.stillWindow = settings.stillWindow;
    values.useThema = settings.useThema;
    values.thema = settings.thema;
    values.back = settings.back; // the picture the user chose; the one a skin brings is the skin's
    values.match = settings.match;
    values.btnShow = settings.btnShow == 1;
    values.dispString = settings.dispString;
    values.colour = static_cast<COLORREF>(settings.color);
    values.font = settings.Font();

    CPosDialog dialog(values, frameCompensation, this);
    if (ShowDialog(dialog) != IDOK)
        return;
    ApplyPosition(dialog.Values());
    SaveSettingsNow();
}

void CSorlinDlg::ApplyPosition(const PositionValues& values)
{
    settings.color = static_cast<int>(values.colour);
    settings.btnShow = values.btnShow ? 1 : 0;
    settings.border = values.border; // the frame changes at the next start
    settings.topmost = values.topmost ? 1 : 0;
    settings.useThema = values.useThema;
    settings.thema = values.thema;
    settings.dispString = values.dispString;
    settings.back = values.back;
    settings.plugIn = values.plugIn;
    settings.waitTime = values.waitTime;
    settings.dsFirst = values.dsFirst;
    settings.match = values.match;
    settings.stillWindow = values.stillWindow;
    // A size typed as nothing or as no number reads as 0; the window keeps a size that can
    // still be seen, grabbed and dragged rather than vanishing.
    settings.w = std::max(values.window.width() - frameCompensation.width(), kMinimumClientSide);
    settings.h = std::max(values.window.height() - frameCompensation.height(), kMinimumClientSide);
    settings.SetFont(values.font);

    // The skin again, as at start-up: with skins on, its size and pictures win.
    clientSize = face.SelectAtStartUp(settings, env.programFolder);
    ApplyDisplaySettings();
    displayFont = MakeDisplayFont(settings);
    face.Skin().SetLineHeight(DisplayLineHeight(displayFont));
    player.SetDisplayFont(displayFont);

    resize(clientSize + frameCompensation);
    move(VisiblePlace(values.window.topLeft(), size(), ScreenAreas()));
    RebuildRegions();
    const bool topmost = settings.topmost != 0 && !fullScreen;
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != topmost) {
        // Changing a flag hides the window; it comes back at once.
        setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
        show();
    }
    BringToForeground();
    update();
}

void CSorlinDlg::OnPlaylistDialog()
{
    bool play = false;
    {
        CPLayListDlg dialog(player, this);
        playlistDialog = &dialog;
        play = ShowDialog(dialog) == IDOK;
        playlistDialog = nullptr;
    }
    if (play && player.OpenForward(ForwardFrom::kStart))
        SetLitButton(kPlayButton);
}

void CSorlinDlg::OnPlaySettingsDialog()
{
    CMediaPlayer::PlaySettings values = player.GetPlaySettings();
    values.autoPlay = settings.autoPlay;
    values.repeat = settings.repeat;
    values.showTags = settings.title;
    values.random = settings.random;
    // A drive left unset follows the first optical drive, and shows so: empty.
    if (values.drive == drive)
        values.drive = settings.drive;
    CCDSetDlg dialog(player, player.Items(), values, env.drives.OpticalDrives(), this);
    if (ShowDialog(dialog) != IDOK)
        return;
    CMediaPlayer::PlaySettings chosen = dialog.Values();
    settings.autoPlay = chosen.autoPlay;
    settings.repeat = chosen.repeat;
    settings.title = chosen.showTags;
    settings.random = chosen.random;
    settings.cccdFirst = chosen.cccdFirst;
    settings.dvdAudioFirst = chosen.dvdAudioFirst;
    settings.downloadCache = chosen.keepDownloads;
    settings.drive = chosen.drive;
    drive = chosen.drive.isEmpty() ? env.drives.FirstOpticalDrive() : chosen.drive;
    chosen.drive = drive;
    player.ApplyPlaySettings(chosen, false);
    title = QStringLiteral("%1 - %2").arg(res::LoadString(res::kStrAppTitle), drive);
    setWindowTitle(title);
    player.Seek(chosen.position);
    SaveSettingsNow();
}

void CSorlinDlg::OnAboutDialog()
{
    CAboutDlg dialog([](const QString& target) { return platform::Launch(target); }, this);
    const int result = ShowDialog(dialog);
    if (face.Skin().Lit() == kStopButton)
        SetLitButton(kNoHit);
    if (result == kResultDeleteSettings)
        EndDialog(kResultDeleteSettings);
}

void CSorlinDlg::OpenHelpText(const QString& name)
{
    const QString path = env.programFolder + name;
    if (!QFileInfo(path).isFile()) {
        platform::ShowMessageBox(this, res::LoadString(res::kStrFileNotFound).arg(path));
        return;
    }
    if (!platform::Launch(path))
        platform::ShowMessageBox(this, res::LoadString(res::kStrCannotOpen).arg(path));
}

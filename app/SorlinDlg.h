#pragma once
// CSorlinDlg: the main window. Runs modally for the program's whole life: initialises itself
// in a fixed order (settings, drive, title, instance check, tray icon, placement, timer),
// dispatches its private messages, and on destruction writes every setting exactly once.
// Lives on the UI thread; other threads reach it only through posted window messages.

#include "DropTarget.h"
#include "HookedPageKeys.h"
#include "MainAccessible.h"
#include "MainSkin.h"
#include "MediaControls.h"
#include "Settings.h"
#include "TrayIcon.h"
#include "clock/Schedule.h"
#include "clock/Stopwatch.h"
#include "platform/Drives.h"
#include "platform/KeyHook.h"
#include "platform/TickCount.h"
#include "platform/WindowMessage.h"
#include "player/MediaPlayer.h"
#include "res/Accelerators.h"

#include <QBasicTimer>
#include <QDateTime>
#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <span>
#include <vector>

class QMenu;
class SettingsStore;
struct PositionValues;
class CDialogEx;
class CPLayListDlg;
class MprisService;

namespace platform {
class InstanceServer;
}

// The desktop notice of an alarm (platform::ShowDesktopNotice under the program's name).
void ShowAlarmNotice(const QString& summary, const QString& body);

class CSorlinDlg : public QDialog, public MediaControls
{
    Q_OBJECT
public:
    struct Environment
    {
        QString commandLine;   // the raw command line
        QString programFolder; // ends in "/"
        SettingsStore* store = nullptr;
        platform::DriveTable drives;
        // Work that may wait until the window is on screen; runs once after the first paint.
        std::function<void()> afterFirstPaint;
        // The local date and time the clock shows and the schedule goes by.
        std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
        // The millisecond tick count the stopwatch goes by.
        std::function<uint32_t()> tickCount = [] { return platform::GetTickCount(); };
        // Tells the desktop that the countdown ended or a timer entry fired (its heading and
        // text), besides what the entry plays.
        std::function<void(const QString& summary, const QString& body)> notice = ShowAlarmNotice;
    };

    // `border` chooses the window with a sizing frame over the frameless one.
    CSorlinDlg(Environment environment, bool border);
    ~CSorlinDlg() override;

    // Initialises the window and runs it modally; the result is what it ended with
    // (IDCANCEL when another window already serves this drive).
    int DoModal();
    // The shutdown steps: run at most once, by the first of session end, close or destruction.
    void DestroyWindow();
    // Only the settings step of the shutdown, for a process that ends without its window
    // closing (the display went away). At most once, and never for a deferring start.
    void SaveSettingsOnce();
    // Writes the settings as they stand now, whole, besides the write at exit: after a change
    // the user made (a drop, a dialog's OK), so that no crash or power cut loses it.
    void SaveSettingsNow();
    // Ends the modal loop with `result`.
    void EndDialog(int result);
    // Closes the window as the user would, also from inside nested dialogs and menus.
    void CloseFromOutside();

    // Carries out a menu, accelerator or skin-button command.
    void OnCommand(int id);
    // The open-file dialog and the user's music folder: what they give plays.
    void OpenFiles();
    void OpenMusicFolder();
    // What skin button `index` does when it is pressed and let go: the end, stop, play or pause
    // (or the stopwatch without anything to play), or the command the skin gives it.
    void PressSkinButton(int index);
    // Lights button `index` (kNoHit or kTextAreaHit for none), repainting the old and new one.
    void SetLitButton(int index);
    const MainSkin& Face() const { return face; }
    // The context menu as it would show now, as a child of the window. Takes the DVD's
    // current streams, angle and their counts from what the menu found out.
    std::unique_ptr<QMenu> MakeContextMenu();
    const CMediaPlayer& Player() const { return player; }
    // The second player, which the schedule and the stopwatch's alarm start.
    const CMediaPlayer& AlarmPlayer() const { return alarmPlayer; }
    const QString& DisplayText() const { return displayText; }

    const QString& Drive() const { return drive; }
    const QString& CommandLinePath() const { return commandLinePath; }
    const QString& Title() const { return title; }
    const AppSettings& Settings() const { return settings; }
    bool SavesSettings() const { return !noSaveSettings; }
    const Stopwatch& GetStopwatch() const { return stopwatch; }

    platform::LRESULT OnPlayRequest(platform::WPARAM, platform::LPARAM);
    platform::LRESULT OnTrayNotify(platform::WPARAM, platform::LPARAM);
    platform::LRESULT OnShowContextMenu(platform::WPARAM, platform::LPARAM);
    platform::LRESULT OnHookKey(platform::WPARAM, platform::LPARAM);
    platform::LRESULT OnVideoMouse(platform::WPARAM, platform::LPARAM);
    platform::LRESULT OnOpenPaths(platform::WPARAM, platform::LPARAM);
    platform::LRESULT OnToggleFullScreen(platform::WPARAM, platform::LPARAM);
    platform::LRESULT OnGraphEvent(platform::WPARAM, platform::LPARAM);
    platform::LRESULT OnMciNotify(platform::WPARAM, platform::LPARAM);
    // A key press passed on by the full-screen video window, as its virtual-key code.
    platform::LRESULT OnKeyDown(platform::WPARAM, platform::LPARAM);

    // The main player as the desktop's media controls see and drive it (MainMediaControls.cpp).
    MediaControlsState ControlsState() override;
    qint64 CurrentPosition() override;
    void Transport(Command command) override;
    bool SeekTo(qint64 ms) override;
    bool OpenLocation(const QString& location) override;
    void SetShuffle(bool on) override;
    void SetRepeat(bool on) override;
    void SetVolume(double level) override;
    void Raise() override;
    void Quit() override;

    // Ends the window with IDOK, IDCANCEL or `code`.
    void done(int code) override;
    void accept() override;
    void reject() override;

protected:
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Tests set up their scenes through this.
    friend struct MainWindowScene;

    bool OnInitDialog();
    bool CheckOtherInstance();
    void PlaceWindow();
    // The available areas of the screens there are now.
    static QList<QRect> ScreenAreas();
    void OnTimer();
    // The program ends with the window: the first steps of it, once the window has ended or
    // the session ends.
    void BeginTheEnd();
    // The groups of commands: the program's (end, open, full screen, texts), the transport's, the
    // DVD's and the clock's. Each says whether `id` was one of its own.
    bool OnProgramCommand(int id);
    bool OnTransportCommand(int id);
    bool OnDvdCommand(int id);
    bool OnClockCommand(int id);
    // The commands that come in numbered ranges: jump list, decode modes, streams, angles,
    // filter properties.
    void OnRangeCommand(int id);
    // The command accelerator table 136 gives a key press, 0 for none.
    int TranslateKey(unsigned virtualKey, char16_t character, unsigned modifiers) const;
    // Moves the DVD's subpicture stream, audio stream or angle one step (-1 or +1).
    enum class Stream
    {
        kSubpicture,
        kAudio,
        kAngle
    };
    void StepStream(Stream stream, int step);
    // Scans at 1/15 of the normal speed, forwards or back, and shows the result at once.
    void SlowScan(NavigationKey key, double rate);
    // Shows the context menu at a screen point, (-1, -1) for the window's centre, and carries
    // out the command chosen. Nothing shows while a download runs.
    void ShowContextMenu(QPoint screenPoint);
    void BringToForeground();
    void OnHandOver(const QString& text);
    void OnFirstPainted();
    // Offers the main player to the desktop's media controls, on the session bus when there is
    // one.
    void StartMediaControls();
    bool PlayerReachable() const;
    // Random and repeat as the desktop sets them: played by, shown in the settings and saved.
    void SetListOrder(bool random, bool repeat);
    // The window's shape and the buttons' and text area's regions for its present size.
    void RebuildRegions();
    // Hands the settings to both players and starts what the command line or the last
    // session asks for.
    void InitPlayers();
    void StartInitialPlayback();
    // The picture and still-image settings to both players; the picture only to the main one.
    void ApplyDisplaySettings();
    // Shows `dialog` modally with the skin's colours, the window marked as showing it.
    int ShowDialog(CDialogEx& dialog);
    // The dialogs of the clock, the position settings and the version information.
    void OnTimerDialog();
    void OnAlarmDialog();
    void OnPositionDialog();
    void ApplyPosition(const PositionValues& values);
    void OnAboutDialog();
    void OnPlaylistDialog();
    void OnPlaySettingsDialog();
    // Opens a text beside the program; a missing one is reported.
    void OpenHelpText(const QString& name);
    // Takes the player's resume values back into the settings.
    void ReadBackPlaySettings();
    // Takes the player's picture settings back into the settings.
    void ReadBackDisplaySettings();
    // The clock face's tick: the clock and the schedule, or the stopwatch and its alarm.
    void ClockTick();
    // The clock face of a tick that comes while the UI thread waits for the media process: the
    // clock or the stopwatch is shown, and schedule entries that fall due are kept for the next
    // full tick; nothing is started.
    void ClockFaceWhileWaiting();
    QString ClockText(const QDateTime& now) const;
    // The schedule's entries due at `now` and not yet fired in its second; none while the
    // schedule is suspended.
    std::vector<int> DueNow(const QDateTime& now);
    // Whether a timer entry falls due, or the countdown's alarm with a file fires, within
    // kWarmUpAheadMs: the media process starts that much ahead of what the clock plays.
    static constexpr int kWarmUpAheadMs = 2000;
    bool DueSoon(const QDateTime& now) const;
    bool AlarmSoon() const;
    // Fills in the settings from the player and the window before a write.
    void CollectSettings();
    // Hands a timer entry's file to the alarm player.
    void LaunchTimerEntry(const CTimerEntry& entry);
    // A timer entry of the schedule falls due: the desktop is told, and its file plays.
    void FireTimerEntry(const CTimerEntry& entry);

    Environment env;
    AppSettings settings;
    QString drive;
    QString commandLinePath;
    QString title;
    bool noSaveSettings = false;
    bool destroyed = false;
    bool settingsSaved = false;
    bool ended = false;
    bool initialised = false;
    bool busy = false;
    bool painted = false;
    QSize frameCompensation;
    QSize clientSize;
    MainSkin face;
    CMediaPlayer player;
    CMediaPlayer alarmPlayer;
    bool alarmPlaying = false;
    bool scheduleSuspended = false;
    ScheduleGate scheduleGate;
    // Schedule entries that fell due while a tick could not start them.
    std::vector<int> dueWhileWaiting;
    Stopwatch stopwatch;
    int tickCounter = 0;
    bool fullScreen = false;
    bool fullScreenRequest = false;
    // A popup menu or modal dialog of the window is open: the tick leaves the cursor alone.
    bool modalOpen = false;
    // The window lost the focus at least once: an activation now is the user coming back.
    bool deactivatedOnce = false;
    // The playlist editor while it runs: it follows the item playing.
    CPLayListDlg* playlistDialog = nullptr;
    // The DVD's angle (from 0; not saved) and the counts of the streams, angles and filters
    // the context menu last listed.
    int angle = 0;
    unsigned subpictureCount = 0;
    unsigned audioCount = 0;
    unsigned angleCount = 0;
    int filterCount = 0;
    // Output volume in hundredths of a decibel, applied only once changed; not saved.
    long volume = -1000;
    std::span<const res::Accelerator> accelerators;
    bool buttonPressed = false;
    bool dragging = false;
    QPoint dragPoint;
    QFont displayFont;
    QString displayText;
    DisplayAnnouncer announcer{*this};
    QPoint dragStart;
    QBasicTimer timer;
    QTimer tickStandIn; // runs while a tick is under way

    CTrayIcon trayIcon;
    COleDropTargetFile dropTarget;
    platform::KeyHookLibrary keyHook;
    HookedPageKeys hookedPageKeys;
    platform::AtomTable atoms;
    std::unique_ptr<platform::InstanceServer> instanceServer;
    std::unique_ptr<MprisService> mpris;
    // The current item's length as its engine told it, asked again when the item changes.
    QString lengthItem;
    qint64 lengthMs = -1;
};

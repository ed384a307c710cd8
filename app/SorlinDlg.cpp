#include "SorlinDlg.h"

#include "CommandLine.h"
#include "Commands.h"
#include "ContextMenu.h"
#include "DiagnosticHooks.h"
#include "DisplayFont.h"
#include "Messages.h"
#include "MprisService.h"
#include "ScreenPlacement.h"
#include "SettingsStore.h"
#include "mediadialogs/PlayListDlg.h"
#include "platform/DesktopNotice.h"
#include "platform/Folders.h"
#include "platform/Log.h"
#include "platform/PathSplit.h"
#include "platform/ProgramEnding.h"
#include "platform/SingleInstance.h"
#include "platform/VirtualKeys.h"
#include "platform/WindowMessage.h"
#include "platform/proxy/MediaProcess.h"
#include "res/Icons.h"
#include "res/StringTable.h"
#include "skin/ClassicSkinArchive.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <array>
#include <utility>

namespace {

using Entry = platform::MessageMapEntry<CSorlinDlg>;

constexpr std::array kMessageMap{
    Entry{WM_PLAY_REQUEST, &CSorlinDlg::OnPlayRequest},
    Entry{WM_TRAY_NOTIFY, &CSorlinDlg::OnTrayNotify},
    Entry{WM_SHOW_CONTEXT_MENU, &CSorlinDlg::OnShowContextMenu},
    Entry{WM_HOOK_KEY, &CSorlinDlg::OnHookKey},
    Entry{WM_VIDEO_MOUSE, &CSorlinDlg::OnVideoMouse},
    Entry{WM_OPEN_PATHS, &CSorlinDlg::OnOpenPaths},
    Entry{WM_TOGGLE_FULLSCREEN, &CSorlinDlg::OnToggleFullScreen},
    Entry{WM_GRAPH_EVENT, &CSorlinDlg::OnGraphEvent},
    Entry{MM_MCINOTIFY, &CSorlinDlg::OnMciNotify},
    Entry{platform::WM_KEYDOWN, &CSorlinDlg::OnKeyDown},
};

Qt::WindowFlags WindowFlagsFor(bool border)
{
    // A tool window has no taskbar button: the program lives in the notification area.
    const Qt::WindowFlags base = Qt::Window | Qt::Tool;
    return border ? base | Qt::CustomizeWindowHint : base | Qt::FramelessWindowHint;
}

} // namespace

void ShowAlarmNotice(const QString& summary, const QString& body)
{
    platform::ShowDesktopNotice(
        {QStringLiteral("Sorlin"), QStringLiteral("org.sorlin.Sorlin"), summary, body});
}

CSorlinDlg::CSorlinDlg(Environment environment, bool border)
    : QDialog(nullptr, WindowFlagsFor(border)), env(std::move(environment)),
      settings(AppSettings::Defaults(env.programFolder)), player(env.drives), alarmPlayer(env.drives),
      displayText(res::LoadString(res::kStrConnecting))
{
    InstallMainWindowAccessibility();
    platform::SetProgramEnding(false);
    // The window manager draws a frame outside the client area, so the stored size is the
    // client size with or without a frame.
    frameCompensation = QSize(0, 0);
    setObjectName(QStringLiteral("SorlinDlg"));
    // All painting happens in paintEvent, over the whole client area.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The hovered button is framed, and the hand shows over buttons.
    setMouseTracking(true);
    // On Wayland a window's shape only limits its input: the parts outside it must be
    // transparent pixels instead.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        setAttribute(Qt::WA_TranslucentBackground);
}

CSorlinDlg::~CSorlinDlg()
{
    DestroyWindow();
}

int CSorlinDlg::DoModal()
{
    if (!OnInitDialog())
        return result();
    // Our own loop instead of exec(): an application-modal main window would shut out the
    // tray icon and every other window of the program.
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    MarkStartupStep("shown");
    if (!ended)
        loop.exec(QEventLoop::DialogExec);
    return result();
}

void CSorlinDlg::done(int code)
{
    ended = true;
    BeginTheEnd();
    QDialog::done(code);
}

void CSorlinDlg::BeginTheEnd()
{
    // The settings are written now, and from here nothing new starts, shows or waits. The
    // media process is ended rather than asked to close what it plays: one that hangs would
    // hold the end up, and a request that waits for it at this moment is given up.
    SaveSettingsOnce();
    platform::SetProgramEnding(true);
    platform::MediaProcess::Instance().End(QStringLiteral("the program is ending"), false);
}

void CSorlinDlg::accept()
{
    done(IDOK);
}

void CSorlinDlg::reject()
{
    done(IDCANCEL);
}

bool CSorlinDlg::OnInitDialog()
{
    dropTarget.Register(this);
    keyHook.Load(env.programFolder, this, WM_HOOK_KEY);
    accelerators = res::LoadAccelerators(res::kAcceleratorsMain);

    drive = LoadDrive(*env.store);
    if (drive.isEmpty())
        drive = env.drives.FirstOpticalDrive();

    commandLinePath = AbsoluteFromStartFolder(PathFromCommandLine(env.commandLine), QDir::currentPath());
    title = QStringLiteral("%1 - %2").arg(res::LoadString(res::kStrAppTitle), drive);

    MarkStartupStep("title");
    if (CheckOtherInstance()) {
        noSaveSettings = true;
        setResult(IDCANCEL);
        return false;
    }
    MarkStartupStep("single-instance");
    // The tray icon follows the first paint (OnFirstPainted): asking the desktop for its
    // notification area is the slowest part of getting the window on screen.
    setWindowTitle(title);

    settings = LoadSettings(*env.store, env.programFolder);
    fullScreen = settings.fullScreen;
    MarkStartupStep("settings");

    QDir().mkpath(platform::UserDataFolder());
    QDir().mkpath(platform::CacheFolder());

    clientSize = face.SelectAtStartUp(settings, env.programFolder);
    MarkStartupStep("skin");
    InitPlayers();
    MarkStartupStep("players");
    displayFont = MakeDisplayFont(settings);
    face.Skin().SetLineHeight(DisplayLineHeight(displayFont));
    player.SetDisplayFont(displayFont);
    MarkStartupStep("font");
    PlaceWindow();
    MarkStartupStep("placed");
    // The video window's pointer passes here first (eventFilter).
    qApp->installEventFilter(this);
    timer.start(kTimerPeriodMs, this);
    // Qt does not fire a timer again while its own handler runs: when the tick itself waits for
    // the media process, this one keeps the display going in its place.
    tickStandIn.setInterval(kTimerPeriodMs);
    connect(&tickStandIn, &QTimer::timeout, this, [this] {
        if (platform::BoundedWait::InProgress())
            ClockFaceWhileWaiting();
    });
    initialised = true;

    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { DestroyWindow(); });
    ScheduleDiagnosticScreenshot(this, [this] { EndDialog(IDCANCEL); });
    return true;
}

bool CSorlinDlg::CheckOtherInstance()
{
    instanceServer = std::make_unique<platform::InstanceServer>();
    if (platform::HandOverOrListen(title, commandLinePath, *instanceServer)) {
        instanceServer.reset();
        return true;
    }
    connect(instanceServer.get(), &platform::InstanceServer::TextReceived, this, &CSorlinDlg::OnHandOver);
    return false;
}

void CSorlinDlg::OnHandOver(const QString& text)
{
    platform::PostWindowMessage(this, WM_OPEN_PATHS, 0, atoms.Add(text));
}

void CSorlinDlg::PlaceWindow()
{
    resize(clientSize + frameCompensation);
    RebuildRegions();
    // A place off every screen (absurd values, a screen unplugged since) would hide the window
    // at every start: it comes onto the nearest screen, and is saved from there.
    if (settings.x != 0 || settings.y != 0)
        move(VisiblePlace(QPoint(settings.x, settings.y), size(), ScreenAreas()));
    if (settings.topmost != 0 && !settings.fullScreen)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dragStart = pos();
}

QList<QRect> CSorlinDlg::ScreenAreas()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

void CSorlinDlg::DestroyWindow()
{
    if (destroyed || !initialised)
        return;
    destroyed = true;
    // The desktop's controls let go of the player first: nothing drives it while it closes.
    mpris.reset();
    qApp->removeEventFilter(this);
    keyHook.Unload();
    // Also when the session ends without the window ending first.
    BeginTheEnd();
    player.Close(false);
    alarmPlayer.Close(false);
    clearMask();
    timer.stop();
    trayIcon.Delete();
    instanceServer.reset();
}

void CSorlinDlg::CollectSettings()
{
    ReadBackPlaySettings();
    ReadBackDisplaySettings();
    settings.fullScreen = fullScreen;
    const QRect rect = geometry();
    settings.x = rect.x();
    settings.y = rect.y();
    settings.w = rect.width() - frameCompensation.width();
    settings.h = rect.height() - frameCompensation.height();
}

void CSorlinDlg::SaveSettingsOnce()
{
    if (settingsSaved || noSaveSettings || !initialised)
        return;
    SaveSettingsNow();
    settingsSaved = true;
}

void CSorlinDlg::SaveSettingsNow()
{
    if (settingsSaved || noSaveSettings || !initialised)
        return;
    CollectSettings();
    if (SaveSettings(*env.store, settings))
        qCDebug(lcApp) << "settings written to" << env.store->FilePath();
    else
        qCWarning(lcApp) << "settings could not be written to" << env.store->FilePath();
}

void CSorlinDlg::EndDialog(int code)
{
    done(code);
}

void CSorlinDlg::CloseFromOutside()
{
    // Nested modal dialogs and menus end first, so the main loop can return.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget == this || !widget->isVisible())
            continue;
        if (auto* dialog = qobject_cast<QDialog*>(widget))
            dialog->reject();
        else if (auto* menu = qobject_cast<QMenu*>(widget))
            menu->close();
    }
    EndDialog(IDCANCEL);
}

void CSorlinDlg::customEvent(QEvent* event)
{
    if (event->type() == platform::WindowMessageEvent::Type()) {
        platform::DispatchWindowMessage<CSorlinDlg>(this, kMessageMap,
                                                    *static_cast<platform::WindowMessageEvent*>(event));
        return;
    }
    QDialog::customEvent(event);
}

void CSorlinDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timer.timerId()) {
        OnTimer();
        return;
    }
    QDialog::timerEvent(event);
}

void CSorlinDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    RebuildRegions();
}

void CSorlinDlg::RebuildRegions()
{
    face.Skin().Rebuild(rect(), &player.BackgroundImage());
    if (!face.Skin().WindowRegion().isEmpty())
        setMask(face.Skin().WindowRegion());
    update();
}

void CSorlinDlg::SetLitButton(int index)
{
    if (index == kTextAreaHit)
        index = kNoHit;
    update(face.Skin().ButtonArea(face.Skin().Lit()));
    face.Skin().SetLit(index);
    update(face.Skin().ButtonArea(index));
}

void CSorlinDlg::paintEvent(QPaintEvent* event)
{
    if (!painted)
        MarkStartupStep("paint-begins");
    QPainter painter(this);
    if (testAttribute(Qt::WA_TranslucentBackground)) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(event->rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setClipRegion(face.Skin().WindowRegion());
    }
    WindowSkin::PaintOptions options;
    options.showButtons = settings.btnShow == 1;
    options.showText = face.ShowText();
    options.textColour = ToQColor(static_cast<COLORREF>(settings.color));
    options.font = displayFont;
    options.text = displayText;
    options.drawBackground = [this](QPainter& p, const QRect& r) {
        return player.BackgroundImage().Draw(p, r, settings.match);
    };
    face.Skin().Paint(painter, rect(), options);
    painter.end();
    ReportFirstPaint();
    if (!painted) {
        painted = true;
        QTimer::singleShot(0, this, &CSorlinDlg::OnFirstPainted);
    }
}

void CSorlinDlg::OnFirstPainted()
{
    if (destroyed)
        return;
    // The icon's pictures are decoded once the window is up: the window manager shows them in
    // its task list, never in the first frame.
    const QIcon icon = res::ProgramIcon();
    setWindowIcon(icon);
    trayIcon.Add(this, kTrayIconId, WM_TRAY_NOTIFY, icon, title);
    // What the command line or the last session asks for starts once the window is up: asking
    // the drive for a disc and opening the source would otherwise keep the window away.
    StartInitialPlayback();
    StartMediaControls();
    if (env.afterFirstPaint)
        std::exchange(env.afterFirstPaint, nullptr)();
}

void CSorlinDlg::closeEvent(QCloseEvent* event)
{
    qCDebug(lcApp) << "close request";
    QDialog::closeEvent(event);
}

void CSorlinDlg::ReadBackDisplaySettings()
{
    // A drop or a hand-over may have changed the background since the start. A background the
    // skin chose, and the plug-in folder that stands for the program folder, stay as they were
    // set.
    const CMediaPlayer::DisplaySettings display = player.GetDisplaySettings();
    if (display.backgroundImage != face.ImagePath())
        settings.back = display.backgroundImage;
    settings.plugIn = display.pluginFolder == env.programFolder ? QString() : display.pluginFolder;
    settings.waitTime = display.waitTime;
    settings.dsFirst = display.directShowFirst;
    settings.match = display.fitImage;
    settings.stillWindow = display.stillWindow;
}

void CSorlinDlg::ApplyDisplaySettings()
{
    // The download dialog wears the skin's colours as the other dialogs do.
    for (CMediaPlayer* each : {&player, &alarmPlayer})
        each->SetDialogColours(CDialogEx::ColoursOf(face.Skin().Definition()));
    CMediaPlayer::DisplaySettings display;
    display.pluginFolder = settings.plugIn.isEmpty() ? env.programFolder : settings.plugIn;
    display.waitTime = settings.waitTime;
    display.directShowFirst = settings.dsFirst;
    display.backgroundImage = face.ImagePath();
    display.fitImage = settings.match;
    display.folderImage = face.Skin().Definition().mainFirst;
    display.stillWindow = settings.stillWindow;
    player.ApplyDisplaySettings(display);
    // Only the main player's picture is drawn behind the window.
    display.backgroundImage.clear();
    alarmPlayer.ApplyDisplaySettings(display);
}

void CSorlinDlg::InitPlayers()
{
    CMediaPlayer::PlaySettings play;
    play.autoPlay = settings.autoPlay;
    play.track = settings.lastTrack;
    play.position = settings.lastPos;
    play.identity = settings.lastUpc;
    play.drive = drive;
    play.source = settings.playList;
    play.currentItem = settings.lastFile;
    play.repeat = settings.repeat;
    play.showTags = settings.title;
    play.random = settings.random;
    play.title = settings.lastTrackDVD;
    play.chapter = settings.lastChapterDVD;
    play.cccdFirst = settings.cccdFirst;
    play.dvdAudioFirst = settings.dvdAudioFirst;
    play.keepDownloads = settings.downloadCache;

    for (CMediaPlayer* each : {&player, &alarmPlayer})
        each->Init(this, platform::CacheFolder());
    ApplyDisplaySettings();
    for (CMediaPlayer* each : {&player, &alarmPlayer}) {
        each->Dvd().SetDecodeMode(DvdDecodeFlags(settings.dvdDecode, settings.dvdDecodeNoVPE));
        each->Dvd().SetClosedCaption(settings.ccOn);
        each->Dvd().SelectAudio(settings.audioTrack);
        each->Dvd().SelectSubpicture(settings.subPictureTrack, settings.subPicture);
        each->SetFullScreen(fullScreen);
        each->ApplyPlaySettings(play, true);
    }
}

void CSorlinDlg::StartInitialPlayback()
{
    if (!commandLinePath.isEmpty()) {
        player.CheckDisc(false);
        player.OpenSource(commandLinePath);
    } else if (settings.autoPlay) {
        player.CheckDisc(false);
        player.OpenSource(settings.playList, settings.lastFile);
    } else {
        return;
    }
    platform::PostWindowMessage(this, WM_PLAY_REQUEST);
}

namespace {

// What the display shows, on one line, for the diagnostic output.
void LogDisplay(const QString& text)
{
    qCDebug(lcDisplay).noquote() << QString(text).replace(u'\n', QStringLiteral(" | "));
}

} // namespace

QString CSorlinDlg::ClockText(const QDateTime& now) const
{
    const QDate date = now.date();
    const QTime time = now.time();
    return QString::asprintf(res::LoadString(res::kStrClockFormat).toUtf8().constData(), date.year(),
                             date.month(), date.day(), time.hour(), time.minute(), time.second());
}

std::vector<int> CSorlinDlg::DueNow(const QDateTime& now)
{
    if (scheduleSuspended)
        return {};
    return scheduleGate.Due(std::span<const CTimerEntry>(settings.timers.data(), kAlarmTimerEntry), now);
}

bool CSorlinDlg::DueSoon(const QDateTime& now) const
{
    return !scheduleSuspended &&
           !DueEntries(std::span<const CTimerEntry>(settings.timers.data(), kAlarmTimerEntry),
                       now.addMSecs(kWarmUpAheadMs))
                .empty();
}

bool CSorlinDlg::AlarmSoon() const
{
    const CTimerEntry& alarm = settings.timers[kAlarmTimerEntry];
    return alarm.exec == 1 && !alarm.launch.isEmpty() &&
           stopwatch
               .Peek(env.tickCount() + kWarmUpAheadMs, static_cast<uint32_t>(settings.countDown),
                     settings.countMax != 0)
               .fire;
}

void CSorlinDlg::ClockFaceWhileWaiting()
{
    const QString before = displayText;
    if (player.GetState().IsLoaded()) {
        // The engine cannot be asked now: the item's time runs on from where it was last read.
        if (const QString running = player.DisplayWhileWaiting(); !running.isEmpty())
            displayText = running;
    } else if (stopwatch.GetState() == Stopwatch::kIdle) {
        const QDateTime now = env.now();
        displayText = ClockText(now);
        for (int index : DueNow(now)) {
            if (std::find(dueWhileWaiting.begin(), dueWhileWaiting.end(), index) == dueWhileWaiting.end())
                dueWhileWaiting.push_back(index);
        }
    } else if (stopwatch.GetState() == Stopwatch::kRunning) {
        // Only read: the alarm fires at the next full tick, which finds it due still.
        displayText = Stopwatch::Text(
            stopwatch.Peek(env.tickCount(), static_cast<uint32_t>(settings.countDown), settings.countMax != 0)
                .shown);
    }
    if (displayText != before) {
        update(face.Skin().TextArea().boundingRect());
        LogDisplay(displayText);
    }
    announcer.Update(displayText, env.tickCount());
}

void CSorlinDlg::ClockTick()
{
    for (int index : std::exchange(dueWhileWaiting, {}))
        FireTimerEntry(settings.timers[index]);
    // What the clock will play in a moment finds the media process started.
    platform::MediaProcess& process = platform::MediaProcess::Instance();
    switch (stopwatch.GetState()) {
    case Stopwatch::kIdle: {
        const QDateTime now = env.now();
        displayText = ClockText(now);
        for (int index : DueNow(now))
            FireTimerEntry(settings.timers[index]);
        if (!process.IsRunning() && DueSoon(now))
            process.WarmUp();
        break;
    }
    case Stopwatch::kRunning: {
        if (!process.IsRunning() && AlarmSoon())
            process.WarmUp();
        const Stopwatch::Reading reading = stopwatch.Tick(
            env.tickCount(), static_cast<uint32_t>(settings.countDown), settings.countMax != 0);
        displayText = Stopwatch::Text(reading.shown);
        if (reading.fire) {
            SetLitButton(kNoHit);
            if (env.notice)
                env.notice(QStringLiteral("アラーム"), QStringLiteral("カウントダウンが終わりました"));
            const CTimerEntry& alarm = settings.timers[kAlarmTimerEntry];
            if (alarm.exec == 1 && !alarm.launch.isEmpty())
                LaunchTimerEntry(alarm);
        }
        break;
    }
    case Stopwatch::kStopped:
        break;
    }
}

void CSorlinDlg::FireTimerEntry(const CTimerEntry& entry)
{
    if (env.notice) {
        const QString name = QFileInfo(platform::WithoutQuotes(entry.launch)).fileName();
        env.notice(QStringLiteral("タイマー"), name.isEmpty()
                                                   ? QStringLiteral("予約の時刻になりました")
                                                   : QStringLiteral("予約の時刻になりました: %1").arg(name));
    }
    LaunchTimerEntry(entry);
}

void CSorlinDlg::LaunchTimerEntry(const CTimerEntry& entry)
{
    alarmPlaying = true;
    alarmPlayer.OpenSource(LaunchPath(entry.launch));
    alarmPlayer.OpenForward(ForwardFrom::kStart);
    alarmPlayer.Play();
}

void CSorlinDlg::ReadBackPlaySettings()
{
    const CMediaPlayer::PlaySettings play = player.GetPlaySettings();
    settings.lastTrack = play.track;
    settings.lastPos = play.position;
    settings.lastUpc = play.identity;
    // The drive the window started with stays as it was set: unset, it follows the system's
    // first optical drive.
    if (play.drive != drive)
        settings.drive = play.drive;
    settings.playList = play.source;
    settings.lastFile = play.currentItem;
    settings.lastTrackDVD = play.title;
    settings.lastChapterDVD = play.chapter;
}

void CSorlinDlg::OnTimer()
{
    // While the UI thread waits for the media process the players may be in the middle of
    // something: the tick keeps only the clock face going.
    if (platform::BoundedWait::InProgress()) {
        ClockFaceWhileWaiting();
        return;
    }
    // A tick that arrives inside a nested message loop does nothing.
    if (busy)
        return;
    if (fullScreenRequest) {
        fullScreenRequest = false;
        platform::PostWindowMessage(this, WM_TOGGLE_FULLSCREEN);
    }
    const int width = face.Skin().TextArea().boundingRect().width();
    ++tickCounter;
    busy = true;
    tickStandIn.start();
    const QString before = displayText;
    const bool tenth = tickCounter % 10 == 1;
    if (player.GetState().IsLoaded()) {
        if (tenth && fullScreen && !modalOpen)
            player.ShowCursor(true);
        bool stopAtEnd = false;
        const bool changed =
            player.Tick(&displayText, &stopAtEnd, tenth && player.GetKind() == ItemKind::kNone, width);
        if (!player.GetState().IsLoaded()) {
            player.Close(false);
            player.Forget();
            SetLitButton(kNoHit);
        }
        if (changed) {
            ReadBackPlaySettings();
            setWindowTitle(title);
            if (playlistDialog)
                playlistDialog->SetCurrentItem(player.CurrentItem());
        }
        update(face.Skin().TextArea());
    } else {
        ClockTick();
        if (settings.autoPlay && tenth && player.GetState().IsNot(PlayerState::kDownloading))
            player.CheckDisc(true);
        if (player.GetKind() != ItemKind::kNone && player.GetState().IsPlaying())
            SetLitButton(kPlayButton);
        if (displayText != before)
            update(before == res::LoadString(res::kStrConnecting) ? rect()
                                                                  : face.Skin().TextArea().boundingRect());
    }
    QString discarded;
    alarmPlayer.Tick(&discarded, &alarmPlaying, false, width);
    tickStandIn.stop();
    busy = false;
    if (displayText != before)
        LogDisplay(displayText);
    announcer.Update(displayText, env.tickCount());
    // What the tick changed reaches the desktop's media controls.
    if (mpris)
        mpris->Refresh();
}

void CSorlinDlg::BringToForeground()
{
    show();
    raise();
    activateWindow();
}

std::unique_ptr<QMenu> CSorlinDlg::MakeContextMenu()
{
    ContextMenuState state;
    state.stopwatch = stopwatch.GetState();
    state.decodeMode = settings.dvdDecode;
    state.noVpe = settings.dvdDecodeNoVPE != 0;
    state.closedCaptions = settings.ccOn;
    state.fullScreen = fullScreen;
    state.subpictureOn = settings.subPicture;
    state.subpictureStream = settings.subPictureTrack;
    state.audioStream = settings.audioTrack;
    state.angle = angle;
    state.subpictureCount = subpictureCount;
    state.audioCount = audioCount;
    state.angleCount = angleCount;
    state.filterCount = filterCount;
    std::unique_ptr<QMenu> menu = BuildContextMenu(player, state, this);
    settings.subPicture = state.subpictureOn;
    settings.subPictureTrack = state.subpictureStream;
    settings.audioTrack = state.audioStream;
    angle = state.angle;
    subpictureCount = state.subpictureCount;
    audioCount = state.audioCount;
    angleCount = state.angleCount;
    filterCount = state.filterCount;
    return menu;
}

void CSorlinDlg::ShowContextMenu(QPoint screenPoint)
{
    if (player.GetState().Is(PlayerState::kDownloading))
        return;
    // Whatever is chosen will most likely play or read something: the media process starts
    // while the menu is open.
    platform::MediaProcess::Instance().WarmUp();
    std::unique_ptr<QMenu> menu = MakeContextMenu();
    if (screenPoint == QPoint(-1, -1))
        screenPoint = mapToGlobal(rect().center());
    player.ShowCursor(false);
    modalOpen = true;
    const QAction* chosen = menu->exec(screenPoint);
    modalOpen = false;
    const int id = chosen ? chosen->data().toInt() : 0;
    menu.reset();
    if (id != 0)
        OnCommand(id);
}

platform::LRESULT CSorlinDlg::OnPlayRequest(platform::WPARAM, platform::LPARAM)
{
    if (player.OpenForward(ForwardFrom::kStart))
        SetLitButton(kPlayButton);
    MarkStartupStep("play-requested");
    return 0;
}

platform::LRESULT CSorlinDlg::OnTrayNotify(platform::WPARAM, platform::LPARAM lParam)
{
    qCDebug(lcApp) << "tray notify" << Qt::hex << lParam;
    if (lParam == WM_RBUTTONDOWN) {
        BringToForeground();
        ShowContextMenu(QCursor::pos());
    } else if (lParam == WM_LBUTTONDOWN) {
        BringToForeground();
    }
    return 0;
}

platform::LRESULT CSorlinDlg::OnShowContextMenu(platform::WPARAM, platform::LPARAM)
{
    ShowContextMenu(QCursor::pos());
    return 0;
}

platform::LRESULT CSorlinDlg::OnHookKey(platform::WPARAM wParam, platform::LPARAM lParam)
{
    if (!hookedPageKeys.TakeFromHook(static_cast<uint32_t>(lParam)))
        return 0;
    if (wParam == 0x22) // VK_NEXT
        OnCommand(ID_NEXT);
    else if (wParam == 0x21) // VK_PRIOR
        OnCommand(ID_PREVIOUS);
    return 0;
}

platform::LRESULT CSorlinDlg::OnOpenPaths(platform::WPARAM, platform::LPARAM lParam)
{
    QStringList paths;
    if (lParam == 0) {
        paths = dropTarget.Paths();
    } else {
        const auto atom = static_cast<uint16_t>(lParam);
        const QString path = atoms.Get(atom);
        atoms.Delete(atom);
        // The path that is already playing is not opened again.
        QString currentItem, source;
        int flags = 0;
        player.GetItems(&currentItem, &source, &flags);
        if (!path.isEmpty() && path != currentItem)
            paths << path;
    }
    if (paths.isEmpty())
        return 0;
    qCDebug(lcApp).noquote() << "open paths:" << paths.join(u'|');
    // One folder or classic skin archive (or one picture while no skin is worn) becomes the
    // window's background.
    if (paths.size() == 1 &&
        (QFileInfo(paths.front()).isDir() || IsClassicSkinArchive(paths.front()) || !settings.useThema) &&
        player.SetBackgroundImage(paths.front())) {
        SaveSettingsNow();
        return 0;
    }
    player.SetItems(paths, false, QString());
    SaveSettingsNow();
    platform::PostWindowMessage(this, WM_PLAY_REQUEST);
    return 0;
}

platform::LRESULT CSorlinDlg::OnToggleFullScreen(platform::WPARAM, platform::LPARAM)
{
    fullScreen = !fullScreen;
    qCDebug(lcApp) << "full screen" << fullScreen;
    player.SetFullScreen(fullScreen);
    return 0;
}

platform::LRESULT CSorlinDlg::OnGraphEvent(platform::WPARAM, platform::LPARAM)
{
    player.HandleGraphEvent();
    return 0;
}

platform::LRESULT CSorlinDlg::OnMciNotify(platform::WPARAM wParam, platform::LPARAM lParam)
{
    player.OnCDNotify(wParam, lParam);
    return 0;
}

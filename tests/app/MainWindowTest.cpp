#include "MainWindowFixture.h"
#include "app/AutoplayHandlers.h"
#include "app/Commands.h"
#include "app/MainAccessible.h"
#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "app/SorlinApp.h"
#include "app/SorlinDlg.h"
#include "platform/VirtualKeys.h"
#include "platform/WindowMessage.h"
#include "platform/proxy/DvdGraphProxy.h"
#include "platform/proxy/GraphProxy.h"
#include "platform/proxy/MediaProcess.h"
#include "support/CdImages.h"
#include "support/DvdDisc.h"
#include "support/MainWindowScene.h"
#include "support/MediaFiles.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QAccessible>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "media/VideoWindow.h"

#include <algorithm>
#include <csignal>

#include <gtest/gtest.h>

namespace {

const QString kTitle = QStringLiteral("Vimoﾌﾟﾚｰﾔ - ");

class MainWindowTest : public MainWindowFixture
{
protected:
    // Drops `urls` on the window as a file manager would.
    static void Drop(CSorlinDlg& dialog, const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&dialog, &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&dialog, &event);
    }

    // A folder of 20 s tones, one per extension.
    QString ToneFolder(std::initializer_list<const char*> extensions)
    {
        const QString folder = home.Path() + QStringLiteral("/music");
        QDir().mkpath(folder);
        for (const char* extension : extensions)
            EXPECT_FALSE(media_files::MakeTone(folder, QString::fromLatin1(extension), 20).isEmpty())
                << extension;
        return folder;
    }
};

TEST_F(MainWindowTest, PlacesItselfFromTheSettingsAndWritesThemOnceAtClose)
{
    WriteSettings("[Play]\nDrive=/dev/sr9\nRepeat=2\n[Position]\nX=30\nY=40\nW=200\nH=150\nTOPMOST=1\n");
    CSorlinDlg dialog(Environment(), false);
    QRect shown;
    Qt::WindowFlags flags;
    const int result = RunModal(dialog, [&] {
        shown = dialog.geometry();
        flags = dialog.windowFlags();
        EXPECT_EQ(dialog.windowTitle(), kTitle + QStringLiteral("/dev/sr9"));
        dialog.move(50, 60);
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(shown, QRect(30, 40, 200, 150));
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_EQ((flags & Qt::WindowType_Mask), Qt::Tool);

    dialog.DestroyWindow();
    SettingsStore saved(home.SettingsFile());
    EXPECT_EQ(saved.ReadInt(QStringLiteral("Position"), QStringLiteral("X"), -1), 50);
    EXPECT_EQ(saved.ReadInt(QStringLiteral("Position"), QStringLiteral("Y"), -1), 60);
    EXPECT_EQ(saved.ReadInt(QStringLiteral("Position"), QStringLiteral("W"), -1), 200);
    EXPECT_EQ(saved.ReadInt(QStringLiteral("Play"), QStringLiteral("Repeat"), -1), 1);
    EXPECT_EQ(saved.ReadString(QStringLiteral("Play"), QStringLiteral("Drive"), QString()),
              QStringLiteral("/dev/sr9"));

    // A second shutdown writes nothing.
    ASSERT_TRUE(QFile::remove(home.SettingsFile()));
    dialog.DestroyWindow();
    EXPECT_FALSE(QFile::exists(home.SettingsFile()));
}

TEST_F(MainWindowTest, TheClockFaceShowsTheTimeAndTheStopwatchFiresItsAlarm)
{
    // Count down from 10 s; the alarm's file does not exist, so it fires silently.
    WriteSettings("[Program]\nCountDown=10000\nCountMax=1\n[Program50]\nLaunch=/nowhere/alarm.wav\nExec=1\n"
                  "[Play]\nAutoPlay=2\n");
    CSorlinDlg::Environment env = Environment();
    QDateTime now(QDate(2026, 12, 7), QTime(9, 5, 3));
    uint32_t ticks = 5000;
    env.now = [&now] { return now; };
    env.tickCount = [&ticks] { return ticks; };
    QStringList notices;
    env.notice = [&notices](const QString& summary, const QString& body) {
        notices << summary + u'|' + body;
    };
    CSorlinDlg dialog(std::move(env), false);
    QStringList shown;
    RunModal(dialog, [&] {
        const auto nextTick = [&] {
            const QString before = dialog.DisplayText();
            testsupport::WaitUntil([&] { return dialog.DisplayText() != before; }, 5000);
            shown << dialog.DisplayText();
        };
        nextTick();
        MainWindowScene::GetStopwatch(dialog).Start(ticks);
        ticks += 500;
        nextTick();
        ticks += 8700; // 0.8 s left: the alarm fires and the last time stays on this tick
        nextTick();
        now = now.addSecs(1);
        nextTick();
        dialog.EndDialog(IDOK);
    });
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown[0], QStringLiteral("2026年12月07日\n09:05:03"));
    EXPECT_EQ(shown[1], QStringLiteral("\n00:00:09"));
    EXPECT_EQ(shown[2], QStringLiteral("\n00:00:00"));
    EXPECT_EQ(shown[3], QStringLiteral("2026年12月07日\n09:05:04")) << "the clock is back";
    EXPECT_EQ(dialog.GetStopwatch().GetState(), Stopwatch::kIdle);
    // Seen as well as heard: the desktop is told once.
    EXPECT_EQ(notices, QStringList{QStringLiteral("アラーム|カウントダウンが終わりました")});
}

TEST_F(MainWindowTest, TheClockAloneStartsNoMediaProcessAndADiscThatArrivesPlays)
{
    // Automatic play (the default) watches a drive that holds no disc yet: an image that is
    // not there. The drive is asked every tenth tick while the clock shows.
    platform::MediaProcess::Instance().End(QStringLiteral("a test starts afresh"), false);
    const QString drive = home.Path() + QStringLiteral("/drive/disc.cue");
    ASSERT_TRUE(QDir().mkpath(home.Path() + QStringLiteral("/drive")));
    WriteSettings("[Play]\nDrive=" + drive.toUtf8() + "\n");
    CSorlinDlg dialog(Environment(), false);
    TickCounter ticks(&dialog);
    bool quietBefore = false;
    bool played = false;
    RunModal(
        dialog,
        [&] {
            // The check at the start and two at the tick.
            testsupport::WaitUntil([&] { return ticks.ticks >= 12; }, 20000);
            quietBefore = !platform::MediaProcess::Instance().IsRunning();
            // The disc arrives whole: its data first, then the sheet that names it.
            const QString staged = cd_images::Write(home.Path(), QStringLiteral("disc"),
                                                    {{cd_images::Seconds(3)}, {cd_images::Seconds(3)}});
            ASSERT_TRUE(
                QFile::rename(cd_images::DataFile(staged), home.Path() + QStringLiteral("/drive/disc.bin")));
            ASSERT_TRUE(QFile::rename(staged, drive));
            played = testsupport::WaitUntil(
                [&] {
                    return dialog.Player().GetKind() == ItemKind::kCdTrack &&
                           dialog.Player().GetState().Is(PlayerState::kPlaying);
                },
                20000);
            dialog.EndDialog(IDOK);
        },
        60000);
    EXPECT_GE(ticks.ticks, 12);
    EXPECT_TRUE(quietBefore) << "a media process ran while only the clock showed";
    EXPECT_TRUE(played) << "the disc that arrived did not play: the drive was not watched";
}

// Whatever is about to play finds the media process started: the user coming near (the pointer
// moving over the window, the window activated again, a menu or the open dialog opening) or the
// clock nearing a timer entry or the countdown's alarm. Until then, none runs.
TEST_F(MainWindowTest, WhatIsAboutToPlayStartsTheMediaProcessAheadAndNothingElseDoes)
{
    struct Scene
    {
        CSorlinDlg& dialog;
        QDateTime& now;
        uint32_t& ticks;
    };
    struct Case
    {
        const char* name;
        QByteArray settings;
        // Brings the window near the moment, which must not start the process yet.
        std::function<void(Scene&)> before;
        // What comes ahead of the play.
        std::function<void(Scene&)> ahead;
    };
    const auto closeWhenRunning = [](QObject* owner, auto findWindow) {
        // Closes the menu or dialog once the process runs (or after a bound), from inside its loop.
        auto* poll = new QTimer(owner);
        QElapsedTimer open;
        open.start();
        QObject::connect(poll, &QTimer::timeout, [poll, open, findWindow] {
            QWidget* window = findWindow();
            if (!window || (!platform::MediaProcess::Instance().IsRunning() && open.elapsed() < 10000))
                return;
            window->close();
            poll->deleteLater();
        });
        poll->start(20);
    };
    const std::vector<Case> cases = {
        {"the pointer moves over the window", "",
         [](Scene& scene) {
             // Shown under the pointer, the window is entered, but nobody moved.
             QEnterEvent enter(QPointF(20, 20), QPointF(20, 20), scene.dialog.mapToGlobal(QPointF(20, 20)));
             QApplication::sendEvent(&scene.dialog, &enter);
         },
         [](Scene& scene) { QTest::mouseMove(&scene.dialog, QPoint(30, 20)); }},
        {"the keyboard's user comes back to the window", "",
         [](Scene& scene) {
             // The activation of the window first shown is nobody coming back.
             QEvent activate(QEvent::WindowActivate);
             QApplication::sendEvent(&scene.dialog, &activate);
             QEvent deactivate(QEvent::WindowDeactivate);
             QApplication::sendEvent(&scene.dialog, &deactivate);
         },
         [](Scene& scene) {
             QEvent activate(QEvent::WindowActivate);
             QApplication::sendEvent(&scene.dialog, &activate);
         }},
        {"the context menu opens",
         "",
         {},
         [&](Scene& scene) {
             closeWhenRunning(&scene.dialog, [] { return QApplication::activePopupWidget(); });
             platform::PostWindowMessage(&scene.dialog, WM_SHOW_CONTEXT_MENU);
         }},
        {"the open dialog opens",
         "",
         {},
         [&](Scene& scene) {
             closeWhenRunning(&scene.dialog,
                              [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); });
             scene.dialog.OnCommand(ID_OPEN);
         }},
        {"a timer entry is two seconds away",
         "[Program0]\nHour=9\nHour2=9\nMin=5\nSec=6\nExec=1\nLaunch=/nowhere/chime.wav\n",
         [](Scene&) {}, // three seconds away
         [](Scene& scene) { scene.now = scene.now.addSecs(1); }},
        {"the countdown has less than two seconds left",
         "[Program]\nCountDown=10000\nCountMax=1\n[Program50]\nLaunch=/nowhere/alarm.wav\nExec=1\n",
         [](Scene& scene) {
             MainWindowScene::GetStopwatch(scene.dialog).Start(scene.ticks);
             scene.ticks += 7000; // three seconds left
         },
         [](Scene& scene) { scene.ticks += 1500; }},
    };
    platform::MediaProcess& process = platform::MediaProcess::Instance();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        process.End(QStringLiteral("a test starts afresh"), false);
        WriteSettings("[Play]\nAutoPlay=2\n" + test.settings);
        CSorlinDlg::Environment env = Environment();
        QDateTime now(QDate(2026, 12, 7), QTime(9, 5, 3));
        uint32_t ticks = 5000;
        env.now = [&now] { return now; };
        env.tickCount = [&ticks] { return ticks; };
        CSorlinDlg dialog(std::move(env), false);
        TickCounter counter(&dialog);
        Scene scene{dialog, now, ticks};
        bool quietBefore = false;
        bool startedAhead = false;
        bool answers = false;
        RunModal(
            dialog,
            [&] {
                const auto twoTicks = [&] {
                    const int from = counter.ticks;
                    testsupport::WaitUntil([&] { return counter.ticks >= from + 2; }, 10000);
                };
                twoTicks();
                if (test.before)
                    test.before(scene);
                twoTicks();
                quietBefore = !process.IsRunning();
                test.ahead(scene);
                startedAhead = testsupport::WaitUntil([&] { return process.IsRunning(); }, 10000);
                QByteArray reply;
                answers = process.Call(platform::ipc::Op::LivePipelines, 0, {}, &reply, 30000,
                                       platform::MediaProcess::Start::Never);
                dialog.EndDialog(IDOK);
            },
            60000);
        EXPECT_TRUE(quietBefore) << "started before anything was about to play";
        EXPECT_TRUE(startedAhead);
        EXPECT_TRUE(answers) << "the process started ahead serves the first request";
        EXPECT_FALSE(dialog.AlarmPlayer().GetState().IsLoaded()) << "the alarm played already";
    }
}

// Waits for the media process as a stuck parser makes the window wait: it is stopped, and a
// request goes to it; `meanwhile` runs once the wait has begun. Gives whether an answer came,
// and the reason when none did.
bool AskAStoppedMediaProcess(int boundMs, QString* error, const std::function<void()>& meanwhile = {})
{
    platform::MediaProcess& process = platform::MediaProcess::Instance();
    if (!platform::GraphProxy::FrameworkAvailable() ||
        ::kill(static_cast<pid_t>(process.Pid()), SIGSTOP) != 0) {
        *error = QStringLiteral("no media process to stop");
        return true;
    }
    if (meanwhile)
        QTimer::singleShot(0, meanwhile);
    QByteArray answer;
    return process.Call(platform::ipc::Op::LivePipelines, 0, {}, &answer, boundMs,
                        platform::MediaProcess::Start::Never, error);
}

TEST_F(MainWindowTest, WhileTheMediaProcessIsWaitedForTheClockGoesOnAndTheScheduleWaitsForTheEnd)
{
    const QString chime = media_files::MakeTone(home.Path(), QStringLiteral("wav"), 5);
    ASSERT_FALSE(chime.isEmpty());
    WriteSettings("[Play]\nAutoPlay=2\n[Program0]\nHour=9\nHour2=9\nMin=5\nSec=5\nExec=1\nLaunch=" +
                  chime.toUtf8() + "\n");
    CSorlinDlg::Environment env = Environment();
    QDateTime now(QDate(2026, 12, 7), QTime(9, 5, 3));
    env.now = [&now] { return now; };
    QStringList notices;
    env.notice = [&notices](const QString& summary, const QString& body) {
        notices << summary + u'|' + body;
    };
    CSorlinDlg dialog(std::move(env), false);
    QStringList shownWhileWaiting;
    bool answered = true;
    QString error;
    bool chimed = false;
    RunModal(dialog, [&] {
        ASSERT_TRUE(
            testsupport::WaitUntil([&] { return dialog.DisplayText().endsWith(QLatin1String("09:05:03")); }));
        // While the request waits, the clock moves past the entry's second and on.
        QTimer watch;
        QElapsedTimer since;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (since.elapsed() > 2400)
                now = QDateTime(QDate(2026, 12, 7), QTime(9, 5, 7));
            else if (since.elapsed() > 600)
                now = QDateTime(QDate(2026, 12, 7), QTime(9, 5, 5));
            if (shownWhileWaiting.isEmpty() || shownWhileWaiting.back() != dialog.DisplayText())
                shownWhileWaiting << dialog.DisplayText();
        });
        answered = AskAStoppedMediaProcess(3500, &error, [&] {
            since.start();
            watch.start(50);
        });
        watch.stop();
        // The entry that fell due during the wait starts the chime at the next full tick.
        chimed = testsupport::WaitUntil([] { return platform::GraphProxy::LivePipelines() == 1; }, 5000);
        dialog.EndDialog(IDOK);
    });
    EXPECT_FALSE(answered);
    EXPECT_TRUE(error.contains(QLatin1String("did not answer"))) << error.toStdString();
    EXPECT_TRUE(shownWhileWaiting.contains(QStringLiteral("2026年12月07日\n09:05:05")))
        << shownWhileWaiting.join(u',').toStdString();
    EXPECT_TRUE(shownWhileWaiting.contains(QStringLiteral("2026年12月07日\n09:05:07")))
        << shownWhileWaiting.join(u',').toStdString();
    EXPECT_TRUE(chimed);
    EXPECT_EQ(
        notices,
        QStringList{QStringLiteral("タイマー|予約の時刻になりました: %1").arg(QFileInfo(chime).fileName())})
        << "the entry is told once, when it fires";
}

TEST_F(MainWindowTest, ClosingWhileTheMediaProcessIsWaitedForEndsAtOnceWithTheSettingsWritten)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    CSorlinDlg dialog(Environment(), false);
    bool answered = true;
    QString error;
    const int result = RunModal(dialog, [&] {
        // A bound well inside the test's own: a close that did not give the wait up would
        // leave it to end at the bound instead.
        answered = AskAStoppedMediaProcess(8000, &error, [&dialog] { dialog.CloseFromOutside(); });
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(answered);
    EXPECT_TRUE(error.contains(QLatin1String("the program is ending"))) << error.toStdString();
    EXPECT_TRUE(QFile::exists(home.SettingsFile())) << "written before the wait was given up";
    EXPECT_FALSE(platform::MediaProcess::Instance().IsRunning());
}

TEST_F(MainWindowTest, SkinButtonsActOnReleaseAndTheBackgroundDrags)
{
    // A 100 × 100 skin: button 1 top left, button 3 top right.
    const QString skin =
        home.WriteFile(QStringLiteral("skin/face.ini"),
                       "[Position]\nBaseSize=100,100\nBackShapeType=1\nBackShape=0,0,100,100\nBtnMax=3\n"
                       "Btn1=0,0,20,0,20,20,0,20\nBtn3=80,0,100,0,100,20,80,20\nBtnName3=再生\n");
    WriteSettings("[Play]\nAutoPlay=2\n[Position]\nX=10\nY=10\nThema=" + skin.toUtf8() + "\n");
    CSorlinDlg dialog(Environment(), false);
    QPoint movedBy;
    Stopwatch::State afterFirst = Stopwatch::kIdle;
    Stopwatch::State afterSecond = Stopwatch::kIdle;
    RunModal(dialog, [&] {
        ASSERT_EQ(dialog.size(), QSize(100, 100));
        // Button 3 with nothing to play runs the stopwatch cycle, also when released elsewhere.
        QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(90, 10));
        EXPECT_EQ(dialog.Face().Skin().Lit(), 2) << "lit while pressed";
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(50, 80));
        afterFirst = dialog.GetStopwatch().GetState();
        QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(90, 10));
        afterSecond = dialog.GetStopwatch().GetState();

        // A press on the background drags the window; no button acts.
        const QPoint before = dialog.pos();
        QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(50, 50));
        QMouseEvent move(QEvent::MouseMove, QPointF(60, 55), dialog.mapToGlobal(QPointF(60, 55)),
                         Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&dialog, &move);
        // Released where the pointer now is: the same place on the screen, which is (50, 50)
        // of the window that has moved with it.
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(50, 50));
        movedBy = dialog.pos() - before;
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(afterFirst, Stopwatch::kRunning);
    EXPECT_EQ(afterSecond, Stopwatch::kStopped);
    EXPECT_EQ(movedBy, QPoint(10, 5));
    EXPECT_EQ(dialog.GetStopwatch().GetState(), Stopwatch::kStopped) << "the drag did not press button 3";
}

// What a screen reader finds in the window (tests/e2e/accessibility_e2e.py drives it over the
// real bus): each button where it is drawn, one without a tool tip named by the menu's text for
// its command, then the display.
TEST_F(MainWindowTest, AScreenReaderFindsEveryButtonByANameAndWhereItIs)
{
    const QString skin =
        home.WriteFile(QStringLiteral("skin/face.ini"),
                       "[Position]\nBaseSize=100,100\nBackShapeType=1\nBackShape=0,0,100,100\n"
                       "StrArea=0,40,100,60\nBtnMax=10\nBtn3=80,0,100,0,100,20,80,20\n"
                       "BtnName3=再生\nBtn10=40,80,60,80,60,100,40,100\n");
    WriteSettings("[Play]\nAutoPlay=2\n[Position]\nThema=" + skin.toUtf8() + "\n");
    CSorlinDlg dialog(Environment(), false);
    RunModal(dialog, [&] {
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&dialog);
        ASSERT_EQ(window->childCount(), 3);
        const std::tuple<QPoint, QString> parts[] = {{{90, 10}, QStringLiteral("再生")},
                                                     {{50, 90}, QStringLiteral("開始ﾄﾗｯｸ")},
                                                     {{50, 50}, QString()}};
        for (int i = 0; i < 3; ++i) {
            const QPoint at = dialog.mapToGlobal(std::get<0>(parts[i]));
            EXPECT_EQ(window->childAt(at.x(), at.y()), window->child(i));
            if (i < 2) {
                EXPECT_EQ(window->child(i)->text(QAccessible::Name), std::get<1>(parts[i]));
            }
        }
        EXPECT_EQ(window->child(2)->role(), QAccessible::StaticText);
        dialog.EndDialog(IDOK);
    });
}

// The display is told at most once a second, and a change within the second is not lost: it
// goes out with the first tick after it.
TEST(DisplayAnnouncerTest, TellsAtMostOnceASecondAndKeepsTheLastChange)
{
    QWidget window;
    DisplayAnnouncer announcer(window);
    const std::tuple<const char*, quint64, bool> steps[] = {
        {"09:00:00", 10000, true},       {"09:00:00", 10500, false},      {"song 00:00:00", 10600, false},
        {"song 00:00:00", 11000, true},  {"song 00:00:01", 11500, false}, {"song 00:00:01", 12000, true},
        {"song 00:00:01", 14000, false}, {"song 00:00:03", 14000, true},
    };
    for (const auto& [text, ms, told] : steps)
        EXPECT_EQ(announcer.Update(QString::fromUtf8(text), ms), told) << text << " " << ms;
}

TEST_F(MainWindowTest, DroppedFilesPlayAndADroppedFolderWithoutAClassicSkinToo)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    QImage picture(4, 4, QImage::Format_RGB888);
    picture.fill(Qt::red);
    const QString a = home.Path() + QStringLiteral("/pictures/a.bmp");
    const QString b = home.Path() + QStringLiteral("/pictures/b.bmp");
    QDir().mkpath(home.Path() + QStringLiteral("/pictures"));
    ASSERT_TRUE(picture.save(a, "BMP") && picture.save(b, "BMP"));
    CSorlinDlg dialog(Environment(), false);
    QStringList afterFiles;
    QString afterFolder;
    RunModal(dialog, [&] {
        Drop(dialog, {QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        testsupport::WaitUntil([&] { return dialog.Player().GetKind() != ItemKind::kNone; }, 5000);
        afterFiles = dialog.Player().Items();
        // A folder without classic skin bitmaps is not a background: it is played.
        Drop(dialog, {QUrl::fromLocalFile(home.Path() + QStringLiteral("/pictures"))});
        testsupport::WaitUntil([&] { return dialog.Player().SourceFlags() == kSourceFolder; }, 5000);
        afterFolder = dialog.Player().CurrentItem();
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(afterFiles, (QStringList{a, b}));
    EXPECT_TRUE(afterFolder == a || afterFolder == b) << afterFolder.toStdString();
}

TEST_F(MainWindowTest, ADroppedBackgroundIsWrittenAtOnceAndKeptForTheNextStart)
{
    // Without a skin, one dropped picture becomes the background.
    WriteSettings("[Play]\nAutoPlay=2\n[Position]\nUseThema=0\n");
    QImage picture(4, 4, QImage::Format_RGB888);
    picture.fill(Qt::blue);
    const QString wall = home.Path() + QStringLiteral("/wall.bmp");
    ASSERT_TRUE(picture.save(wall, "BMP"));
    const auto back = [&] {
        return SettingsStore(home.SettingsFile())
            .ReadString(QStringLiteral("Position"), QStringLiteral("Back"), {});
    };
    CSorlinDlg dialog(Environment(), false);
    QString writtenAtTheDrop;
    RunModal(dialog, [&] {
        Drop(dialog, {QUrl::fromLocalFile(wall)});
        testsupport::WaitUntil([&] { return !back().isEmpty(); }, 5000);
        writtenAtTheDrop = back();
        dialog.EndDialog(IDOK);
    });
    dialog.DestroyWindow();
    EXPECT_EQ(writtenAtTheDrop, wall);
    EXPECT_EQ(back(), wall) << "and at the end";
}

TEST_F(MainWindowTest, ThousandsOfDroppedFilesAllJoinTheList)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    QImage picture(4, 4, QImage::Format_RGB888);
    picture.fill(Qt::green);
    const QString folder = home.Path() + QStringLiteral("/many");
    QDir().mkpath(folder);
    const QString first = folder + QStringLiteral("/0000.bmp");
    ASSERT_TRUE(picture.save(first, "BMP"));
    QFile original(first);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    QList<QUrl> urls{QUrl::fromLocalFile(first)};
    for (int i = 1; i < 3000; ++i) {
        // Written plainly: a copy per file that waits for the disk would take long.
        QFile copy(folder + QStringLiteral("/%1.bmp").arg(i, 4, 10, QLatin1Char('0')));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size());
        urls << QUrl::fromLocalFile(copy.fileName());
    }
    CSorlinDlg dialog(Environment(), false);
    qsizetype listed = 0;
    ItemKind kind = ItemKind::kNone;
    RunModal(dialog, [&] {
        Drop(dialog, urls);
        testsupport::WaitUntil([&] { return dialog.Player().GetKind() != ItemKind::kNone; });
        listed = dialog.Player().Items().size();
        kind = dialog.Player().GetKind();
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(listed, 3000);
    EXPECT_EQ(kind, ItemKind::kStillImage);
}

TEST_F(MainWindowTest, TheMusicFolderCommandPlaysTheUsersMusic)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    ASSERT_TRUE(music.startsWith(home.Path())) << music.toStdString();
    QDir().mkpath(music);
    QImage picture(4, 4, QImage::Format_RGB888);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(music + QStringLiteral("/cover.bmp"), "BMP"));
    CSorlinDlg dialog(Environment(), false);
    QString opened;
    RunModal(dialog, [&] {
        dialog.OnCommand(34955);
        opened = dialog.Player().CurrentItem();
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(opened, music + QStringLiteral("/cover.bmp"));
}

TEST_F(MainWindowTest, TheOpenDialogStartsAtTheCurrentItemAndPlaysTheChoice)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    const QString folder = ToneFolder({"ogg", "wav"});
    const QString playing = folder + QStringLiteral("/tone.ogg");
    const QString chosen = folder + QStringLiteral("/tone.wav");
    CSorlinDlg dialog(Environment(), false);
    CMediaPlayer& player = MainWindowScene::Player(dialog);
    QStringList selectedAtStart;
    QStringList filters;
    QString openedAfterOk;
    bool canceledChangesNothing = false;
    RunModal(dialog, [&] {
        player.SetItems({playing}, false, QString());
        dialog.OnCommand(ID_FIRST);
        ASSERT_EQ(player.CurrentItem(), playing);
        QTimer chooser;
        bool cancel = true;
        QObject::connect(&chooser, &QTimer::timeout, [&] {
            auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!files)
                return;
            if (cancel) {
                files->reject();
                return;
            }
            if (selectedAtStart.isEmpty()) {
                selectedAtStart = files->selectedFiles();
                filters = files->nameFilters();
            }
            // Typed into the name field, as a user would, and taken once it has stayed there
            // for a round: the folder's listing, when it arrives, selects the starting file again.
            auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!name)
                return;
            if (name->text() != chosen) {
                name->setText(chosen);
                return;
            }
            static_cast<QDialog*>(files)->accept(); // the file dialog's own accept checks the choice
        });
        chooser.start(20);
        dialog.OnCommand(ID_OPEN);
        canceledChangesNothing = player.CurrentItem() == playing && player.GetState().IsPlaying();
        cancel = false;
        dialog.OnCommand(ID_OPEN);
        openedAfterOk = player.CurrentItem();
        dialog.EndDialog(IDOK);
    });
    EXPECT_TRUE(canceledChangesNothing);
    EXPECT_EQ(selectedAtStart, QStringList{playing});
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_TRUE(filters.front().contains(QStringLiteral("*.mp3"))) << filters.front().toStdString();
    EXPECT_EQ(openedAfterOk.toStdString(), chosen.toStdString());
    EXPECT_EQ(player.Items().join(u'|').toStdString(), chosen.toStdString());
}

TEST_F(MainWindowTest, KeysDriveThePlayerAsTheKeyTableSays)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    const QString folder = ToneFolder({"flac", "ogg", "wav"});
    // The program's own skin, which ships beside the tests, gives the display its room.
    CSorlinDlg::Environment env = Environment();
    env.programFolder = QCoreApplication::applicationDirPath() + u'/';
    ASSERT_TRUE(QFile::exists(env.programFolder + QStringLiteral("Sorlin.ini")));
    CSorlinDlg dialog(std::move(env), false);
    CMediaPlayer& player = MainWindowScene::Player(dialog);
    const auto key = [&dialog](int qtKey, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&dialog, static_cast<Qt::Key>(qtKey), modifiers);
    };
    int result = 0;
    RunModal(dialog, [&] {
        player.SetItems({folder}, false, QString());
        ASSERT_EQ(player.Items().size(), 3);
        const QStringList items = player.Items();

        key(Qt::Key_Home);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return player.GetState().IsPlaying(); }));
        EXPECT_EQ(player.CurrentItem(), items[0]);
        EXPECT_EQ(dialog.Face().Skin().Lit(), 2) << "button 3 lights";
        // The next tick shows the item's title over its time instead of the clock.
        const QRegularExpression titleAndTime(QStringLiteral("tone\\n00:00:\\d\\d$"));
        EXPECT_TRUE(testsupport::WaitUntil([&] {
            return titleAndTime.match(dialog.DisplayText()).hasMatch();
        })) << dialog.DisplayText().toStdString();
        key(Qt::Key_End);
        EXPECT_EQ(player.CurrentItem(), items[2]);
        key(Qt::Key_PageUp);
        EXPECT_EQ(player.CurrentItem(), items[1]);
        key(Qt::Key_PageDown);
        EXPECT_EQ(player.CurrentItem(), items[2]);
        // The keyboard hook reports every page key of the desktop, with the press's server
        // time; a press the window also had as its own key moves the list once, whichever of the
        // two comes first.
        const auto hooked = [&dialog](platform::WPARAM virtualKey, uint32_t time) {
            platform::PostWindowMessage(&dialog, WM_HOOK_KEY, virtualKey, time);
            QCoreApplication::sendPostedEvents(&dialog);
        };
        const auto own = [&dialog](Qt::Key qtKey, uint32_t time) {
            QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
            press.setTimestamp(time);
            QApplication::sendEvent(&dialog, &press);
        };
        key(Qt::Key_PageUp);
        hooked(0x22, 1000);
        own(Qt::Key_PageDown, 1000);
        EXPECT_EQ(player.CurrentItem(), items[2]) << "reported first, then the window's key";
        own(Qt::Key_PageUp, 2000);
        hooked(0x21, 2000);
        EXPECT_EQ(player.CurrentItem(), items[1]) << "the window's key first, then reported";
        hooked(0x21, 3000);
        EXPECT_EQ(player.CurrentItem(), items[0]) << "typed into another program";
        // A hook that gives no time is heeded only while no window of the program is active.
        dialog.activateWindow();
        ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.isActiveWindow(); }));
        hooked(0x22, 0);
        EXPECT_EQ(player.CurrentItem(), items[0]);
        QApplication::setActiveWindow(nullptr);
        hooked(0x22, 0);
        EXPECT_EQ(player.CurrentItem(), items[1]);
        dialog.activateWindow();
        key(Qt::Key_End);

        key(Qt::Key_5);
        EXPECT_EQ(player.GetState().Get(), PlayerState::kPaused) << "paused";
        key(Qt::Key_5);
        EXPECT_EQ(player.GetState().Get(), PlayerState::kPaused) << "pause while paused does nothing";
        key(Qt::Key_4);
        EXPECT_EQ(player.GetState().Get(), PlayerState::kPlaying) << "play resumes";
        // The full-screen video window passes its keys on as virtual keys.
        platform::PostWindowMessage(&dialog, platform::WM_KEYDOWN, '5', 1);
        EXPECT_TRUE(testsupport::WaitUntil([&] { return player.GetState().Is(PlayerState::kPaused); }, 5000));
        key(Qt::Key_4);

        // Shift+Right scans slowly and shows it without waiting for the tick.
        key(Qt::Key_Right, Qt::ShiftModifier);
        EXPECT_TRUE(dialog.DisplayText().endsWith(QStringLiteral("[FF x1/15]")))
            << dialog.DisplayText().toStdString();

        // Shift+F10 shows the context menu, which is closed once seen.
        int menusShown = 0;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                ++menusShown;
                menu->close();
            }
        });
        closer.start(20);
        key(Qt::Key_F10, Qt::ShiftModifier);
        EXPECT_EQ(menusShown, 1);
        closer.stop();

        // Esc is no command and not the dialog's cancel key.
        // Keys are handled as they are sent: a cancel would have hidden the window already.
        key(Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible());

        key(Qt::Key_6);
        EXPECT_FALSE(player.GetState().IsLoaded()) << "stop closes";
        key(Qt::Key_Home);
        EXPECT_TRUE(player.GetState().IsLoaded());
        key(Qt::Key_7);
        EXPECT_FALSE(player.GetState().IsLoaded());
        EXPECT_TRUE(player.Items().isEmpty()) << "close forgets the list";
        EXPECT_EQ(dialog.Face().Skin().Lit(), -1);

        key(Qt::Key_1);
    });
    result = dialog.result();
    EXPECT_EQ(result, IDCANCEL) << "'1' ends the program";
}

TEST_F(MainWindowTest, AStormOfKeysAndClicksLeavesAWorkingWindow)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    const QString folder = ToneFolder({"ogg", "wav"});
    CSorlinDlg dialog(Environment(), false);
    CMediaPlayer& player = MainWindowScene::Player(dialog);
    bool playsAfterwards = false;
    RunModal(dialog, [&] {
        player.SetItems({folder}, false, QString());
        dialog.OnCommand(ID_FIRST);
        // Every key of the table but those that open a dialog or end the program, with and
        // without modifiers, in quick succession, mixed with clicks on the window.
        const int keys[] = {Qt::Key_PageDown, Qt::Key_PageUp,   Qt::Key_Home, Qt::Key_End,  Qt::Key_4,
                            Qt::Key_5,        Qt::Key_6,        Qt::Key_7,    Qt::Key_9,    Qt::Key_0,
                            Qt::Key_Left,     Qt::Key_Right,    Qt::Key_Up,   Qt::Key_Down, Qt::Key_Return,
                            Qt::Key_Slash,    Qt::Key_Asterisk, Qt::Key_T,    Qt::Key_Z,    Qt::Key_X};
        const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier,
                                                   Qt::AltModifier, Qt::ControlModifier | Qt::ShiftModifier};
        for (int round = 0; round < 8; ++round) {
            for (int key : keys) {
                QTest::keyClick(&dialog, static_cast<Qt::Key>(key), modifiers[(round + key) % 5]);
                if (key % 3 == 0)
                    QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(key % 170, round * 20));
            }
            QCoreApplication::processEvents();
        }
        // Whatever state that left, the keys still work.
        player.SetItems({folder}, false, QString());
        QTest::keyClick(&dialog, Qt::Key_Home);
        playsAfterwards = testsupport::WaitUntil([&] { return player.GetState().IsPlaying(); });
        dialog.EndDialog(IDOK);
    });
    EXPECT_TRUE(playsAfterwards);
    EXPECT_EQ(dialog.result(), IDOK) << "no key of the storm ended the program";
}

TEST_F(MainWindowTest, TheVideoWindowsPointerReachesTheMainWindow)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    const QString video = media_files::MakeVideo(home.Path(), QStringLiteral("mp4"), 20);
    ASSERT_FALSE(video.isEmpty());
    CSorlinDlg dialog(Environment(), false);
    CMediaPlayer& player = MainWindowScene::Player(dialog);
    bool fullAfterDoubleClick = false;
    bool fullAfterTwoRequests = false;
    bool stillFullTwoTicksLater = false;
    bool menuShown = false;
    RunModal(dialog, [&] {
        player.SetItems({video}, false, QString());
        dialog.OnCommand(ID_FIRST);
        // Held weakly: a lost media process takes the window with the item, and the test fails
        // on that rather than clicking a window that is gone.
        const QPointer<VideoWindow> window = qobject_cast<VideoWindow*>(player.FileEngine().Window());
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return window && window->isVisible(); }));

        // A double click asks for full screen; the next tick carries it out.
        QTest::mouseDClick(window.data(), Qt::LeftButton, {}, QPoint(20, 20));
        fullAfterDoubleClick = testsupport::WaitUntil([&] { return player.IsFullScreen(); }, 5000);
        // Two requests before a tick count as one.
        dialog.OnCommand(ID_FULL_SCREEN);
        dialog.OnCommand(ID_FULL_SCREEN);
        fullAfterTwoRequests = testsupport::WaitUntil([&] { return !player.IsFullScreen(); }, 5000);
        // The tick that carried the requests out has come; two more must not toggle again.
        TickCounter counter(&dialog);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return counter.ticks >= 2; }, 5000));
        stillFullTwoTicksLater = player.IsFullScreen();

        // A right click on the video window shows the context menu; it is closed once seen.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menuShown = true;
                menu->close();
            }
        });
        closer.start(20);
        ASSERT_NE(window, nullptr) << "the video window went with the item";
        QTest::mouseClick(window.data(), Qt::RightButton, {}, QPoint(30, 30));
        testsupport::WaitUntil([&] { return menuShown; }, 5000);
        dialog.EndDialog(IDOK);
    });
    EXPECT_TRUE(fullAfterDoubleClick);
    EXPECT_TRUE(fullAfterTwoRequests) << "the two requests toggled back once";
    EXPECT_FALSE(stillFullTwoTicksLater) << "and not twice";
    EXPECT_TRUE(menuShown);
    dialog.DestroyWindow();
    SettingsStore saved(home.SettingsFile());
    EXPECT_EQ(saved.ReadInt(QStringLiteral("Play"), QStringLiteral("FullScreen"), -1), 0);
}

TEST_F(MainWindowTest, StreamKeysStepThroughTheDvdsStreamsWithinTheirCounts)
{
    WriteSettings("[Play]\nAutoPlay=2\nAudioTrack=0\n");
    const QString disc = media_files::DvdDisc();
    ASSERT_FALSE(disc.isEmpty());
    CSorlinDlg dialog(Environment(), false);
    CMediaPlayer& player = MainWindowScene::Player(dialog);
    QList<int> audio;
    QList<int> subpictures;
    RunModal(dialog, [&] {
        // Without a DVD the keys leave the saved choices alone.
        QTest::keyClick(&dialog, Qt::Key_Right, Qt::AltModifier);
        audio << dialog.Settings().audioTrack;

        player.SetItems({disc}, false, QString());
        ASSERT_EQ(player.GetKind(), ItemKind::kDvd);
        player.SelectItem(player.DvdEngine().BuildItemName(1, 1));
        // The disc starts in its menu; Enter takes its first button, which plays title 1.
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            return player.DvdEngine().GetDomain() == platform::DvdDomain::kVideoManagerMenu &&
                   player.DvdEngine().IsStill() && player.DvdEngine().Dvd() &&
                   player.DvdEngine().Dvd()->SelectedButton() == 1 &&
                   (player.Dvd().GetValidUops() & platform::kUopSelectOrActivateButton) == 0;
        }));
        QTest::keyClick(&dialog, Qt::Key_Return);
        ASSERT_TRUE(testsupport::WaitUntil([&] {
            QStringList names;
            unsigned count = 0;
            unsigned long current = 0;
            player.Dvd().GetAudioStreams(&names, &count, &current);
            return count == 2;
        }));
        for (int i = 0; i < 2; ++i) {
            QTest::keyClick(&dialog, Qt::Key_Right, Qt::AltModifier);
            audio << dialog.Settings().audioTrack;
        }
        for (int i = 0; i < 2; ++i) {
            QTest::keyClick(&dialog, Qt::Key_Left, Qt::AltModifier);
            audio << dialog.Settings().audioTrack;
        }
        QTest::keyClick(&dialog, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        subpictures << dialog.Settings().subPictureTrack;
        QTest::keyClick(&dialog, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
        subpictures << dialog.Settings().subPictureTrack;
        dialog.EndDialog(IDOK);
    });
    EXPECT_EQ(audio, (QList<int>{0, 1, 1, 0, 0}));
    EXPECT_EQ(subpictures, (QList<int>{0, 0})) << "one subpicture stream";
}

TEST_F(MainWindowTest, BorderAndTopmostSettingsChooseTheWindowKind)
{
    WriteSettings("[Position]\nTOPMOST=0\n");
    CSorlinDlg dialog(Environment(), true);
    Qt::WindowFlags flags;
    RunModal(dialog, [&] {
        flags = dialog.windowFlags();
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_FALSE(flags & Qt::FramelessWindowHint);
    EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
}

TEST_F(MainWindowTest, WithoutAStoredDriveTheFirstOpticalDriveNamesTheWindow)
{
    {
        CSorlinDlg dialog(
            Environment(platform::DriveTable({QStringLiteral("/dev/sr3"), QStringLiteral("/dev/sr4")}, {})),
            false);
        QString title;
        RunModal(dialog, [&] {
            title = dialog.windowTitle();
            dialog.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(title, kTitle + QStringLiteral("/dev/sr3"));
    }
    CSorlinDlg dialog(Environment(), false);
    QString title;
    RunModal(dialog, [&] {
        title = dialog.windowTitle();
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(title, kTitle);
}

TEST_F(MainWindowTest, CloseFromOutsideEndsNestedDialogsAndSavesSettings)
{
    CSorlinDlg dialog(Environment(), false);
    bool nestedEnded = false;
    const int result = RunModal(dialog, [&] {
        QTimer::singleShot(100, &dialog, [&dialog] { dialog.CloseFromOutside(); });
        QMessageBox box(&dialog);
        box.setText(QStringLiteral("nested"));
        box.exec();
        nestedEnded = true;
    });
    EXPECT_TRUE(nestedEnded);
    EXPECT_EQ(result, IDCANCEL);
    dialog.DestroyWindow();
    EXPECT_TRUE(QFile::exists(home.SettingsFile()));
}

// "/S" offers the program for each kind of disc the desktop tells of, "/R" takes it all back.
TEST_F(MainWindowTest, TheProgramIsOfferedForEveryKindOfDiscAndTakenBackWhole)
{
    const QString executable = QStringLiteral("/opt/my sorlin/sorlin");
    RegisterAutoplayHandlers(executable, QStringLiteral("/opt/my sorlin/sorlin.png"));
    const QString applications = home.DataHome() + QStringLiteral("/applications/");
    const auto read = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    const QString listPath = home.ConfigHome() + QStringLiteral("/mimeapps.list");
    const QStringList lines = read(listPath).split(u'\n');
    for (const char* type :
         {"x-content/audio-cdda", "x-content/video-dvd", "x-content/video-vcd", "x-content/audio-dvd"}) {
        const QString prefix = QString::fromLatin1(type) + u'=';
        const auto line =
            std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(prefix); });
        ASSERT_NE(line, lines.end()) << type << " is not listed";
        const QStringList ids = line->mid(prefix.size()).split(u';', Qt::SkipEmptyParts);
        ASSERT_EQ(ids.size(), 1) << type;
        const QString entry = read(applications + ids.front());
        EXPECT_TRUE(entry.contains(QStringLiteral("\nMimeType=%1;\n").arg(QString::fromLatin1(type))))
            << type;
        EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=\"/opt/my sorlin/sorlin\" %"))) << type;
    }

    UnregisterAutoplayHandlers();
    EXPECT_TRUE(QDir(applications).isEmpty());
    EXPECT_FALSE(read(listPath).contains(QStringLiteral("VimoPlayer")));
}

TEST_F(MainWindowTest, ConfirmedRemovalDeletesSettingsAndHandlersAfterTheWindowClosed)
{
    RegisterAutoplayHandlers(QStringLiteral("/opt/sorlin/sorlin"), QStringLiteral("/opt/sorlin/sorlin.png"));
    ASSERT_TRUE(SaveSettings(*store, AppSettings::Defaults(QStringLiteral("/opt/sorlin/"))));
    const QString entry =
        home.DataHome() + QStringLiteral("/applications/VimoPlayerDVDMovieOnArrival.desktop");
    ASSERT_TRUE(QFile::exists(entry));

    CSorlinApp app(QString{});
    app.AfterMainWindow(IDOK, *store);
    EXPECT_TRUE(QFile::exists(home.SettingsFile()));
    EXPECT_TRUE(QFile::exists(entry));

    app.AfterMainWindow(kResultDeleteSettings, *store);
    EXPECT_FALSE(QFile::exists(home.SettingsFile()));
    EXPECT_FALSE(QFileInfo::exists(home.ConfigHome() + QStringLiteral("/pelmo_rin")));
    EXPECT_TRUE(QDir(home.DataHome() + QStringLiteral("/applications")).isEmpty());
    QFile list(home.ConfigHome() + QStringLiteral("/mimeapps.list"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    EXPECT_FALSE(list.readAll().contains("VimoPlayer"));
}

} // namespace

#include "Harness.h"
#include "app/SettingsStore.h"
#include "platform/Drives.h"
#include "player/FolderScan.h"
#include "support/CdImages.h"
#include "support/DvdDisc.h"
#include "support/MediaFiles.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>

#include <csignal>

#include <gtest/gtest.h>

namespace {

using namespace e2e;

const QString kAppTitle = QStringLiteral("Vimoﾌﾟﾚｰﾔ - ");
// The default skin beside the program gives the window its size.
constexpr int kSkinWidth = 240;
constexpr int kSkinHeight = 150;

// What the display shows while an item titled `title` plays, at `seconds` or later (below ten).
QRegularExpression Playing(const QString& title, int seconds = 1)
{
    return QRegularExpression(
        QStringLiteral("sorlin\\.display: .*\\b%1 \\| 00:00:0[%2-9]$").arg(title).arg(seconds));
}

// The line the window logs when it carries out command `id`.
QRegularExpression Command(int id)
{
    return QRegularExpression(QStringLiteral("sorlin\\.app: command %1$").arg(id));
}

class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(display.IsRunning()) << "Xvfb did not start"; }

    QString DefaultTitle() const
    {
        return kAppTitle + platform::DriveTable::FromSystem().FirstOpticalDrive();
    }
    QString Applications() const { return home.DataHome() + QStringLiteral("/applications"); }
    QByteArray MimeApps() const
    {
        QFile file(home.ConfigHome() + QStringLiteral("/mimeapps.list"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    int SavedInt(const char* section, const char* key) const
    {
        return SettingsStore(home.SettingsFile())
            .ReadInt(QString::fromLatin1(section), QString::fromLatin1(key), -12345);
    }

    TempHome home;
    VirtualDisplay display;
};

TEST_F(StartupTest, FreshStartShowsTheWindowAndTrayIconAndWritesDefaultsOnTerm)
{
    ProgramRun run(display, {});
    const QString window = run.WaitForMainWindow(DefaultTitle());
    ASSERT_FALSE(window.isEmpty()) << run.Output().toStdString();
    EXPECT_EQ(WindowGeometry(display.Name(), window).size(), QSize(kSkinWidth, kSkinHeight));
    // The skin's rounded outline is the window's shape: the corners are cut away.
    EXPECT_TRUE(ShapeHas(display.Name(), window, kSkinWidth / 2, kSkinHeight / 2));
    EXPECT_TRUE(ShapeHas(display.Name(), window, 1, kSkinHeight / 2));
    EXPECT_FALSE(ShapeHas(display.Name(), window, 1, 1));
    EXPECT_FALSE(ShapeHas(display.Name(), window, kSkinWidth - 2, kSkinHeight - 2));
    EXPECT_TRUE(WaitUntil([&] { return TrayIconCount(display.Name()) == 1; }));
    // Once the clock has ticked the window is running: no write has come before the end.
    qsizetype at = 0;
    EXPECT_TRUE(
        run.WaitForLine(QRegularExpression(QStringLiteral("sorlin\\.display: \\d{4}年")), &at).hasMatch());
    EXPECT_FALSE(QFile::exists(home.SettingsFile())) << "settings are written only at exit";
    EXPECT_TRUE(WaitUntil([&] {
        return QFile::exists(Applications() + QStringLiteral("/VimoPlayerCDAudioOnArrival.desktop"));
    }));

    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_TRUE(run.ExitedNormally());
    EXPECT_EQ(run.ExitCode(), 0);

    EXPECT_EQ(SavedInt("Play", "AutoPlay"), 1);
    EXPECT_EQ(SavedInt("Position", "W"), kSkinWidth);
    EXPECT_EQ(SavedInt("Position", "H"), kSkinHeight);
    EXPECT_EQ(SavedInt("Position", "TOPMOST"), 1);
    EXPECT_EQ(SavedInt("Position", "COLOR"), 0x99FF66);
    EXPECT_EQ(SavedInt("Font", "Height"), -16);
    EXPECT_EQ(SavedInt("Program0", "Hour"), 65535);
    EXPECT_EQ(SavedInt("Program50", "Exec"), 1);
    EXPECT_EQ(SavedInt("Program", "CountDown"), 180000);
    SettingsStore saved(home.SettingsFile());
    EXPECT_EQ(saved.ReadString(QStringLiteral("Font"), QStringLiteral("FaceName"), QString()),
              QStringLiteral("ＭＳ ゴシック"));
    const QString launch = saved.ReadString(QStringLiteral("Program0"), QStringLiteral("Launch"), QString());
    EXPECT_TRUE(launch.startsWith(u'"') && launch.endsWith(QLatin1String("/Chimes.wav\"")))
        << launch.toStdString();
}

TEST_F(StartupTest, AFileOnTheCommandLinePlaysAndIsRememberedAtExit)
{
    const QString song = media_files::MakeTone(home.Path(), QStringLiteral("ogg"), 30.0);
    ASSERT_FALSE(song.isEmpty());
    ProgramRun run(display, {song});
    ASSERT_FALSE(run.WaitForMainWindow(DefaultTitle()).isEmpty()) << run.Output().toStdString();
    // Once it has played for a while, the program ends as the session would end it.
    qsizetype at = 0;
    ASSERT_TRUE(run.WaitForLine(Playing(QStringLiteral("tone"), 2), &at).hasMatch())
        << run.Output().toStdString();
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_TRUE(run.ExitedNormally());
    SettingsStore saved(home.SettingsFile());
    EXPECT_EQ(saved.ReadString(QStringLiteral("Play"), QStringLiteral("LastFile"), QString()), song);
    EXPECT_EQ(saved.ReadString(QStringLiteral("Play"), QStringLiteral("PlayList"), QString()), song);
    EXPECT_GT(SavedInt("Play", "LastPos"), 0) << "the place it had reached";
}

TEST_F(StartupTest, PageDownMovesToTheNextItemOfAFolder)
{
    QDir(home.Path()).mkpath(QStringLiteral("songs"));
    const QString first =
        media_files::MakeTone(home.Path() + QStringLiteral("/songs"), QStringLiteral("ogg"), 30.0);
    ASSERT_FALSE(first.isEmpty());
    const QString second = home.Path() + QStringLiteral("/songs/zz.ogg");
    ASSERT_TRUE(QFile::copy(first, second));
    // The folder's own order decides which file is first; PageDown moves on to the other.
    QStringList order;
    bool found = false;
    int current = -1;
    FolderScanner().Scan(home.Path() + QStringLiteral("/songs"), &order, &found, &current, QString(), false);
    ASSERT_EQ(order.size(), 2);
    const auto title = [](const QString& path) { return QFileInfo(path).completeBaseName(); };
    ProgramRun run(display, {home.Path() + QStringLiteral("/songs")});
    const QString window = run.WaitForMainWindow(DefaultTitle());
    ASSERT_FALSE(window.isEmpty()) << run.Output().toStdString();
    qsizetype at = 0;
    ASSERT_TRUE(run.WaitForLine(Playing(title(order[0])), &at).hasMatch()) << run.Output().toStdString();
    // A click in the display gives the window the keyboard.
    ClickWindow(display.Name(), window, kSkinWidth / 2, 30, 1);
    TypeKeys(display.Name(), {QStringLiteral("Next")});
    ASSERT_TRUE(run.WaitForLine(Playing(title(order[1])), &at).hasMatch()) << run.Output().toStdString();
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
    SettingsStore saved(home.SettingsFile());
    EXPECT_EQ(saved.ReadString(QStringLiteral("Play"), QStringLiteral("LastFile"), QString()), order[1]);
    EXPECT_EQ(saved.ReadString(QStringLiteral("Play"), QStringLiteral("PlayList"), QString()),
              home.Path() + QStringLiteral("/songs"));
}

TEST_F(StartupTest, KeysMoveThroughAPlaylistAndTheExitKeyEndsTheProgram)
{
    QDir(home.Path()).mkpath(QStringLiteral("songs"));
    const QString a =
        media_files::MakeTone(home.Path() + QStringLiteral("/songs"), QStringLiteral("ogg"), 30.0);
    ASSERT_FALSE(a.isEmpty());
    const QString b = home.Path() + QStringLiteral("/songs/b.ogg");
    const QString c = home.Path() + QStringLiteral("/songs/c.ogg");
    ASSERT_TRUE(QFile::copy(a, b) && QFile::copy(a, c));
    const QString playlist = home.WriteFile(QStringLiteral("songs/list.m3u"), "tone.ogg\nb.ogg\nc.ogg\n");
    ProgramRun run(display, {playlist});
    const QString window = run.WaitForMainWindow(DefaultTitle());
    ASSERT_FALSE(window.isEmpty()) << run.Output().toStdString();
    qsizetype at = 0;
    ASSERT_TRUE(run.WaitForLine(Playing(QStringLiteral("tone")), &at).hasMatch())
        << run.Output().toStdString();
    ClickWindow(display.Name(), window, kSkinWidth / 2, 30, 1);
    // Last, back one, pause, play, full screen (no video: only the choice), then '1' ends.
    TypeKeys(display.Name(), {QStringLiteral("End"), QStringLiteral("Prior"), QStringLiteral("5"),
                              QStringLiteral("4"), QStringLiteral("9")});
    ASSERT_TRUE(run.WaitForLine(Command(32804), &at).hasMatch()) << run.Output().toStdString();
    // Full screen is carried out at the next tick.
    ASSERT_TRUE(run.WaitForLine(QRegularExpression(QStringLiteral("sorlin\\.app: full screen true$")), &at)
                    .hasMatch())
        << run.Output().toStdString();
    TypeKeys(display.Name(), {QStringLiteral("1")});
    ASSERT_TRUE(run.WaitForExit()) << "'1' ends the program";
    EXPECT_TRUE(run.ExitedNormally());
    SettingsStore saved(home.SettingsFile());
    EXPECT_EQ(saved.ReadString(QStringLiteral("Play"), QStringLiteral("LastFile"), QString()), b);
    EXPECT_EQ(saved.ReadString(QStringLiteral("Play"), QStringLiteral("PlayList"), QString()), playlist);
    EXPECT_EQ(SavedInt("Play", "FullScreen"), 1);
}

TEST_F(StartupTest, StopAndCloseKeysLeaveNothingToResume)
{
    const QString song = media_files::MakeTone(home.Path(), QStringLiteral("ogg"), 30.0);
    ASSERT_FALSE(song.isEmpty());
    ProgramRun run(display, {song});
    const QString window = run.WaitForMainWindow(DefaultTitle());
    ASSERT_FALSE(window.isEmpty()) << run.Output().toStdString();
    qsizetype at = 0;
    ASSERT_TRUE(run.WaitForLine(Playing(QStringLiteral("tone")), &at).hasMatch())
        << run.Output().toStdString();
    ClickWindow(display.Name(), window, kSkinWidth / 2, 30, 1);
    // Stop, then close: the clock shows again.
    TypeKeys(display.Name(), {QStringLiteral("6"), QStringLiteral("7")});
    ASSERT_TRUE(run.WaitForLine(Command(32786), &at).hasMatch()) << run.Output().toStdString();
    ASSERT_TRUE(
        run.WaitForLine(QRegularExpression(QStringLiteral("sorlin\\.display: \\d{4}年")), &at).hasMatch());
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_TRUE(run.ExitedNormally());
    SettingsStore saved(home.SettingsFile());
    EXPECT_EQ(saved.ReadString(QStringLiteral("Play"), QStringLiteral("LastFile"), QStringLiteral("unset")),
              QString());
    EXPECT_EQ(saved.ReadString(QStringLiteral("Play"), QStringLiteral("PlayList"), QStringLiteral("unset")),
              QString());
    EXPECT_EQ(SavedInt("Play", "FullScreen"), 0);
}

TEST_F(StartupTest, SettingsAreWrittenWhenTheDisplayGoesAway)
{
    home.WriteFile(QStringLiteral(".config/pelmo_rin/Sorlin.conf"), "[Play]\nRepeat=1\n");
    ProgramRun run(display, {});
    ASSERT_FALSE(run.WaitForMainWindow(DefaultTitle()).isEmpty()) << run.Output().toStdString();
    // What a write to the display connection raises when the server has just closed it.
    run.Signal(SIGPIPE);
    display.Stop();
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(SavedInt("Play", "Repeat"), 1);
    EXPECT_EQ(SavedInt("Position", "W"), kSkinWidth)
        << "exit " << run.ExitCode() << (run.ExitedNormally() ? " normal" : " crashed") << "\n"
        << run.Output().toStdString();
}

TEST_F(StartupTest, ScreenshotHookSavesThePictureAndClosesNormally)
{
    const QString picture = home.Path() + QStringLiteral("/shot.png");
    ProgramRun run(
        display, {},
        {QStringLiteral("SORLIN_SCREENSHOT=") + picture, QStringLiteral("SORLIN_SCREENSHOT_AFTER=0.5")});
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 0);
    const QImage image(picture);
    EXPECT_EQ(image.size(), QSize(kSkinWidth, kSkinHeight));
    EXPECT_EQ(SavedInt("Position", "H"), kSkinHeight);
}

TEST_F(StartupTest, SecondStartForTheSameDriveHandsOverItsPathAndLeavesNothingBehind)
{
    ProgramRun first(display, {});
    const QString window = first.WaitForMainWindow(DefaultTitle());
    ASSERT_FALSE(window.isEmpty()) << first.Output().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return TrayIconCount(display.Name()) == 1; }));

    ProgramRun second(display, {QStringLiteral("\"/media/my disc/\"")});
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_TRUE(WaitUntil([&] {
        return first.Output().contains(QLatin1String("open paths: /media/my disc\n"));
    })) << first.Output().toStdString();
    EXPECT_EQ(MainWindows(display.Name()).size(), 1u);
    EXPECT_EQ(TrayIconCount(display.Name()), 1);
    // The first window keeps what it was handed at once; the deferring start writes nothing.
    EXPECT_FALSE(second.Output().contains(QLatin1String("settings written")))
        << second.Output().toStdString();
    EXPECT_TRUE(WaitUntil([&] { return first.Output().contains(QLatin1String("settings written")); }));
    EXPECT_EQ(
        SettingsStore(home.SettingsFile()).ReadString(QStringLiteral("Play"), QStringLiteral("PlayList"), {}),
        QStringLiteral("/media/my disc"));

    // A name relative to the folder the second start is made from names the file there.
    const QString songs = home.Path() + QStringLiteral("/songs");
    ProgramRun relative(display, {QStringLiteral("f3.wav")}, {}, (QDir().mkpath(songs), songs));
    ASSERT_TRUE(relative.WaitForExit());
    EXPECT_TRUE(WaitUntil([&] {
        return first.Output().contains(QStringLiteral("open paths: %1/f3.wav\n").arg(songs));
    })) << first.Output().toStdString();

    // A close request ends the first window normally, with its settings.
    RequestClose(display.Name(), window);
    ASSERT_TRUE(first.WaitForExit()) << first.Output().toStdString();
    EXPECT_EQ(first.ExitCode(), 0);
    EXPECT_EQ(SavedInt("Position", "W"), kSkinWidth);
}

TEST_F(StartupTest, StartForAnotherDriveOpensAWindowOfItsOwn)
{
    home.WriteFile(QStringLiteral(".config/pelmo_rin/Sorlin.conf"), "[Play]\nDrive=/dev/sr7\n");
    ProgramRun first(display, {});
    ASSERT_FALSE(first.WaitForMainWindow(kAppTitle + QStringLiteral("/dev/sr7")).isEmpty())
        << first.Output().toStdString();

    home.WriteFile(QStringLiteral(".config/pelmo_rin/Sorlin.conf"), "[Play]\nDrive=/dev/sr8\n");
    ProgramRun second(display, {});
    ASSERT_FALSE(second.WaitForMainWindow(kAppTitle + QStringLiteral("/dev/sr8")).isEmpty())
        << second.Output().toStdString();
    EXPECT_EQ(MainWindows(display.Name()).size(), 2u);
    EXPECT_TRUE(WaitUntil([&] { return TrayIconCount(display.Name()) == 2; }));

    second.Signal(SIGTERM);
    first.Signal(SIGINT);
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_TRUE(first.WaitForExit());
    EXPECT_EQ(first.ExitCode(), 0);
    EXPECT_EQ(second.ExitCode(), 0);
}

TEST_F(StartupTest, ExitFromTheTrayIconMenuClosesNormally)
{
    ProgramRun run(display, {});
    ASSERT_FALSE(run.WaitForMainWindow(DefaultTitle()).isEmpty()) << run.Output().toStdString();
    QString trayIcon;
    ASSERT_TRUE(WaitUntil([&] {
        for (const Window& window : ProgramWindows(display.Name())) {
            if (window.inTray)
                trayIcon = window.id;
        }
        return !trayIcon.isEmpty();
    }));
    ClickWindow(display.Name(), trayIcon, 5, 5, 3);
    // The context menu opens at the pointer; its last entry ends the program, and Up from no
    // chosen entry wraps to it.
    ASSERT_TRUE(WaitUntil([&] {
        TypeKeys(display.Name(), {QStringLiteral("Up"), QStringLiteral("Return")});
        return run.WaitForExit(1000);
    }));
    EXPECT_EQ(run.ExitCode(), 0);
    EXPECT_EQ(SavedInt("Play", "AutoPlay"), 1);
}

TEST_F(StartupTest, SwitchesRegisterRemoveOrExitWithoutAWindow)
{
    ProgramRun exitAtOnce(display, {QStringLiteral("S")});
    ASSERT_TRUE(exitAtOnce.WaitForExit());
    EXPECT_EQ(exitAtOnce.ExitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(Applications()));
    EXPECT_FALSE(QFileInfo::exists(home.ConfigHome()));

    ProgramRun registration(display, {QStringLiteral("/S")});
    ASSERT_TRUE(registration.WaitForExit());
    const QStringList entries = QDir(Applications()).entryList(QDir::Files);
    EXPECT_EQ(entries, (QStringList{QStringLiteral("VimoPlayerCDAudioOnArrival.desktop"),
                                    QStringLiteral("VimoPlayerDVDAudioOnArrival.desktop"),
                                    QStringLiteral("VimoPlayerDVDMovieOnArrival.desktop"),
                                    QStringLiteral("VimoPlayerVideoCDOnArrival.desktop")}));
    EXPECT_TRUE(MimeApps().contains("x-content/video-dvd=VimoPlayerDVDMovieOnArrival.desktop;"));
    EXPECT_TRUE(MimeApps().contains("x-content/video-vcd=VimoPlayerVideoCDOnArrival.desktop;"));
    EXPECT_FALSE(QFile::exists(home.SettingsFile()));

    ProgramRun removal(display, {QStringLiteral("/R")});
    ASSERT_TRUE(removal.WaitForExit());
    EXPECT_TRUE(QDir(Applications()).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(MimeApps().contains("VimoPlayer"));
    EXPECT_EQ(MainWindows(display.Name()).size(), 0u);
}

// What the desktop hands over for an inserted disc (the drive, here a CD image standing for
// it; a DVD's or a Video CD's mounted folder) plays as the desktop entry's command gives it.
TEST_F(StartupTest, ADiscOfEachKindHandedOverByTheDesktopPlays)
{
    const QString cd = cd_images::Write(home.Path(), QStringLiteral("album"),
                                        {{cd_images::Seconds(20)}, {cd_images::Seconds(20)}});
    const QString videoCd = home.Path() + QStringLiteral("/vcd");
    ASSERT_TRUE(QDir().mkpath(videoCd));
    ASSERT_FALSE(media_files::MakeVideoCD(videoCd, 10.0).isEmpty());
    const QString dvd = media_files::DvdDisc();
    ASSERT_FALSE(cd.isEmpty());
    ASSERT_FALSE(dvd.isEmpty());
    const struct
    {
        const char* kind;
        QString path;
        QRegularExpression shown;
    } discs[] = {
        {"audio CD", cd, QRegularExpression(QStringLiteral("sorlin\\.display: ﾄﾗｯｸ 01 \\| 00:00:0[1-9]$"))},
        {"Video CD", videoCd, Playing(QStringLiteral("AVSEQ01"))},
        // The disc's first play shows its menu.
        {"DVD-Video", dvd, QRegularExpression(QStringLiteral("sorlin\\.display: .*Menu.* \\| 00:00:0\\d$"))},
    };
    for (const auto& disc : discs) {
        // A video's window takes the program's title too: the display tells what plays.
        ProgramRun run(display, {disc.path});
        qsizetype at = 0;
        EXPECT_TRUE(run.WaitForLine(disc.shown, &at).hasMatch()) << disc.kind << run.Output().toStdString();
        run.Signal(SIGTERM);
        ASSERT_TRUE(run.WaitForExit()) << disc.kind;
    }
}

TEST_F(StartupTest, LowerCaseSwitchIsAPathThatRuns)
{
    ProgramRun run(display, {QStringLiteral("/s")});
    ASSERT_FALSE(run.WaitForMainWindow(DefaultTitle()).isEmpty()) << run.Output().toStdString();
    EXPECT_TRUE(WaitUntil([&] { return QDir(Applications()).entryList(QDir::Files).size() == 4; }));
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 0);
}

TEST_F(StartupTest, BrokenSettingsFileGivesDefaultsAndIsReplacedWhole)
{
    static const char kGarbage[] = "\x00\xff garbage\n[Position\nW=wide\n[Play]\nAutoPlay=2\n\n";
    home.WriteFile(QStringLiteral(".config/pelmo_rin/Sorlin.conf"),
                   QByteArray(kGarbage, sizeof kGarbage - 1));
    ProgramRun run(display, {});
    const QString window = run.WaitForMainWindow(DefaultTitle());
    ASSERT_FALSE(window.isEmpty()) << run.Output().toStdString();
    EXPECT_EQ(WindowGeometry(display.Name(), window).size(), QSize(kSkinWidth, kSkinHeight));
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(SavedInt("Position", "W"), kSkinWidth);
    EXPECT_EQ(SavedInt("Play", "AutoPlay"), 0);
}

TEST_F(StartupTest, SettingsPathThatCannotBeReadOrWrittenStillRuns)
{
    ASSERT_TRUE(QDir().mkpath(home.SettingsFile()));
    ProgramRun run(display, {});
    ASSERT_FALSE(run.WaitForMainWindow(DefaultTitle()).isEmpty()) << run.Output().toStdString();
    run.Signal(SIGTERM);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_TRUE(run.ExitedNormally());
    EXPECT_EQ(run.ExitCode(), 0);
    EXPECT_TRUE(QFileInfo(home.SettingsFile()).isDir());
}

} // namespace

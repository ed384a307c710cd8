// The window on a Wayland desktop: a headless Weston of the test's own (pixman renderer, so its
// screenshots hold what it composites) with a private session bus holding a notification-area
// host (StatusNotifierWatcher), as a Wayland desktop has. Natively (the user's "-platform
// wayland") the window keeps its shape with transparent pixels outside it, its tray icon and its
// single instance; by default, on a desktop that also offers XWayland, it runs on X11.

#include "Harness.h"
#include "platform/Drives.h"
#include "support/MediaFiles.h"
#include "support/TempHome.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace e2e;

constexpr int kSkinWidth = 240;
constexpr int kSkinHeight = 150;
// The desktop's background, one colour so that the window stands out from it.
const QRgb kBackground = qRgb(0x20, 0x40, 0x60);
const QString kSocket = QStringLiteral("sorlin-e2e");

// The desktop's notification-area host as far as a tray icon goes: it keeps the items that
// register with it.
class StatusNotifierWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)
public:
    QStringList items;
    bool HostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }
    QStringList Items() const { return items; }

public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& call)
    {
        items << (service.startsWith(u'/') ? call.service() + service : service);
    }
    void RegisterStatusNotifierHost(const QString&) {}
};

class WaylandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xDisplay.IsRunning()) << "Xvfb did not start";
        ASSERT_TRUE(runtime.isValid());
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        StartBus();
        StartWeston();
    }
    void TearDown() override
    {
        for (QProcess* process : {&weston, &bus}) {
            process->kill();
            process->waitForFinished(10000);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
    }

    void StartBus()
    {
        bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                  QStringLiteral("--print-address=1")});
        ASSERT_TRUE(bus.waitForStarted(10000)) << "dbus-daemon did not start";
        ASSERT_TRUE(WaitUntil([&] { return bus.canReadLine(); }));
        busAddress = QString::fromUtf8(bus.readLine()).trimmed();
        QDBusConnection desktop = QDBusConnection::connectToBus(busAddress, QStringLiteral("desktop"));
        ASSERT_TRUE(desktop.isConnected());
        ASSERT_TRUE(
            desktop.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(desktop.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    }

    void StartWeston()
    {
        const QString config = runtime.filePath(QStringLiteral("weston.ini"));
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[core]\nidle-time=0\n[shell]\nbackground-color=0xff204060\nbackground-image=\n"
                   "panel-position=none\nlocking=false\n");
        file.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        weston.setProcessEnvironment(environment);
        weston.setProcessChannelMode(QProcess::MergedChannels);
        // --debug offers the screenshooter.
        weston.start(QStringLiteral("weston"),
                     {QStringLiteral("--config=") + config, QStringLiteral("--backend=headless-backend.so"),
                      QStringLiteral("--use-pixman"), QStringLiteral("--socket=") + kSocket,
                      QStringLiteral("--debug"), QStringLiteral("--width=800"),
                      QStringLiteral("--height=600")});
        ASSERT_TRUE(weston.waitForStarted(10000)) << "weston did not start";
        // The desktop is up when its background shows.
        ASSERT_TRUE(WaitUntil([&] {
            const QImage shot = Screenshot();
            return !shot.isNull() && shot.pixel(400, 300) == kBackground;
        })) << weston.readAll().toStdString();
    }

    // What the compositor shows now.
    QImage Screenshot()
    {
        QTemporaryDir folder;
        QProcess shooter;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), kSocket);
        shooter.setProcessEnvironment(environment);
        shooter.setWorkingDirectory(folder.path());
        shooter.start(QStringLiteral("weston-screenshooter"), {});
        if (!shooter.waitForFinished(10000)) {
            shooter.kill();
            shooter.waitForFinished(2000);
            return {};
        }
        const QStringList pictures = QDir(folder.path()).entryList({QStringLiteral("*.png")});
        return pictures.isEmpty() ? QImage() : QImage(folder.filePath(pictures.front()));
    }

    // What the program is started with: the Wayland desktop with XWayland (the X display), the
    // desktop's bus, and what the user chose besides.
    QStringList Desktop(const QStringList& choice) const
    {
        return QStringList{QStringLiteral("WAYLAND_DISPLAY=") + kSocket,
                           QStringLiteral("XDG_RUNTIME_DIR=") + runtime.path(),
                           QStringLiteral("XDG_SESSION_TYPE=wayland"),
                           QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + busAddress,
                           QStringLiteral("QT_QPA_PLATFORM=")} +
               choice;
    }

    // The part of `shot` that is not the desktop's background.
    static QRect Drawn(const QImage& shot)
    {
        QRect drawn;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixel(x, y) != kBackground)
                    drawn |= QRect(x, y, 1, 1);
        return drawn;
    }

    TempHome home;
    VirtualDisplay xDisplay{false};
    QTemporaryDir runtime;
    QProcess bus;
    QString busAddress;
    StatusNotifierWatcher watcher;
    QProcess weston;
};

const QRegularExpression kClockShown(QStringLiteral("sorlin\\.display: \\d{4}年"));

TEST_F(WaylandTest, NativelyTheShapeTheTrayAndTheSingleInstanceWork)
{
    ProgramRun first(xDisplay, {QStringLiteral("-platform"), QStringLiteral("wayland")}, Desktop({}));
    qsizetype at = 0;
    ASSERT_TRUE(first.WaitForLine(kClockShown, &at).hasMatch()) << first.Output().toStdString();
    EXPECT_TRUE(MainWindows(xDisplay.Name()).empty()) << "the window is the compositor's, not X11's";

    // The compositor shows the skin at its size, and the desktop through the rounded corners.
    QImage shot;
    ASSERT_TRUE(WaitUntil([&] {
        shot = Screenshot();
        return !shot.isNull() && Drawn(shot).size() == QSize(kSkinWidth, kSkinHeight);
    })) << "drawn: "
        << Drawn(shot).width() << "x" << Drawn(shot).height();
    const QRect window = Drawn(shot);
    EXPECT_EQ(shot.pixel(window.topLeft() + QPoint(1, 1)), kBackground) << "outside the shape";
    EXPECT_EQ(shot.pixel(window.bottomRight() - QPoint(1, 1)), kBackground);
    EXPECT_NE(shot.pixel(window.center()), kBackground);
    EXPECT_NE(shot.pixel(window.left() + 1, window.center().y()), kBackground)
        << "inside the shape at its edge";

    // The notification-area icon registers with the desktop's host.
    EXPECT_TRUE(WaitUntil([&] { return !watcher.items.isEmpty(); })) << first.Output().toStdString();

    // A second start hands its file to the first window and ends.
    const QString song = media_files::MakeTone(home.Path(), QStringLiteral("ogg"), 30.0);
    ASSERT_FALSE(song.isEmpty());
    ProgramRun second(xDisplay, {QStringLiteral("-platform"), QStringLiteral("wayland"), song}, Desktop({}));
    ASSERT_TRUE(second.WaitForExit()) << second.Output().toStdString();
    EXPECT_EQ(second.ExitCode(), 0);
    EXPECT_TRUE(
        first
            .WaitForLine(QRegularExpression(QStringLiteral("sorlin\\.display: .*\\btone \\| 00:00:0\\d$")),
                         &at)
            .hasMatch())
        << first.Output().toStdString();
    EXPECT_TRUE(Terminate(first));
}

TEST_F(WaylandTest, ByDefaultTheWindowRunsThroughXWaylandWhereItsShapeIsKept)
{
    ProgramRun run(xDisplay, {}, Desktop({}));
    const QString title =
        QStringLiteral("Vimoﾌﾟﾚｰﾔ - ") + platform::DriveTable::FromSystem().FirstOpticalDrive();
    const QString window = run.WaitForMainWindow(title);
    ASSERT_FALSE(window.isEmpty()) << run.Output().toStdString();
    EXPECT_EQ(WindowGeometry(xDisplay.Name(), window).size(), QSize(kSkinWidth, kSkinHeight));
    EXPECT_TRUE(ShapeHas(xDisplay.Name(), window, kSkinWidth / 2, kSkinHeight / 2));
    EXPECT_FALSE(ShapeHas(xDisplay.Name(), window, 1, 1)) << "the rounded corner";
    EXPECT_EQ(Drawn(Screenshot()), QRect()) << "nothing of it on the compositor";
    EXPECT_TRUE(Terminate(run));
}

} // namespace

#include "WaylandE2eTest.moc"

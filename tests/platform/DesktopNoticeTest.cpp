// Desktop notices on a private session bus of the test's own (dbus-daemon), with a notification
// server that records what it is told, standing in for the desktop's.

#include "platform/DesktopNotice.h"
#include "support/Wait.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The desktop's notification server as far as the notices go: it keeps what it is told.
class RecordingServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice
    {
        QString application, icon, summary, body;
        QVariantMap hints;
        int timeout = 0;
    };
    std::vector<Notice> notices;

    // Takes the notices without ever answering, as a server that hangs would.
    bool answers = true;

public slots:
    uint Notify(const QString& application, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int timeout,
                const QDBusMessage& call)
    {
        notices.push_back({application, icon, summary, body, hints, timeout});
        if (!answers)
            call.setDelayedReply(true);
        return static_cast<uint>(notices.size());
    }
};

class DesktopNoticeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted(10000)) << "dbus-daemon did not start";
        ASSERT_TRUE(testsupport::WaitUntil([&] { return daemon.canReadLine(); }, 10000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        // The program's notices go to the session bus: this one.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    }
    void TearDown() override
    {
        daemon.kill();
        daemon.waitForFinished(10000);
    }

    QProcess daemon;
    QString address;
};

TEST_F(DesktopNoticeTest, TheNoticeReachesTheDesktopsServerWithItsHeadingTextAndEntry)
{
    QDBusConnection server = QDBusConnection::connectToBus(address, QStringLiteral("server"));
    ASSERT_TRUE(server.isConnected());
    RecordingServer recorder;
    ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
                                      QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

    platform::ShowDesktopNotice({QStringLiteral("Sorlin"), QStringLiteral("org.sorlin.Sorlin"),
                                 QStringLiteral("タイマー"),
                                 QStringLiteral("予約の時刻になりました: 朝の歌.mp3")});
    ASSERT_TRUE(testsupport::WaitUntil([&] { return !recorder.notices.empty(); }, 10000));
    ASSERT_EQ(recorder.notices.size(), 1u);
    const RecordingServer::Notice& notice = recorder.notices.front();
    EXPECT_EQ(notice.application, QStringLiteral("Sorlin"));
    EXPECT_EQ(notice.summary, QStringLiteral("タイマー"));
    EXPECT_EQ(notice.body, QStringLiteral("予約の時刻になりました: 朝の歌.mp3"));
    EXPECT_EQ(notice.hints.value(QStringLiteral("desktop-entry")).toString(),
              QStringLiteral("org.sorlin.Sorlin"));
    EXPECT_EQ(notice.timeout, -1) << "the server's own display time";
    server.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("server"));
}

TEST_F(DesktopNoticeTest, AServerThatNeverAnswersDoesNotHoldTheWindow)
{
    QDBusConnection server = QDBusConnection::connectToBus(address, QStringLiteral("server"));
    ASSERT_TRUE(server.isConnected());
    RecordingServer recorder;
    recorder.answers = false;
    ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
                                      QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));

    // A call that waited for the answer would wait the bus's 25 s each time.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 3; ++i)
        platform::ShowDesktopNotice({QStringLiteral("Sorlin"), QStringLiteral("org.sorlin.Sorlin"),
                                     QStringLiteral("アラーム"),
                                     QStringLiteral("カウントダウンが終わりました")});
    EXPECT_LT(clock.elapsed(), 20000);
    EXPECT_TRUE(testsupport::WaitUntil([&] { return recorder.notices.size() == 3; }, 10000));
    QDBusConnection::disconnectFromBus(QStringLiteral("server"));
}

} // namespace

#include "DesktopNoticeTest.moc"

#include "platform/SingleInstance.h"

#include "TestSupport.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QtEndian>

#include <gtest/gtest.h>

#include <atomic>
#include <linux/sockios.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace platform;
using testsupport::WaitUntil;

// Hands `text` over from another thread while this one runs the event loop the server needs.
bool HandOverWhileServing(const QString& title, const QString& text)
{
    std::atomic<bool> done = false;
    bool result = false;
    std::thread client([&] {
        result = HandOverToInstance(title, text, 5000);
        done = true;
    });
    const bool finished = WaitUntil([&] { return done.load(); }, 15000);
    client.join();
    return finished && result;
}

QByteArray Frame(quint32 length)
{
    QByteArray header(4, '\0');
    qToBigEndian<quint32>(length, header.data());
    return header;
}

class SingleInstanceTest : public testing::Test
{
protected:
    TempHome home;
    const QString title = QStringLiteral("Sorlin - test");
};

TEST_F(SingleInstanceTest, HandOverDeliversTheExactText)
{
    InstanceServer server;
    ASSERT_TRUE(server.Listen(title));
    QSignalSpy received(&server, &InstanceServer::TextReceived);
    const QString texts[] = {
        QStringLiteral("/music/a.mp3"), QStringLiteral("/音楽/日本語の曲 ♪.mp3\n\"quoted\" /play"), QString(),
        QString(20000, u'あ'), // 60000 bytes of UTF-8, just below the limit
    };
    for (const QString& text : texts) {
        received.clear();
        ASSERT_TRUE(HandOverWhileServing(title, text)) << text.left(40).toStdString();
        ASSERT_TRUE(WaitUntil([&] { return received.size() == 1; }));
        EXPECT_EQ(received[0][0].toString(), text);
    }
}

TEST_F(SingleInstanceTest, NobodyListeningMeansNoHandOver)
{
    EXPECT_FALSE(HandOverToInstance(title, QStringLiteral("x"), 5000));
    InstanceServer other;
    ASSERT_TRUE(other.Listen(QStringLiteral("Another title")));
    EXPECT_FALSE(HandOverWhileServing(title, QStringLiteral("x")));
}

TEST_F(SingleInstanceTest, ASecondListenForALiveTitleFails)
{
    InstanceServer first;
    ASSERT_TRUE(first.Listen(title));
    QSignalSpy received(&first, &InstanceServer::TextReceived);
    {
        InstanceServer second;
        EXPECT_FALSE(second.Listen(title));
    }
    // The first window still answers.
    ASSERT_TRUE(HandOverWhileServing(title, QStringLiteral("still here")));
    ASSERT_TRUE(WaitUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(received[0][0].toString(), u"still here");
}

TEST_F(SingleInstanceTest, ASocketLeftByACrashedWindowIsTakenOver)
{
    const QString path = InstanceSocketPath(title);
    for (const bool deadSocket : {false, true}) {
        SCOPED_TRACE(deadSocket ? "dead socket" : "plain file");
        QFile::remove(path);
        if (deadSocket) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ASSERT_GE(fd, 0);
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(path);
            ASSERT_LT(size_t(name.size()), sizeof(address.sun_path));
            memcpy(address.sun_path, name.constData(), size_t(name.size()));
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
            ::close(fd); // never listened on, and nobody removes it
        } else {
            ASSERT_FALSE(testsupport::WriteFile(path, "left over").isEmpty());
        }
        ASSERT_TRUE(QFile::exists(path));

        InstanceServer server;
        ASSERT_TRUE(server.Listen(title));
        QSignalSpy received(&server, &InstanceServer::TextReceived);
        ASSERT_TRUE(HandOverWhileServing(title, QStringLiteral("after crash")));
        ASSERT_TRUE(WaitUntil([&] { return received.size() == 1; }));
    }
}

TEST_F(SingleInstanceTest, TheSocketIsTheUsersAloneAndGoesWithTheServer)
{
    const QString path = InstanceSocketPath(title);
    const QByteArray name = QFile::encodeName(path);
    {
        InstanceServer server;
        ASSERT_TRUE(server.Listen(title));
        struct stat status = {};
        ASSERT_EQ(::lstat(name.constData(), &status), 0);
        EXPECT_TRUE(S_ISSOCK(status.st_mode));
        EXPECT_EQ(status.st_mode & 077, 0u);
        // Nothing of the making is left beside it.
        const QStringList beside = QDir(QFileInfo(path).absolutePath())
                                       .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString& entry : beside)
            EXPECT_FALSE(entry.startsWith(QStringLiteral(".sorlin-"))) << entry.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    // Another server's socket at the path stays when an earlier server ends.
    auto first = std::make_unique<InstanceServer>();
    ASSERT_TRUE(first->Listen(title));
    ASSERT_TRUE(QFile::remove(path)); // as if gone, and then another window came
    InstanceServer second;
    ASSERT_TRUE(second.Listen(title));
    first.reset();
    EXPECT_TRUE(QFileInfo::exists(path));
    QSignalSpy received(&second, &InstanceServer::TextReceived);
    ASSERT_TRUE(HandOverWhileServing(title, QStringLiteral("second")));
    ASSERT_TRUE(WaitUntil([&] { return received.size() == 1; }));
}

// How much of what `peer` has sent the other end has not read yet (0 once it has read it all);
// -1 when unknown.
int UnreadByTheServer(const QLocalSocket& peer)
{
    int unread = -1;
    return ::ioctl(static_cast<int>(peer.socketDescriptor()), SIOCOUTQ, &unread) == 0 ? unread : -1;
}

TEST_F(SingleInstanceTest, AMessageInPiecesArrivesWhole)
{
    InstanceServer server;
    ASSERT_TRUE(server.Listen(title));
    QSignalSpy received(&server, &InstanceServer::TextReceived);
    const QByteArray text = QStringLiteral("/音楽/曲.mp3").toUtf8();

    QLocalSocket peer;
    peer.connectToServer(InstanceSocketPath(title));
    ASSERT_TRUE(WaitUntil([&] { return peer.state() == QLocalSocket::ConnectedState; }));
    QSignalSpy answered(&peer, &QLocalSocket::readyRead);
    for (const QByteArray& piece : {Frame(quint32(text.size())).left(2),
                                    Frame(quint32(text.size())).mid(2) + text.left(4), text.mid(4)}) {
        peer.write(piece);
        peer.flush();
        ASSERT_TRUE(WaitUntil([&] { return peer.bytesToWrite() == 0; }));
        // The server reads each piece before the next is sent.
        ASSERT_TRUE(WaitUntil([&] { return UnreadByTheServer(peer) == 0; }));
    }
    ASSERT_TRUE(WaitUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(received[0][0].toString(), QString::fromUtf8(text));
    ASSERT_TRUE(WaitUntil([&] { return peer.bytesAvailable() > 0; }));
    EXPECT_EQ(peer.readAll(), "A");
}

TEST_F(SingleInstanceTest, APeerAnnouncingTooMuchIsDropped)
{
    InstanceServer server;
    ASSERT_TRUE(server.Listen(title));
    QSignalSpy received(&server, &InstanceServer::TextReceived);
    // One byte over the limit, sent in full, and a length no peer could ever send.
    const QByteArray overLimit(64 * 1024 + 1, 'x');
    for (const QByteArray& message :
         {Frame(quint32(overLimit.size())) + overLimit, Frame(0xFFFFFFFF) + QByteArray("some text")}) {
        QLocalSocket peer;
        peer.connectToServer(InstanceSocketPath(title));
        ASSERT_TRUE(WaitUntil([&] { return peer.state() == QLocalSocket::ConnectedState; }));
        peer.write(message);
        ASSERT_TRUE(WaitUntil([&] { return peer.state() == QLocalSocket::UnconnectedState; }));
        EXPECT_EQ(peer.readAll(), QByteArray()); // no acknowledgement
    }
    EXPECT_EQ(received.size(), 0);
    // The server goes on answering.
    ASSERT_TRUE(HandOverWhileServing(title, QStringLiteral("next")));
    ASSERT_TRUE(WaitUntil([&] { return received.size() == 1; }));
}

} // namespace

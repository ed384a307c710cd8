#include "SingleInstance.h"

#include "Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

// A hand-over is a 32-bit big-endian length and that many bytes of UTF-8 text; the receiver
// answers one byte once it has taken it.
constexpr qint64 kMaxTextBytes = 64 * 1024;
constexpr char kAcknowledge = 'A';
constexpr int kReadTimeoutMs = 5000;

// An advisory lock on a file, held for the object's life. The system drops it when the
// process ends, so a crashed program never leaves it behind; unlike QLockFile it does not
// flush anything to disk on the way to the first window.
class FileLock
{
public:
    FileLock(const QString& path, int timeoutMs)
        : fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (fd < 0)
            return;
        for (int waited = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0 && waited < timeoutMs; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~FileLock()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd;
};

} // namespace

QString InstanceSocketPath(const QString& title)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray hash =
        QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return folder + QStringLiteral("/sorlin-") + QString::fromLatin1(hash);
}

bool HandOverToInstance(const QString& title, const QString& text, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(InstanceSocketPath(title));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray payload = text.toUtf8();
    if (payload.size() > kMaxTextBytes)
        payload.truncate(kMaxTextBytes);
    QByteArray frame(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), frame.data());
    socket.write(frame + payload);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.read(1) == QByteArray(1, kAcknowledge);
}

bool HandOverOrListen(const QString& title, const QString& text, InstanceServer& server)
{
    const FileLock lock(InstanceSocketPath(title) + QStringLiteral(".lock"), 10000);
    if (HandOverToInstance(title, text))
        return true;
    if (!server.Listen(title))
        qCWarning(lcPlatform) << "cannot answer for other instances of" << title;
    return false;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen(const QString& title)
{
    const QString path = InstanceSocketPath(title);
    // Only a socket nobody answers on may be taken over. Ask before listening: with access
    // options set, listen() puts its new socket in place of whatever is at the path, a live
    // window's socket included.
    {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(500))
            return false;
    }
    QLocalServer::removeServer(path);
    server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path))
        return false;
    connect(server.get(), &QLocalServer::newConnection, this, &InstanceServer::OnNewConnection);
    return true;
}

void InstanceServer::OnNewConnection()
{
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that never completes its message is dropped.
        QTimer::singleShot(kReadTimeoutMs, socket, [socket] { socket->abort(); });
    }
}

void InstanceServer::OnReadyRead(QLocalSocket* socket)
{
    if (socket->property("done").toBool())
        return;
    if (socket->bytesAvailable() < 4)
        return;
    uchar header[4];
    socket->peek(reinterpret_cast<char*>(header), 4);
    const quint32 length = qFromBigEndian<quint32>(header);
    if (length > kMaxTextBytes) {
        qCWarning(lcPlatform) << "instance hand-over too long, dropped";
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < 4 + static_cast<qint64>(length))
        return;
    socket->read(4);
    const QString text = QString::fromUtf8(socket->read(length));
    socket->setProperty("done", true);
    socket->write(QByteArray(1, kAcknowledge));
    socket->flush();
    emit TextReceived(text);
}

} // namespace platform

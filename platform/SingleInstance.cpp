#include "SingleInstance.h"

#include "Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

// A hand-over is a 32-bit big-endian length and that many bytes of UTF-8 text; the receiver
// answers one byte once it has taken it.
constexpr qint64 kMaxTextBytes = 64 * 1024;
constexpr char kAcknowledge = 'A';
constexpr int kReadTimeoutMs = 5000;
constexpr int kProbeTimeoutMs = 500;
constexpr int kBacklog = 50;

using Clock = std::chrono::steady_clock;

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

// A socket descriptor, closed with the object.
class Socket
{
public:
    explicit Socket(int descriptor = -1) : fd(descriptor) {}
    ~Socket()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Get() const { return fd; }
    int Release() { return std::exchange(fd, -1); }

private:
    int fd;
};

// The address for `path`; false when the path does not fit in one.
bool MakeAddress(const QByteArray& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

// Milliseconds left until `deadline`, never below zero.
int MsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until `deadline`; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, MsLeft(deadline));
        if (ready > 0)
            return (entry.revents & events) != 0;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

// A non-blocking connection to the socket at `path`, or -1 when nobody answers there in time.
int Connect(const QString& path, Clock::time_point deadline)
{
    sockaddr_un address;
    if (!MakeAddress(QFile::encodeName(path), address))
        return -1;
    Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.Get() < 0)
        return -1;
    for (;;) {
        if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return socket.Release();
        if (errno == EINTR)
            continue;
        // A full backlog: the listener is alive but busy.
        if (errno == EAGAIN && MsLeft(deadline) > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10, MsLeft(deadline))));
            continue;
        }
        if (errno == EINPROGRESS && WaitFor(socket.Get(), POLLOUT, deadline)) {
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                return socket.Release();
        }
        return -1;
    }
}

bool SendAll(int fd, const QByteArray& bytes, Clock::time_point deadline)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = ::send(fd, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent),
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count > 0) {
            sent += count;
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(fd, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

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
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const Socket socket(Connect(InstanceSocketPath(title), deadline));
    if (socket.Get() < 0)
        return false;
    QByteArray payload = text.toUtf8();
    if (payload.size() > kMaxTextBytes)
        payload.truncate(kMaxTextBytes);
    QByteArray frame(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), frame.data());
    if (!SendAll(socket.Get(), frame + payload, deadline))
        return false;
    for (;;) {
        char answer = 0;
        const ssize_t count = ::recv(socket.Get(), &answer, 1, MSG_DONTWAIT);
        if (count == 1)
            return answer == kAcknowledge;
        if (count < 0 && errno == EINTR)
            continue;
        if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) ||
            !WaitFor(socket.Get(), POLLIN, deadline))
            return false;
    }
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

// One connected peer: what it sent so far, and whether its text has been taken.
struct InstanceServer::Peer
{
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    QByteArray received;
    bool done = false;

    ~Peer()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer()
{
    Close();
}

void InstanceServer::Close()
{
    peers.clear();
    listenNotifier.reset();
    if (listener >= 0) {
        ::close(listener);
        listener = -1;
        // The socket goes with the window, unless another window has put its own in its place.
        struct stat status = {};
        const QByteArray path = QFile::encodeName(socketPath);
        if (::lstat(path.constData(), &status) == 0 && S_ISSOCK(status.st_mode) &&
            status.st_ino == socketInode)
            ::unlink(path.constData());
    }
    socketPath.clear();
    socketInode = 0;
}

bool InstanceServer::Listen(const QString& title)
{
    Close();
    const QString path = InstanceSocketPath(title);
    // Only a socket nobody answers on may be taken over.
    {
        const Socket probe(Connect(path, Clock::now() + std::chrono::milliseconds(kProbeTimeoutMs)));
        if (probe.Get() >= 0)
            return false;
    }
    const QByteArray target = QFile::encodeName(path);
    sockaddr_un address;
    if (!MakeAddress(target, address))
        return false;
    // The socket is made in a private folder beside its place, closed to other users, and
    // then renamed into place: nobody can reach it before its permissions are set.
    QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath()) + "/.sorlin-XXXXXX";
    if (!::mkdtemp(folder.data()))
        return false;
    const QByteArray made = folder + "/s";
    sockaddr_un madeAddress;
    Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    bool ok =
        MakeAddress(made, madeAddress) && socket.Get() >= 0 &&
        ::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&madeAddress), sizeof madeAddress) == 0 &&
        ::listen(socket.Get(), kBacklog) == 0 && ::chmod(made.constData(), 0600) == 0;
    struct stat status = {};
    ok = ok && ::stat(made.constData(), &status) == 0 && ::rename(made.constData(), target.constData()) == 0;
    ::unlink(made.constData());
    ::rmdir(folder.constData());
    if (!ok)
        return false;
    listener = socket.Release();
    socketPath = path;
    socketInode = status.st_ino;
    listenNotifier = std::make_unique<QSocketNotifier>(listener, QSocketNotifier::Read);
    connect(listenNotifier.get(), &QSocketNotifier::activated, this, &InstanceServer::OnNewConnection);
    return true;
}

void InstanceServer::OnNewConnection()
{
    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        const quint64 id = nextPeer++;
        auto peer = std::make_unique<Peer>();
        peer->fd = fd;
        peer->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(peer->notifier.get(), &QSocketNotifier::activated, this, [this, id] { OnReadyRead(id); });
        peers.emplace(id, std::move(peer));
        // A peer that never completes its message is dropped.
        QTimer::singleShot(kReadTimeoutMs, this, [this, id] { Drop(id); });
    }
}

void InstanceServer::OnReadyRead(quint64 id)
{
    const auto found = peers.find(id);
    if (found == peers.end() || found->second->fd < 0)
        return;
    Peer& peer = *found->second;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::recv(peer.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count > 0) {
            // Whatever follows a taken text is not looked at.
            if (!peer.done)
                peer.received.append(buffer, count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            Drop(id); // the peer has gone, or the connection broke
            return;
        }
        if (peer.done || peer.received.size() < 4)
            continue;
        const quint32 length = qFromBigEndian<quint32>(peer.received.constData());
        if (length > kMaxTextBytes) {
            qCWarning(lcPlatform) << "instance hand-over too long, dropped";
            Drop(id);
            return;
        }
        if (peer.received.size() < 4 + static_cast<qint64>(length))
            continue;
        const QString text = QString::fromUtf8(peer.received.constData() + 4, length);
        peer.done = true;
        peer.received.clear();
        const char answer = kAcknowledge;
        (void)::send(peer.fd, &answer, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        emit TextReceived(text);
        return;
    }
}

void InstanceServer::Drop(quint64 id)
{
    const auto found = peers.find(id);
    if (found == peers.end() || found->second->fd < 0)
        return;
    Peer& peer = *found->second;
    peer.notifier->setEnabled(false);
    ::close(std::exchange(peer.fd, -1));
    QTimer::singleShot(0, this, [this, id] { peers.erase(id); });
}

} // namespace platform

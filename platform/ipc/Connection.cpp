#include "Connection.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::ipc {

namespace {

constexpr int kMaxDescriptorsPerRead = 8;
constexpr qsizetype kReadBlock = 64 * 1024;
// Received descriptors not yet taken by the messages that announce them: only frame buffers
// carry one, so a peer that sends more is broken.
constexpr size_t kMaxQueuedDescriptors = 4;
// What one wake-up reads at most; the socket tells again while more waits, so a peer that
// writes without end cannot keep the thread reading.
constexpr qsizetype kMaxReadPerWakeup = 1024 * 1024;

void CloseDescriptor(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

} // namespace

Connection::Connection(int socket, QObject* parent) : QObject(parent), fd(socket)
{
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &Connection::OnReadable);
    writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, &Connection::OnWritable);
}

Connection::~Connection()
{
    Close();
}

void Connection::Close()
{
    if (fd < 0)
        return;
    readNotifier->setEnabled(false);
    writeNotifier->setEnabled(false);
    ::close(fd);
    fd = -1;
    for (int received : descriptors)
        CloseDescriptor(received);
    descriptors.clear();
    for (Chunk& chunk : output)
        CloseDescriptor(chunk.fd);
    output.clear();
}

void Connection::Fail(const QString& reason, bool peerClosed)
{
    if (fd < 0)
        return;
    Close();
    emit Closed(reason, peerClosed);
}

bool Connection::Send(const QByteArray& message, int attach)
{
    if (fd < 0)
        return false;
    Chunk chunk;
    chunk.bytes.resize(4 + message.size());
    qToBigEndian<quint32>(static_cast<quint32>(message.size()), chunk.bytes.data());
    std::memcpy(chunk.bytes.data() + 4, message.constData(), static_cast<size_t>(message.size()));
    if (attach >= 0)
        chunk.fd = ::fcntl(attach, F_DUPFD_CLOEXEC, 3);
    output.push_back(std::move(chunk));
    if (output.size() == 1 && !WriteQueued())
        return false;
    return fd >= 0;
}

bool Connection::WriteQueued()
{
    while (!output.empty()) {
        Chunk& chunk = output.front();
        iovec data{chunk.bytes.data() + chunk.sent, static_cast<size_t>(chunk.bytes.size() - chunk.sent)};
        msghdr header{};
        header.msg_iov = &data;
        header.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        if (chunk.fd >= 0 && chunk.sent == 0) {
            std::memset(control, 0, sizeof control);
            header.msg_control = control;
            header.msg_controllen = sizeof control;
            cmsghdr* message = CMSG_FIRSTHDR(&header);
            message->cmsg_level = SOL_SOCKET;
            message->cmsg_type = SCM_RIGHTS;
            message->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(message), &chunk.fd, sizeof(int));
        }
        const ssize_t written = ::sendmsg(fd, &header, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                writeNotifier->setEnabled(true);
                return true;
            }
            Fail(QStringLiteral("the connection could not be written: %1")
                     .arg(QString::fromLocal8Bit(strerror(errno))));
            return false;
        }
        if (chunk.fd >= 0) {
            // The descriptor went with the first byte.
            CloseDescriptor(chunk.fd);
            chunk.fd = -1;
        }
        chunk.sent += written;
        if (chunk.sent == chunk.bytes.size())
            output.pop_front();
    }
    writeNotifier->setEnabled(false);
    return true;
}

void Connection::OnWritable()
{
    WriteQueued();
}

void Connection::Flush(int timeoutMs)
{
    while (fd >= 0 && !output.empty()) {
        pollfd wait{fd, POLLOUT, 0};
        if (::poll(&wait, 1, timeoutMs) <= 0)
            return;
        WriteQueued();
    }
}

int Connection::TakeDescriptor()
{
    if (descriptors.empty())
        return -1;
    const int taken = descriptors.front();
    descriptors.pop_front();
    return taken;
}

void Connection::OnReadable()
{
    QPointer<Connection> self(this);
    bool peerClosed = false;
    for (qsizetype readNow = 0; readNow < kMaxReadPerWakeup;) {
        const qsizetype before = input.size();
        input.resize(before + kReadBlock);
        iovec data{input.data() + before, static_cast<size_t>(kReadBlock)};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxDescriptorsPerRead)];
        msghdr header{};
        header.msg_iov = &data;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        const ssize_t got = ::recvmsg(fd, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        input.resize(before + std::max<ssize_t>(got, 0));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (got < 0) {
            Fail(QStringLiteral("the connection could not be read: %1")
                     .arg(QString::fromLocal8Bit(strerror(errno))));
            return;
        }
        for (cmsghdr* message = CMSG_FIRSTHDR(&header); message; message = CMSG_NXTHDR(&header, message)) {
            if (message->cmsg_level != SOL_SOCKET || message->cmsg_type != SCM_RIGHTS)
                continue;
            const size_t count = (message->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (size_t i = 0; i < count; ++i) {
                int received = -1;
                std::memcpy(&received, CMSG_DATA(message) + i * sizeof(int), sizeof(int));
                descriptors.push_back(received);
            }
        }
        if ((header.msg_flags & MSG_CTRUNC) || descriptors.size() > kMaxQueuedDescriptors) {
            Fail(QStringLiteral("the peer sent more descriptors than its messages carry"));
            return;
        }
        if (got == 0) {
            peerClosed = true;
            break;
        }
        readNow += got;
        // A length past the limit is refused before its body is read.
        if (input.size() - inputStart >= 4 &&
            qFromBigEndian<quint32>(input.constData() + inputStart) > kMaxMessage) {
            Fail(QStringLiteral("the peer announced a message of %1 bytes")
                     .arg(qFromBigEndian<quint32>(input.constData() + inputStart)));
            return;
        }
    }
    // Whole messages are handed on; a handler may close or destroy this connection.
    while (self && fd >= 0 && input.size() - inputStart >= 4) {
        const auto length = qFromBigEndian<quint32>(input.constData() + inputStart);
        if (length > kMaxMessage) {
            Fail(QStringLiteral("the peer announced a message of %1 bytes").arg(length));
            return;
        }
        if (input.size() - inputStart < 4 + static_cast<qsizetype>(length))
            break;
        const QByteArray message = input.mid(inputStart + 4, length);
        inputStart += 4 + length;
        emit Received(message);
    }
    if (!self)
        return;
    if (inputStart > 0) {
        input.remove(0, inputStart);
        inputStart = 0;
    }
    if (peerClosed)
        Fail(input.isEmpty() ? QStringLiteral("the peer closed the connection")
                             : QStringLiteral("the peer closed the connection in the middle of a message"),
             true);
}

} // namespace platform::ipc

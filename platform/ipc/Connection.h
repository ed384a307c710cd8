#pragma once
// One end of the local stream socket between the window process and the media process: whole
// messages in and out, each framed by its length, with file descriptors passed alongside
// (shared memory for video frames). Never blocks: what the socket does not take at once is
// written when it can take it.
//
// Lives on the thread whose event loop watches it (the UI thread, on either side). A peer that
// goes away, a read or write error or a message past the size limit closes the connection and
// is reported once through Closed().

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>

class QSocketNotifier;

namespace platform::ipc {

class Connection : public QObject
{
    Q_OBJECT
public:
    // No message is larger: a peer that announces more is broken.
    static constexpr quint32 kMaxMessage = 16 * 1024 * 1024;

    // Takes over `fd`, a connected stream socket, and makes it non-blocking.
    explicit Connection(int fd, QObject* parent = nullptr);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Queues `message` for the peer, with a duplicate of `fd` when it is not -1 (the caller keeps
    // its own). False once the connection is closed.
    bool Send(const QByteArray& message, int fd = -1);
    // The oldest descriptor received with the messages read so far and not yet taken, -1 when
    // none; the caller owns it. A message that announces a descriptor finds it here.
    int TakeDescriptor();
    bool IsOpen() const { return fd >= 0; }
    // Closes the socket without reporting it.
    void Close();
    // Writes what is queued, waiting at most `timeoutMs` for the socket to take it.
    void Flush(int timeoutMs);

signals:
    void Received(const QByteArray& message);
    // `peerClosed`: the peer closed its end (usually on its way out), rather than broke the
    // protocol or the socket failed.
    void Closed(const QString& reason, bool peerClosed);

private:
    struct Chunk
    {
        QByteArray bytes;
        qsizetype sent = 0;
        int fd = -1; // goes with the first byte
    };

    void OnReadable();
    void OnWritable();
    bool WriteQueued();
    void Fail(const QString& reason, bool peerClosed = false);

    int fd = -1;
    QSocketNotifier* readNotifier = nullptr;
    QSocketNotifier* writeNotifier = nullptr;
    QByteArray input;
    qsizetype inputStart = 0;
    std::deque<int> descriptors;
    std::deque<Chunk> output;
};

} // namespace platform::ipc

#pragma once
// One running window per title. The window listens on a local socket named after its title
// in the user's runtime folder; a second start with the same title hands its text over to it
// and the running window receives it as TextReceived. Plain Unix sockets: Qt's network
// library and the libraries it pulls in would cost every start about 1.7 MiB and their
// loading time for this one socket.

#include <QObject>
#include <QString>

#include <QtGlobal>

#include <map>
#include <memory>
#include <sys/types.h>

class QSocketNotifier;

namespace platform {

// The socket path that stands for a window titled `title`.
QString InstanceSocketPath(const QString& title);

// Hands `text` to the running window titled `title` and waits (at most `timeoutMs`) until it
// has taken it. False when no such window answers.
bool HandOverToInstance(const QString& title, const QString& text, int timeoutMs = 3000);

class InstanceServer;

// The start-up check in one step: when a window titled `title` runs, hands `text` to it and
// returns true; otherwise makes `server` answer for the title and returns false. A lock keeps
// two programs starting at the same moment from both taking the title.
bool HandOverOrListen(const QString& title, const QString& text, InstanceServer& server);

class InstanceServer : public QObject
{
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;

    // Starts answering for `title`. A socket left behind by a crashed window is replaced;
    // false when another live window holds the title or the socket cannot be made.
    bool Listen(const QString& title);

signals:
    void TextReceived(const QString& text);

private:
    struct Peer;

    void Close();
    void OnNewConnection();
    void OnReadyRead(quint64 id);
    // Closes the connection at once; the peer's bookkeeping goes on the next pass of the loop,
    // since this may run inside its own notifier's signal.
    void Drop(quint64 id);

    int listener = -1;
    std::unique_ptr<QSocketNotifier> listenNotifier;
    QString socketPath;
    ino_t socketInode = 0;
    quint64 nextPeer = 1;
    std::map<quint64, std::unique_ptr<Peer>> peers;
};

} // namespace platform

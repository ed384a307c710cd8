#pragma once
// The media process's side of the connection: carries out the window's requests on the
// graphs, the DVD reader and the MCI interpreter one at a time, in the order they come, and
// sends their answers and the events they raise; the archive requests go to threads of their
// own (ThreadedWork.h). UI thread of the media process.

#include "ThreadedWork.h"
#include "GraphServant.h"
#include "platform/ipc/Connection.h"
#include "platform/ipc/MediaProtocol.h"

#include <QObject>

#include <map>
#include <memory>

namespace mediahost {

class MediaServer : public QObject
{
public:
    // Serves the window over `socket` (a connected stream socket, taken over) and greets it.
    // `onClosed` runs when the window goes away.
    MediaServer(int socket, std::function<void(const QString&)> onClosed);
    ~MediaServer() override;

private:
    void OnMessage(const QByteArray& message);
    QByteArray Answer(platform::ipc::Op op, quint32 handle, const QByteArray& arguments);
    QByteArray AnswerGraph(platform::ipc::Op op, GraphServant& servant, const QByteArray& arguments);
    QByteArray AnswerDvd(platform::ipc::Op op, platform::DvdGraph& dvd, const QByteArray& arguments);
    void OnNote(platform::ipc::Op op, quint32 handle, const QByteArray& arguments);
    void SendEvent(platform::ipc::EventKind kind, quint32 handle, const QByteArray& arguments, int fd = -1);
    QObject* NotifyTarget(quint32 token);

    platform::ipc::Connection connection;
    std::map<quint32, std::unique_ptr<GraphServant>> graphs;
    std::map<quint32, std::unique_ptr<QObject>> notifyTargets;
    ThreadedWork archives;
};

} // namespace mediahost

#include "MediaServer.h"

#include "platform/Log.h"
#include "platform/WindowMessage.h"
#include "platform/dvd/DvdGraph.h"
#include "platform/dvd/DvdVolume.h"
#include "platform/graph/GstGraph.h"
#include "platform/mci/Mci.h"

#include <QEvent>

#include <unistd.h>

namespace mediahost {

using platform::ipc::DvdCommandArgs;
using platform::ipc::EventKind;
using platform::ipc::Header;
using platform::ipc::MessageType;
using platform::ipc::Op;
using platform::ipc::Pack;
using platform::ipc::Unpack;

namespace {

// Stands for a window-side object that MCI notifications go to.
class NotifyRelay : public QObject
{
public:
    NotifyRelay(quint32 token, std::function<void(quint32, const QByteArray&)> send)
        : token(token), send(std::move(send))
    {}

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != platform::WindowMessageEvent::Type())
            return;
        const auto* message = static_cast<platform::WindowMessageEvent*>(event);
        if (message->message == platform::MM_MCINOTIFY)
            send(token, Pack(quint64(message->wParam), qint64(message->lParam)));
    }

private:
    quint32 token;
    std::function<void(quint32, const QByteArray&)> send;
};

} // namespace

MediaServer::MediaServer(int socket, std::function<void(const QString&)> onClosed)
    : connection(socket),
      archives(
          [this](const Header& request, const QByteArray& answer) {
              Header reply = request;
              reply.type = MessageType::Reply;
              connection.Send(platform::ipc::Encode(reply, answer));
          },
          [this](quint32 token, const QByteArray& event) { SendEvent(EventKind::Progress, token, event); })
{
    connect(&connection, &platform::ipc::Connection::Received, this, &MediaServer::OnMessage);
    connect(&connection, &platform::ipc::Connection::Closed, this, std::move(onClosed));
    SendEvent(EventKind::Hello, 0, Pack(qint32(platform::ipc::kProtocolVersion), qint64(::getpid())));
}

MediaServer::~MediaServer() = default;

void MediaServer::SendEvent(EventKind kind, quint32 handle, const QByteArray& arguments, int fd)
{
    Header header;
    header.type = MessageType::Event;
    header.code = static_cast<quint16>(kind);
    header.handle = handle;
    connection.Send(platform::ipc::Encode(header, arguments), fd);
}

QObject* MediaServer::NotifyTarget(quint32 token)
{
    if (token == 0)
        return nullptr;
    std::unique_ptr<QObject>& target = notifyTargets[token];
    if (!target)
        target = std::make_unique<NotifyRelay>(token, [this](quint32 to, const QByteArray& arguments) {
            SendEvent(EventKind::MciNotify, to, arguments);
        });
    return target.get();
}

void MediaServer::OnMessage(const QByteArray& message)
{
    Header header;
    QByteArray arguments;
    if (!platform::ipc::Decode(message, &header, &arguments)) {
        qCWarning(lcPlatform) << "media process: a message it cannot read";
        return;
    }
    const auto op = static_cast<Op>(header.code);
    if (header.type == MessageType::Note) {
        OnNote(op, header.handle, arguments);
        return;
    }
    if (header.type != MessageType::Request || archives.Start(header, arguments))
        return;
    Header reply;
    reply.type = MessageType::Reply;
    reply.id = header.id;
    reply.code = header.code;
    reply.handle = header.handle;
    // An answer that is missing or does not read back tells the window the request was refused.
    connection.Send(platform::ipc::Encode(reply, Answer(op, header.handle, arguments)));
}

void MediaServer::OnNote(Op op, quint32 handle, const QByteArray& arguments)
{
    if (op == Op::StopWork) {
        archives.Stop(handle);
        return;
    }
    const auto found = graphs.find(handle);
    if (found == graphs.end())
        return;
    Unpack in(arguments);
    if (op == Op::SetVolume) {
        qint32 level = 0;
        if ((in >> level).Ok())
            found->second->Graph().SetVolume(level);
    } else if (op == Op::FrameRelease) {
        quint32 buffer = 0;
        qint32 slot = 0;
        if ((in >> buffer >> slot).Ok())
            found->second->ReleaseFrame(buffer, slot);
    }
}

QByteArray MediaServer::Answer(Op op, quint32 handle, const QByteArray& arguments)
{
    Unpack in(arguments);
    switch (op) {
    case Op::FrameworkAvailable: {
        bool dvd = false;
        if (!(in >> dvd).Ok())
            return {};
        return Pack(dvd ? platform::DvdGraph::FrameworkAvailable()
                        : platform::GstGraph::FrameworkAvailable());
    }
    case Op::LivePipelines:
        return Pack(qint32(platform::GstGraph::LivePipelines()));
    case Op::Render: {
        QString path;
        qint32 timeoutMs = 0;
        bool dvd = false;
        qint32 decodeFlags = 0;
        if (!(in >> path >> timeoutMs >> dvd >> decodeFlags).Ok() || handle == 0)
            return {};
        graphs.erase(handle);
        auto servant = std::make_unique<GraphServant>(
            dvd, [this, handle](EventKind kind, const QByteArray& event, int fd) {
                SendEvent(kind, handle, event, fd);
            });
        const platform::ipc::RenderResult result = servant->Render(path, timeoutMs, decodeFlags);
        if (result.ok)
            graphs.emplace(handle, std::move(servant));
        return Pack(result);
    }
    case Op::Close:
        graphs.erase(handle);
        return Pack(true);
    case Op::DvdVolumeHasFile: {
        QString device, inVolume;
        if (!(in >> device >> inVolume).Ok())
            return {};
        return Pack(platform::DvdVolumeHasFile(device, inVolume));
    }
    case Op::MciSend: {
        QString command;
        quint32 token = 0;
        if (!(in >> command >> token).Ok())
            return {};
        QString reply;
        int device = 0;
        const unsigned error = platform::mci::SendString(command, &reply, NotifyTarget(token), &device);
        return Pack(quint32(error), reply, qint32(device));
    }
    default:
        break;
    }
    const auto found = graphs.find(handle);
    if (found == graphs.end())
        return {};
    return AnswerGraph(op, *found->second, arguments);
}

QByteArray MediaServer::AnswerGraph(Op op, GraphServant& servant, const QByteArray& arguments)
{
    platform::GstGraph& graph = servant.Graph();
    Unpack in(arguments);
    switch (op) {
    case Op::Run:
        return Pack(graph.Run());
    case Op::Pause: {
        qint32 timeoutMs = 0;
        return (in >> timeoutMs).Ok() ? Pack(graph.Pause(timeoutMs)) : QByteArray();
    }
    case Op::StopAndRewind: {
        qint32 timeoutMs = 0;
        return (in >> timeoutMs).Ok() ? Pack(graph.StopAndRewind(timeoutMs)) : QByteArray();
    }
    case Op::Seek: {
        qint64 ms = 0;
        qint32 timeoutMs = 0;
        return (in >> ms >> timeoutMs).Ok() ? Pack(graph.Seek(ms, timeoutMs)) : QByteArray();
    }
    case Op::Position:
        return Pack(qint64(graph.Position()));
    case Op::Duration:
        return Pack(qint64(graph.Duration()));
    case Op::SetRate: {
        double rate = 1.0;
        return (in >> rate).Ok() ? Pack(graph.SetRate(rate)) : QByteArray();
    }
    case Op::ElementNames:
        return Pack(graph.ElementNames());
    case Op::ElementProperties: {
        qint32 index = 0;
        if (!(in >> index).Ok())
            return {};
        QString name;
        QList<platform::ElementProperty> properties;
        const bool found = graph.ElementProperties(index, &name, &properties);
        return Pack(found, name, properties);
    }
    default:
        break;
    }
    if (!servant.Dvd())
        return {};
    return AnswerDvd(op, *servant.Dvd(), arguments);
}

QByteArray MediaServer::AnswerDvd(Op op, platform::DvdGraph& dvd, const QByteArray& arguments)
{
    Unpack in(arguments);
    switch (op) {
    case Op::DvdDomain:
        return Pack(static_cast<qint32>(dvd.Domain()));
    case Op::DvdLocation: {
        platform::DvdLocation location;
        const bool known = dvd.CurrentLocation(&location);
        return Pack(known, location);
    }
    case Op::DvdStreams:
        return Pack(qint32(dvd.ActiveAudio()), qint32(dvd.ActiveSubpicture()), dvd.SubpicturesShown());
    case Op::DvdAngle: {
        int count = 0;
        int current = 0;
        const bool known = dvd.CurrentAngle(&count, &current);
        return Pack(known, qint32(count), qint32(current));
    }
    case Op::DvdReadVolume: {
        platform::DvdVolume volume;
        QString error;
        const bool read = dvd.ReadVolume(&volume, &error);
        return Pack(read, error, volume);
    }
    case Op::DvdCommand: {
        DvdCommandArgs command;
        if (!(in >> command).Ok())
            return {};
        return Pack(platform::ipc::DispatchDvdCommand(dvd, command));
    }
    default:
        return {};
    }
}

} // namespace mediahost

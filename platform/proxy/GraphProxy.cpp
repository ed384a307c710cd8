#include "GraphProxy.h"

#include "platform/WindowMessage.h"

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace platform {

using ipc::Op;
using ipc::Pack;
using ipc::Unpack;

GraphProxy::GraphProxy(QObject* ownerWindow, unsigned message)
    : owner(ownerWindow), notifyMessage(message), frames([this](quint32 buffer, int slot) {
          if (handle != 0)
              MediaProcess::Instance().Note(Op::FrameRelease, handle, Pack(buffer, qint32(slot)));
      })
{}

GraphProxy::~GraphProxy()
{
    GraphProxy::Close();
}

bool GraphProxy::FrameworkAvailable()
{
    return AskFramework(false);
}

bool GraphProxy::AskFramework(bool dvd)
{
    // The answer holds for the life of one media process.
    static quint64 askedOf[2] = {0, 0};
    static bool available[2] = {false, false};
    MediaProcess& process = MediaProcess::Instance();
    if (process.IsRunning() && askedOf[dvd] == process.Serial())
        return available[dvd];
    QByteArray answer;
    bool yes = false;
    if (!process.Call(Op::FrameworkAvailable, 0, Pack(dvd), &answer, MediaProcess::kCallBoundMs,
                      MediaProcess::Start::IfNeeded) ||
        !(Unpack(answer) >> yes).Ok())
        return false;
    askedOf[dvd] = process.Serial();
    available[dvd] = yes;
    return yes;
}

int GraphProxy::LivePipelines()
{
    QByteArray answer;
    qint32 count = 0;
    if (!MediaProcess::Instance().Call(Op::LivePipelines, 0, {}, &answer, MediaProcess::kCallBoundMs,
                                       MediaProcess::Start::Never) ||
        !(Unpack(answer) >> count).Ok())
        return 0;
    return count;
}

bool GraphProxy::RenderFile(const QString& path, int timeoutMs)
{
    ipc::RenderResult result;
    return Render(path, false, 0, timeoutMs + MediaProcess::kReplyMarginMs, timeoutMs, &result);
}

bool GraphProxy::Render(const QString& path, bool dvd, int decodeFlags, int boundMs, int timeoutMs,
                        ipc::RenderResult* result)
{
    Close();
    lastError.clear();
    MediaProcess& process = MediaProcess::Instance();
    handle = process.NewHandle();
    process.Attach(handle, this);
    QByteArray answer;
    QString error;
    const bool answered =
        process.Call(Op::Render, handle, Pack(path, qint32(timeoutMs), dvd, qint32(decodeFlags)), &answer,
                     boundMs, MediaProcess::Start::IfNeeded, &error);
    const bool read = answered && Read(Op::Render, answer, *result);
    if (!read || !result->ok) {
        lastError = !answered ? error
                    : !read   ? QStringLiteral("the media process refused the file")
                              : result->error;
        process.Detach(handle);
        handle = 0;
        events.clear();
        frames.Reset();
        return false;
    }
    open = true;
    videoSize = QSize(result->videoWidth, result->videoHeight);
    if (videoSize.width() <= 0 || videoSize.height() <= 0)
        videoSize = QSize();
    return true;
}

void GraphProxy::Close()
{
    MediaProcess& process = MediaProcess::Instance();
    if (handle != 0) {
        process.Detach(handle);
        QByteArray answer;
        if (open)
            process.Call(Op::Close, handle, {}, &answer, MediaProcess::kCallBoundMs,
                         MediaProcess::Start::Never);
    }
    handle = 0;
    open = false;
    events.clear();
    frames.Reset();
    videoSize = QSize();
    rate = 1.0;
}

bool GraphProxy::Ask(Op op, const QByteArray& arguments, QByteArray* answer, int boundMs) const
{
    return open &&
           MediaProcess::Instance().Call(op, handle, arguments, answer, boundMs, MediaProcess::Start::Never);
}

bool GraphProxy::Broken(Op op)
{
    MediaProcess::Instance().End(
        QStringLiteral("the media process sent a broken answer to request %1").arg(static_cast<int>(op)));
    return false;
}

bool GraphProxy::AskYes(Op op, const QByteArray& arguments, int boundMs) const
{
    QByteArray answer;
    bool yes = false;
    return Ask(op, arguments, &answer, boundMs) && (Unpack(answer) >> yes).Ok() && yes;
}

bool GraphProxy::Run()
{
    return AskYes(Op::Run);
}

bool GraphProxy::Pause(int timeoutMs)
{
    return AskYes(Op::Pause, Pack(qint32(timeoutMs)), timeoutMs + MediaProcess::kReplyMarginMs);
}

bool GraphProxy::StopAndRewind(int timeoutMs)
{
    // A pause and a jump, each waited for.
    return AskYes(Op::StopAndRewind, Pack(qint32(timeoutMs)), 2 * timeoutMs + MediaProcess::kReplyMarginMs);
}

bool GraphProxy::Seek(qint64 ms, int timeoutMs)
{
    return AskYes(Op::Seek, Pack(qint64(ms), qint32(timeoutMs)), timeoutMs + MediaProcess::kReplyMarginMs);
}

qint64 GraphProxy::Position() const
{
    QByteArray answer;
    qint64 position = -1;
    if (!Ask(Op::Position, {}, &answer) || !(Unpack(answer) >> position).Ok())
        return -1;
    return position;
}

qint64 GraphProxy::Duration() const
{
    QByteArray answer;
    qint64 duration = -1;
    if (!Ask(Op::Duration, {}, &answer) || !(Unpack(answer) >> duration).Ok())
        return -1;
    return duration;
}

bool GraphProxy::SetRate(double newRate)
{
    if (newRate == 0 || !std::isfinite(newRate))
        return false;
    // The media process waits up to 5 s for the graph to settle at the new rate.
    if (!AskYes(Op::SetRate, Pack(newRate), 5000 + MediaProcess::kReplyMarginMs))
        return false;
    rate = newRate;
    return true;
}

void GraphProxy::SetVolume(long hundredthsOfDecibel)
{
    if (open)
        MediaProcess::Instance().Note(Op::SetVolume, handle,
                                      Pack(qint32(std::clamp<long>(hundredthsOfDecibel, -10000, 0))));
}

QStringList GraphProxy::ElementNames() const
{
    QByteArray answer;
    QStringList names;
    if (!Ask(Op::ElementNames, {}, &answer) || !(Unpack(answer) >> names).Ok())
        return {};
    return names;
}

bool GraphProxy::ElementProperties(int index, QString* name, QList<ElementProperty>* properties) const
{
    QByteArray answer;
    bool found = false;
    QString elementName;
    QList<ElementProperty> list;
    if (!Ask(Op::ElementProperties, Pack(qint32(index)), &answer) ||
        !(Unpack(answer) >> found >> elementName >> list).Ok() || !found)
        return false;
    *name = elementName;
    *properties = list;
    return true;
}

int GraphProxy::TakeEvent()
{
    if (events.empty())
        return 0;
    const int code = events.front().code;
    events.pop_front();
    return code;
}

void GraphProxy::QueueEvent(int code)
{
    Push({code, 0, 0});
}

void GraphProxy::Push(const Event& event)
{
    // A graph reports a handful of events between two ticks; a flood is a broken media process.
    if (events.size() >= kMaxQueuedEvents) {
        MediaProcess::Instance().End(
            QStringLiteral("the media process sent more graph events than are taken"));
        return;
    }
    events.push_back(event);
    PostWindowMessage(owner, notifyMessage);
}

void GraphProxy::OnMediaEvent(ipc::EventKind kind, const QByteArray& arguments, int fd)
{
    Unpack in(arguments);
    switch (kind) {
    case ipc::EventKind::GraphEvent: {
        qint32 code = 0;
        qint64 p1 = 0;
        qint64 p2 = 0;
        QString error;
        // The first events may come with the render's answer, before the graph counts as open.
        if (!(in >> code >> p1 >> p2 >> error).Ok())
            return;
        if (code == EC_ERRORABORT)
            lastError = error;
        const Event event{code, static_cast<long>(p1), static_cast<long>(p2)};
        OnGraphEvent(event);
        Push(event);
        return;
    }
    case ipc::EventKind::FrameBuffer: {
        quint32 buffer = 0;
        quint64 slotBytes = 0;
        qint32 slotCount = 0;
        // Memory that is not sealed, or smaller than it says, could be cut under the painter.
        if (!(in >> buffer >> slotBytes >> slotCount).Ok()) {
            if (fd >= 0)
                ::close(fd);
            MediaProcess::Instance().End(
                QStringLiteral("the media process sent a frame buffer that cannot be read"));
        } else if (!frames.Adopt(buffer, slotBytes, slotCount, fd)) {
            MediaProcess::Instance().End(
                QStringLiteral("the media process sent frame memory that cannot be used"));
        }
        return;
    }
    case ipc::EventKind::Frame: {
        quint32 buffer = 0;
        qint32 slot = 0, width = 0, height = 0, stride = 0;
        if ((in >> buffer >> slot >> width >> height >> stride).Ok())
            frames.Show(buffer, slot, width, height, stride);
        return;
    }
    default:
        return;
    }
}

void GraphProxy::OnMediaLost(const QString& reason)
{
    // A graph still being built hears of it through its render's answer.
    if (!open)
        return;
    open = false;
    handle = 0;
    lastError = reason;
    Push({EC_ERRORABORT, 0, 0});
}

} // namespace platform

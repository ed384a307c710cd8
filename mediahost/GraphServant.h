#pragma once
// One graph the window made, as the media process holds it: a media file graph or a DVD graph,
// its events passed on to the window as they are announced, and its frames through shared
// memory. Lives from the window's render request to its close request.

#include "FrameSender.h"
#include "platform/ipc/MediaProtocol.h"

#include <QObject>

#include <functional>
#include <memory>

namespace platform {
class GstGraph;
class DvdGraph;
} // namespace platform

namespace mediahost {

class GraphServant : public QObject
{
public:
    // Sends an event of this graph to the window, with a descriptor when `fd` is not -1.
    using EventSink = std::function<void(platform::ipc::EventKind, const QByteArray&, int fd)>;

    GraphServant(bool dvd, EventSink sink);
    ~GraphServant() override;

    platform::ipc::RenderResult Render(const QString& path, int timeoutMs, int decodeFlags);
    platform::GstGraph& Graph() { return *graph; }
    // Null for a media file graph.
    platform::DvdGraph* Dvd() { return dvd; }
    void ReleaseFrame(quint32 buffer, int slot) { frames.Release(buffer, slot); }

protected:
    void customEvent(QEvent* event) override;

private:
    void PassEventsOn();

    EventSink sink;
    std::unique_ptr<platform::GstGraph> graph;
    platform::DvdGraph* dvd = nullptr; // the same graph, when it is one
    FrameSender frames;
};

} // namespace mediahost

#include "GraphServant.h"

#include "platform/WindowMessage.h"
#include "platform/dvd/DvdGraph.h"
#include "platform/graph/GstGraph.h"

namespace mediahost {

using platform::ipc::EventKind;
using platform::ipc::Pack;

GraphServant::GraphServant(bool isDvd, EventSink eventSink)
    : sink(std::move(eventSink)),
      frames([this](quint32 id, quint64 slotBytes, int slotCount,
                    int fd) { sink(EventKind::FrameBuffer, Pack(id, slotBytes, qint32(slotCount)), fd); },
             [this](quint32 id, int slot, int width, int height, int stride) {
                 sink(EventKind::Frame, Pack(id, qint32(slot), qint32(width), qint32(height), qint32(stride)),
                      -1);
             })
{
    if (isDvd) {
        auto made = std::make_unique<platform::DvdGraph>(this, platform::WM_GRAPH_EVENT);
        dvd = made.get();
        graph = std::move(made);
    } else {
        graph = std::make_unique<platform::GstGraph>(this, platform::WM_GRAPH_EVENT);
    }
    graph->SetFrameHandler([this](const platform::GstGraph::DecodedFrame& frame) { frames.Send(frame); });
}

GraphServant::~GraphServant()
{
    graph->SetFrameHandler(nullptr);
    graph->Close();
}

platform::ipc::RenderResult GraphServant::Render(const QString& path, int timeoutMs, int decodeFlags)
{
    platform::ipc::RenderResult result;
    result.ok = dvd ? dvd->RenderDvd(path, decodeFlags, timeoutMs) : graph->RenderFile(path, timeoutMs);
    if (!result.ok) {
        result.error = graph->LastError();
        return result;
    }
    const QSize video = graph->NativeVideoSize();
    result.videoWidth = video.width();
    result.videoHeight = video.height();
    if (dvd) {
        result.device = dvd->Device();
        result.volume = dvd->Volume();
    }
    return result;
}

void GraphServant::customEvent(QEvent* event)
{
    if (event->type() == platform::WindowMessageEvent::Type() &&
        static_cast<platform::WindowMessageEvent*>(event)->message == platform::WM_GRAPH_EVENT)
        PassEventsOn();
}

void GraphServant::PassEventsOn()
{
    // The graph announces each event; by the time an announcement arrives its events may have
    // gone with an earlier one, or with the graph's close.
    if (dvd) {
        platform::DvdGraph::Event event;
        while (dvd->TakeDvdEvent(&event)) {
            const QString error = event.code == platform::EC_ERRORABORT ? graph->LastError() : QString();
            sink(EventKind::GraphEvent, Pack(qint32(event.code), qint64(event.p1), qint64(event.p2), error),
                 -1);
        }
        return;
    }
    while (const int code = graph->TakeEvent()) {
        const QString error = code == platform::EC_ERRORABORT ? graph->LastError() : QString();
        sink(EventKind::GraphEvent, Pack(qint32(code), qint64(0), qint64(0), error), -1);
    }
}

} // namespace mediahost

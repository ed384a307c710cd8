#pragma once
// What the GStreamer-based parts of the platform layer share: starting GStreamer once, RAII
// holders for its objects, and the relay that carries bus messages to the UI thread.
// GStreamer types appear here; include this only from .cpp files of the platform layer.

#include <QObject>

#include <gst/gst.h>

#include <atomic>
#include <functional>
#include <memory>

namespace platform {

// Initialises GStreamer and sets the decoder preferences; safe to call from anywhere, often.
void InitialiseGStreamer();

// A new (floating) audio output: the sink that answered when the outputs were last tried,
// else a silent sink that keeps real time. Trying every output on each file costs time and,
// in the sound libraries, memory that is never given back; it is done again only while no
// output answers, at most every ten seconds, so a sound server started later is found.
// UI thread only.
GstElement* MakeAudioSink(const char* name);
// Counts `pipeline` among the live ones until it is finalized (see GstGraph::LivePipelines).
void CountPipeline(GstElement* pipeline);
int LivePipelineCount();

// True when `sink` (made by MakeAudioSink) is the silent one.
bool IsSilentAudioSink(GstElement* sink);

struct GstObjectUnref
{
    void operator()(gpointer p) const
    {
        if (p)
            gst_object_unref(p);
    }
};
using GstElementPtr = std::unique_ptr<GstElement, GstObjectUnref>;
using GstBusPtr = std::unique_ptr<GstBus, GstObjectUnref>;

// Takes the end-of-stream, error and warning messages of one pipeline at a time off its bus
// on the streaming threads, and hands them to `handler` on the thread this object lives on
// (the UI thread). Messages of a pipeline detached since are dropped on arrival.
class GstBusRelay : public QObject
{
public:
    using Handler = std::function<void(GstMessage*)>;
    explicit GstBusRelay(Handler handler);
    ~GstBusRelay() override;

    void Attach(GstElement* pipeline);
    // Stops the relay from `pipeline` (call before releasing it); what is on its way is dropped.
    void Detach(GstElement* pipeline);
    // Delivers at once what has been posted so far (after a bounded wait on the pipeline).
    void DeliverPending();

protected:
    void customEvent(QEvent* event) override;

private:
    static GstBusSyncReply OnBusSync(GstBus*, GstMessage* message, gpointer self);

    Handler handler;
    std::atomic<quint64> generation{1};
};

// The text of an error or warning message.
QString MessageText(GstMessage* message);

} // namespace platform

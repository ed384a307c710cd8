#pragma once
// What the GStreamer-based parts of the platform layer share: starting GStreamer once, RAII
// holders for its objects, bounded state waits, message texts, and the relay that carries bus
// messages to the UI thread. GStreamer types appear here; include this only from .cpp files of
// the platform layer and from its tests.

#include <QObject>
#include <QString>

#include <gst/gst.h>

#include <atomic>
#include <functional>
#include <memory>

#if defined(__SANITIZE_THREAD__)
#define SORLIN_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SORLIN_THREAD_SANITIZER 1
#endif
#endif
#ifdef SORLIN_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

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

// Holders of one reference each.
struct GstObjectUnref
{
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct GstMiniObjectUnref
{
    void operator()(gpointer object) const { gst_mini_object_unref(GST_MINI_OBJECT_CAST(object)); }
};
using GstElementPtr = std::unique_ptr<GstElement, GstObjectUnref>;
using GstBusPtr = std::unique_ptr<GstBus, GstObjectUnref>;
using GstPadPtr = std::unique_ptr<GstPad, GstObjectUnref>;
using GstClockPtr = std::unique_ptr<GstClock, GstObjectUnref>;
using GstCapsPtr = std::unique_ptr<GstCaps, GstMiniObjectUnref>;
using GstQueryPtr = std::unique_ptr<GstQuery, GstMiniObjectUnref>;
using GstSamplePtr = std::unique_ptr<GstSample, GstMiniObjectUnref>;
using GstMessagePtr = std::unique_ptr<GstMessage, GstMiniObjectUnref>;

// Waits at most `timeoutMs` for the state change under way on `element` to finish. True when
// it did, or when the element is live and so has nothing to preroll; false on failure, on
// timeout and without an element.
bool WaitForState(GstElement* element, int timeoutMs);

// The text of an error or warning message; `details`, when given, receives the debugging
// information that came with it.
QString MessageText(GstMessage* message, QString* details = nullptr);

// What one thread hands another through GStreamer or Qt (a callback's data, a posted event) is
// ordered by locks inside those libraries, which ThreadSanitizer cannot see: they are not built
// with it (tools/tsan). AnnounceHandOver(data) just before the hand-over, and AcceptHandOver(data)
// on the receiving thread before the first read, tell it of that order, and of nothing more: what
// either thread writes afterwards without a lock of its own is still a race. Empty in other builds.
inline void AnnounceHandOver([[maybe_unused]] const void* data)
{
#ifdef SORLIN_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(data));
#endif
}
inline void AcceptHandOver([[maybe_unused]] const void* data)
{
#ifdef SORLIN_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(data));
#endif
}

// Takes the messages of the attached pipeline off its bus on the streaming threads, and hands
// them to `handler` on the thread this object lives on (the UI thread): end-of-stream, error
// and warning always, others when the filter given to Attach asks for them.
//
// Each attached pipeline gets a stamp of its own, fixed when it is attached; its messages
// travel with that stamp, and only those carrying the current pipeline's stamp are handed
// on. Detaching a pipeline, or attaching the next one, makes the old stamp stale at once: no
// message of the old pipeline can reach the handler afterwards, not even one that a
// streaming thread is posting at that very moment.
//
// Attach, Detach, IsCurrent and DeliverPending are called on the relay's thread. Detach every
// pipeline before the relay is released.
class GstBusRelay : public QObject
{
public:
    using Handler = std::function<void(GstMessage*)>;
    // Called on streaming threads for the messages besides end-of-stream, error and warning:
    // true to have `message` relayed too. Must not block, and must stay callable until the
    // pipeline it was given with has been detached and stopped.
    using Filter = std::function<bool(GstMessage*)>;

    explicit GstBusRelay(Handler handler);
    ~GstBusRelay() override;

    // Relays the messages of `pipeline`, whose bus must have no sync handler yet, from now
    // on; it becomes the current pipeline. Returns its stamp, for whatever else the pipeline
    // sends to this thread (see IsCurrent).
    quint64 Attach(GstElement* pipeline, Filter wanted = {});
    // Stops the relay from `pipeline` (call before releasing it; null only makes the stamps
    // stale); what is on its way is dropped.
    void Detach(GstElement* pipeline);
    // True while `stamp` is that of the pipeline attached last and not detached since.
    bool IsCurrent(quint64 stamp) const { return stamp != 0 && stamp == current; }
    // Delivers at once what has been posted so far.
    void DeliverPending();
    // How many messages are posted to this thread and not yet delivered, of any pipeline.
    int InFlight() const { return inFlight.load(); }

protected:
    void customEvent(QEvent* event) override;

private:
    static GstBusSyncReply OnBusSync(GstBus*, GstMessage* message, gpointer attachment);

    Handler handler;
    // Touched on the relay's thread only: the streaming threads read the stamp of their own
    // pipeline, fixed when it was attached, and never this.
    quint64 current = 0;
    quint64 lastStamp = 0;
    std::atomic<int> inFlight{0};
};

} // namespace platform

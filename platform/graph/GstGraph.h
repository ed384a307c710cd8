#pragma once
// One media file played through a GStreamer playbin: the filter graph of the media engine.
//
// Threads: every call is made on the UI thread. GStreamer's streaming threads never touch
// this object's state; bus messages and video frames are posted to the UI thread, stamped
// with the graph's generation, and whatever arrives from a graph closed since is dropped, so
// the end of one file can never end the next. Pending graph events are announced by posting
// `notifyMessage` to `owner` and are taken one at a time with TakeEvent().
//
// Times are milliseconds. Waits on the pipeline are bounded and report failure instead of
// hanging.

#include "platform/ipc/MediaCodes.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QObject;

namespace platform {

struct GstGraphHooks;

class GstGraph
{
public:
    GstGraph(QObject* owner, unsigned notifyMessage);
    virtual ~GstGraph();

    // True when the media framework and the elements the graph is built from are there.
    static bool FrameworkAvailable();
    // How many pipelines (of graphs and of CD playback) are alive in the process: a closed
    // one must be gone, or every file played would keep its decoders in memory.
    static int LivePipelines();
    GstGraph(const GstGraph&) = delete;
    GstGraph& operator=(const GstGraph&) = delete;

    // Builds the graph for `path` and prerolls it (paused at the start). False, with the
    // reason in LastError(), when nothing here decodes the file or it cannot be read; the
    // graph is closed then.
    bool RenderFile(const QString& path, int timeoutMs = 10000);
    // Releases the graph; pending events and frames of it are forgotten.
    virtual void Close();
    bool IsOpen() const;

    bool Run();
    bool Pause(int timeoutMs = 5000);
    // Pauses, then goes back to the start; waits (bounded) until both are done.
    bool StopAndRewind(int timeoutMs = 5000);
    // Jumps to `ms` at the current rate; waits (bounded) until the jump is done.
    virtual bool Seek(qint64 ms, int timeoutMs = 5000);
    // The position and length in milliseconds, -1 when unknown.
    qint64 Position() const;
    qint64 Duration() const;
    // Plays at `rate` (negative: backwards) from the current position. False when the
    // pipeline refuses it; the previous rate then stays in force.
    bool SetRate(double rate);
    double Rate() const { return rate; }
    // Volume in hundredths of a decibel: 0 is full, -10000 and below silent.
    void SetVolume(long hundredthsOfDecibel);

    // The decoded picture size with square pixels; empty without video.
    QSize NativeVideoSize() const;
    // Names of the elements of the running pipeline, outermost first.
    QStringList ElementNames() const;
    using ElementProperty = platform::ElementProperty;
    // The name and readable properties of the element at `index` in ElementNames() order.
    // False when there is no such element.
    bool ElementProperties(int index, QString* name, QList<ElementProperty>* properties) const;

    // True when no sound device answered and audio goes to a silent sink that keeps time.
    bool AudioIsSilent() const;

    // The next pending event code, 0 when none is pending.
    int TakeEvent();
    // How many bus messages and video frames the streaming threads have posted to the UI
    // thread that it has not taken yet (of this graph's pipelines, the closed ones too).
    int MessagesInFlight() const;
    int FramesInFlight() const;
    // Queues an event from outside the pipeline (the user closed the video window).
    void QueueEvent(int code);
    // The text of the last error the pipeline reported.
    const QString& LastError() const { return lastError; }

    // A video frame as the decoder gave it, in the decoder's own format; valid during the
    // frame handler's call only.
    class DecodedFrame
    {
    public:
        virtual ~DecodedFrame() = default;
        virtual QSize Size() const = 0;
        // Writes the picture as rows of 32-bit pixels (0xffRRGGBB, BGRx in memory) `stride` bytes
        // apart into `destination`, which holds at least stride × height bytes. This is the
        // one pass a frame costs: the decoder's format is converted straight into it. False
        // when the frame cannot be converted.
        virtual bool WriteRgb32(uchar* destination, int stride) const = 0;
    };
    // Called on the UI thread with every new video frame while it is current.
    void SetFrameHandler(std::function<void(const DecodedFrame&)> handler);

    struct Private;

protected:
    // For graphs of the platform layer built on this one (the DVD graph): plays `uri` through
    // the playbin as RenderFile plays a file, and lets `hooks` (GstGraphHooks.h) set up the
    // pipeline and see the bus messages they ask for. `hooks` must outlive the pipeline.
    bool RenderUri(const QString& uri, GstGraphHooks* hooks, int timeoutMs);
    void SetLastError(const QString& text) { lastError = text; }

private:
    bool Preroll(int timeoutMs);

    std::unique_ptr<Private> d;
    QString lastError;
    double rate = 1.0;
};

} // namespace platform

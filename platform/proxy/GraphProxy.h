#pragma once
// One media file played through a graph in the media process: the filter graph of the media
// engine, reached over the media process's connection (MediaProcess.h).
//
// Threads: UI thread only. Every call that needs the graph has a bound; when the media process
// fails (crashes, hangs past a bound) the graph is lost: calls fail, and an error abort with
// the reason as its error text is queued as if the graph had reported it. Pending graph events
// are announced by posting `notifyMessage` to `owner` and are taken one at a time with
// TakeEvent(); nothing of a graph closed since, or of a media process gone since, is ever
// taken. Video frames reach the frame handler as images over shared memory.
//
// Times are milliseconds.

#include "FrameReceiver.h"
#include "MediaProcess.h"
#include "platform/ipc/MediaCodes.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

class QObject;

namespace platform {

class GraphProxy : public MediaEventReceiver
{
public:
    using ElementProperty = platform::ElementProperty;
    using Event = GraphEvent;

    GraphProxy(QObject* owner, unsigned notifyMessage);
    ~GraphProxy() override;
    GraphProxy(const GraphProxy&) = delete;
    GraphProxy& operator=(const GraphProxy&) = delete;

    // True when the media process runs and has the media framework and the elements the graph
    // is built from. Starts the media process when none runs.
    static bool FrameworkAvailable();
    // How many pipelines (of graphs and of CD playback) the media process holds; 0 when none
    // runs. A closed graph's must be gone, or every file played would keep its decoders.
    static int LivePipelines();

    // Builds the graph for `path` and prerolls it (paused at the start). False, with the
    // reason in LastError(), when nothing decodes the file, it cannot be read, or the media
    // process failed on it; the graph is closed then.
    bool RenderFile(const QString& path, int timeoutMs = 10000);
    // Releases the graph; pending events and frames of it are forgotten.
    virtual void Close();
    bool IsOpen() const { return open; }

    bool Run();
    bool Pause(int timeoutMs = 5000);
    // Pauses, then goes back to the start; waits (bounded) until both are done.
    bool StopAndRewind(int timeoutMs = 5000);
    // Jumps to `ms` at the current rate; waits (bounded) until the jump is done.
    bool Seek(qint64 ms, int timeoutMs = 5000);
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
    QSize NativeVideoSize() const { return videoSize; }
    // Names of the elements of the running pipeline, outermost first.
    QStringList ElementNames() const;
    // The name and readable properties of the element at `index` in ElementNames() order.
    // False when there is no such element.
    bool ElementProperties(int index, QString* name, QList<ElementProperty>* properties) const;

    // The next pending event code, 0 when none is pending.
    int TakeEvent();
    // Queues an event from outside the pipeline (the user closed the video window).
    void QueueEvent(int code);
    // The text of the last error the pipeline (or the media process) reported.
    const QString& LastError() const { return lastError; }

    // Called on the UI thread with every new video frame while it is current. The image stays
    // valid as long as a copy of it is kept.
    void SetFrameHandler(std::function<void(const QImage&)> handler)
    {
        frames.SetHandler(std::move(handler));
    }

protected:
    // Whether the media process has the media framework (and, with `dvd`, the DVD elements).
    static bool AskFramework(bool dvd);
    // Builds the graph in the media process; `result` gets what the render answered.
    bool Render(const QString& path, bool dvd, int decodeFlags, int boundMs, int timeoutMs,
                ipc::RenderResult* result);
    // A request about the open graph; false when there is none or no answer came.
    bool Ask(ipc::Op op, const QByteArray& arguments, QByteArray* answer,
             int boundMs = MediaProcess::kCallBoundMs) const;
    // Asks and reads one boolean answer; false when any of it fails.
    bool AskYes(ipc::Op op, const QByteArray& arguments = {}, int boundMs = MediaProcess::kCallBoundMs) const;
    // An answer to `op` that cannot be read or breaks a bound: the media process is broken
    // (perhaps taken over by a hostile file) and is ended. Always false.
    static bool Broken(ipc::Op op);
    // `answer` read into `values` with their bounds; a broken answer ends the media process.
    template <typename... T> static bool Read(ipc::Op op, const QByteArray& answer, T&... values)
    {
        ipc::Unpack in(answer);
        (in >> ... >> values);
        return in.Ok() || Broken(op);
    }
    void SetLastError(const QString& text) { lastError = text; }
    void Push(const Event& event);
    // Sees every graph event as it arrives, before it is queued.
    virtual void OnGraphEvent(const Event&) {}

    std::deque<Event> events;
    static constexpr size_t kMaxQueuedEvents = 1024;

private:
    void OnMediaEvent(ipc::EventKind kind, const QByteArray& arguments, int fd) override;
    void OnMediaLost(const QString& reason) override;

    QPointer<QObject> owner;
    unsigned notifyMessage;
    quint32 handle = 0;
    bool open = false;
    double rate = 1.0;
    QSize videoSize;
    QString lastError;
    FrameReceiver frames;
};

} // namespace platform

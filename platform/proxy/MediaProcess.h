#pragma once
// The media process as the window process sees it: the helper program `sorlin-media` beside
// the running program, which holds every media library (GStreamer, libcdio, libdvdread). It is
// started on first need and serves every engine of the window process, as MCI and the media
// framework serve a whole program.
//
// Every request has a bound. While one waits, the event loop runs (windows paint, the clock
// ticks; user input and window messages wait, see BoundedWait). A media process that crashes,
// hangs or spins past a bound is ended: the request fails, every graph it held is lost (its
// proxy hears of it), pending MCI notifications end in failure, and the next request that may
// start one starts a new process. UI thread only.

#include "platform/ipc/MediaProtocol.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace platform {

// What a graph proxy hears from its graph in the media process.
class MediaEventReceiver
{
public:
    virtual ~MediaEventReceiver() = default;
    // An event of the graph; `fd` (owned by the receiver) comes with a frame buffer, else -1.
    virtual void OnMediaEvent(ipc::EventKind kind, const QByteArray& arguments, int fd) = 0;
    // The media process is gone, and the graph with it.
    virtual void OnMediaLost(const QString& reason) = 0;
};

class MediaProcess : public QObject
{
public:
    // Bounds, in milliseconds: a start (the first one on a machine builds GStreamer's plug-in
    // registry), a request that waits for nothing, and what is added to a request's own wait.
    static constexpr int kStartBoundMs = 30000;
    static constexpr int kCallBoundMs = 5000;
    static constexpr int kReplyMarginMs = 2000;

    // The one media process of the window process, made on first use; it ends with the
    // application object.
    static MediaProcess& Instance();

    // The program to run instead of the one beside the running program (tests).
    void SetProgram(const QString& path) { program = path; }

    enum class Start
    {
        IfNeeded, // a request that opens something may start the media process
        Never,    // one about what is open already fails when none runs
    };
    // Sends `op` for `handle` and waits for the answer at most `boundMs`. False, with the
    // reason in `error`, when no answer came: no media process runs (and `start` is Never), it
    // could not be started, it ended, or it did not answer in time (it is ended then).
    bool Call(ipc::Op op, quint32 handle, const QByteArray& arguments, QByteArray* answer, int boundMs,
              Start start, QString* error = nullptr);
    // A request that takes as long as its work (an archive member written out), and what the
    // window hears of it meanwhile.
    struct Watch
    {
        // The longest the media process may go without reporting progress; it is ended then.
        int quietBoundMs = 30000;
        // Each report: the share done (0 to 100) and the size of the whole.
        std::function<void(int percent, qint64 total)> progress;
        // Asked while the answer is awaited; true asks the media process to stop the work.
        std::function<bool()> stop;
        // User input goes on meanwhile: the caller keeps its own window from starting anything
        // else. Otherwise it waits as during Call.
        bool userInput = false;
    };
    enum class Outcome
    {
        kAnswered,
        kFailed,  // no answer: see `error`
        kStopped, // `stop` asked for the end; the answer, if one came, is in `answer`
    };
    // How long a stopped request is given to answer before the media process is ended.
    static constexpr int kStopGraceMs = 2000;
    // Sends `op` as Call does, with a handle of its own that the media process sends progress
    // events to (EventKind::Progress), and waits for the answer as long as they keep coming.
    // Media events wait as they do during Call.
    Outcome CallWatched(ipc::Op op, const QByteArray& arguments, QByteArray* answer, const Watch& watch,
                        QString* error = nullptr);

    // Sends a note, which has no answer; nothing when no media process runs.
    void Note(ipc::Op op, quint32 handle, const QByteArray& arguments);

    // A graph handle never given before.
    quint32 NewHandle() { return ++lastHandle; }
    // Events for `handle` go to `receiver` until it is detached or the process is lost.
    void Attach(quint32 handle, MediaEventReceiver* receiver);
    void Detach(quint32 handle);

    // MCI notifications: the number that stands for `target` in requests, and the record of a
    // notification that a command asked for, so that it ends in failure if the process goes.
    quint32 NotifyToken(QObject* target);
    void ExpectNotification(quint32 token, qint64 device);

    // Starts the media process without waiting for it, when the user is about to ask for
    // something it serves (the pointer came over the window): the request then finds it ready.
    // Nothing when one runs or the program is ending.
    void WarmUp();

    bool IsRunning() const { return running != nullptr; }
    // Counts the media processes started; a graph made in one is gone in the next.
    quint64 Serial() const { return serial; }
    qint64 Pid() const;
    // True while a request waits.
    bool Waiting() const { return !waits.empty(); }
    // Ends the media process now; what waits fails at once with `reason`, which is logged as
    // a warning when the end is `unexpected`.
    void End(const QString& reason, bool unexpected = true);

    ~MediaProcess() override;

private:
    struct Running;
    struct Pending
    {
        bool done = false;
        bool failed = false;
        QByteArray answer;
        QString error;
    };
    struct Zombie;

    explicit MediaProcess(QObject* parent);
    bool EnsureRunning(Start start, QString* error);
    quint32 SendRequest(ipc::Op op, quint32 handle, const QByteArray& arguments);
    // Spawns the process; AwaitGreeting waits for its hello (and its version) within the bound.
    bool StartProcess(QString* error);
    bool AwaitGreeting(QString* error);
    bool WaitFor(const std::function<bool()>& done, int boundMs);
    void WakeWaits();
    void OnMessage(const QByteArray& message);
    void OnEvent(const ipc::Header& header, const QByteArray& arguments);
    void OnConnectionClosed(const QString& reason, bool peerClosed);
    void Lose(const QString& reason, bool unexpected = true);
    void Reap();

    QString program;
    QString lastLoss; // why the last media process was lost
    std::unique_ptr<Running> running;
    std::vector<std::unique_ptr<Zombie>> zombies;
    std::map<quint32, Pending> pending;
    std::map<quint32, MediaEventReceiver*> receivers;
    struct NotifyTarget
    {
        QPointer<QObject> target;
        int expected = 0; // notifications asked for and not yet come
        qint64 device = 0;
    };
    std::map<quint32, NotifyTarget> notifyTargets;
    quint32 lastRequest = 0;
    quint32 lastHandle = 0;
    quint32 lastToken = 0;
    quint64 serial = 0;
    // The waits in progress, innermost last; each is woken by whatever may have ended it.
    struct Wait;
    std::vector<Wait*> waits;
    // The latest progress of each watched request, by its handle.
    struct Reported
    {
        bool fresh = false;
        int percent = 0;
        qint64 total = 0;
    };
    std::map<quint32, Reported> watched;
};

} // namespace platform

#include "MediaProcess.h"

#include "platform/Log.h"
#include "platform/ProgramEnding.h"
#include "platform/WindowMessage.h"
#include "platform/ipc/Connection.h"
#include "platform/ipc/MciCodes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

using ipc::EventKind;
using ipc::Header;
using ipc::MessageType;

namespace {

constexpr const char* kProgramName = "sorlin-media";
// How often ended media processes are looked for where the kernel cannot tell.
constexpr int kReapPollMs = 1000;
// How long a media process that closed its socket is given to end.
constexpr int kExitGraceMs = 100;
// How long one is waited for when the window process ends.
constexpr int kExitWaitMs = 1000;
// How often a watched request looks whether it is to stop or has gone quiet.
constexpr int kWatchLookMs = 50;

QString DescribeStatus(int status)
{
    if (WIFSIGNALED(status))
        return QStringLiteral("the media process was ended by signal %1 (%2)")
            .arg(WTERMSIG(status))
            .arg(QString::fromLocal8Bit(strsignal(WTERMSIG(status))));
    if (WIFEXITED(status))
        return QStringLiteral("the media process ended with exit code %1").arg(WEXITSTATUS(status));
    return QStringLiteral("the media process ended");
}

} // namespace

// One started media process, watched until the kernel has let it go.
struct MediaProcess::Zombie
{
    pid_t pid = 0;
    int pidfd = -1;
    QSocketNotifier* notifier = nullptr;
    bool reaped = false;
    int status = 0;

    bool TryReap()
    {
        if (!reaped && ::waitpid(pid, &status, WNOHANG) == pid)
            reaped = true;
        return reaped;
    }
    ~Zombie()
    {
        // The notifier goes quiet and loses its handler before the descriptor closes: the number
        // comes back at once for the next process's descriptors, and an activation still
        // pending would otherwise reach a handler that holds this zombie.
        if (notifier) {
            notifier->setEnabled(false);
            QObject::disconnect(notifier, nullptr, nullptr, nullptr);
            notifier->deleteLater();
        }
        if (pidfd >= 0)
            ::close(pidfd);
    }
};

struct MediaProcess::Running
{
    Zombie* child = nullptr; // owned by `zombies`
    ipc::Connection* connection = nullptr;
    bool greeted = false;

    ~Running()
    {
        // Never deleted inside one of its own signals: a handler may be what ends it.
        if (connection) {
            connection->Close();
            connection->deleteLater();
        }
    }
};

MediaProcess& MediaProcess::Instance()
{
    static QPointer<MediaProcess> instance;
    if (!instance) {
        Q_ASSERT(QCoreApplication::instance());
        instance = new MediaProcess(QCoreApplication::instance());
    }
    return *instance;
}

MediaProcess::MediaProcess(QObject* parent) : QObject(parent) {}

MediaProcess::~MediaProcess()
{
    // With its socket closed the media process ends by itself. It is given a moment for that,
    // then ended, and waited for: it leaves no zombie and its time counts as this process's.
    running.reset();
    for (const auto& zombie : zombies) {
        for (const int signal : {0, SIGKILL}) {
            if (zombie->TryReap())
                break;
            if (signal != 0)
                ::kill(zombie->pid, signal);
            if (zombie->pidfd >= 0) {
                pollfd exited{zombie->pidfd, POLLIN, 0};
                ::poll(&exited, 1, kExitWaitMs);
            }
        }
        zombie->TryReap();
    }
}

qint64 MediaProcess::Pid() const
{
    return running && running->child ? running->child->pid : 0;
}

bool MediaProcess::StartProcess(QString* error)
{
    const QString path = program.isEmpty()
                             ? QCoreApplication::applicationDirPath() + u'/' + QLatin1String(kProgramName)
                             : program;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        *error = QStringLiteral("no socket for the media process: %1")
                     .arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    // The child's end becomes its descriptor 3; a dup2 onto the number it already has would
    // leave it close-on-exec, so it is moved out of the way first.
    const int childEnd = ::fcntl(pair[1], F_DUPFD_CLOEXEC, 10);
    ::close(pair[1]);
    const QByteArray file = QFile::encodeName(path);
    const QByteArray parent = QByteArray::number(static_cast<qint64>(::getpid()));
    const char* argv[] = {file.constData(), "--socket", "3", "--parent", parent.constData(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, childEnd, 3);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, file.constData(), &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(childEnd);
    if (spawned != 0) {
        ::close(pair[0]);
        *error = QStringLiteral("the media process %1 could not be started: %2")
                     .arg(path, QString::fromLocal8Bit(strerror(spawned)));
        return false;
    }

    auto zombie = std::make_unique<Zombie>();
    zombie->pid = pid;
    zombie->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    Zombie* child = zombie.get();
    if (zombie->pidfd >= 0) {
        zombie->notifier = new QSocketNotifier(zombie->pidfd, QSocketNotifier::Read, this);
        connect(zombie->notifier, &QSocketNotifier::activated, this, [this, child] {
            child->notifier->setEnabled(false);
            if (running && running->child == child) {
                child->TryReap();
                Lose(child->reaped ? DescribeStatus(child->status)
                                   : QStringLiteral("the media process ended"));
            }
            Reap();
        });
    }
    zombies.push_back(std::move(zombie));

    running = std::make_unique<Running>();
    running->child = child;
    running->connection = new ipc::Connection(pair[0], this);
    connect(running->connection, &ipc::Connection::Received, this, &MediaProcess::OnMessage);
    connect(running->connection, &ipc::Connection::Closed, this, &MediaProcess::OnConnectionClosed);
    ++serial;
    qCDebug(lcPlatform) << "media process" << pid << "started";
    return true;
}

bool MediaProcess::AwaitGreeting(QString* error)
{
    if (running && running->greeted)
        return true;
    const quint64 started = serial;
    const bool greeted =
        running &&
        WaitFor([this, started] { return serial != started || !running || running->greeted; }, kStartBoundMs);
    if (greeted && serial == started && running)
        return true;
    if (serial == started && running) {
        *error = QStringLiteral("the media process did not start within %1 ms").arg(kStartBoundMs);
        Lose(*error);
    } else {
        *error = lastLoss;
    }
    return false;
}

void MediaProcess::WarmUp()
{
    if (running || ProgramEnding())
        return;
    QString error;
    if (!StartProcess(&error))
        qCWarning(lcPlatform).noquote() << error;
}

struct MediaProcess::Wait
{
    QEventLoop loop;
    bool woken = false;
};

bool MediaProcess::WaitFor(const std::function<bool()>& done, int boundMs)
{
    if (done())
        return true;
    const QDeadlineTimer deadline(boundMs, Qt::PreciseTimer);
    BoundedWait hold;
    Wait wait;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &wait.loop, [&wait] {
        wait.woken = true;
        wait.loop.quit();
    });
    waits.push_back(&wait);
    bool result = false;
    for (;;) {
        if (done()) {
            result = true;
            break;
        }
        if (deadline.hasExpired())
            break;
        wait.woken = false;
        timer.start(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
        wait.loop.exec(QEventLoop::ExcludeUserInputEvents);
        // Returned unwoken: the application is ending and leaves every event loop.
        if (!wait.woken && !done())
            break;
    }
    waits.erase(std::find(waits.begin(), waits.end(), &wait));
    return result;
}

void MediaProcess::WakeWaits()
{
    for (Wait* wait : waits) {
        wait->woken = true;
        wait->loop.quit();
    }
}

bool MediaProcess::EnsureRunning(Start start, QString* error)
{
    if (running)
        return AwaitGreeting(error);
    if (start == Start::Never) {
        *error = QStringLiteral("no media process runs");
        return false;
    }
    // Nothing new starts while the program is on its way out.
    if (ProgramEnding()) {
        *error = QStringLiteral("the program is ending");
        return false;
    }
    return StartProcess(error) && AwaitGreeting(error);
}

quint32 MediaProcess::SendRequest(ipc::Op op, quint32 handle, const QByteArray& arguments)
{
    const quint32 id = ++lastRequest;
    pending[id];
    Header header;
    header.type = MessageType::Request;
    header.id = id;
    header.code = static_cast<quint16>(op);
    header.handle = handle;
    running->connection->Send(ipc::Encode(header, arguments));
    return id;
}

bool MediaProcess::Call(ipc::Op op, quint32 handle, const QByteArray& arguments, QByteArray* answer,
                        int boundMs, Start start, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (!EnsureRunning(start, error))
        return false;
    const quint64 mine = serial;
    const quint32 id = SendRequest(op, handle, arguments);
    const bool finished = WaitFor([this, id] { return pending[id].done; }, boundMs);
    const Pending result = std::move(pending[id]);
    pending.erase(id);
    if (!finished) {
        *error = QStringLiteral("the media process did not answer request %1 within %2 ms")
                     .arg(static_cast<int>(op))
                     .arg(boundMs);
        // Whatever it is doing, its state is no longer known: it is ended.
        if (running && serial == mine)
            Lose(*error);
        return false;
    }
    if (result.failed) {
        *error = result.error;
        return false;
    }
    *answer = result.answer;
    return true;
}

MediaProcess::Outcome MediaProcess::CallWatched(ipc::Op op, const QByteArray& arguments, QByteArray* answer,
                                                const Watch& watch, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    if (!EnsureRunning(Start::IfNeeded, error))
        return Outcome::kFailed;
    const quint64 mine = serial;
    const quint32 token = NewHandle();
    watched[token];
    const quint32 id = SendRequest(op, token, arguments);

    BoundedWait hold;
    Wait wait;
    waits.push_back(&wait);
    // Stop and silence are looked at now and then; the answer and each report wake the wait.
    QTimer look;
    look.setInterval(kWatchLookMs);
    connect(&look, &QTimer::timeout, &wait.loop, [&wait] {
        wait.woken = true;
        wait.loop.quit();
    });
    look.start();
    QDeadlineTimer quiet(watch.quietBoundMs);
    QDeadlineTimer grace = QDeadlineTimer::Forever;
    bool stopped = false;
    for (;;) {
        if (Reported& report = watched[token]; report.fresh) {
            report.fresh = false;
            quiet.setRemainingTime(watch.quietBoundMs);
            if (watch.progress)
                watch.progress(report.percent, report.total);
        }
        if (pending[id].done)
            break;
        if (!stopped && watch.stop && watch.stop()) {
            stopped = true;
            Note(ipc::Op::StopWork, token, {});
            grace.setRemainingTime(kStopGraceMs);
        }
        if (stopped ? grace.hasExpired() : quiet.hasExpired()) {
            *error = stopped
                         ? QStringLiteral("the media process did not stop request %1 within %2 ms")
                               .arg(static_cast<int>(op))
                               .arg(kStopGraceMs)
                         : QStringLiteral("the media process reported no progress on request %1 for %2 ms")
                               .arg(static_cast<int>(op))
                               .arg(watch.quietBoundMs);
            if (running && serial == mine)
                Lose(*error, !stopped);
            break;
        }
        wait.woken = false;
        wait.loop.exec(watch.userInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
        // Returned unwoken: the application is ending and leaves every event loop.
        if (!wait.woken && !pending[id].done)
            break;
    }
    waits.erase(std::find(waits.begin(), waits.end(), &wait));
    watched.erase(token);
    const Pending result = std::move(pending[id]);
    pending.erase(id);
    if (result.done && !result.failed)
        *answer = result.answer;
    else if (result.failed)
        *error = result.error;
    else if (error->isEmpty())
        *error = QStringLiteral("the program is ending");
    if (stopped)
        return Outcome::kStopped;
    return result.done && !result.failed ? Outcome::kAnswered : Outcome::kFailed;
}

void MediaProcess::Note(ipc::Op op, quint32 handle, const QByteArray& arguments)
{
    if (!running)
        return;
    Header header;
    header.type = MessageType::Note;
    header.code = static_cast<quint16>(op);
    header.handle = handle;
    running->connection->Send(ipc::Encode(header, arguments));
}

void MediaProcess::Attach(quint32 handle, MediaEventReceiver* receiver)
{
    receivers[handle] = receiver;
}

void MediaProcess::Detach(quint32 handle)
{
    receivers.erase(handle);
}

quint32 MediaProcess::NotifyToken(QObject* target)
{
    if (!target)
        return 0;
    for (auto it = notifyTargets.begin(); it != notifyTargets.end();) {
        if (it->second.target == target)
            return it->first;
        it = it->second.target ? std::next(it) : notifyTargets.erase(it);
    }
    notifyTargets[++lastToken].target = target;
    return lastToken;
}

void MediaProcess::ExpectNotification(quint32 token, qint64 device)
{
    const auto found = notifyTargets.find(token);
    if (found == notifyTargets.end())
        return;
    ++found->second.expected;
    found->second.device = device;
}

void MediaProcess::OnMessage(const QByteArray& message)
{
    Header header;
    QByteArray arguments;
    if (!ipc::Decode(message, &header, &arguments) ||
        (header.type != MessageType::Reply && header.type != MessageType::Event)) {
        Lose(QStringLiteral("the media process sent a message that cannot be read"));
        return;
    }
    if (header.type == MessageType::Event) {
        OnEvent(header, arguments);
        return;
    }
    // A reply to nothing pending (a request already given up) is dropped.
    const auto found = pending.find(header.id);
    if (found == pending.end() || found->second.done)
        return;
    found->second.done = true;
    found->second.answer = arguments;
    WakeWaits();
}

void MediaProcess::OnEvent(const Header& header, const QByteArray& arguments)
{
    const auto kind = static_cast<EventKind>(header.code);
    switch (kind) {
    case EventKind::Hello: {
        qint32 version = 0;
        qint64 pid = 0;
        if (!(ipc::Unpack(arguments) >> version >> pid).Ok() ||
            version != static_cast<qint32>(ipc::kProtocolVersion)) {
            Lose(QStringLiteral("the media process speaks another version of the protocol"));
            return;
        }
        running->greeted = true;
        WakeWaits();
        return;
    }
    case EventKind::FrameBuffer: {
        const int fd = running->connection->TakeDescriptor();
        if (fd < 0) {
            Lose(QStringLiteral("the media process announced a frame buffer without sending it"));
            return;
        }
        const auto found = receivers.find(header.handle);
        if (found == receivers.end())
            ::close(fd);
        else
            found->second->OnMediaEvent(kind, arguments, fd);
        return;
    }
    case EventKind::GraphEvent:
    case EventKind::Frame: {
        const auto found = receivers.find(header.handle);
        if (found != receivers.end())
            found->second->OnMediaEvent(kind, arguments, -1);
        return;
    }
    case EventKind::Progress: {
        qint32 percent = 0;
        qint64 total = 0;
        if (!(ipc::Unpack(arguments) >> percent >> total).Ok() || percent < 0 || percent > 100 || total < 0) {
            Lose(QStringLiteral("the media process sent a progress report that cannot be"));
            return;
        }
        const auto found = watched.find(header.handle);
        if (found == watched.end())
            return;
        found->second = Reported{true, percent, total};
        WakeWaits();
        return;
    }
    case EventKind::MciNotify: {
        quint64 flags = 0;
        qint64 device = 0;
        const auto found = notifyTargets.find(header.handle);
        if (found == notifyTargets.end() || !(ipc::Unpack(arguments) >> flags >> device).Ok())
            return;
        found->second.expected = std::max(found->second.expected - 1, 0);
        PostWindowMessage(found->second.target, MM_MCINOTIFY, static_cast<WPARAM>(flags),
                          static_cast<LPARAM>(device));
        return;
    }
    }
}

void MediaProcess::OnConnectionClosed(const QString& reason, bool peerClosed)
{
    if (!running)
        return;
    // A process closes its socket on its way out: how it ended tells more than the closed
    // socket, and it is usually gone a moment later.
    Zombie* child = running->child;
    if (!peerClosed) {
        Lose(reason);
        return;
    }
    if (child && child->pidfd >= 0 && !child->reaped) {
        pollfd exited{child->pidfd, POLLIN, 0};
        ::poll(&exited, 1, kExitGraceMs);
    }
    Lose(child && child->TryReap() ? DescribeStatus(child->status) : reason);
}

void MediaProcess::End(const QString& reason, bool unexpected)
{
    Lose(reason, unexpected);
}

void MediaProcess::Lose(const QString& reason, bool unexpected)
{
    if (!running)
        return;
    const std::unique_ptr<Running> gone = std::move(running);
    if (gone->child && !gone->child->TryReap())
        ::kill(gone->child->pid, SIGKILL);
    const qint64 pid = gone->child ? gone->child->pid : 0;
    if (unexpected)
        qCWarning(lcPlatform).noquote() << "media process" << pid << "lost:" << reason;
    else
        qCDebug(lcPlatform).noquote() << "media process" << pid << "ended:" << reason;
    lastLoss = reason;
    for (auto& [id, request] : pending) {
        if (!request.done) {
            request.done = true;
            request.failed = true;
            request.error = reason;
        }
    }
    WakeWaits();
    for (const auto& [handle, receiver] : std::exchange(receivers, {}))
        receiver->OnMediaLost(reason);
    for (auto& [token, notify] : notifyTargets) {
        if (notify.expected > 0) {
            notify.expected = 0;
            PostWindowMessage(notify.target, MM_MCINOTIFY, MCI_NOTIFY_FAILURE,
                              static_cast<LPARAM>(notify.device));
        }
    }
    Reap();
}

void MediaProcess::Reap()
{
    std::erase_if(zombies, [this](const std::unique_ptr<Zombie>& zombie) {
        return (!running || running->child != zombie.get()) && zombie->TryReap();
    });
    // Without a process descriptor the kernel does not tell when one ends: look again later.
    const bool blind =
        std::any_of(zombies.begin(), zombies.end(), [this](const std::unique_ptr<Zombie>& zombie) {
            return zombie->pidfd < 0 && (!running || running->child != zombie.get());
        });
    if (blind)
        QTimer::singleShot(kReapPollMs, this, &MediaProcess::Reap);
}

} // namespace platform

#include "HttpServer.h"

#include "Wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace testsupport {

namespace {

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

HttpServer::HttpServer(QString root) : root(std::move(root)) {}

HttpServer::~HttpServer()
{
    Stop();
    CloseFd(log);
}

QString HttpServer::Program()
{
#ifdef SORLIN_TEST_HTTPD
    if (QFileInfo(QStringLiteral(SORLIN_TEST_HTTPD)).isExecutable())
        return QStringLiteral(SORLIN_TEST_HTTPD);
#endif
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {folder + QStringLiteral("/sorlin_test_httpd"),
                                     folder + QStringLiteral("/../bin/sorlin_test_httpd")})
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    return QStringLiteral("sorlin_test_httpd");
}

bool HttpServer::Start()
{
    if (pid > 0)
        return port > 0;
    int inputPipe[2] = {-1, -1};
    int outputPipe[2] = {-1, -1};
    log = ::memfd_create("sorlin_test_httpd.log", MFD_CLOEXEC);
    if (log < 0 || ::pipe2(inputPipe, O_CLOEXEC) != 0 || ::pipe2(outputPipe, O_CLOEXEC) != 0) {
        qWarning("HttpServer: no pipes: %s", std::strerror(errno));
        for (int* fd : {&inputPipe[0], &inputPipe[1], &outputPipe[0], &outputPipe[1]})
            CloseFd(*fd);
        return false;
    }

    const QByteArray program = QFile::encodeName(Program());
    QByteArray rootArgument = QFile::encodeName(root);
    std::vector<QByteArray> arguments{program, "--root", rootArgument};
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inputPipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, outputPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, log, 2);
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    CloseFd(inputPipe[0]);
    CloseFd(outputPipe[1]);
    input = inputPipe[1];
    output = outputPipe[0];
    if (spawned != 0) {
        qWarning("HttpServer: cannot start %s: %s", program.constData(), std::strerror(spawned));
        pid = -1;
        CloseFd(input);
        CloseFd(output);
        return false;
    }
    pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));

    // The PORT line, within the bound.
    QByteArray line;
    const QDeadlineTimer deadline(10000);
    while (!line.contains('\n')) {
        pollfd readable{output, POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[256];
        const ssize_t got = ::read(output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        line.append(buffer, got);
    }
    line = line.left(line.indexOf('\n'));
    bool number = false;
    port = line.startsWith("PORT ") ? line.mid(5).toInt(&number) : 0;
    if (!number || port <= 0) {
        qWarning("HttpServer: %s did not report its port (got \"%s\"); its messages: %s", program.constData(),
                 line.constData(), qPrintable(RequestLog().join(QLatin1Char('\n'))));
        port = 0;
        Stop();
        return false;
    }
    return true;
}

QString HttpServer::Url(const QString& pathAndQuery) const
{
    const QString tail = pathAndQuery.startsWith(QLatin1Char('/')) ? pathAndQuery.mid(1) : pathAndQuery;
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(tail);
}

QStringList HttpServer::RequestLog() const
{
    if (log < 0)
        return logLines;
    // The server appends whole lines; a line still being written waits for the next call.
    QByteArray fresh;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::pread(log, buffer, sizeof buffer, logRead + fresh.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        fresh.append(buffer, got);
    }
    const qsizetype complete = fresh.lastIndexOf('\n') + 1;
    for (const QByteArray& entry : fresh.left(complete).split('\n'))
        if (!entry.isEmpty())
            logLines.append(QString::fromUtf8(entry));
    logRead += complete;
    return logLines;
}

bool HttpServer::WaitForRequests(int count, int boundMs) const
{
    return WaitUntil([&] { return RequestLog().size() >= count; }, boundMs);
}

void HttpServer::Reap(int boundMs)
{
    if (pid <= 0 || reaped)
        return;
    const QDeadlineTimer deadline(boundMs); // negative: no bound
    if (pidFd >= 0) {
        pollfd ended{pidFd, POLLIN, 0};
        int ready = 0;
        do
            ready = ::poll(&ended, 1, static_cast<int>(deadline.remainingTime()));
        while (ready < 0 && errno == EINTR);
        if (ready <= 0)
            return;
    } else {
        // A kernel without process descriptors: the end is looked for every 10 ms.
        int status = 0;
        pid_t done = 0;
        while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 || (done < 0 && errno == EINTR)) {
            if (deadline.hasExpired())
                return;
            ::usleep(10000);
        }
        reaped = done == pid;
        exitStatus = status;
        return;
    }
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    reaped = done == pid;
    exitStatus = status;
}

bool HttpServer::WaitForExit(int boundMs)
{
    Reap(boundMs);
    return reaped && WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0;
}

bool HttpServer::Stop()
{
    if (pid <= 0)
        return false;
    if (!reaped) {
        CloseFd(input);
        ::kill(pid, SIGTERM);
        Reap(5000);
        if (!reaped) {
            qWarning("HttpServer: the server did not end within 5 s; killed");
            ::kill(pid, SIGKILL);
            Reap(-1);
        }
    }
    CloseFd(input);
    CloseFd(output);
    CloseFd(pidFd);
    return reaped && WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0;
}

} // namespace testsupport

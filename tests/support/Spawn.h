#pragma once
// Runs the helper programs of the tests (encoders, disc authoring, a decoder without Qt) and
// waits for them, bounded.
//
// Through posix_spawn, as the window starts the media process, and not through QProcess:
// QProcess starts its child with a vfork-style clone, and ThreadSanitizer (tools/tsan) takes
// that child, which shares the test's memory, for a forked copy of the test. Once the test has
// threads, that stops the checking of the test for good and ends it at its next new thread.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace testsupport {

struct SpawnOptions
{
    QString workingDirectory; // the test's own when empty
    QString inputFile;        // standard input; /dev/null when empty
    QString outputFile;       // standard output goes here, not into Spawned::output
    bool mergeErrors = true;  // standard error into Spawned::output, else into Spawned::errors
    QList<QPair<QByteArray, QByteArray>> environment; // set for the program, over the test's own
    int timeoutMs = 120000;
};

struct Spawned
{
    bool started = false;
    bool finished = false; // ended within the bound (else it was killed)
    bool exited = false;   // ended by exiting, not by a signal
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
    bool Succeeded() const { return finished && exited && exitCode == 0; }
};

namespace spawn_detail {

// A file in memory for a standard stream; read back once the program has ended.
inline int MemoryFile(const char* name)
{
    return ::memfd_create(name, MFD_CLOEXEC);
}

inline QByteArray ReadAll(int fd)
{
    QByteArray bytes;
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        bytes.append(buffer, got);
    }
    return bytes;
}

} // namespace spawn_detail

// Runs `program` (looked up in PATH when it has no slash) with `arguments`; waits at most
// options.timeoutMs for it to end, and kills it when it does not.
inline Spawned Spawn(const QString& program, const QStringList& arguments, const SpawnOptions& options = {})
{
    Spawned result;
    const int output = spawn_detail::MemoryFile("output");
    const int errors = options.mergeErrors ? -1 : spawn_detail::MemoryFile("errors");

    std::vector<QByteArray> argumentBytes{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        argumentBytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> environmentBytes;
    for (char** variable = environ; *variable; ++variable) {
        const QByteArray entry(*variable);
        bool replaced = false;
        for (const auto& [name, value] : options.environment)
            replaced = replaced || entry.startsWith(name + '=');
        if (!replaced)
            environmentBytes.push_back(entry);
    }
    for (const auto& [name, value] : options.environment)
        environmentBytes.push_back(name + '=' + value);
    std::vector<char*> envp;
    for (QByteArray& entry : environmentBytes)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const QByteArray input =
        options.inputFile.isEmpty() ? QByteArrayLiteral("/dev/null") : QFile::encodeName(options.inputFile);
    const QByteArray outputFile = QFile::encodeName(options.outputFile);
    const QByteArray folder = QFile::encodeName(options.workingDirectory);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
    posix_spawn_file_actions_addopen(&actions, 0, input.constData(), O_RDONLY, 0);
    if (!outputFile.isEmpty())
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    else
        posix_spawn_file_actions_adddup2(&actions, output, 1);
    posix_spawn_file_actions_adddup2(&actions, options.mergeErrors ? output : errors, 2);

    pid_t pid = 0;
    result.started = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (result.started) {
        // The end is awaited on the child's process descriptor, within the bound (without
        // one, unbounded).
        const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        int ready = 1;
        if (pidfd >= 0) {
            pollfd ended{pidfd, POLLIN, 0};
            do
                ready = ::poll(&ended, 1, options.timeoutMs);
            while (ready < 0 && errno == EINTR);
        }
        result.finished = ready > 0;
        if (!result.finished)
            ::kill(pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (pidfd >= 0)
            ::close(pidfd);
        result.exited = WIFEXITED(status);
        result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    }
    result.output = spawn_detail::ReadAll(output);
    result.errors = spawn_detail::ReadAll(errors);
    for (int fd : {output, errors})
        if (fd >= 0)
            ::close(fd);
    return result;
}

} // namespace testsupport

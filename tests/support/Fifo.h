#pragma once
// Named pipes for tests of readers that must refuse them. A reader that opens a pipe the plain
// way waits for a writer forever; these helpers turn that into a failure within a bound and
// then set the reader free, so a broken reader never hangs the test program.

#include <QFile>
#include <QString>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

// Makes a named pipe at `path`; returns `path`, or empty when it cannot be made.
inline QString MakeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
}

// Runs `call` on a worker thread and waits at most `timeoutMs` for it to return. True when it
// did. Otherwise it is taken to be stuck on `fifo`, waiting for a writer in open() or for data in
// read(): a writer is opened and closed again on the pipe (once a reader waits, a non-blocking
// open of the write end succeeds, and closing it ends the reader's wait with end of file), as
// often as a reader that retries needs it, and false is returned once the call has ended.
inline bool ReturnsPromptly(const QString& fifo, const std::function<void()>& call, int timeoutMs = 10000)
{
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready) {
        done.get();
        return true;
    }
    const QByteArray name = QFile::encodeName(fifo);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        if (std::chrono::steady_clock::now() > giveUp) {
            // Stuck on something other than the pipe: the future is let go (its destructor
            // would wait for the thread) and the failure is reported all the same.
            new std::future<void>(std::move(done));
            return false;
        }
        const int writer = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            ::close(writer);
    }
    done.get();
    return false;
}

} // namespace testsupport

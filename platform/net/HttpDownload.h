#pragma once
// One HTTP or HTTPS GET into a file, run to its end on the calling thread, whose own event loop
// turns while the data comes (the media process runs each download on a thread of its own).
// Redirects are followed within a bound; a status outside 200 … 299, a connection that ends
// before the announced length, a stall without data, a body past the size bound or the disk's
// free room and a failed write are failures with a reason. The file is written whole or not at
// all: the data goes to a temporary file beside it that takes its name only once everything has
// come, synced to the disk.

#include "platform/ipc/DownloadTerms.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>

namespace platform {

class HttpDownload
{
public:
    using Limits = ipc::DownloadLimits;
    using Result = ipc::DownloadResult;
    using Failure = ipc::DownloadFailure;

    struct Response
    {
        QUrl url; // where the answer came from, after the redirects
        int status = 0;
        QByteArray rawHeaders;     // "Name: value" lines, CR LF separated
        QDateTime lastModified;    // invalid without the header
        qint64 contentLength = -1; // -1 without the header
    };

    HttpDownload(QString agent, Limits limits) : agent(std::move(agent)), limits(limits) {}

    // Called once with the final answer's headers; false leaves the body unread (kSkipped).
    std::function<bool(const Response&)> wantBody;
    // Called once before the first byte of the body is written.
    std::function<void()> bodyStarts;
    // Called after each block written, with the bytes written so far.
    std::function<void(qint64 total)> progress;
    // Asked after each block and every 100 ms: true ends the download as kAborted.
    std::function<bool()> stop;

    Result Run(const QUrl& url, const QString& file);

    const Response& GetResponse() const { return response; }
    // Why the download failed, with the server's or the system's own words where there are any.
    Failure GetFailure() const { return failure; }
    const QString& FailureDetail() const { return detail; }
    qint64 BytesWritten() const { return written; }

private:
    QString agent;
    Limits limits;
    Response response;
    Failure failure = Failure::kNone;
    QString detail;
    qint64 written = 0;
};

} // namespace platform

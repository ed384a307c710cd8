#pragma once
// One HTTP or HTTPS GET into a file, run to its end for the caller on the UI thread: a local
// event loop keeps the windows and the clock going while the data comes. Redirects are
// followed within a bound; a status outside 200 … 299, a connection that ends before the
// announced length, a stall without data, a body past the size bound or the disk's free room and
// a failed write are failures with a reason. The
// file is written whole or not at all: the data goes to a temporary file beside it that takes
// its name only once everything has come.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class HttpDownload
{
public:
    struct Limits
    {
        int stallMs = 30000;   // no data for this long ends the download
        int maxRedirects = 10; // more redirects than this end it
        qint64 blockBytes = 512 * 1024;
        // A body larger than this (announced or as it comes) ends the download; so does one that
        // would leave the file's disk with less free than minFreeBytes.
        qint64 maxBytes = qint64(8) << 30;
        qint64 minFreeBytes = qint64(256) << 20;
    };

    struct Response
    {
        QUrl url; // where the answer came from, after the redirects
        int status = 0;
        QByteArray rawHeaders;     // "Name: value" lines, CR LF separated
        QDateTime lastModified;    // invalid without the header
        qint64 contentLength = -1; // -1 without the header
    };

    enum class Result
    {
        kDone,    // the body is in the file
        kSkipped, // wantBody declined the body; nothing was written
        kFailed,  // see ErrorText()
        kAborted, // stop asked for it; nothing was written
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
    // Why the download failed, for the user.
    const QString& ErrorText() const { return errorText; }
    qint64 BytesWritten() const { return written; }

    // The addresses this class fetches: http and https with a host.
    static bool IsFetchable(const QUrl& url);

private:
    QString agent;
    Limits limits;
    Response response;
    QString errorText;
    qint64 written = 0;
};

#pragma once
// What the window and the media process agree on for a download: the bounds it runs within, how
// it ends, and the stamp that tells one version of a file on the server from another. Qt Core
// only: the window process links no network library.

#include <QDataStream>
#include <QDateTime>
#include <QString>
#include <QUrl>

namespace platform::ipc {

struct DownloadLimits
{
    int stallMs = 30000;   // no data for this long ends the download
    int maxRedirects = 10; // more redirects than this end it
    qint64 blockBytes = 512 * 1024;
    // A body larger than this (announced or as it comes) ends the download; so does one that
    // would leave the file's disk with less free than minFreeBytes.
    qint64 maxBytes = qint64(8) << 30;
    qint64 minFreeBytes = qint64(256) << 20;
};

enum class DownloadResult : qint32
{
    kDone,    // the body is in the file
    kSkipped, // the copy in the cache is this version already; nothing was written
    kFailed,  // see DownloadFailure
    kAborted, // stopped; nothing was written
};

// Why a download failed; the window words it for the user.
enum class DownloadFailure : qint32
{
    kNone,
    kBadAddress,       // not http or https with a host
    kTooManyRedirects, // past maxRedirects, or to a less safe scheme
    kHttpStatus,       // a final status outside 200 … 299: status, detail = the reason phrase
    kTooLarge,         // past maxBytes
    kDiskFull,         // the disk would keep less than minFreeBytes
    kNotWritable,      // the file could not be written: detail = the system's reason
    kCutShort,         // the connection ended before the announced length
    kStalled,          // no data for stallMs
    kNetwork,          // detail = the network's reason
};

// A download as the window asks for it. The body is skipped when keepCopy is set, the answer's
// stamp is knownStamp and copyBytes (the cache's copy) reach its length (lengthWithoutHeader
// when the answer has none).
struct DownloadRequest
{
    QString address;
    QString file; // written whole or not at all
    QString agent;
    DownloadLimits limits;
    bool keepCopy = false;
    QString knownStamp;
    qint64 copyBytes = 0;
    qint64 lengthWithoutHeader = 0;
};

// The addresses a download fetches: http and https with a host.
bool IsFetchable(const QUrl& url);

// The stamp of a Last-Modified time as the cache index keeps it ("2026/12/09 05:46:44.000", UTC);
// all zeros without one.
QString FormatStamp(const QDateTime& time);

QDataStream& operator<<(QDataStream& out, const DownloadLimits& limits);
QDataStream& operator>>(QDataStream& in, DownloadLimits& limits);
QDataStream& operator<<(QDataStream& out, const DownloadRequest& request);
QDataStream& operator>>(QDataStream& in, DownloadRequest& request);

} // namespace platform::ipc

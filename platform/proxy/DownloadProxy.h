#pragma once
// A download carried out by the media process, which links the network library the window does
// not: the terms go over, the bytes written come back as progress, and a stop asked for while
// it runs ends it there (nothing is written then). What comes back is checked: an answer out of
// its ranges ends the media process and counts as a failed download. UI thread; the window
// takes user input while it waits (its "中断" button), and keeps itself from starting anything
// else.

#include "platform/ipc/DownloadTerms.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace platform {

class DownloadProxy
{
public:
    struct Answer
    {
        ipc::DownloadResult result = ipc::DownloadResult::kFailed;
        ipc::DownloadFailure failure = ipc::DownloadFailure::kNone;
        QString detail; // the server's or the system's words, for kHttpStatus, kNotWritable, kNetwork
        int status = 0;
        QByteArray rawHeaders; // "Name: value" lines, CR LF separated
        QString stamp;         // FormatStamp of the answer's Last-Modified
        qint64 contentLength = -1;
        qint64 written = 0;
    };

    // Called with the share done (0 to 100; against lengthWithoutHeader when the answer has no
    // length) and the bytes written: 0 and 0 once as the body starts, then as they grow.
    std::function<void(int percent, qint64 written)> progress;
    // Asked while the download runs; true stops it.
    std::function<bool()> stop;

    Answer Run(const ipc::DownloadRequest& request);
};

} // namespace platform

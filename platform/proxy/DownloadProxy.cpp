#include "DownloadProxy.h"

#include "MediaProcess.h"

#include "platform/Log.h"

#include <algorithm>

namespace platform {

using ipc::DownloadFailure;
using ipc::DownloadResult;

namespace {

// More than any reason phrase or system message: a longer text is cut, not shown whole.
constexpr qsizetype kMostDetail = 1024;
constexpr qsizetype kMostHeaderBytes = 256 * 1024;
constexpr qsizetype kMostStamp = 64;

} // namespace

DownloadProxy::Answer DownloadProxy::Run(const ipc::DownloadRequest& request)
{
    Answer answer;
    if (!ipc::IsFetchable(QUrl(request.address))) {
        answer.failure = DownloadFailure::kBadAddress;
        return answer;
    }
    MediaProcess& process = MediaProcess::Instance();
    MediaProcess::Watch watch;
    // The media process ends a download that stalls; the connection and each redirect may each
    // take that long before the body's first bytes are reported.
    watch.quietBoundMs =
        std::max(request.limits.stallMs, 1000) * (std::clamp(request.limits.maxRedirects, 0, 20) + 2) +
        MediaProcess::kReplyMarginMs;
    watch.progress = progress;
    watch.stop = stop;
    watch.userInput = true;
    QByteArray reply;
    QString error;
    const MediaProcess::Outcome outcome =
        process.CallWatched(ipc::Op::Download, ipc::Pack(request), &reply, watch, &error);
    if (outcome == MediaProcess::Outcome::kStopped) {
        answer.result = DownloadResult::kAborted;
        return answer;
    }
    if (outcome == MediaProcess::Outcome::kFailed) {
        qCWarning(lcPlatform).noquote() << "download not carried out:" << request.address << error;
        answer.failure = DownloadFailure::kNetwork;
        answer.detail = error;
        return answer;
    }
    qint32 result = -1;
    qint32 failure = -1;
    qint32 status = 0;
    const bool read = (ipc::Unpack(reply) >> result >> failure >> answer.detail >> status >>
                       answer.rawHeaders >> answer.stamp >> answer.contentLength >> answer.written)
                          .Ok();
    const bool inRange =
        read && result >= qint32(DownloadResult::kDone) && result <= qint32(DownloadResult::kAborted) &&
        failure >= qint32(DownloadFailure::kNone) && failure <= qint32(DownloadFailure::kNetwork) &&
        status >= 0 && status <= 999 && answer.contentLength >= -1 && answer.written >= 0 &&
        answer.rawHeaders.size() <= kMostHeaderBytes && answer.stamp.size() <= kMostStamp;
    if (!inRange) {
        process.End(QStringLiteral("the media process sent a download answer that cannot be"));
        Answer broken;
        broken.failure = DownloadFailure::kNetwork;
        return broken;
    }
    answer.result = static_cast<DownloadResult>(result);
    answer.failure = static_cast<DownloadFailure>(failure);
    answer.status = status;
    answer.detail.truncate(kMostDetail);
    return answer;
}

} // namespace platform

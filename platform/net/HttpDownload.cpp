#include "HttpDownload.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStorageInfo>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <optional>

namespace platform {

namespace {

// How often, in bytes written, the disk's free room is looked at again.
constexpr qint64 kFreeCheckBytes = 8 << 20;

} // namespace

HttpDownload::Result HttpDownload::Run(const QUrl& url, const QString& file)
{
    response = Response{};
    failure = Failure::kNone;
    detail.clear();
    written = 0;
    if (!ipc::IsFetchable(url)) {
        failure = Failure::kBadAddress;
        return Result::kFailed;
    }

    // The desktop's proxy settings (the proxy variables of the environment, or the session's).
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, agent);
    // The bytes counted against Content-Length are the bytes written: nothing is unpacked.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits.maxRedirects);
    const std::unique_ptr<QNetworkReply> reply(manager.get(request));
    // The network thread reads ahead at most this much, so a fast server cannot fill memory.
    reply->setReadBufferSize(4 * limits.blockBytes);

    QEventLoop loop;
    QStorageInfo disk(QFileInfo(file).absolutePath());
    // Free room on the file's disk as it is now; unknown (-1) on a disk that cannot say.
    const auto freeBytes = [&disk] {
        disk.refresh();
        return disk.isValid() ? disk.bytesAvailable() : qint64(-1);
    };
    // A write that failed on a full disk says so, rather than the system's vague text.
    const auto writeFailure = [&] {
        const qint64 room = freeBytes();
        return room >= 0 && room < limits.minFreeBytes ? Failure::kDiskFull : Failure::kNotWritable;
    };
    QSaveFile out(file);
    out.setDirectWriteFallback(false);
    QByteArray block;
    bool headersSeen = false;
    std::optional<Result> end;
    const auto finish = [&](Result result, Failure why = Failure::kNone, const QString& words = QString()) {
        if (end)
            return;
        end = result;
        failure = why;
        detail = words;
        loop.quit();
    };

    // The final answer's headers: the status decides, then the caller.
    const auto takeHeaders = [&]() -> bool {
        if (headersSeen)
            return true;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid())
            return false;
        headersSeen = true;
        response.url = reply->url();
        response.status = status.toInt();
        for (const auto& [name, value] : reply->rawHeaderPairs())
            response.rawHeaders += name + ": " + value + "\r\n";
        response.lastModified = reply->header(QNetworkRequest::LastModifiedHeader).toDateTime();
        bool numeric = false;
        const qint64 length = reply->rawHeader("Content-Length").trimmed().toLongLong(&numeric);
        response.contentLength =
            reply->hasRawHeader("Content-Length") && numeric && length >= 0 ? length : -1;
        // A redirect reaches this far only when it was not followed: past the bound.
        if (response.status >= 300 && response.status <= 399 && reply->hasRawHeader("Location")) {
            finish(Result::kFailed, Failure::kTooManyRedirects);
            return false;
        }
        if (response.status < 200 || response.status > 299) {
            finish(Result::kFailed, Failure::kHttpStatus,
                   reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
            return false;
        }
        if (wantBody && !wantBody(response)) {
            finish(Result::kSkipped);
            return false;
        }
        if (response.contentLength > limits.maxBytes) {
            finish(Result::kFailed, Failure::kTooLarge);
            return false;
        }
        if (const qint64 room = freeBytes();
            room >= 0 && room - std::max<qint64>(response.contentLength, 0) < limits.minFreeBytes) {
            finish(Result::kFailed, Failure::kDiskFull);
            return false;
        }
        if (!out.open(QIODevice::WriteOnly)) {
            finish(Result::kFailed, Failure::kNotWritable, out.errorString());
            return false;
        }
        block.resize(limits.blockBytes);
        if (bodyStarts)
            bodyStarts();
        return true;
    };

    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(limits.stallMs);
    const auto drain = [&] {
        stall.start();
        if (end || !takeHeaders())
            return;
        while (!end && reply->bytesAvailable() > 0) {
            const qint64 n =
                reply->read(block.data(), std::min<qint64>(block.size(), reply->bytesAvailable()));
            if (n <= 0)
                break;
            if (out.write(block.constData(), n) != n) {
                finish(Result::kFailed, writeFailure(), out.errorString());
                return;
            }
            // An endless body, or one longer than it said, ends at the bound; the disk is
            // looked at every few blocks, so that another writer filling it is noticed too.
            const qint64 before = written;
            written += n;
            if (written > limits.maxBytes) {
                finish(Result::kFailed, Failure::kTooLarge);
                return;
            }
            if (before / kFreeCheckBytes != written / kFreeCheckBytes) {
                if (const qint64 room = freeBytes(); room >= 0 && room < limits.minFreeBytes) {
                    finish(Result::kFailed, Failure::kDiskFull);
                    return;
                }
            }
            if (progress)
                progress(written);
            if (stop && stop())
                finish(Result::kAborted);
        }
    };

    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, drain);
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] { stall.start(); });
    QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, [&] { stall.start(); });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, [&] {
        drain();
        if (end)
            return;
        const QNetworkReply::NetworkError error = reply->error();
        if (error == QNetworkReply::TooManyRedirectsError || error == QNetworkReply::InsecureRedirectError)
            finish(Result::kFailed, Failure::kTooManyRedirects);
        else if (!headersSeen)
            finish(Result::kFailed, Failure::kNetwork, reply->errorString());
        else if (response.contentLength >= 0 && written < response.contentLength)
            finish(Result::kFailed, Failure::kCutShort);
        else if (error != QNetworkReply::NoError)
            finish(Result::kFailed, Failure::kNetwork, reply->errorString());
        else
            finish(Result::kDone);
    });
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] { finish(Result::kFailed, Failure::kStalled); });
    QTimer poll;
    poll.setInterval(100);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (stop && stop())
            finish(Result::kAborted);
    });
    stall.start();
    poll.start();
    loop.exec();
    // Left without an end: the application leaves every event loop on its way out.
    if (!end)
        end = Result::kAborted;
    QObject::disconnect(reply.get(), nullptr, &loop, nullptr);
    if (!reply->isFinished())
        reply->abort();

    if (*end == Result::kDone && !out.commit()) {
        failure = writeFailure();
        detail = out.errorString();
        return Result::kFailed;
    }
    if (out.isOpen())
        out.cancelWriting();
    return *end;
}

} // namespace platform

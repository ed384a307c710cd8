#include "DownloadTerms.h"

namespace platform::ipc {

bool IsFetchable(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

QString FormatStamp(const QDateTime& time)
{
    if (!time.isValid())
        return QStringLiteral("0000/00/00 00:00:00.000");
    const QDateTime utc = time.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    return QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d.%03d", d.year(), d.month(), d.day(), t.hour(),
                             t.minute(), t.second(), t.msec());
}

QDataStream& operator<<(QDataStream& out, const DownloadLimits& limits)
{
    return out << qint32(limits.stallMs) << qint32(limits.maxRedirects) << limits.blockBytes
               << limits.maxBytes << limits.minFreeBytes;
}

QDataStream& operator>>(QDataStream& in, DownloadLimits& limits)
{
    qint32 stallMs = 0;
    qint32 maxRedirects = 0;
    in >> stallMs >> maxRedirects >> limits.blockBytes >> limits.maxBytes >> limits.minFreeBytes;
    limits.stallMs = stallMs;
    limits.maxRedirects = maxRedirects;
    return in;
}

QDataStream& operator<<(QDataStream& out, const DownloadRequest& request)
{
    return out << request.address << request.file << request.agent << request.limits << request.keepCopy
               << request.knownStamp << request.copyBytes << request.lengthWithoutHeader;
}

QDataStream& operator>>(QDataStream& in, DownloadRequest& request)
{
    return in >> request.address >> request.file >> request.agent >> request.limits >> request.keepCopy >>
           request.knownStamp >> request.copyBytes >> request.lengthWithoutHeader;
}

} // namespace platform::ipc

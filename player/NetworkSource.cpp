#include "NetworkSource.h"

#include "DownloadCache.h"
#include "Metafile.h"
#include "ProgressDlg.h"

#include "platform/MessageBox.h"
#include "platform/ProgramEnding.h"
#include "platform/WindowMessage.h"
#include "platform/proxy/DownloadProxy.h"
#include "res/StringTable.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QUrl>

namespace {

const QString kAgent = QStringLiteral("VimoPlayer Software");
// Without Content-Length the share done is counted against one block.
constexpr qint64 kLengthWithoutHeader = 0x80000;
// A metafile is read this far: a reference is in its first lines.
constexpr qint64 kMetafileBytes = 1 << 20;

// Why a download failed, in the user's words.
QString FailureText(const platform::DownloadProxy::Answer& answer,
                    const platform::ipc::DownloadLimits& limits)
{
    using platform::ipc::DownloadFailure;
    switch (answer.failure) {
    case DownloadFailure::kBadAddress:
        return res::LoadString(res::kStrBadAddress);
    case DownloadFailure::kTooManyRedirects:
        return res::LoadString(res::kStrTooManyRedirects);
    case DownloadFailure::kHttpStatus:
        return res::LoadString(res::kStrHttpStatus).arg(answer.status).arg(answer.detail);
    case DownloadFailure::kTooLarge:
        return res::LoadString(res::kStrDownloadTooLarge).arg(limits.maxBytes >> 20);
    case DownloadFailure::kDiskFull:
        return res::LoadString(res::kStrDiskFull);
    case DownloadFailure::kNotWritable:
        return res::LoadString(res::kStrCacheNotWritable).arg(answer.detail);
    case DownloadFailure::kCutShort:
        return res::LoadString(res::kStrDownloadCutShort).arg(answer.written).arg(answer.contentLength);
    case DownloadFailure::kStalled:
        return res::LoadString(res::kStrDownloadStalled).arg((limits.stallMs + 999) / 1000);
    case DownloadFailure::kNone:
    case DownloadFailure::kNetwork:
        break;
    }
    return answer.detail;
}

} // namespace

bool NetworkSource::IsAddress(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString scheme = path.left(path.indexOf(u':') + 1).toLower();
    return scheme == u"http:" || scheme == u"https:" || scheme == u"rtsp:";
}

void NetworkSource::SetCacheFolder(const QString& folder)
{
    cacheFolder = folder;
    cacheIndexFile = cacheFolder + QStringLiteral("/cacheindex.ini");
}

QString NetworkSource::CacheName(const QString& address) const
{
    return downloadcache::CacheFileName(cacheFolder, address);
}

QString NetworkSource::WholeCopy(const QString& address) const
{
    const QString copy = CacheName(address);
    return downloadcache::CacheIndex(cacheIndexFile).Owner(copy) == address ? copy : QString();
}

bool NetworkSource::Download(const QString& address, const QString& cacheFile)
{
    // Window messages (media events, a second instance's path) wait until the download is
    // over, so nothing re-enters the player meanwhile; the player reads as busy until just
    // before they are let through.
    platform::BoundedWait hold;
    const SourceBusy busy(context);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    QWidget* window = context.Window();

    const QUrl url(address);
    const QString server = url.host();
    const QString object =
        url.path(QUrl::FullyEncoded) + (url.hasQuery() ? u'?' + url.query(QUrl::FullyEncoded) : QString());
    responseHeaders.clear();

    const downloadcache::CacheIndex index(cacheIndexFile);
    // A copy is taken again only when it is this address's own (two addresses that end in the
    // same name share one cache file) and the server's version has changed or is longer.
    const QFileInfo copy(cacheFile);
    platform::ipc::DownloadRequest terms;
    terms.address = address;
    terms.file = cacheFile;
    terms.agent = kAgent;
    terms.limits = limits;
    terms.keepCopy = keepDownloads && copy.isFile() && index.Owner(cacheFile) == address;
    terms.knownStamp = index.Stamp(server, object);
    terms.copyBytes = copy.isFile() ? copy.size() : 0;
    terms.lengthWithoutHeader = kLengthWithoutHeader;

    QPointer<CProgressDlg> dialog;
    platform::DownloadProxy download;
    download.progress = [&](int percent, qint64) {
        if (!dialog) {
            dialog = new CProgressDlg(window);
            dialog->SetColours(context.colours);
            dialog->Show(window);
            dialog->SetMessage(res::LoadString(res::kStrDownloadingFormat).arg(address));
        }
        dialog->SetPercent(res::LoadString(res::kStrPercentFormat).arg(percent));
    };
    download.stop = [&] { return platform::ProgramEnding() || (dialog && dialog->IsAborted()); };

    const platform::DownloadProxy::Answer answer = download.Run(terms);
    if (dialog) {
        dialog->hide();
        dialog->deleteLater();
    }
    responseHeaders = QString::fromLatin1(answer.rawHeaders);
    bool ok = false;
    switch (answer.result) {
    case platform::ipc::DownloadResult::kDone:
        // The index learns the new copy only now that it is whole in the cache.
        index.Record(server, object, answer.stamp, cacheFile, address);
        ok = true;
        break;
    case platform::ipc::DownloadResult::kSkipped:
        ok = true;
        break;
    case platform::ipc::DownloadResult::kFailed:
        platform::ShowMessageBox(
            window, res::LoadString(res::kStrDownloadFailed).arg(address, FailureText(answer, limits)));
        break;
    case platform::ipc::DownloadResult::kAborted:
        break;
    }
    QGuiApplication::restoreOverrideCursor();
    return ok;
}

bool NetworkSource::Fetch(const QString& address, QString* copy)
{
    QString followed = address;
    *copy = CacheName(address);
    return Download(followed, *copy) && ResolveMetafile(followed, *copy);
}

bool NetworkSource::ResolveMetafile(QString& address, QString& cacheFile)
{
    const MetafileKind metafileKind = MetafileKindOf(address);
    if (metafileKind == MetafileKind::kNone)
        return true;
    QFile file(cacheFile);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const std::optional<QString> reference = FindMetafileReference(metafileKind, file.read(kMetafileBytes));
    file.close();
    // A file without a reference is no metafile: it is kept and played as it is.
    if (!reference)
        return true;
    // A relative reference is taken from the metafile's own address.
    const QString next = QUrl(address).resolved(QUrl(*reference)).toString();
    QFile::remove(cacheFile);
    address = next;
    cacheFile = CacheName(address);
    return Download(address, cacheFile);
}

void NetworkSource::DropItemCopy()
{
    if (itemCopy.isEmpty())
        return;
    if (!keepDownloads)
        QFile::remove(itemCopy);
    itemCopy.clear();
}

void NetworkSource::DropSourceCopy(const QStringList& nextPaths)
{
    if (sourceCopy.isEmpty())
        return;
    // A next list made of the copy itself (the playlist editor plays its line) keeps it.
    if (!keepDownloads && !nextPaths.contains(sourceCopy))
        QFile::remove(sourceCopy);
    sourceCopy.clear();
}

#include "NetworkSource.h"

#include "DownloadCache.h"
#include "Metafile.h"
#include "ProgressDlg.h"

#include "platform/MessageBox.h"
#include "platform/ProgramEnding.h"
#include "platform/WindowMessage.h"
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
    QString stamp;
    QPointer<CProgressDlg> dialog;
    HttpDownload download(kAgent, limits);
    download.wantBody = [&](const HttpDownload::Response& answer) {
        responseHeaders = QString::fromLatin1(answer.rawHeaders);
        const qint64 length = answer.contentLength >= 0 ? answer.contentLength : kLengthWithoutHeader;
        stamp = downloadcache::FormatStamp(answer.lastModified);
        const bool modified = stamp != index.Stamp(server, object);
        // A copy is taken again only when it is this address's own: two addresses that end
        // in the same name share one cache file.
        const QFileInfo copy(cacheFile);
        const bool ours = index.Owner(cacheFile) == address;
        return !(keepDownloads && !modified && ours && copy.isFile() && copy.size() >= length);
    };
    download.bodyStarts = [&] {
        dialog = new CProgressDlg(window);
        dialog->SetColours(context.colours);
        dialog->Show(window);
        dialog->SetMessage(res::LoadString(res::kStrDownloadingFormat).arg(address));
    };
    download.progress = [&](qint64 total) {
        if (!dialog)
            return;
        const qint64 length = download.GetResponse().contentLength >= 0 ? download.GetResponse().contentLength
                                                                        : kLengthWithoutHeader;
        dialog->SetPercent(
            res::LoadString(res::kStrPercentFormat).arg(length > 0 ? total * 100 / length : 100));
    };
    download.stop = [&] { return platform::ProgramEnding() || (dialog && dialog->IsAborted()); };

    const HttpDownload::Result result = download.Run(url, cacheFile);
    if (dialog) {
        dialog->hide();
        dialog->deleteLater();
    }
    bool ok = false;
    switch (result) {
    case HttpDownload::Result::kDone:
        // The index learns the new copy only now that it is whole in the cache.
        index.Record(server, object, stamp, cacheFile, address);
        ok = true;
        break;
    case HttpDownload::Result::kSkipped:
        ok = true;
        break;
    case HttpDownload::Result::kFailed:
        platform::ShowMessageBox(window,
                                 res::LoadString(res::kStrDownloadFailed).arg(address, download.ErrorText()));
        break;
    case HttpDownload::Result::kAborted:
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

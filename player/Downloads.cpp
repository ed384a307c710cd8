// Network sources and items: the address test, cache names, the download into the cache with
// its progress dialog, and the metafiles that point at the media.

#include "DownloadCache.h"
#include "HttpDownload.h"
#include "MediaPlayer.h"
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
#include <QWidget>

namespace {

const QString kAgent = QStringLiteral("VimoPlayer Software");
// Without Content-Length the share done is counted against one block.
constexpr qint64 kLengthWithoutHeader = 0x80000;
// A metafile is read this far: a reference is in its first lines.
constexpr qint64 kMetafileBytes = 1 << 20;

} // namespace

bool CMediaPlayer::IsNetworkAddress(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString scheme = path.left(path.indexOf(u':') + 1).toLower();
    return scheme == u"http:" || scheme == u"https:" || scheme == u"rtsp:";
}

QString CMediaPlayer::GetCacheName(const QString& address) const
{
    return downloadcache::CacheFileName(cacheFolder, address);
}

void CMediaPlayer::SetDialogColours(const CDialogEx::Colours& colours)
{
    progressColours = colours;
}

bool CMediaPlayer::Download(const QString& address, const QString& cacheFile)
{
    const PlayerState saved = state.Get();
    state.Set(PlayerState::kDownloading);
    // Window messages (media events, a second instance's path) wait until the download is
    // over, so nothing re-enters the player meanwhile.
    platform::BoundedWait hold;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    auto* window = qobject_cast<QWidget*>(owner.data());

    const QUrl url(address);
    urlService = url.scheme().toLower();
    urlServer = url.host();
    urlObject =
        url.path(QUrl::FullyEncoded) + (url.hasQuery() ? u'?' + url.query(QUrl::FullyEncoded) : QString());
    responseHeaders.clear();
    lastModified = QDateTime();

    const downloadcache::CacheIndex index(cacheIndexFile);
    QString stamp;
    QPointer<CProgressDlg> dialog;
    HttpDownload download(kAgent, downloadLimits);
    download.wantBody = [&](const HttpDownload::Response& answer) {
        responseHeaders = QString::fromLatin1(answer.rawHeaders);
        lastModified = answer.lastModified;
        const qint64 length = answer.contentLength >= 0 ? answer.contentLength : kLengthWithoutHeader;
        stamp = downloadcache::FormatStamp(lastModified);
        const bool modified = stamp != index.Stamp(urlServer, urlObject);
        // A copy is taken again only when it is this address's own: two addresses that end
        // in the same name share one cache file.
        const QFileInfo copy(cacheFile);
        const bool ours = index.Owner(cacheFile) == address;
        return !(keepDownloads && !modified && ours && copy.isFile() && copy.size() >= length);
    };
    download.bodyStarts = [&] {
        dialog = new CProgressDlg(window);
        dialog->SetColours(progressColours);
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
        index.Record(urlServer, urlObject, stamp, cacheFile, address);
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
    state.Set(saved);
    return ok;
}

bool CMediaPlayer::FetchToCache(const QString& address, QString* cacheFile)
{
    QString followed = address;
    *cacheFile = GetCacheName(address);
    return Download(followed, *cacheFile) && ResolveMetafile(followed, *cacheFile);
}

bool CMediaPlayer::ResolveMetafile(QString& address, QString& cacheFile)
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
    cacheFile = GetCacheName(address);
    return Download(address, cacheFile);
}

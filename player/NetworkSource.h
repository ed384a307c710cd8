#pragma once
// NetworkSource: what the player controller plays from "http:", "https:" and "rtsp:" addresses
// (the last fail as downloads). An address is downloaded into the cache folder first, with the
// progress dialog, unless the cache index says the copy there is whole and still current; a
// metafile (ASX, WAX, WVX, RAM) is followed to the address it names, once. The media process
// carries the download out (platform/proxy/DownloadProxy.h). The source keeps
// the copies it made for the list (the source's) and for the open item, and removes them when
// they go unless downloads are kept.
//
// Owned by the controller; UI thread only. It knows nothing of the list or the engines.

#include "SourceContext.h"
#include "platform/ipc/DownloadTerms.h"

#include <QString>
#include <QStringList>

class NetworkSource
{
public:
    explicit NetworkSource(const SourceContext& context) : context(context) {}
    NetworkSource(const NetworkSource&) = delete;
    NetworkSource& operator=(const NetworkSource&) = delete;

    static bool IsAddress(const QString& path);

    void SetCacheFolder(const QString& folder);
    const QString& CacheFolder() const { return cacheFolder; }
    void SetLimits(const platform::ipc::DownloadLimits& values) { limits = values; }
    void SetKeepDownloads(bool keep) { keepDownloads = keep; }
    bool KeepsDownloads() const { return keepDownloads; }

    // The file `address` is downloaded to in the cache folder.
    QString CacheName(const QString& address) const;
    // The cache's whole copy of `address`, empty when there is none: a title alone never starts
    // a download.
    QString WholeCopy(const QString& address) const;

    // Fetches `address` into `cacheFile`, or finds the copy there still current. False, with a
    // message unless the user stopped it, when it failed; the cache then holds no part of it.
    bool Download(const QString& address, const QString& cacheFile);
    // The list's source and the open item, fetched and a metafile followed into SourceCopy() and
    // ItemCopy(); false when there is nothing to play. Each replaces the copy made for the same
    // use before.
    bool FetchSource(const QString& address) { return Fetch(address, &sourceCopy); }
    bool FetchItem(const QString& address) { return Fetch(address, &itemCopy); }
    // Removes the open item's copy unless downloads are kept.
    void DropItemCopy();
    // Removes the source's copy unless downloads are kept or `nextPaths` (the list that replaces
    // it) names it.
    void DropSourceCopy(const QStringList& nextPaths = {});
    const QString& SourceCopy() const { return sourceCopy; }
    const QString& ItemCopy() const { return itemCopy; }

    // The last answer's header lines.
    const QString& ResponseHeaders() const { return responseHeaders; }

private:
    bool Fetch(const QString& address, QString* copy);
    // When `address` names a metafile that `cacheFile` holds, follows its reference once: both
    // become the referenced address and its download.
    bool ResolveMetafile(QString& address, QString& cacheFile);

    const SourceContext& context;
    QString cacheFolder;
    QString cacheIndexFile;
    platform::ipc::DownloadLimits limits;
    bool keepDownloads = true;
    QString sourceCopy;
    QString itemCopy;
    QString responseHeaders;
};

#pragma once
// The download cache: the names files get in the cache folder, and the cache index
// ("cacheindex.ini") that remembers, per server and object, the Last-Modified time of the copy
// downloaded last, and which address each cache file holds.

#include "platform/ipc/DownloadTerms.h"

#include <QDateTime>
#include <QString>

namespace downloadcache {

// The name of `address`'s file in `cacheFolder`: the address's last path component (after
// the last "/" or "\"), upper-cased, with every "?" made "_" ("song.mp3?id=5" → "SONG.MP3_ID=5").
// The name always stays in the folder: an empty name, "." or ".." and the index's own name
// are changed, and a very long one is cut.
QString CacheFileName(const QString& cacheFolder, const QString& address);

// A name for an archive member's file: its last component, never empty, ".", ".." or one
// that leaves the folder it is put in.
QString SafeFileName(const QString& name);

// The Last-Modified time as the index writes it ("%04d/%02d/%02d %02d:%02d:%02d.%03d", UTC);
// an invalid time is "0000/00/00 00:00:00.000". The media process stamps a download the same way.
using platform::ipc::FormatStamp;

class CacheIndex
{
public:
    explicit CacheIndex(const QString& indexFile) : path(indexFile) {}

    static QString DefaultStamp() { return FormatStamp(QDateTime()); }

    // The stamp stored for `server`/`object`; DefaultStamp() when there is none.
    QString Stamp(const QString& server, const QString& object) const;
    // The address whose download `cacheFile` holds; empty when the index does not know.
    QString Owner(const QString& cacheFile) const;
    // Records a finished download: its stamp and that `cacheFile` now holds `address`. The
    // index is written whole or not at all.
    bool Record(const QString& server, const QString& object, const QString& stamp, const QString& cacheFile,
                const QString& address) const;

private:
    QString path;
};

} // namespace downloadcache

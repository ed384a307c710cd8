// The download cache's index file, as any earlier run or another program may have left it:
// looked up, then recorded into.

#include "FuzzSupport.h"
#include "player/DownloadCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const downloadcache::CacheIndex index(fuzz::WriteInput(data, size, QStringLiteral("cacheindex.ini")));
    index.Stamp(QStringLiteral("example.org"), QStringLiteral("/a.mp3"));
    index.Owner(QStringLiteral("/cache/a.mp3"));
    index.Record(QStringLiteral("example.org"), QStringLiteral("/a.mp3"),
                 downloadcache::CacheIndex::DefaultStamp(), QStringLiteral("/cache/a.mp3"),
                 QStringLiteral("http://example.org/a.mp3"));
    return 0;
}

// The download cache's names and index, the address test and the metafile rules: plain
// functions, no network.

#include "player/DownloadCache.h"
#include "player/MediaPlayer.h"
#include "player/Metafile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using downloadcache::CacheFileName;
using downloadcache::CacheIndex;
using downloadcache::FormatStamp;
using downloadcache::SafeFileName;

TEST(NetworkAddressTest, TakesHttpHttpsAndRtspInAnyCaseAndNothingElse)
{
    EXPECT_TRUE(NetworkSource::IsAddress(QStringLiteral("http://host/a.mp3")));
    EXPECT_TRUE(NetworkSource::IsAddress(QStringLiteral("HTTP://HOST/A.MP3")));
    EXPECT_TRUE(NetworkSource::IsAddress(QStringLiteral("https://host/a.mp3")));
    EXPECT_TRUE(NetworkSource::IsAddress(QStringLiteral("rtsp://host/stream")));
    EXPECT_FALSE(NetworkSource::IsAddress(QStringLiteral("ftp://host/a.mp3")));
    EXPECT_FALSE(NetworkSource::IsAddress(QStringLiteral("/music/http:/a.mp3")));
    EXPECT_FALSE(NetworkSource::IsAddress(QStringLiteral("httpx://host/a.mp3")));
    EXPECT_FALSE(NetworkSource::IsAddress(QString()));
}

TEST(CacheFileNameTest, IsTheUpperCasedLastComponentWithQuestionMarksReplaced)
{
    const QString folder = QStringLiteral("/cache");
    EXPECT_EQ(CacheFileName(folder, QStringLiteral("http://host/dir/song.mp3?id=5")),
              QStringLiteral("/cache/SONG.MP3_ID=5"));
    EXPECT_EQ(CacheFileName(folder, QStringLiteral("http://host/a/b/Tone.Ogg")),
              QStringLiteral("/cache/TONE.OGG"));
    // A "/" in the query is a separator, as it is for a path.
    EXPECT_EQ(CacheFileName(folder, QStringLiteral("http://host/get?file=x/y.mp3")),
              QStringLiteral("/cache/Y.MP3"));
    // Two addresses that end in the same name share one file.
    EXPECT_EQ(CacheFileName(folder, QStringLiteral("http://one/a/x.mp3")),
              CacheFileName(folder, QStringLiteral("http://two/b/X.MP3")));
}

TEST(CacheFileNameTest, NeverLeavesTheCacheFolder)
{
    const QString folder = QStringLiteral("/cache");
    const QStringList addresses = {
        QStringLiteral("http://host/"),
        QStringLiteral("http://host"),
        QStringLiteral("http://host/a/.."),
        QStringLiteral("http://host/a/."),
        QStringLiteral("http://host/x?f=..\\..\\evil"),
        QStringLiteral("http://host/..%2F..%2Fevil"),
        QStringLiteral("http://host/cacheindex.ini"),
        QStringLiteral("http://host/CacheIndex.INI"),
        QStringLiteral("http://host/") + QString(400, u'a') + QStringLiteral(".mp3"),
    };
    for (const QString& address : addresses) {
        const QString name = CacheFileName(folder, address);
        SCOPED_TRACE(address.left(60).toStdString() + " -> " + name.left(60).toStdString());
        const QFileInfo info(name);
        EXPECT_EQ(info.absolutePath(), folder);
        EXPECT_FALSE(info.fileName().isEmpty());
        EXPECT_NE(info.fileName(), QStringLiteral("."));
        EXPECT_NE(info.fileName(), QStringLiteral(".."));
        EXPECT_FALSE(info.fileName().contains(u'\\'));
        EXPECT_NE(info.fileName().toLower(), QStringLiteral("cacheindex.ini"));
        EXPECT_LE(info.fileName().toUtf8().size(), 255);
    }
    // The long name keeps its end, so the extension still tells its kind.
    EXPECT_TRUE(
        CacheFileName(folder, QStringLiteral("http://host/") + QString(400, u'a') + QStringLiteral(".mp3"))
            .endsWith(QStringLiteral(".MP3")));
}

TEST(SafeFileNameTest, KeepsMemberNamesInTheirFolder)
{
    EXPECT_EQ(SafeFileName(QStringLiteral("a/b/song.mp3")), QStringLiteral("song.mp3"));
    EXPECT_EQ(SafeFileName(QStringLiteral("../x.mp3")), QStringLiteral("x.mp3"));
    EXPECT_EQ(SafeFileName(QStringLiteral("..\\..\\y.mp3")), QStringLiteral("y.mp3"));
    EXPECT_EQ(SafeFileName(QStringLiteral("/etc/passwd")), QStringLiteral("passwd"));
    for (const QString& odd :
         {QString(), QStringLiteral("a/"), QStringLiteral(".."), QStringLiteral("a/..")}) {
        const QString name = SafeFileName(odd);
        EXPECT_FALSE(name.isEmpty());
        EXPECT_NE(name, QStringLiteral(".."));
        EXPECT_FALSE(name.contains(u'/'));
    }
    // Names that differ only in case stay different files.
    EXPECT_NE(SafeFileName(QStringLiteral("A.mp3")), SafeFileName(QStringLiteral("a.mp3")));
}

TEST(CacheIndexTest, StampsAreWrittenWithMillisecondsAndReadBackPerServerAndObject)
{
    EXPECT_EQ(FormatStamp(QDateTime()), QStringLiteral("0000/00/00 00:00:00.000"));
    const QDateTime time(QDate(2026, 3, 4), QTime(5, 6, 7, 89), Qt::UTC);
    EXPECT_EQ(FormatStamp(time), QStringLiteral("2026/03/04 05:06:07.089"));

    QTemporaryDir dir;
    const CacheIndex index(dir.filePath(QStringLiteral("cacheindex.ini")));
    EXPECT_EQ(index.Stamp(QStringLiteral("host"), QStringLiteral("/a.mp3")), CacheIndex::DefaultStamp());
    EXPECT_TRUE(index.Owner(dir.filePath(QStringLiteral("A.MP3"))).isEmpty());

    // Objects and names with "=" (queries) and a leading ";" are keys like any other.
    const QString object = QStringLiteral("/play?id=5&x=;y");
    const QString file = dir.filePath(QStringLiteral("PLAY_ID=5&X=;Y"));
    const QString address = QStringLiteral("http://host/play?id=5&x=;y");
    ASSERT_TRUE(index.Record(QStringLiteral("host"), object, FormatStamp(time), file, address));
    ASSERT_TRUE(index.Record(QStringLiteral("other"), QStringLiteral(";odd"), QStringLiteral("s2"),
                             dir.filePath(QStringLiteral(";ODD")), QStringLiteral("http://other/;odd")));
    EXPECT_EQ(index.Stamp(QStringLiteral("host"), object), FormatStamp(time));
    EXPECT_EQ(index.Stamp(QStringLiteral("HOST"), object), FormatStamp(time)); // sections ignore case
    EXPECT_EQ(index.Stamp(QStringLiteral("other"), object), CacheIndex::DefaultStamp());
    EXPECT_EQ(index.Stamp(QStringLiteral("other"), QStringLiteral(";odd")), QStringLiteral("s2"));
    EXPECT_EQ(index.Owner(file), address);
    EXPECT_EQ(index.Owner(dir.filePath(QStringLiteral(";ODD"))), QStringLiteral("http://other/;odd"));

    // A newer download replaces the entries.
    ASSERT_TRUE(index.Record(QStringLiteral("host"), object, QStringLiteral("later"), file,
                             QStringLiteral("http://x/")));
    EXPECT_EQ(index.Stamp(QStringLiteral("host"), object), QStringLiteral("later"));
    EXPECT_EQ(index.Owner(file), QStringLiteral("http://x/"));
}

TEST(MetafileTest, KindComesFromTheExtensionAnywhereInTheAddress)
{
    EXPECT_EQ(MetafileKindOf(QStringLiteral("http://h/list.asx")), MetafileKind::kAsx);
    EXPECT_EQ(MetafileKindOf(QStringLiteral("http://h/LIST.WAX")), MetafileKind::kAsx);
    EXPECT_EQ(MetafileKindOf(QStringLiteral("http://h/play.asp?f=news.wvx")), MetafileKind::kAsx);
    EXPECT_EQ(MetafileKindOf(QStringLiteral("http://h/radio.ram")), MetafileKind::kRam);
    // Words that merely hold the letters are no metafiles.
    EXPECT_EQ(MetafileKindOf(QStringLiteral("http://h/programs/stream.mp3")), MetafileKind::kNone);
    EXPECT_EQ(MetafileKindOf(QStringLiteral("http://h/waxwork.mp3")), MetafileKind::kNone);
}

TEST(MetafileTest, AsxReferenceIsTheFirstQuotedHrefInItsOwnCase)
{
    const QByteArray asx = "<ASX version=\"3.0\">\r\n"
                           "<Entry><Title>News</Title>\r\n"
                           "<ref>no address here</ref>\r\n"
                           "<Ref HREF = \"http://Host/Path/Clip.WMV\" />\r\n"
                           "<REF href=\"http://second/other.wmv\"/>\r\n"
                           "</Entry></ASX>\r\n";
    EXPECT_EQ(FindMetafileReference(MetafileKind::kAsx, asx), QStringLiteral("http://Host/Path/Clip.WMV"));
    // A quote that never closes runs to the end of the line.
    EXPECT_EQ(FindMetafileReference(MetafileKind::kAsx, "<ref href=\"http://h/open.wmv\n"),
              QStringLiteral("http://h/open.wmv"));
    EXPECT_EQ(FindMetafileReference(MetafileKind::kAsx, "<asx><entry>nothing</entry></asx>"), std::nullopt);
    EXPECT_EQ(FindMetafileReference(MetafileKind::kAsx, QByteArray("\x00\xff\xfe<ref", 7)), std::nullopt);
}

TEST(MetafileTest, RamReferenceIsTheFirstLineWithHttpLowerCased)
{
    const QByteArray ram = "# a comment\r\n"
                           "pnm://old/server\r\n"
                           "See HTTP://Host/Live/Stream.MP3 \r\n"
                           "http://second/x.mp3\r\n";
    EXPECT_EQ(FindMetafileReference(MetafileKind::kRam, ram), QStringLiteral("http://host/live/stream.mp3"));
    EXPECT_EQ(FindMetafileReference(MetafileKind::kRam, "rtsp://only/this\n"), std::nullopt);
    EXPECT_EQ(FindMetafileReference(MetafileKind::kNone, "http://x/\n"), std::nullopt);
}

} // namespace

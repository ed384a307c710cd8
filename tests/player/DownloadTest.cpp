// Downloads into the cache from a real HTTP server on 127.0.0.1 (support/httpd) that misbehaves
// on request: status codes, dropped connections, stalls, slow answers, redirects and their
// loops, metafiles, the progress dialog's abort, and the network source and item of the player.

#include "platform/MessageBox.h"
#include "platform/ProgramEnding.h"
#include "player/DownloadCache.h"
#include "player/MediaPlayer.h"
#include "player/ProgressDlg.h"
#include "res/StringTable.h"
#include "support/HttpServer.h"
#include "support/MediaFiles.h"
#include "support/PlayerScene.h"
#include "support/Wait.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::HasSubstr;
using testsupport::HttpServer;
using testsupport::WaitUntil;

// What a running download shows, seen from the event loop it keeps going.
struct DuringDownload
{
    int ticks = 0;           // timer ticks delivered while the player was downloading
    int states = 0;          // of those, ticks that found the player's state at 8
    QString message;         // the dialog's message line
    QStringList percentages; // the dialog's progress texts, as they changed
};

class DownloadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(served.isValid());
        ASSERT_TRUE(cache.isValid());
        server = std::make_unique<HttpServer>(served.path());
        ASSERT_TRUE(server->Start());
        player.Init(&owner, cache.path());
        CMediaPlayer::DisplaySettings display;
        display.stillWindow = false;
        player.ApplyDisplaySettings(display);
        SetKeepDownloads(true);
        platform::ipc::DownloadLimits limits;
        limits.stallMs = 1500;
        player.SetDownloadLimits(limits);
        platform::SetMessageBoxObserver([this](const QString& text, int) {
            messages << text;
            return platform::kIdOk;
        });
    }
    void TearDown() override
    {
        platform::SetMessageBoxObserver(nullptr);
        platform::SetProgramEnding(false);
    }

    void SetKeepDownloads(bool on)
    {
        CMediaPlayer::PlaySettings play;
        play.showTags = false;
        play.keepDownloads = on;
        player.ApplyPlaySettings(play, true);
    }

    // A file of `size` bytes that tell their own place, served as `name`.
    QByteArray Serve(const QString& name, qint64 size)
    {
        QByteArray bytes(size, '\0');
        for (qint64 i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 4096) & 0xff);
        QFile file(served.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return bytes;
    }
    QByteArray Cached(const QString& name) const
    {
        QFile file(cache.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Everything in the cache folder besides its index, temporary files included.
    QStringList CacheEntries() const
    {
        QStringList entries = QDir(cache.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        entries.removeAll(QStringLiteral("cacheindex.ini"));
        return entries;
    }
    ino_t Inode(const QString& name) const
    {
        struct stat info
        {};
        return ::stat(QFile::encodeName(cache.filePath(name)).constData(), &info) == 0 ? info.st_ino : 0;
    }
    bool Download(const QString& pathAndQuery, DuringDownload* during = nullptr)
    {
        const QString address = server->Url(pathAndQuery);
        return DownloadAddress(address, player.Network().CacheName(address), during);
    }
    // Runs the download while a timer looks at the player and its dialog every 5 ms.
    bool DownloadAddress(const QString& address, const QString& cacheFile, DuringDownload* during = nullptr,
                         const std::function<void(CProgressDlg*)>& onDialog = {})
    {
        DuringDownload seen;
        QTimer look;
        look.setInterval(5);
        QObject::connect(&look, &QTimer::timeout, [&] {
            ++seen.ticks;
            if (player.GetState().Is(PlayerState::kDownloading))
                ++seen.states;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<CProgressDlg*>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                seen.message = dialog->MessageText();
                if (seen.percentages.isEmpty() || seen.percentages.back() != dialog->PercentText())
                    seen.percentages << dialog->PercentText();
                if (onDialog)
                    onDialog(dialog);
            }
        });
        look.start();
        const bool ok = player.Download(address, cacheFile);
        if (during)
            *during = seen;
        return ok;
    }

    QTemporaryDir served;
    QTemporaryDir cache;
    std::unique_ptr<HttpServer> server;
    QWidget owner;
    CMediaPlayer player;
    QStringList messages;
};

TEST_F(DownloadTest, AWholeFileIsWrittenUnderItsCacheNameWhileTheWindowKeepsRunning)
{
    const QByteArray bytes = Serve(QStringLiteral("tone.raw"), 3 << 20);
    PlayerScene(player).SetState(PlayerState::kStopped);
    DuringDownload during;
    ASSERT_TRUE(Download(QStringLiteral("tone.raw?lastmod=1700000000&slow=5"), &during));

    EXPECT_EQ(Cached(QStringLiteral("TONE.RAW_LASTMOD=1700000000&SLOW=5")), bytes);
    EXPECT_EQ(CacheEntries(), QStringList{QStringLiteral("TONE.RAW_LASTMOD=1700000000&SLOW=5")});
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    // The state is 8 while it runs and what it was afterwards; the event loop ran meanwhile.
    EXPECT_TRUE(player.GetState().Is(PlayerState::kStopped));
    EXPECT_GT(during.states, 0);
    EXPECT_EQ(during.message, res::LoadString(res::kStrDownloadingFormat)
                                  .arg(server->Url(QStringLiteral("tone.raw?lastmod=1700000000&slow=5"))));
    ASSERT_FALSE(during.percentages.isEmpty());
    EXPECT_THAT(during.percentages.back().toStdString(), HasSubstr("%完了"));
    // The index has the server's time of the copy; the server saw the agent's name.
    const downloadcache::CacheIndex index(cache.filePath(QStringLiteral("cacheindex.ini")));
    EXPECT_EQ(index.Stamp(QStringLiteral("127.0.0.1"), QStringLiteral("/tone.raw?lastmod=1700000000&slow=5")),
              QStringLiteral("2023/11/14 22:13:20.000"));
    ASSERT_TRUE(server->WaitForRequests(1));
    EXPECT_THAT(server->RequestLog().at(0).toStdString(), HasSubstr("\"VimoPlayer Software\""));
    EXPECT_THAT(player.Network().ResponseHeaders().toStdString(),
                HasSubstr("Last-Modified: Tue, 14 Nov 2023 22:13:20 GMT"));
}

TEST_F(DownloadTest, WithoutLengthOrTimeTheWholeBodyIsTakenAndCountsAsUnchanged)
{
    const QByteArray bytes = Serve(QStringLiteral("open.raw"), 700000);
    const QString name = QStringLiteral("OPEN.RAW_NOLENGTH=1&NOLASTMOD=1");
    DuringDownload during;
    ASSERT_TRUE(Download(QStringLiteral("open.raw?nolength=1&nolastmod=1"), &during));
    EXPECT_EQ(Cached(name), bytes);
    // Without Content-Length the share is counted against 512 KiB: at most 700000 / 524288.
    for (const QString& shown : during.percentages) {
        EXPECT_TRUE(shown == u"0%" || shown.endsWith(QStringLiteral("%完了"))) << shown.toStdString();
        EXPECT_LE(shown.left(shown.indexOf(u'%')).toInt(), 133) << shown.toStdString();
    }
    const ino_t first = Inode(name);
    // No Last-Modified is the default stamp: with the cache on, the copy is taken again.
    ASSERT_TRUE(Download(QStringLiteral("open.raw?nolength=1&nolastmod=1")));
    EXPECT_EQ(Inode(name), first);
}

TEST_F(DownloadTest, KeepDownloadsTakesAnUnchangedCopyAndFetchesAChangedOrForeignOne)
{
    const QByteArray bytes = Serve(QStringLiteral("song.raw"), 200000);
    ASSERT_TRUE(Download(QStringLiteral("song.raw")));
    const ino_t first = Inode(QStringLiteral("SONG.RAW"));
    ASSERT_NE(first, 0u);

    // Unchanged: nothing is written (the file is the same one).
    ASSERT_TRUE(Download(QStringLiteral("song.raw")));
    EXPECT_EQ(Inode(QStringLiteral("SONG.RAW")), first);

    // The server's copy changed: fetched again.
    QFile servedFile(served.filePath(QStringLiteral("song.raw")));
    ASSERT_TRUE(servedFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(servedFile.setFileTime(QDateTime::currentDateTimeUtc().addDays(1),
                                       QFileDevice::FileModificationTime));
    servedFile.close();
    ASSERT_TRUE(Download(QStringLiteral("song.raw")));
    const ino_t second = Inode(QStringLiteral("SONG.RAW"));
    EXPECT_NE(second, first);

    // Another address ending in the same name shares the file but never takes this copy,
    // even when neither has a time stamp (both are then "unchanged").
    const QString alone = QStringLiteral("SONG.RAW_NOLASTMOD=1");
    ASSERT_TRUE(Download(QStringLiteral("song.raw?nolastmod=1")));
    const ino_t own = Inode(alone);
    ASSERT_TRUE(Download(QStringLiteral("song.raw?nolastmod=1")));
    EXPECT_EQ(Inode(alone), own);
    ASSERT_TRUE(Download(QStringLiteral("redirect/0/song.raw?nolastmod=1")));
    EXPECT_NE(Inode(alone), own);
    EXPECT_EQ(Cached(alone), bytes);

    ASSERT_TRUE(Download(QStringLiteral("redirect/0/song.raw")));
    const ino_t third = Inode(QStringLiteral("SONG.RAW"));
    EXPECT_NE(third, second);

    // With the cache off every download reads the data again.
    ASSERT_TRUE(Download(QStringLiteral("redirect/0/song.raw")));
    EXPECT_EQ(Inode(QStringLiteral("SONG.RAW")), third);
    SetKeepDownloads(false);
    ASSERT_TRUE(Download(QStringLiteral("redirect/0/song.raw")));
    EXPECT_NE(Inode(QStringLiteral("SONG.RAW")), third);
}

TEST_F(DownloadTest, AnErrorStatusIsAFailureWithTheStatusAndNothingInTheCache)
{
    Serve(QStringLiteral("page.raw"), 5000);
    for (const auto& [query, status] :
         {std::pair{QStringLiteral("page.raw?status=500"), QStringLiteral("500")},
          std::pair{QStringLiteral("page.raw?status=503"), QStringLiteral("503")},
          std::pair{QStringLiteral("missing.raw"), QStringLiteral("404")}}) {
        messages.clear();
        EXPECT_FALSE(Download(query)) << query.toStdString();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_THAT(messages[0].toStdString(), HasSubstr(status.toStdString()));
        EXPECT_THAT(messages[0].toStdString(), HasSubstr(server->Url(query).toStdString()));
    }
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(u' ').toStdString();
    // The same server answers a good request: the failures were the statuses.
    EXPECT_TRUE(Download(QStringLiteral("page.raw")));
}

TEST_F(DownloadTest, AConnectionDroppedBeforeTheLengthIsAFailureAndLeavesNoPart)
{
    Serve(QStringLiteral("cut.raw"), 2 << 20);
    EXPECT_FALSE(Download(QStringLiteral("cut.raw?drop=100000")));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_THAT(messages[0].toStdString(), HasSubstr("接続が途中で切れました"));
    EXPECT_THAT(messages[0].toStdString(), HasSubstr(std::to_string(2 << 20)));
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(u' ').toStdString();
    // Nothing was recorded either: the same address is fetched, not taken from the cache.
    const downloadcache::CacheIndex index(cache.filePath(QStringLiteral("cacheindex.ini")));
    EXPECT_EQ(index.Owner(cache.filePath(QStringLiteral("CUT.RAW_DROP=100000"))), QString());
}

// A body past the size bound (announced, or endless) and one that would fill the cache's disk
// end with a message that says so, and nothing of them stays.
TEST_F(DownloadTest, BodiesPastTheBoundOrTheDisksRoomEndWithAMessageAndLeaveNothing)
{
    Serve(QStringLiteral("big.raw"), 3 << 20);
    const qint64 diskFree = QStorageInfo(cache.path()).bytesAvailable();
    struct Case
    {
        const char* query;
        qint64 maxBytes;
        qint64 minFreeBytes;
        const char* says;
    };
    const Case cases[] = {
        {"big.raw", 2 << 20, 0, "2 MiB"},                                    // announced too large
        {"big.raw?endless=1", 8 << 20, 0, "8 MiB"},                          // endless, no length
        {"big.raw", 64 << 20, diskFree + (1 << 30), "空き容量がありません"}, // the disk would be full
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        platform::ipc::DownloadLimits limits;
        limits.stallMs = 5000;
        limits.maxBytes = c.maxBytes;
        limits.minFreeBytes = c.minFreeBytes;
        player.SetDownloadLimits(limits);
        messages.clear();
        EXPECT_FALSE(Download(QString::fromLatin1(c.query)));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_THAT(messages[0].toStdString(), HasSubstr(c.says));
        EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(u' ').toStdString();
    }
}

// What a download brings is media only: a list served from an address that names a program of
// this machine, by its path or climbing out of the cache with "../", never starts it and asks
// nothing. A list of this machine naming it asks first, and starts it only on a yes.
TEST_F(DownloadTest, AListFromAnAddressNeverStartsAProgramAndALocalOneAsksFirst)
{
    // Two programs of this machine, each leaving its own marker when it runs.
    QTemporaryDir elsewhere;
    const auto program = [&](const QString& name) {
        const QString path = elsewhere.filePath(name + QStringLiteral(".sh"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho run >> '" + elsewhere.filePath(name).toUtf8() + "'\n");
        file.close();
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    };
    const QString remote = program(QStringLiteral("remote"));
    const QString local = program(QStringLiteral("local"));
    int answer = platform::kIdNo;
    platform::SetMessageBoxObserver([&](const QString& text, int) {
        messages << text;
        return answer;
    });
    const auto list = [](const QString& path, const QString& line) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(line.toUtf8() + "\r\n") > 0;
    };
    ASSERT_TRUE(list(served.filePath(QStringLiteral("named.m3u")), remote));
    ASSERT_TRUE(
        list(served.filePath(QStringLiteral("climbing.m3u")), QDir(cache.path()).relativeFilePath(remote)));
    for (const char* name : {"named.m3u", "climbing.m3u"}) {
        player.SetItems({server->Url(QString::fromLatin1(name))}, false, QString());
        ASSERT_EQ(player.Items().size(), 1) << name;
        EXPECT_FALSE(player.OpenForward(ForwardFrom::kStart)) << name;
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();

    const QString localList = elsewhere.filePath(QStringLiteral("local.m3u"));
    ASSERT_TRUE(list(localList, local));
    for (const int said : {platform::kIdNo, platform::kIdYes}) {
        answer = said;
        messages.clear();
        player.SetItems({localList}, false, QString());
        player.OpenForward(ForwardFrom::kStart);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_THAT(messages[0].toStdString(), HasSubstr(local.toStdString()));
    }
    // The yes ran the local program, started after the lists from the address were passed over:
    // had either of those started theirs, its marker would be there by now.
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(elsewhere.filePath(QStringLiteral("local"))); }, 10000));
    EXPECT_FALSE(QFile::exists(elsewhere.filePath(QStringLiteral("remote"))));
}

TEST_F(DownloadTest, AStalledServerEndsTheDownloadWithAMessageAndTheLoopKeepsRunning)
{
    Serve(QStringLiteral("stall.raw"), 1 << 20);
    for (const QString& query :
         {QStringLiteral("stall.raw?stall=65536"), QStringLiteral("stall.raw?stallhead=1")}) {
        messages.clear();
        DuringDownload during;
        EXPECT_FALSE(Download(query, &during)) << query.toStdString();
        ASSERT_EQ(messages.size(), 1) << query.toStdString();
        EXPECT_THAT(messages[0].toStdString(), HasSubstr("2秒の間ﾃﾞｰﾀが届きませんでした"));
        EXPECT_GT(during.ticks, 10);
    }
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(u' ').toStdString();
    // A slow server that keeps sending is no stall.
    const QByteArray bytes = Serve(QStringLiteral("slow.raw"), 1 << 20);
    ASSERT_TRUE(Download(QStringLiteral("slow.raw?slow=30")));
    EXPECT_EQ(Cached(QStringLiteral("SLOW.RAW_SLOW=30")), bytes);
}

TEST_F(DownloadTest, RedirectsAreFollowedWithinTheirBound)
{
    const QByteArray bytes = Serve(QStringLiteral("far.raw"), 100000);
    ASSERT_TRUE(Download(QStringLiteral("redirect/3/far.raw")));
    EXPECT_EQ(Cached(QStringLiteral("FAR.RAW")), bytes);

    for (const QString& query : {QStringLiteral("loop"), QStringLiteral("redirect/30/far.raw")}) {
        messages.clear();
        QFile::remove(cache.filePath(QStringLiteral("FAR.RAW")));
        EXPECT_FALSE(Download(query)) << query.toStdString();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_THAT(messages[0].toStdString(),
                    HasSubstr(res::LoadString(res::kStrTooManyRedirects).toStdString()));
    }
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(u' ').toStdString();
}

TEST_F(DownloadTest, AddressesThatCannotBeFetchedFailWithAMessage)
{
    const QStringList addresses = {
        QStringLiteral("http:///x.mp3"), QStringLiteral("http://"),
        QStringLiteral("rtsp://127.0.0.1:%1/x.mp3").arg(server->Port()),
        QStringLiteral("http://127.0.0.1:1/x.mp3"), // nobody listens
    };
    for (const QString& address : addresses) {
        messages.clear();
        EXPECT_FALSE(DownloadAddress(address, player.Network().CacheName(address))) << address.toStdString();
        EXPECT_EQ(messages.size(), 1) << address.toStdString();
    }
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(u' ').toStdString();
}

TEST_F(DownloadTest, HttpsChecksTheServersCertificate)
{
    // A real TLS server on 127.0.0.1 with a certificate of its own that nothing vouches for.
    Serve(QStringLiteral("secret.raw"), 1000);
    QProcess make;
    make.setWorkingDirectory(served.path());
    make.start(QStringLiteral("openssl"),
               {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                QStringLiteral("key.pem"), QStringLiteral("-out"), QStringLiteral("cert.pem"),
                QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-days"),
                QStringLiteral("2")});
    ASSERT_TRUE(make.waitForFinished(60000) && make.exitCode() == 0)
        << make.readAllStandardError().toStdString();
    QProcess tls;
    tls.setWorkingDirectory(served.path());
    tls.setProcessChannelMode(QProcess::MergedChannels);
    tls.start(QStringLiteral("openssl"),
              {QStringLiteral("s_server"), QStringLiteral("-accept"), QStringLiteral("127.0.0.1:0"),
               QStringLiteral("-cert"), QStringLiteral("cert.pem"), QStringLiteral("-key"),
               QStringLiteral("key.pem"), QStringLiteral("-WWW")});
    QString port;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const QRegularExpressionMatch match =
                QRegularExpression(QStringLiteral("ACCEPT 127\\.0\\.0\\.1:(\\d+)"))
                    .match(QString::fromLatin1(tls.peek(4096)));
            port = match.captured(1);
            return !port.isEmpty();
        },
        20000));
    const QString address = QStringLiteral("https://127.0.0.1:%1/secret.raw").arg(port);
    EXPECT_FALSE(DownloadAddress(address, player.Network().CacheName(address)));
    ASSERT_EQ(messages.size(), 1);
    // The handshake took place and the certificate was refused, said in the program's language.
    EXPECT_THAT(messages[0].toStdString(), HasSubstr("自己証明書"));
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(u' ').toStdString();
    tls.kill();
    tls.waitForFinished(10000);
}

TEST_F(DownloadTest, TheAbortButtonAndTheProgramsEndStopTheDownloadAndLeaveNoPart)
{
    Serve(QStringLiteral("long.raw"), 4 << 20);
    const QString address = server->Url(QStringLiteral("long.raw?slow=40"));
    bool pressed = false;
    EXPECT_FALSE(
        DownloadAddress(address, player.Network().CacheName(address), nullptr, [&](CProgressDlg* dialog) {
            if (!pressed && dialog->PercentText() != u"0%") {
                pressed = true;
                dialog->Item<QAbstractButton>(CProgressDlg::kAbortButton)->click();
            }
        }));
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(u' ').toStdString();
    // The dialog goes with the download.
    EXPECT_TRUE(WaitUntil([] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<CProgressDlg*>(widget))
                return false;
        return true;
    }));

    bool ended = false;
    EXPECT_FALSE(DownloadAddress(address, player.Network().CacheName(address), nullptr, [&](CProgressDlg*) {
        ended = true;
        platform::SetProgramEnding(true);
    }));
    EXPECT_TRUE(ended);
    EXPECT_TRUE(CacheEntries().isEmpty()) << CacheEntries().join(u' ').toStdString();
}

TEST_F(DownloadTest, ANetworkSourceBecomesItsCacheFileOrAnEmptyList)
{
    Serve(QStringLiteral("one.raw"), 1000);
    const QString copy = cache.filePath(QStringLiteral("ONE.RAW"));
    player.SetItems({server->Url(QStringLiteral("one.raw"))}, false, QString());
    EXPECT_EQ(player.Items(), QStringList{copy});
    EXPECT_EQ(player.SourceFlags() & kSourceDownloaded, kSourceDownloaded);
    EXPECT_EQ(player.Network().SourceCopy(), copy);

    // Without the cache, the copy stays while its list is the source (stopping closes the item
    // only), and also when the next list is that very file, as the playlist editor's play makes.
    SetKeepDownloads(false);
    player.Close(false);
    EXPECT_TRUE(QFileInfo::exists(copy));
    player.SetItems({copy}, false, QString());
    EXPECT_EQ(player.Items(), QStringList{copy});
    EXPECT_TRUE(QFileInfo::exists(copy));
    player.SetItems({server->Url(QStringLiteral("one.raw"))}, false, QString());
    EXPECT_EQ(player.Network().SourceCopy(), copy);

    player.SetItems({server->Url(QStringLiteral("none.raw"))}, false, QString());
    EXPECT_FALSE(QFileInfo::exists(copy)) << "it went with its list";
    EXPECT_TRUE(player.Items().isEmpty());
    EXPECT_EQ(player.Current(), -1);
}

TEST_F(DownloadTest, MetafilesAreFollowedOnceToTheirReference)
{
    const QByteArray bytes = Serve(QStringLiteral("clip.raw"), 4000);
    const auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(served.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write(QStringLiteral("list.asx"), "<asx version=\"3.0\">\n<entry>\n<REF Href=\"" +
                                          server->Url(QStringLiteral("clip.raw")).toUtf8() +
                                          "\"/>\n</entry></asx>\n");
    write(QStringLiteral("near.wax"), "<asx><entry><ref href=\"clip.raw?near=1\"/></entry></asx>\n");
    write(QStringLiteral("radio.ram"),
          "# stream\n" + server->Url(QStringLiteral("CLIP.RAW")).toUpper().toUtf8() + "\n");
    write(QStringLiteral("loop.asx"), "<asx><entry><ref href=\"loop.asx\"/></entry></asx>\n");

    player.SetItems({server->Url(QStringLiteral("list.asx"))}, false, QString());
    EXPECT_EQ(player.Items(), QStringList{cache.filePath(QStringLiteral("CLIP.RAW"))});
    EXPECT_EQ(Cached(QStringLiteral("CLIP.RAW")), bytes);
    EXPECT_FALSE(QFileInfo::exists(cache.filePath(QStringLiteral("LIST.ASX"))));

    // A reference without a server is taken from the metafile's address.
    player.SetItems({server->Url(QStringLiteral("near.wax"))}, false, QString());
    EXPECT_EQ(player.Items(), QStringList{cache.filePath(QStringLiteral("CLIP.RAW_NEAR=1"))});

    // RAM: the line from "http:" on, lower-cased.
    player.SetItems({server->Url(QStringLiteral("radio.ram"))}, false, QString());
    EXPECT_EQ(player.Items(), QStringList{cache.filePath(QStringLiteral("CLIP.RAW"))});

    // One level only: a metafile that names itself is fetched twice, not forever.
    const int before = server->RequestLog().size();
    player.SetItems({server->Url(QStringLiteral("loop.asx"))}, false, QString());
    ASSERT_TRUE(server->WaitForRequests(before + 2));
    EXPECT_EQ(server->RequestLog().size(), before + 2);
    EXPECT_EQ(player.Items(), QStringList{cache.filePath(QStringLiteral("LOOP.ASX"))});
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(DownloadTest, ANetworkItemIsPlayedFromTheCacheAndItsCopyFollowsTheCacheSetting)
{
    const QString tone = media_files::MakeTone(served.path(), QStringLiteral("wav"), 1.0);
    ASSERT_FALSE(tone.isEmpty());
    const QString address = server->Url(QStringLiteral("tone.wav"));
    const QString copy = cache.filePath(QStringLiteral("TONE.WAV"));
    for (const bool keep : {true, false}) {
        SetKeepDownloads(keep);
        QFile::remove(copy);
        PlayerScene(player).SetList({address, server->Url(QStringLiteral("gone.wav"))}, 0);
        PlayerScene(player).SetSource(QString(), kSourcePlaylist);
        QWidget* video = nullptr;
        const ItemKind kind = player.OpenItem(address, false, &video);
        EXPECT_EQ(kind, ItemKind::kMediaFile) << keep;
        PlayerScene(player).SetKind(kind); // as the list walker keeps it
        EXPECT_EQ(player.SourceFlags() & kItemDownloaded, kItemDownloaded);
        EXPECT_EQ(player.Network().ItemCopy(), copy);
        EXPECT_TRUE(QFileInfo::exists(copy));
        player.Close(false);
        EXPECT_EQ(QFileInfo::exists(copy), keep) << keep;
    }
    // An item that cannot be fetched is not opened, with a message.
    messages.clear();
    QWidget* video = nullptr;
    EXPECT_EQ(player.OpenItem(server->Url(QStringLiteral("gone.wav")), false, &video), ItemKind::kNone);
    EXPECT_EQ(messages.size(), 1);
}

} // namespace

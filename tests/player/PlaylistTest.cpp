#include "player/Playlist.h"
#include "platform/TestSupport.h"
#include "support/Fifo.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class PlaylistTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"a.mp3", "sub/b.mp3", "other/x.mp3"})
            testsupport::WriteFile(dir.filePath(name), QByteArray());
        base = dir.path() + u'/';
        m3u = dir.filePath("list.m3u");
    }
    QList<PlaylistEntry> Read(const QByteArray& bytes) const
    {
        testsupport::WriteFile(m3u, bytes);
        return ReadPlaylistEntries(m3u);
    }
    static QStringList Paths(const QList<PlaylistEntry>& entries)
    {
        QStringList paths;
        for (const PlaylistEntry& entry : entries)
            paths.append(entry.path);
        return paths;
    }

    QTemporaryDir dir;
    QString base;
    QString m3u;
};

TEST_F(PlaylistTest, ResolvesRelativeAbsoluteAndNetworkLines)
{
    const QByteArray absolute = QFile::encodeName(base + "other/x.mp3");
    const auto entries = Read("#EXTM3U\n"
                              "#EXTINF:12,a.mp3\n"
                              "a.mp3\n"
                              "\n"
                              "sub/b.mp3\r\n" +
                              absolute +
                              "\r\n"
                              "http://radio.example/stream.mp3\n"
                              "HTTP://Upper.example/list/s.ogg\n"
                              "missing.mp3\n" +
                              QFile::encodeName(base + "gone.mp3") +
                              "\n"
                              "sub\n"
                              "\r\n"
                              "a.mp3");
    EXPECT_EQ(Paths(entries), QStringList({base + "a.mp3", base + "sub/b.mp3", base + "other/x.mp3",
                                           "http://radio.example/stream.mp3",
                                           "HTTP://Upper.example/list/s.ogg", base + "sub", base + "a.mp3"}));
    ASSERT_EQ(entries.size(), 7);
    for (int i = 0; i < entries.size(); ++i)
        EXPECT_EQ(entries[i].isFolder, i == 5) << i;
}

TEST_F(PlaylistTest, WindowsLines)
{
    const auto entries = Read("sub\\b.mp3\r\n"
                              "C:\\music\\a.mp3\r\n"
                              "c:/a.mp3\r\n"
                              "\\\\server\\share\\a.mp3\r\n"
                              "\\a.mp3\r\n");
    EXPECT_EQ(Paths(entries), QStringList({base + "sub/b.mp3"}));

    // A byte order mark starts the file, not a line.
    EXPECT_EQ(Paths(Read("\xEF\xBB\xBF"
                         "a.mp3\r\n")),
              QStringList({base + "a.mp3"}));
}

TEST_F(PlaylistTest, ReadsShiftJisAndUtf8Text)
{
    const QString name = QString::fromUtf8("曲ﾃｽﾄ.mp3");
    testsupport::WriteFile(base + name, QByteArray());
    EXPECT_EQ(Paths(Read("\x8b\xc8\xc3\xbd\xc4.mp3\r\n")), QStringList({base + name}));
    EXPECT_EQ(Paths(Read(name.toUtf8() + "\n")), QStringList({base + name}));
}

TEST_F(PlaylistTest, FilesThatAreNoPlaylistsGiveNothing)
{
    EXPECT_TRUE(ReadPlaylistEntries(dir.filePath("none.m3u")).isEmpty());
    EXPECT_TRUE(ReadPlaylistEntries(dir.filePath("sub")).isEmpty());
    EXPECT_TRUE(ReadPlaylistEntries(QString()).isEmpty());
    EXPECT_TRUE(Read(QByteArray("a.mp3\0junk\n", 11)).isEmpty());
    EXPECT_TRUE(Read(QByteArray("\n\r\n\n#\n")).isEmpty());
    if (geteuid() != 0) {
        testsupport::WriteFile(m3u, "a.mp3\n");
        chmod(QFile::encodeName(m3u).constData(), 0);
        EXPECT_TRUE(ReadPlaylistEntries(m3u).isEmpty());
    }
}

TEST_F(PlaylistTest, PipesAreRefusedWithoutWaiting)
{
    const QString fifo = testsupport::MakeFifo(dir.filePath("pipe.m3u"));
    ASSERT_FALSE(fifo.isEmpty());
    QList<PlaylistEntry> entries{{QStringLiteral("unset"), false}};
    EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { entries = ReadPlaylistEntries(fifo); }))
        << "the playlist reader waited for a writer";
    EXPECT_TRUE(entries.isEmpty());
}

TEST_F(PlaylistTest, SavesInsideItemsRelativeAndReadsThemBack)
{
    const QStringList items{base + "a.mp3",
                            base + "sub/b.mp3",
                            "/elsewhere/c.mp3",
                            "http://radio.example/stream.mp3",
                            base + "#1.mp3",
                            base + "odd:name.mp3",
                            base + "back\\slash.mp3",
                            base + "line\nbreak.mp3",
                            base + QString::fromUtf8("曲.mp3")};
    ASSERT_TRUE(SavePlaylist(m3u, items));
    EXPECT_EQ(testsupport::ReadFile(m3u), "a.mp3\n"
                                          "sub/b.mp3\n"
                                          "/elsewhere/c.mp3\n"
                                          "http://radio.example/stream.mp3\n" +
                                              QFile::encodeName(base) + "#1.mp3\n" + QFile::encodeName(base) +
                                              "odd:name.mp3\n" + QFile::encodeName(base) +
                                              "back\\slash.mp3\n"
                                              "\xe6\x9b\xb2.mp3\n");

    // Every item that exists (or is an address) comes back as it was.
    QStringList existing;
    for (const QString& item : items) {
        if (!item.contains(u'\n') && item != u"/elsewhere/c.mp3") {
            if (!item.startsWith(u"http"))
                testsupport::WriteFile(item, QByteArray());
            existing.append(item);
        }
    }
    EXPECT_EQ(Paths(ReadPlaylistEntries(m3u)), existing);
}

TEST_F(PlaylistTest, SaveReportsFailureAndWritesEmptyLists)
{
    EXPECT_FALSE(SavePlaylist(dir.filePath("no/such/folder/list.m3u"), {"a.mp3"}));
    ASSERT_TRUE(SavePlaylist(m3u, {}));
    EXPECT_EQ(testsupport::ReadFile(m3u), QByteArray());
}

} // namespace

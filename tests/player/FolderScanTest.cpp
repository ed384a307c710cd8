#include "player/FolderScan.h"
#include "platform/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class FolderScanTest : public ::testing::Test
{
protected:
    QString Make(const QString& relativePath) const
    {
        return testsupport::WriteFile(root.filePath(relativePath), QByteArray());
    }
    QString MakeFolder(const QString& relativePath) const
    {
        QDir().mkpath(root.filePath(relativePath));
        return root.filePath(relativePath);
    }
    bool Link(const QString& target, const QString& relativePath) const
    {
        return QFile::link(target, root.filePath(relativePath));
    }
    QStringList Scan(const QString& folder, FolderScanner& scanner) const
    {
        QStringList items;
        bool found = false;
        int current = -1;
        scanner.Scan(folder, &items, &found, &current, QString(), false);
        return items;
    }
    QStringList Scan(const QString& folder) const
    {
        FolderScanner scanner;
        return Scan(folder, scanner);
    }

    QTemporaryDir root;
};

TEST_F(FolderScanTest, SkipsSystemFilesAndShortcutsAndLicenseBackups)
{
    Make("a.mp3");
    Make("Desktop.ini");
    Make("Thumbs.db");
    Make("link.lnk");
    Make("Song.LnK");
    Make("sub/b.mp3");
    Make("License Backup/key.bin");
    Make("sub/License Backup");
    MakeFolder("empty");

    const QString r = root.path();
    QStringList items = Scan(r);
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items.takeFirst(), r + "/a.mp3");
    EXPECT_EQ(items, QStringList({r + "/sub/b.mp3", r + "/sub/License Backup"}));
}

// Whatever order the directory hands out (ext4's is a hash), the files of a folder come in name
// order without regard to case, then its sub-folders in that order.
TEST_F(FolderScanTest, FilesComeBeforeSubFoldersEachInNameOrder)
{
    for (const char* name : {"tone2.ogg", "tone3.mp3", "tone1.wav", "B.ogg", "a.mp3", "C.flac", "b.mp3"})
        Make(QString::fromLatin1(name));
    for (const char* name : {"zzz/x.flac", "Mmm/y.ogg", "aaa/deeper/z.mp3", "aaa/w.mp3"})
        Make(QString::fromLatin1(name));

    const QString r = root.path() + u'/';
    const QStringList names{"a.mp3",     "b.mp3",     "B.ogg",     "C.flac",           "tone1.wav",
                            "tone2.ogg", "tone3.mp3", "aaa/w.mp3", "aaa/deeper/z.mp3", "Mmm/y.ogg",
                            "zzz/x.flac"};
    QStringList expected;
    for (const QString& name : names)
        expected << r + name;
    EXPECT_EQ(Scan(root.path()), expected);
}

TEST_F(FolderScanTest, FolderGivenWithTrailingSlashOrMissing)
{
    Make("a.mp3");
    EXPECT_EQ(Scan(root.path() + "/"), QStringList({root.path() + "/a.mp3"}));
    EXPECT_TRUE(Scan(root.filePath("missing")).isEmpty());
    EXPECT_TRUE(Scan(root.filePath("a.mp3")).isEmpty());
    EXPECT_TRUE(Scan(QString()).isEmpty());
}

TEST_F(FolderScanTest, ResumeTargetIsFoundOnce)
{
    Make("a.mp3");
    const QString target = Make("sub/b.mp3");
    FolderScanner scanner;
    QStringList items{"/elsewhere/first.mp3"};
    bool found = false;
    int current = -1;
    scanner.Scan(root.path(), &items, &found, &current, target, false);
    EXPECT_TRUE(found);
    ASSERT_EQ(current, 2);
    EXPECT_EQ(items[current], target);

    // The same folder again (a playlist may name it twice): the first match stays current.
    scanner.Scan(root.path(), &items, &found, &current, target, false);
    EXPECT_EQ(items.size(), 5);
    EXPECT_EQ(current, 2);
}

TEST_F(FolderScanTest, VideoCdResumesOnlyOnTheSameVolume)
{
    Make("MPEGAV/AVSEQ01.DAT");
    const QString target = Make("MPEGAV/AVSEQ02.DAT");
    QString askedFor;
    int depthWhenAsked = 0;
    QString rootWhenAsked;
    FolderScanner scanner([&](const QString& path) {
        askedFor = path;
        depthWhenAsked = scanner.ScanDepth();
        rootWhenAsked = scanner.ScanRoot();
        return QStringLiteral("VCD_0042");
    });

    for (const QString& identity : {QStringLiteral("OTHER"), QStringLiteral("VCD_0042")}) {
        scanner.SetIdentity(identity);
        QStringList items;
        bool found = false;
        int current = -1;
        scanner.Scan(root.path(), &items, &found, &current, target, true);
        const bool same = identity == u"VCD_0042";
        EXPECT_EQ(found, same);
        EXPECT_EQ(current, same ? items.indexOf(target) : -1);
        EXPECT_EQ(items.size(), 2);
    }
    EXPECT_EQ(askedFor, target);
    EXPECT_EQ(depthWhenAsked, 2);
    EXPECT_EQ(rootWhenAsked, root.path());
    EXPECT_EQ(scanner.ScanDepth(), 0);
    EXPECT_TRUE(scanner.ScanRoot().isEmpty());
}

TEST_F(FolderScanTest, LinksAreFollowedButCyclesEnd)
{
    QTemporaryDir outside;
    testsupport::WriteFile(outside.filePath("c.mp3"), QByteArray());
    const QString r = root.path();
    Make("a.mp3");
    Make("sub/b.mp3");
    ASSERT_TRUE(Link(r, "sub/up"));
    ASSERT_TRUE(Link(".", "self"));
    ASSERT_TRUE(Link(outside.path(), "outside"));
    ASSERT_TRUE(Link(r + "/a.mp3", "alias.mp3"));
    ASSERT_TRUE(Link(r + "/gone", "dangling.mp3"));

    const QStringList items = Scan(r);
    EXPECT_EQ(items.count(r + "/a.mp3"), 1);
    EXPECT_EQ(items.count(r + "/sub/b.mp3"), 1);
    EXPECT_EQ(items.count(r + "/outside/c.mp3"), 1);
    EXPECT_EQ(items.count(r + "/alias.mp3"), 1);
    EXPECT_EQ(items.size(), 4);
}

TEST_F(FolderScanTest, UnreadableFolderIsSkipped)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not apply to root";
    Make("a.mp3");
    Make("locked/secret.mp3");
    Make("open/b.mp3");
    ASSERT_EQ(chmod(QFile::encodeName(root.filePath("locked")).constData(), 0), 0);
    const QStringList items = Scan(root.path());
    chmod(QFile::encodeName(root.filePath("locked")).constData(), 0700);
    EXPECT_EQ(items.size(), 2);
    EXPECT_FALSE(items.contains(root.filePath("locked/secret.mp3")));
}

TEST_F(FolderScanTest, NamesThatAreNotUtf8AreLeftOut)
{
    Make("ok.mp3");
    Make(QString::fromUtf8("日本語.mp3"));
    const QByteArray raw = QFile::encodeName(root.path()) + "/bad\xff.mp3";
    FILE* file = fopen(raw.constData(), "w");
    ASSERT_NE(file, nullptr);
    fclose(file);
    const QStringList items = Scan(root.path());
    unlink(raw.constData()); // QTemporaryDir could not name it
    EXPECT_EQ(items.size(), 2);
    EXPECT_TRUE(items.contains(root.path() + QString::fromUtf8("/日本語.mp3")));
}

} // namespace

#include "app/SettingsStore.h"
#include "app/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Limits the size of files this process may write, the way a full disk would stop a write.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
};

TEST(SettingsStoreTest, TextOfAnyKindReadsBackAsWritten)
{
    const QString texts[] = {
        QString(),
        QStringLiteral("plain"),
        QStringLiteral("/music/a, b; c=d.m3u"),
        QStringLiteral("  blanks at both ends  "),
        QStringLiteral("\"quoted\" and \\back\\slashes\\"),
        QStringLiteral("@ByteArray(not really)"),
        QStringLiteral("@@two"),
        QStringLiteral("tab\tnew\nline\rbell\a"),
        QString(QChar(0x1B)) + QStringLiteral("1f escape before a hex digit"),
        QStringLiteral("ＭＳ ゴシック/曲名.mp3"),
        QStringLiteral("#not a comment"),
        QStringLiteral("[not a section]"),
        // Blanks other than the ASCII space, which the reader trims just the same.
        QStringLiteral("\u3000全角の空白\u3000"),
        QStringLiteral("\u00A0no-break\u00A0"),
        QStringLiteral("\ttab first"),
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sorlin.conf"));
    {
        SettingsStore store(path);
        int n = 0;
        for (const QString& text : texts)
            store.WriteString(QStringLiteral("Play"), QStringLiteral("Value%1").arg(n++), text);
        ASSERT_TRUE(store.Sync());
    }
    SettingsStore store(path);
    int n = 0;
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(
            store.ReadString(QStringLiteral("Play"), QStringLiteral("Value%1").arg(n++), QStringLiteral("x")),
            text);
    }
}

TEST(SettingsStoreTest, HandWrittenValuesReadLikeTheFileFormatSays)
{
    SettingsStore store(QStringLiteral("/nonexistent/Sorlin.conf"));
    store.Parse(
        "; comment\n[Play]\nA = \"quoted\" \nB=a, b ,c\nC=\"x, y\"\nD=@Variant(\\0\\0)\nE=\\x41\\101\n"
        "F=1\nF=2\n[Broken\nG=lost\n[Play]\nH=again\n");
    const auto read = [&](const char* key) {
        return store.ReadString(QStringLiteral("Play"), QString::fromLatin1(key),
                                QStringLiteral("<default>"));
    };
    EXPECT_EQ(read("A"), QStringLiteral("quoted"));
    EXPECT_EQ(read("B"), QStringLiteral("a, b, c"));
    EXPECT_EQ(read("C"), QStringLiteral("x, y"));
    EXPECT_EQ(read("D"), QStringLiteral("<default>"));
    EXPECT_EQ(read("E"), QStringLiteral("AA"));
    EXPECT_EQ(read("F"), QStringLiteral("2"));
    EXPECT_EQ(read("G"), QStringLiteral("<default>"));
    EXPECT_EQ(read("H"), QStringLiteral("again"));
    EXPECT_EQ(store.ReadInt(QStringLiteral("Play"), QStringLiteral("F"), -1), 2);
    EXPECT_EQ(store.ReadInt(QStringLiteral("Play"), QStringLiteral("A"), -1), -1);
}

TEST(SettingsStoreTest, FailedWriteLeavesThePreviousFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sorlin.conf"));
    {
        SettingsStore store(path);
        ASSERT_TRUE(SaveSettings(store, AppSettings::Defaults(QStringLiteral("/opt/sorlin/"))));
    }
    const QByteArray before = ReadAll(path);
    ASSERT_GT(before.size(), 1000);

    AppSettings changed = AppSettings::Defaults(QStringLiteral("/opt/sorlin/"));
    changed.w = 640;
    changed.lastFile = QString(4000, u'x');
    {
        FileSizeLimit limit(512);
        SettingsStore store(path);
        EXPECT_FALSE(SaveSettings(store, changed));
    }
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Sorlin.conf")});
}

TEST(SettingsStoreTest, SettingsPathThatIsAFolderReadsDefaultsAndFailsToWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sorlin.conf"));
    ASSERT_TRUE(QDir().mkpath(path));
    SettingsStore store(path);
    EXPECT_EQ(LoadSettings(store, QStringLiteral("/p/")), AppSettings::Defaults(QStringLiteral("/p/")));
    EXPECT_FALSE(SaveSettings(store, AppSettings::Defaults(QStringLiteral("/p/"))));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(SettingsStoreTest, DeleteSettingsRemovesTheProgramsSectionsAndEmptyFolders)
{
    QTemporaryDir dir;
    const QString company = dir.filePath(QStringLiteral("pelmo_rin"));
    const QString path = company + QStringLiteral("/Sorlin.conf");
    {
        SettingsStore store(path);
        ASSERT_TRUE(SaveSettings(store, AppSettings::Defaults(QStringLiteral("/p/"))));
    }
    ASSERT_TRUE(QFile::exists(path));
    {
        SettingsStore store(path);
        store.DeleteSettings();
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFileInfo::exists(company));
}

TEST(SettingsStoreTest, DeleteSettingsKeepsWhatIsNotOurs)
{
    QTemporaryDir dir;
    const QString company = dir.filePath(QStringLiteral("pelmo_rin"));
    const QString path = company + QStringLiteral("/Sorlin.conf");
    {
        SettingsStore store(path);
        ASSERT_TRUE(SaveSettings(store, AppSettings::Defaults(QStringLiteral("/p/"))));
        store.WriteString(QStringLiteral("Other"), QStringLiteral("Kept"), QStringLiteral("yes"));
        ASSERT_TRUE(store.Sync());
    }
    QFile other(company + QStringLiteral("/Other.conf"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    {
        SettingsStore store(path);
        store.DeleteSettings();
    }
    SettingsStore store(path);
    EXPECT_EQ(store.ReadString(QStringLiteral("Other"), QStringLiteral("Kept"), QString()),
              QStringLiteral("yes"));
    EXPECT_EQ(store.ReadInt(QStringLiteral("Position"), QStringLiteral("W"), -1), -1);
    EXPECT_EQ(store.ReadInt(QStringLiteral("Program50"), QStringLiteral("Exec"), -1), -1);
    EXPECT_TRUE(QFile::exists(company + QStringLiteral("/Other.conf")));
}

} // namespace

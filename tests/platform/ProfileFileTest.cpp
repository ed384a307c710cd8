#include "platform/ProfileFile.h"
#include "platform/AnsiText.h"

#include "TestSupport.h"
#include "support/Fifo.h"

#include <QDir>
#include <QTemporaryDir>

#include <climits>

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>

namespace {

using platform::ProfileFile;
using testsupport::ReadFile;
using testsupport::WriteFile;

ProfileFile Parsed(const QByteArray& bytes)
{
    ProfileFile profile;
    profile.Parse(bytes);
    return profile;
}

const QByteArray kSample = "; written by hand\n"
                           "[Main]\n"
                           "  Title =  \"Hello World\"  \n"
                           "title=second title\n"
                           "Width=\t640\t\n"
                           "Single='quoted'\n"
                           "Unmatched=\"abc'\n"
                           "Lone=\"\n"
                           "Inner=\"a\"b\"\n"
                           "Empty=\n"
                           ";Commented=1\n"
                           "Url=http://host/?a=b\n"
                           "Note=abc ; kept\n"
                           "[ Other ]\n"
                           "Key=other value\n"
                           "[MAIN]\n"
                           "Extra=from the second Main\n"
                           "Title=from the second Main\n";

TEST(ProfileFileTest, FindsValuesByTheProfileRules)
{
    const ProfileFile profile = Parsed(kSample);
    const struct
    {
        const char* section;
        const char* key;
        std::optional<QString> expected;
    } cases[] = {
        {"main", "TITLE", QStringLiteral("Hello World")}, // names ignore case, first key wins
        {"Main", "Width", QStringLiteral("640")},
        {"Main", "Single", QStringLiteral("quoted")},
        {"Main", "Unmatched", QStringLiteral("\"abc'")},
        {"Main", "Lone", QStringLiteral("\"")},
        {"Main", "Inner", QStringLiteral("a\"b")},
        {"Main", "Empty", QString()},
        {"Main", "Commented", std::nullopt},
        {"Main", ";Commented", std::nullopt},
        {"Main", "Url", QStringLiteral("http://host/?a=b")},
        {"Main", "Note", QStringLiteral("abc ; kept")},
        {"Other", "key", QStringLiteral("other value")},
        {"Main", "Key", std::nullopt},   // keys belong to their own section
        {"Main", "Extra", std::nullopt}, // only the first of two same-named sections counts
        {"Missing", "Title", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        const auto value = profile.Find(QString::fromLatin1(c.section), QString::fromLatin1(c.key));
        ASSERT_EQ(value.has_value(), c.expected.has_value());
        if (value) {
            EXPECT_EQ(*value, *c.expected);
        }
    }
    EXPECT_EQ(profile.SectionNames(), (QStringList{"Main", "Other", "MAIN"}));
}

TEST(ProfileFileTest, GetStringCutsToTheBufferAndFallsBackToTheDefault)
{
    const ProfileFile profile = Parsed("[A]\nName=Hello World\n");
    const auto get = [&](const char* key, int bufferSize) {
        return profile.GetString(QStringLiteral("A"), QString::fromLatin1(key), QStringLiteral("fallback"),
                                 bufferSize);
    };
    EXPECT_EQ(get("Name", 0), u"Hello World");
    EXPECT_EQ(get("Name", 6), u"Hello");
    EXPECT_EQ(get("Name", 12), u"Hello World");
    EXPECT_EQ(get("Name", 11), u"Hello Worl");
    EXPECT_EQ(get("Name", 1), u"");
    EXPECT_EQ(get("Missing", 0), u"fallback");
    EXPECT_EQ(get("Missing", 5), u"fall");
}

TEST(ProfileFileTest, GetIntReadsTheLeadingNumber)
{
    const ProfileFile profile = Parsed("[N]\n"
                                       "Dec=42\n"
                                       "Negative=-17\n"
                                       "Plus=+5\n"
                                       "Hex=0x1F\n"
                                       "HexUpper=0XfF\n"
                                       "NegativeHex=-0x10\n"
                                       "Leading=12abc\n"
                                       "Spaced=  7  \n"
                                       "Quoted=\"33\"\n"
                                       "Text=abc\n"
                                       "Sign=-\n"
                                       "HexPrefixOnly=0x\n"
                                       "Empty=\n"
                                       "Lowest=-2147483648\n"
                                       "Wraps=4294967295\n");
    const struct
    {
        const char* key;
        int expected;
    } cases[] = {
        {"Dec", 42},
        {"Negative", -17},
        {"Plus", 5},
        {"Hex", 31},
        {"HexUpper", 255},
        {"NegativeHex", -16},
        {"Leading", 12},
        {"Spaced", 7},
        {"Quoted", 33},
        {"Text", -99},
        {"Sign", -99},
        {"HexPrefixOnly", -99},
        {"Empty", -99},
        {"Missing", -99},
        // Past 32 bits the value wraps as the 32-bit conversion does.
        {"Lowest", INT_MIN},
        {"Wraps", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(profile.GetInt(QStringLiteral("n"), QString::fromLatin1(c.key), -99), c.expected) << c.key;
}

TEST(ProfileFileTest, ReadsWindowsFiles)
{
    // CRLF line ends, a byte order mark, blanks inside the brackets.
    const ProfileFile crlf = Parsed("\xEF\xBB\xBF[ Skin ]\r\nName = Blue \r\n\r\n[Size]\r\nWidth=320\r\n");
    EXPECT_EQ(crlf.SectionNames(), (QStringList{"Skin", "Size"}));
    EXPECT_EQ(crlf.GetString("skin", "name"), u"Blue");
    EXPECT_EQ(crlf.GetInt("size", "width", 0), 320);

    // Shift-JIS: [曲] タイトル=日本
    const ProfileFile sjis = Parsed("[\x8B\xC8]\r\n\x83\x5E\x83\x43\x83\x67\x83\x8B=\x93\xFA\x96\x7B\r\n");
    EXPECT_EQ(sjis.GetString(QStringLiteral("曲"), QStringLiteral("タイトル")), QStringLiteral("日本"));
    // The program itself writes UTF-8.
    EXPECT_EQ(QString::fromUtf8(sjis.ToBytes()), QStringLiteral("[曲]\nタイトル=日本\n"));
}

TEST(ProfileFileTest, SetStringChangesOnlyTheLineOfTheKey)
{
    const QByteArray original = "; cache index\n"
                                "[Files]\n"
                                "  First  =  one   ; odd spacing kept\n"
                                "Second=two\n"
                                "\n"
                                "; next part\n"
                                "[Sizes]\n"
                                "Second=2\n";
    ProfileFile profile = Parsed(original);
    profile.SetString("FILES", "Second", "changed");
    QByteArray expected = original;
    expected.replace("Second=two\n", "Second=changed\n");
    EXPECT_EQ(profile.ToBytes(), expected);
    EXPECT_EQ(profile.GetString("Sizes", "Second"), u"2");
}

TEST(ProfileFileTest, SetStringAddsKeysAtTheEndOfTheirSectionAndSectionsAtTheEndOfTheFile)
{
    ProfileFile profile = Parsed("[A]\nk=1\n\n\n[B]\nx=2\n");
    profile.SetString("a", "New", "v");
    profile.SetString("C", "z", "3");
    profile.SetString("B", "y", "4");
    EXPECT_EQ(profile.ToBytes(), "[A]\nk=1\nNew=v\n\n\n[B]\nx=2\ny=4\n[C]\nz=3\n");
    EXPECT_EQ(Parsed(profile.ToBytes()).GetString("c", "Z"), u"3");
}

TEST(ProfileFileTest, RemovesKeysAndSections)
{
    ProfileFile profile = Parsed("[A]\nk=1\nK2=2\n; note\n[B]\nx=2\n[C]\ny=3\n");
    profile.RemoveKey("a", "k2");
    profile.RemoveKey("A", "missing");
    profile.RemoveKey("Missing", "k");
    profile.RemoveSection("b");
    profile.RemoveSection("Missing");
    EXPECT_EQ(profile.ToBytes(), "[A]\nk=1\n; note\n[C]\ny=3\n");
}

TEST(ProfileFileTest, SavesAndLoadsAFile)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir.filePath("skin.ini"), "[Skin]\r\nName=Blue\r\n");
    ProfileFile profile(path);
    EXPECT_EQ(profile.GetString("Skin", "Name"), u"Blue");
    profile.SetString("Skin", "Name", QStringLiteral("青"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ProfileFile(path).GetString("Skin", "Name"), QStringLiteral("青"));

    ProfileFile missing;
    EXPECT_FALSE(missing.Load(dir.filePath("absent.ini")));
    EXPECT_TRUE(missing.SectionNames().isEmpty());
    EXPECT_FALSE(ProfileFile().Save()); // nowhere to write
}

// An AUTORUN.INF on a disc or a skin .ini in a folder may be anything at all.
TEST(ProfileFileTest, PipesAndDevicesAreRefusedWithoutWaiting)
{
    QTemporaryDir dir;
    const QString fifo = testsupport::MakeFifo(dir.filePath("AUTORUN.INF"));
    ASSERT_FALSE(fifo.isEmpty());
    ProfileFile profile;
    profile.Parse("[Old]\nKey=1\n");
    bool loaded = true;
    EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { loaded = profile.Load(fifo); }))
        << "the profile reader waited for a writer";
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(profile.SectionNames().isEmpty());

    // Read as a file, a device gives an empty profile (/dev/null) or never ends (/dev/zero).
    ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("skin.ini")));
    EXPECT_FALSE(profile.Load(dir.filePath("skin.ini")));
    EXPECT_FALSE(profile.Load(dir.path()));
}

// A save that cannot be completed leaves the previous file whole and no stray files behind.
class FailedSaveTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = WriteFile(dir.filePath("cache.ini"), kOld);
        ASSERT_FALSE(path.isEmpty());
        ASSERT_TRUE(profile.Load(path));
        profile.SetString("Cache", "Big", QString(64 * 1024, u'x'));
    }

    void ExpectOldFileWhole()
    {
        EXPECT_EQ(ReadFile(path), kOld);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"cache.ini"});
    }

    const QByteArray kOld = "[Cache]\nFirst=1\n";
    QTemporaryDir dir;
    QString path;
    ProfileFile profile;
};

TEST_F(FailedSaveTest, WhenTheFileSizeLimitStopsTheWrite)
{
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = profile.Save();
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(saved_ok);
    ExpectOldFileWhole();
}

TEST_F(FailedSaveTest, WhenTheFolderIsAFile)
{
    EXPECT_FALSE(profile.SaveAs(path + QStringLiteral("/inner.ini")));
    ExpectOldFileWhole();
}

TEST(ProfileFileTest, SurvivesGarbage)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<QByteArray> inputs = {
        "[", "]", "=", "[\n=\n]=[", "\r", QByteArray(4, '\0'), "[\x81]\n\x81=\x81"};
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes(i % 200, '\0');
        for (char& c : bytes)
            c = byte(random) < 48 ? "[]=;\"'\r\n"[byte(random) % 8] : static_cast<char>(byte(random));
        inputs.push_back(bytes);
    }
    for (const QByteArray& bytes : inputs) {
        SCOPED_TRACE(bytes.toHex(' ').toStdString());
        ProfileFile profile = Parsed(bytes);
        profile.SetString("x", "y", "z");
        const QByteArray written = profile.ToBytes();
        ASSERT_TRUE(platform::IsValidUtf8(written));
        // What was read is read the same way from what would be saved.
        const ProfileFile reread = Parsed(written);
        for (const QString& section : profile.SectionNames()) {
            for (const QString& key : profile.KeyNames(section))
                ASSERT_EQ(reread.Find(section, key), profile.Find(section, key));
        }
    }
}

} // namespace

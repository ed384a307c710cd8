#include "platform/DesktopEntries.h"

#include "TestSupport.h"
#include "support/TempHome.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using namespace platform;
using testsupport::ReadFile;

const QString kCdda = QStringLiteral("x-content/audio-cdda");

class DesktopEntriesTest : public testing::Test
{
protected:
    QByteArray MimeApps() const { return ReadFile(home.ConfigHome() + QStringLiteral("/mimeapps.list")); }
    void WriteMimeApps(const QByteArray& bytes) const
    {
        home.WriteFile(QStringLiteral(".config/mimeapps.list"), bytes);
    }

    TempHome home;
};

TEST_F(DesktopEntriesTest, WriteDesktopEntryEscapesValues)
{
    ASSERT_TRUE(WriteDesktopEntry(QStringLiteral("sorlin-cd"),
                                  {{"Type", "Application"},
                                   {"Name", QStringLiteral("VimoPlayerで再生")},
                                   {"Comment", "line one\nline two\ttabbed\r"},
                                   {"Exec", QuoteExecArgument("/opt/odd\\dir/sorlin") + " %u"}}));
    const QString path = home.DataHome() + QStringLiteral("/applications/sorlin-cd.desktop");
    EXPECT_EQ(QString::fromUtf8(ReadFile(path)), QStringLiteral("[Desktop Entry]\n"
                                                                "Type=Application\n"
                                                                "Name=VimoPlayerで再生\n"
                                                                "Comment=line one\\nline two\\ttabbed\\r\n"
                                                                "Exec=\"/opt/odd\\\\\\\\dir/sorlin\" %u\n"));

    ASSERT_TRUE(WriteDesktopEntry(QStringLiteral("sorlin-cd"), {{"Type", "Link"}}));
    EXPECT_EQ(ReadFile(path), "[Desktop Entry]\nType=Link\n");
    ASSERT_TRUE(RemoveDesktopEntry(QStringLiteral("sorlin-cd")));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(RemoveDesktopEntry(QStringLiteral("sorlin-cd")));
}

TEST_F(DesktopEntriesTest, AddingKeepsEverythingElseInTheList)
{
    const QByteArray before = "[Default Applications]\n"
                              "x-content/audio-cdda=other.desktop\n"
                              "\n"
                              "[Added Associations]\n"
                              "x-content/audio-cdda=other.desktop;third.desktop;\n"
                              "video/mp4=mpv.desktop;\n"
                              "\n"
                              "[Removed Associations]\n"
                              "audio/flac=sorlin-cd.desktop;\n";
    WriteMimeApps(before);
    ASSERT_TRUE(AddMimeAssociation(kCdda, QStringLiteral("sorlin-cd")));
    ASSERT_TRUE(AddMimeAssociation(kCdda, QStringLiteral("sorlin-cd")));
    ASSERT_TRUE(AddMimeAssociation(QStringLiteral("x-content/video-dvd"), QStringLiteral("sorlin-dvd")));

    QList<QByteArray> lines = MimeApps().split('\n');
    QList<QByteArray> expected = before.split('\n');
    ASSERT_EQ(lines.size(), expected.size() + 1);
    // Our entry joins the others already listed for the type, once.
    const QByteArray prefix = "x-content/audio-cdda=";
    ASSERT_TRUE(lines[4].startsWith(prefix));
    QList<QByteArray> ids = lines[4].mid(prefix.size()).split(';');
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (QList<QByteArray>{"", "other.desktop", "sorlin-cd.desktop", "third.desktop"}));
    // A new type goes into the section, before the blank line that ends it.
    EXPECT_EQ(lines[6], "x-content/video-dvd=sorlin-dvd.desktop;");
    lines.removeAt(6);
    lines.removeAt(4);
    expected.removeAt(4);
    EXPECT_EQ(lines, expected);
}

TEST_F(DesktopEntriesTest, AddingCreatesTheList)
{
    ASSERT_TRUE(AddMimeAssociation(kCdda, QStringLiteral("sorlin-cd")));
    EXPECT_EQ(MimeApps(), "[Added Associations]\nx-content/audio-cdda=sorlin-cd.desktop;\n");
}

TEST_F(DesktopEntriesTest, RemovingTakesOutOnlyOurEntry)
{
    WriteMimeApps("[Added Associations]\n"
                  "x-content/audio-cdda=other.desktop;sorlin-cd.desktop;\n"
                  "x-content/video-dvd=sorlin-dvd.desktop;\n"
                  "video/mp4=mpv.desktop;\n");
    ASSERT_TRUE(RemoveMimeAssociation(kCdda, QStringLiteral("sorlin-cd")));
    ASSERT_TRUE(RemoveMimeAssociation(QStringLiteral("x-content/video-dvd"), QStringLiteral("sorlin-dvd")));
    ASSERT_TRUE(RemoveMimeAssociation(QStringLiteral("video/mp4"), QStringLiteral("sorlin-dvd")));
    EXPECT_EQ(MimeApps(), "[Added Associations]\n"
                          "x-content/audio-cdda=other.desktop;\n"
                          "video/mp4=mpv.desktop;\n");
}

TEST_F(DesktopEntriesTest, RemovingWithoutAListCreatesNone)
{
    EXPECT_TRUE(RemoveMimeAssociation(kCdda, QStringLiteral("sorlin-cd")));
    EXPECT_FALSE(QFile::exists(MimeAppsListPath()));
}

TEST(QuoteExecArgumentTest, QuotesWhereTheExecRulesNeedIt)
{
    const struct
    {
        QString argument;
        QString expected;
    } cases[] = {
        {"/usr/bin/sorlin", "/usr/bin/sorlin"},
        {QStringLiteral("/opt/日本/sorlin"), QStringLiteral("/opt/日本/sorlin")},
        {"/opt/my app/sorlin", "\"/opt/my app/sorlin\""},
        {"/opt/say\"hi\"/sorlin", "\"/opt/say\\\"hi\\\"/sorlin\""},
        {"/opt/$HOME/sorlin", "\"/opt/\\$HOME/sorlin\""},
        {"/opt/`x`/sorlin", "\"/opt/\\`x\\`/sorlin\""},
        {"/opt/back\\slash", "\"/opt/back\\\\slash\""},
        {"/opt/it's", "\"/opt/it's\""},
        {"/opt/a&b;c", "\"/opt/a&b;c\""},
        {"", "\"\""},
        // A literal percent sign would otherwise read as a field code.
        {"/opt/100%/sorlin", "/opt/100%%/sorlin"},
        {"/opt/100% sure/sorlin", "\"/opt/100%% sure/sorlin\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteExecArgument(c.argument), c.expected) << c.argument.toStdString();
}

} // namespace

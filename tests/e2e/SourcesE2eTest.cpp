// The program given an http address and an archive on its command line, under a virtual X
// display with a temporary home.

#include "Harness.h"
#include "platform/Drives.h"
#include "plugins/TestArchives.h"
#include "support/HttpServer.h"
#include "support/MediaFiles.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

#include <gtest/gtest.h>

namespace {

using namespace e2e;

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SourcesE2eTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(display.IsRunning()) << "Xvfb did not start"; }

    QString Title() const
    {
        return QStringLiteral("Vimoﾌﾟﾚｰﾔ - ") + platform::DriveTable::FromSystem().FirstOpticalDrive();
    }

    TempHome home;
    VirtualDisplay display;
};

TEST_F(SourcesE2eTest, AnHttpAddressIsDownloadedIntoTheCacheAndPlayed)
{
    QTemporaryDir served;
    const QString tone = media_files::MakeTone(served.path(), QStringLiteral("mp3"), 3.0);
    ASSERT_FALSE(tone.isEmpty());
    testsupport::HttpServer server(served.path());
    ASSERT_TRUE(server.Start());

    ProgramRun run(display, {server.Url(QStringLiteral("tone.mp3"))});
    ASSERT_FALSE(run.WaitForMainWindow(Title()).isEmpty()) << run.Output().toStdString();
    qsizetype at = 0;
    // The item is the cache file, named after the address in capitals.
    EXPECT_TRUE(KeepsTicking(run, Playing(QStringLiteral("TONE")), &at)) << run.Output().toStdString();
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_TRUE(server.RequestLog().at(0).contains(QStringLiteral("\"VimoPlayer Software\" 200")))
        << server.RequestLog().join(u'\n').toStdString();

    // The copy stays in the cache folder (the cache is on by default), whole.
    ASSERT_TRUE(Terminate(run)) << run.Output().toStdString();
    const QString copy = home.CacheHome() + QStringLiteral("/VimoPlayer/TONE.MP3");
    EXPECT_EQ(Read(copy), Read(tone));
}

TEST_F(SourcesE2eTest, AZipPlaysItsFirstMemberAndMovesOnToTheSecond)
{
    // A WAV first: a member without a media extension is shown to the image plug-ins before it
    // plays, and the archive plug-in must still be there for the next one.
    const QString wav = media_files::MakeTone(home.Path(), QStringLiteral("wav"), 2.0);
    const QString ogg = media_files::MakeTone(home.Path(), QStringLiteral("ogg"), 2.0);
    ASSERT_FALSE(wav.isEmpty());
    ASSERT_FALSE(ogg.isEmpty());
    const std::string zip = testarchives::Pack(testarchives::Format::Zip,
                                               {testarchives::Entry("songs/a.wav", Read(wav).toStdString()),
                                                testarchives::Entry("songs/b.ogg", Read(ogg).toStdString())});
    ASSERT_FALSE(zip.empty());
    const QString music = home.WriteFile(QStringLiteral("music.zip"), QByteArray::fromStdString(zip));

    ProgramRun run(display, {music});
    ASSERT_FALSE(run.WaitForMainWindow(Title()).isEmpty()) << run.Output().toStdString();
    qsizetype at = 0;
    EXPECT_TRUE(KeepsTicking(run, Playing(QStringLiteral("a")), &at)) << run.Output().toStdString();
    EXPECT_TRUE(KeepsTicking(run, Playing(QStringLiteral("b")), &at)) << run.Output().toStdString();
    // The member playing is written in the cache's archive folder, and only that one.
    EXPECT_EQ(QDir(home.CacheHome() + QStringLiteral("/VimoPlayer/archive")).entryList(QDir::Files),
              QStringList{QStringLiteral("b.ogg")});
    ASSERT_TRUE(Terminate(run)) << run.Output().toStdString();
}

} // namespace

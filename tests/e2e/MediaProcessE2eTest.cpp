#include "Harness.h"
#include "app/SettingsStore.h"
#include "platform/Drives.h"
#include "support/MediaFiles.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <csignal>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using namespace e2e;

// A MIDI file whose only track claims 4 GiB: GStreamer 1.22's MIDI parser spins on it for good
// or crashes.
const QByteArray kStoppingMidi("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60"
                               "MTrk\xff\xff\xff\xff\x00\x90\x3c\x40",
                               26);

// What it shows while nothing plays: the date and the time.
const QRegularExpression
    kClock(QStringLiteral("sorlin\\.display: \\d{4}年\\d\\d月\\d\\d日 \\| (\\d\\d:\\d\\d:\\d\\d)$"));

class MediaProcessE2eTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(display.IsRunning()) << "Xvfb did not start"; }

    QString Title() const
    {
        return QStringLiteral("Vimoﾌﾟﾚｰﾔ - ") + platform::DriveTable::FromSystem().FirstOpticalDrive();
    }
    QString Saved(const char* key) const
    {
        return SettingsStore(home.SettingsFile())
            .ReadString(QStringLiteral("Play"), QString::fromLatin1(key), {});
    }
    // A folder of two 30 s tones, a.ogg and b.ogg.
    QString TwoTones()
    {
        const QString folder = home.Path() + QStringLiteral("/songs");
        QDir().mkpath(folder);
        const QString tone = media_files::MakeTone(home.Path(), QStringLiteral("ogg"), 30.0);
        EXPECT_TRUE(QFile::copy(tone, folder + QStringLiteral("/a.ogg")));
        EXPECT_TRUE(QFile::copy(tone, folder + QStringLiteral("/b.ogg")));
        return folder;
    }
    // Starts the program on a folder of two tones and waits until the first one plays. Gives
    // the media process's id, 0 when something went wrong.
    qint64 PlayTheFirstOfTwo(ProgramRun& run, qsizetype* at)
    {
        if (run.WaitForMainWindow(Title()).isEmpty() || !KeepsTicking(run, Playing(QStringLiteral("a")), at))
            return 0;
        return run.ChildPid(QStringLiteral("sorlin-media"));
    }
    // After the lines that tell how the media process was lost, in their order, the second tone
    // plays.
    static void ExpectTheSecondToPlayAfter(ProgramRun& run, qsizetype* at, const QStringList& lines)
    {
        for (const QString& line : lines)
            EXPECT_TRUE(run.WaitForLine(QRegularExpression(line), at).hasMatch())
                << run.Output().toStdString();
        EXPECT_TRUE(KeepsTicking(run, Playing(QStringLiteral("b")), at)) << run.Output().toStdString();
    }
    // Ends the program, which keeps the second tone of `folder` as its last file.
    void ExpectTheSecondKeptAtTheEnd(ProgramRun& run, const QString& folder)
    {
        ASSERT_TRUE(Terminate(run)) << run.Output().toStdString();
        EXPECT_EQ(Saved("LastFile"), folder + QStringLiteral("/b.ogg"));
    }
    static bool Gone(qint64 pid)
    {
        return WaitUntil([pid] { return ::kill(static_cast<pid_t>(pid), 0) != 0; }, 10000);
    }

    TempHome home;
    VirtualDisplay display;
};

TEST_F(MediaProcessE2eTest, AFolderWithAMidiFileThatStopsGStreamerPlaysItsGoodFileRunAfterRun)
{
    const QString folder = home.Path() + QStringLiteral("/music");
    QDir().mkpath(folder);
    home.WriteFile(QStringLiteral("music/a.mid"), kStoppingMidi);
    const QString good = folder + QStringLiteral("/b.ogg");
    ASSERT_TRUE(QFile::copy(media_files::MakeTone(home.Path(), QStringLiteral("ogg"), 30.0), good));
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        QFile::remove(home.SettingsFile());
        ProgramRun run(display, {folder});
        ASSERT_FALSE(run.WaitForMainWindow(Title()).isEmpty()) << run.Output().toStdString();
        qsizetype at = 0;
        EXPECT_TRUE(run.WaitForLine(QRegularExpression(
                                        QStringLiteral("MIDI file whose chunks run past its end.*a\\.mid")),
                                    &at)
                        .hasMatch())
            << run.Output().toStdString();
        // The good file plays, and its time keeps moving on.
        EXPECT_TRUE(KeepsTicking(run, Playing(QStringLiteral("b")), &at)) << run.Output().toStdString();
        const qint64 media = run.ChildPid(QStringLiteral("sorlin-media"));
        EXPECT_GT(media, 0);
        ASSERT_TRUE(Terminate(run)) << run.Output().toStdString();
        EXPECT_EQ(Saved("LastFile"), good);
        EXPECT_EQ(Saved("PlayList"), folder);
        EXPECT_TRUE(Gone(media)) << "the media process ends with the window";
    }
}

TEST_F(MediaProcessE2eTest, AFifoNamedLikeAnMp3LeavesAWorkingWindow)
{
    const QString fifo = home.Path() + QStringLiteral("/x.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ProgramRun run(display, {fifo});
    ASSERT_FALSE(run.WaitForMainWindow(Title()).isEmpty()) << run.Output().toStdString();
    qsizetype at = 0;
    // The item is tried and passed over; then the clock shows, and goes on.
    EXPECT_TRUE(run.WaitForLine(QRegularExpression(QStringLiteral("not played: .*x\\.mp3")), &at).hasMatch())
        << run.Output().toStdString();
    EXPECT_TRUE(KeepsTicking(run, kClock, &at)) << run.Output().toStdString();
    ASSERT_TRUE(Terminate(run)) << run.Output().toStdString();
    EXPECT_EQ(Saved("PlayList"), fifo);
}

TEST_F(MediaProcessE2eTest, AKilledMediaProcessIsNoticedAndTheNextItemPlays)
{
    const QString folder = TwoTones();
    ProgramRun run(display, {folder});
    qsizetype at = 0;
    const qint64 media = PlayTheFirstOfTwo(run, &at);
    ASSERT_GT(media, 0) << run.Output().toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(media), SIGKILL), 0);

    ExpectTheSecondToPlayAfter(run, &at,
                               {QStringLiteral("media process %1 lost: .*signal 9").arg(media),
                                QStringLiteral("the item ended with an error")});
    EXPECT_NE(run.ChildPid(QStringLiteral("sorlin-media")), media);
    ExpectTheSecondKeptAtTheEnd(run, folder);
}

TEST_F(MediaProcessE2eTest, AMediaProcessThatStopsAnsweringIsEndedAndTheNextItemPlays)
{
    const QString folder = TwoTones();
    ProgramRun run(display, {folder});
    qsizetype at = 0;
    const qint64 media = PlayTheFirstOfTwo(run, &at);
    ASSERT_GT(media, 0) << run.Output().toStdString();
    // As a parser spinning with a lock held leaves it: alive, and answering nothing.
    ASSERT_EQ(::kill(static_cast<pid_t>(media), SIGSTOP), 0);
    // While the window waits for it, the display goes on: the first tone's time runs on.
    at = run.Output().size();
    EXPECT_TRUE(KeepsTicking(run, Playing(QStringLiteral("a")), &at)) << run.Output().toStdString();

    ExpectTheSecondToPlayAfter(run, &at,
                               {QStringLiteral("media process %1 lost: .*did not answer").arg(media)});
    EXPECT_TRUE(Gone(media)) << "the stopped media process was ended";
    ExpectTheSecondKeptAtTheEnd(run, folder);
}

TEST_F(MediaProcessE2eTest, TerminationWithAStoppedMediaProcessEndsAtOnceWithTheSettings)
{
    const QString folder = TwoTones();
    ProgramRun run(display, {folder});
    qsizetype at = 0;
    const qint64 media = PlayTheFirstOfTwo(run, &at);
    ASSERT_GT(media, 0) << run.Output().toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(media), SIGSTOP), 0);
    const qsizetype beforeTerm = run.Output().size();
    ASSERT_TRUE(Terminate(run)) << run.Output().toStdString();
    // The media process is not waited for on the way out: nothing ran into a bound.
    const QString after = run.Output().mid(beforeTerm);
    EXPECT_FALSE(after.contains(QLatin1String("did not answer"))) << after.toStdString();
    EXPECT_EQ(Saved("LastFile"), folder + QStringLiteral("/a.ogg"));
    EXPECT_TRUE(Gone(media));
}

} // namespace

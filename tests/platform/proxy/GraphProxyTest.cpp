#include "platform/proxy/GraphProxy.h"
#include "platform/ipc/MciCodes.h"
#include "platform/proxy/MciProxy.h"
#include "platform/proxy/MediaProcess.h"
#include "support/CdImages.h"
#include "support/MediaFiles.h"
#include "support/MessageLog.h"
#include "support/Wait.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <memory>

#include <gtest/gtest.h>

namespace {

using platform::GraphProxy;
using platform::MediaProcess;
using testsupport::MessageLog;
using testsupport::WaitUntil;

// The proxies against the real media process, which tests stop and kill as a hung or crashing
// parser would leave it.
class GraphProxyTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<QTemporaryDir>();
        media_files::MakeTone(folder->path(), QStringLiteral("ogg"), 20.0);
        media_files::MakeTone(folder->path(), QStringLiteral("wav"), 1.0);
        media_files::MakeVideo(folder->path(), QStringLiteral("mp4"), 2.0, 320, 240);
    }
    static void TearDownTestSuite() { folder.reset(); }
    void TearDown() override
    {
        // A stopped process is not left behind for the next test.
        if (const qint64 pid = process.Pid())
            ::kill(static_cast<pid_t>(pid), SIGCONT);
    }

    static QString Media(const char* name) { return folder->filePath(QString::fromLatin1(name)); }
    int Notifications() const { return static_cast<int>(owner.Params(platform::WM_GRAPH_EVENT).size()); }
    // Plays `graph` until it has been playing for a moment.
    static void PlayAWhile(GraphProxy& graph, const char* name)
    {
        ASSERT_TRUE(graph.RenderFile(Media(name))) << graph.LastError().toStdString();
        ASSERT_TRUE(graph.Run());
        ASSERT_TRUE(WaitUntil([&] { return graph.Position() > 200; }));
    }

    MediaProcess& process = MediaProcess::Instance();
    MessageLog owner;
    static std::unique_ptr<QTemporaryDir> folder;
};

std::unique_ptr<QTemporaryDir> GraphProxyTest::folder;

TEST_F(GraphProxyTest, AMediaProcessThatStopsAnsweringIsEndedAndTheNextOpenStartsAnother)
{
    GraphProxy graph(&owner, platform::WM_GRAPH_EVENT);
    PlayAWhile(graph, "tone.ogg");
    const qint64 stopped = process.Pid();
    ASSERT_GT(stopped, 0);
    // As a parser spinning with a lock held would leave it: nothing answers any more.
    ASSERT_EQ(::kill(static_cast<pid_t>(stopped), SIGSTOP), 0);
    EXPECT_EQ(graph.Position(), -1);
    EXPECT_FALSE(process.IsRunning());
    EXPECT_FALSE(graph.IsOpen());
    ASSERT_TRUE(WaitUntil([&] { return Notifications() > 0; }));
    EXPECT_EQ(graph.TakeEvent(), platform::EC_ERRORABORT);
    EXPECT_TRUE(graph.LastError().contains(QLatin1String("did not answer")))
        << graph.LastError().toStdString();
    // A lost graph is not asked anything: no process is started for it.
    EXPECT_FALSE(graph.Run());
    EXPECT_FALSE(graph.Seek(500));
    EXPECT_FALSE(process.IsRunning());

    ASSERT_TRUE(graph.RenderFile(Media("tone.wav"))) << graph.LastError().toStdString();
    EXPECT_NE(process.Pid(), stopped);
    EXPECT_TRUE(graph.Run());
    EXPECT_TRUE(WaitUntil([&] { return graph.TakeEvent() == platform::EC_COMPLETE; }));
}

// What a hostile file that takes the media process over may do stays small: no privileges
// through a program it starts, no core file, no more than 4 GiB of address space.
TEST_F(GraphProxyTest, TheMediaProcessRunsWithoutNewPrivilegesCoreFilesOrEndlessMemory)
{
    GraphProxy graph(&owner, platform::WM_GRAPH_EVENT);
    PlayAWhile(graph, "tone.ogg");
    const auto read = [&](const char* name) {
        QFile file(QStringLiteral("/proc/%1/%2").arg(process.Pid()).arg(QString::fromLatin1(name)));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    };
    EXPECT_TRUE(read("status").contains(QRegularExpression(QStringLiteral("NoNewPrivs:\\s+1"))));
    const QString limits = read("limits");
    EXPECT_TRUE(limits.contains(QRegularExpression(QStringLiteral("Max core file size\\s+0\\s+0"))))
        << limits.toStdString();
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The sanitizers' shadow memory takes terabytes of address space: such builds set no bound.
    const QString space = QStringLiteral("Max address space\\s+unlimited\\s+unlimited");
#else
    const QString space = QStringLiteral("Max address space\\s+4294967296\\s+4294967296");
#endif
    EXPECT_TRUE(limits.contains(QRegularExpression(space))) << limits.toStdString();
}

TEST_F(GraphProxyTest, AKilledMediaProcessEndsEveryGraphWithAnErrorAndCdNotificationsInFailure)
{
    GraphProxy main(&owner, platform::WM_GRAPH_EVENT);
    GraphProxy alarm(&owner, platform::WM_GRAPH_EVENT);
    PlayAWhile(main, "tone.ogg");
    PlayAWhile(alarm, "tone.ogg");

    QTemporaryDir dir;
    const QString image = cd_images::Write(dir.path(), QStringLiteral("cd"), {{cd_images::Seconds(20)}});
    ASSERT_FALSE(image.isEmpty());
    MessageLog cdOwner;
    QString reply;
    ASSERT_EQ(
        platform::mciSendString(QStringLiteral("open cdaudio!%1 alias K1 wait").arg(image), &reply, nullptr),
        0u);
    ASSERT_EQ(platform::mciSendString(QStringLiteral("play K1 notify"), &reply, &cdOwner), 0u);
    // Proof that the CD plays and has not ended by itself.
    ASSERT_TRUE(WaitUntil([&] {
        platform::mciSendString(QStringLiteral("status K1 mode"), &reply, nullptr);
        return reply == QLatin1String("playing");
    }));
    EXPECT_TRUE(cdOwner.Params(platform::MM_MCINOTIFY).isEmpty());

    ASSERT_EQ(::kill(static_cast<pid_t>(process.Pid()), SIGKILL), 0);
    ASSERT_TRUE(WaitUntil([&] { return !process.IsRunning(); }));
    ASSERT_TRUE(WaitUntil([&] { return Notifications() >= 2; }));
    for (GraphProxy* graph : {&main, &alarm}) {
        EXPECT_EQ(graph->TakeEvent(), platform::EC_ERRORABORT);
        EXPECT_TRUE(graph->LastError().contains(QLatin1String("signal 9")))
            << graph->LastError().toStdString();
    }
    ASSERT_TRUE(WaitUntil([&] { return !cdOwner.Params(platform::MM_MCINOTIFY).isEmpty(); }));
    EXPECT_EQ(cdOwner.Params(platform::MM_MCINOTIFY), QList<platform::WPARAM>{platform::MCI_NOTIFY_FAILURE});
    // The alias went with the process; a command about it starts nothing.
    EXPECT_EQ(platform::mciSendString(QStringLiteral("status K1 mode"), &reply, nullptr),
              platform::MCIERR_HARDWARE);
    EXPECT_FALSE(process.IsRunning());
}

TEST_F(GraphProxyTest, EventsOfAReplacedProcessNeverReachTheNextItem)
{
    GraphProxy graph(&owner, platform::WM_GRAPH_EVENT);
    ASSERT_TRUE(graph.RenderFile(Media("tone.wav"))) << graph.LastError().toStdString();
    ASSERT_TRUE(graph.Run());
    // The end of the first item is waiting, untaken, when its process is killed.
    ASSERT_TRUE(WaitUntil([&] { return Notifications() == 1; }));
    ASSERT_EQ(::kill(static_cast<pid_t>(process.Pid()), SIGKILL), 0);
    ASSERT_TRUE(WaitUntil([&] { return Notifications() == 2; })) << "the loss is told as an error abort";

    ASSERT_TRUE(graph.RenderFile(Media("tone.wav"))) << graph.LastError().toStdString();
    EXPECT_EQ(graph.TakeEvent(), 0) << "neither the old end nor the old abort reaches the new item";
    ASSERT_TRUE(graph.Run());
    EXPECT_TRUE(WaitUntil([&] { return graph.TakeEvent() == platform::EC_COMPLETE; })) << "its own end does";
}

TEST_F(GraphProxyTest, FramesComeThroughSharedMemoryAndTheirSlotsAreGivenBack)
{
    GraphProxy graph(&owner, platform::WM_GRAPH_EVENT);
    QImage last;
    int frames = 0;
    graph.SetFrameHandler([&](const QImage& frame) {
        last = frame; // kept until the next one, as the video window keeps it
        ++frames;
    });
    ASSERT_TRUE(graph.RenderFile(Media("clip.mp4"))) << graph.LastError().toStdString();
    EXPECT_EQ(graph.NativeVideoSize(), QSize(320, 240));
    ASSERT_TRUE(graph.Run());
    // Far more frames than the media process has slots: each one is given back.
    ASSERT_TRUE(WaitUntil([&] { return frames > 20; })) << frames;
    EXPECT_EQ(last.size(), QSize(320, 240));
    EXPECT_GT(qGray(last.pixel(5, last.height() / 4)), 150) << "the test picture's white bar";

    // A frame kept past the graph's close stays readable.
    const QImage kept = last;
    last = QImage();
    graph.Close();
    EXPECT_GT(qGray(kept.pixel(5, kept.height() / 4)), 150);
}

} // namespace

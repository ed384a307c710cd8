#include "platform/proxy/MediaProcess.h"
#include "platform/WindowMessage.h"
#include "platform/proxy/ArchiveProxy.h"
#include "platform/proxy/DownloadProxy.h"
#include "platform/proxy/DvdGraphProxy.h"
#include "platform/proxy/GraphProxy.h"
#include "support/MessageLog.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <functional>

#include <gtest/gtest.h>

namespace {

using platform::DvdGraphProxy;
using platform::GraphProxy;
using platform::MediaProcess;
using platform::ipc::Op;
using testsupport::MessageLog;

// Window messages as the main window takes them: through the message map, so a wait holds them.
class Window : public QObject
{
public:
    platform::LRESULT OnMessage(platform::WPARAM wParam, platform::LPARAM)
    {
        received.push_back(static_cast<int>(wParam));
        return 0;
    }
    std::vector<int> received;

protected:
    void customEvent(QEvent* event) override
    {
        static constexpr platform::MessageMapEntry<Window> kMap[] = {{0x8123, &Window::OnMessage}};
        if (event->type() == platform::WindowMessageEvent::Type())
            platform::DispatchWindowMessage<Window>(this, kMap,
                                                    *static_cast<platform::WindowMessageEvent*>(event));
    }
};

// Descriptors of this process open on the fake media process's frame memory.
int OpenFrameMemories()
{
    int count = 0;
    const QDir open(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : open.entryList(QDir::Files | QDir::System))
        count += QFile::symLinkTarget(open.filePath(fd)).contains(QLatin1String("fake-frames")) ? 1 : 0;
    return count;
}

// The window's side of the protocol, against a media process that misbehaves as it is told.
class MediaProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        process.End(QStringLiteral("a new test"));
        process.SetProgram(QStringLiteral(SORLIN_FAKE_MEDIA_HOST));
    }
    void TearDown() override
    {
        process.End(QStringLiteral("the test is over"));
        process.SetProgram(QString());
        qunsetenv("SORLIN_FAKE_HOST");
    }

    // One request to a fake media process behaving as `mode`.
    bool Ask(const char* mode, int boundMs, QString* error, qint32* answer = nullptr)
    {
        qputenv("SORLIN_FAKE_HOST", mode);
        QByteArray reply;
        const bool answered =
            process.Call(Op::LivePipelines, 0, {}, &reply, boundMs, MediaProcess::Start::IfNeeded, error);
        if (answered && answer)
            platform::ipc::Unpack(reply) >> *answer;
        return answered;
    }

    MediaProcess& process = MediaProcess::Instance();
};

TEST_F(MediaProcessTest, ARequestPastItsBoundEndsTheProcessWhileTheWindowGoesOn)
{
    Window window;
    bool timerRan = false;
    bool heldDuringWait = false;
    // During the wait: timers run, and a window message waits for the wait to end.
    QTimer::singleShot(50, [&] {
        timerRan = true;
        platform::PostWindowMessage(&window, 0x8123, 1);
        QTimer::singleShot(50, [&] { heldDuringWait = process.Waiting() && window.received.empty(); });
    });
    QString error;
    EXPECT_FALSE(Ask("silent", 600, &error));
    EXPECT_TRUE(error.contains(QLatin1String("did not answer"))) << error.toStdString();
    EXPECT_FALSE(process.IsRunning());
    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(heldDuringWait);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.received, std::vector<int>{1}) << "the held message is delivered once the wait is over";

    // The next request that may start one starts a new process.
    const quint64 before = process.Serial();
    qint32 answer = 0;
    ASSERT_TRUE(Ask("answer", 5000, &error, &answer)) << error.toStdString();
    EXPECT_EQ(answer, 7);
    EXPECT_EQ(process.Serial(), before + 1);
}

TEST_F(MediaProcessTest, AProcessThatDiesFailsItsRequestAtOnceWithHowItEnded)
{
    // A bound far beyond the test's own: the answer comes from the death, not from the bound.
    struct Case
    {
        const char* mode;
        QRegularExpression said;
    };
    const Case cases[] = {
        {"exit", QRegularExpression(QStringLiteral("exit code 3"))},
        {"abort", QRegularExpression(QStringLiteral("signal 6"))},
        // Whichever the window notices first: the half message or the process's end.
        {"truncated", QRegularExpression(QStringLiteral("middle of a message|exit code 0"))},
        {"garbage", QRegularExpression(QStringLiteral("cannot be read"))},
        {"huge", QRegularExpression(QStringLiteral("announced a message of"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        QString error;
        EXPECT_FALSE(Ask(c.mode, 120000, &error));
        EXPECT_TRUE(c.said.match(error).hasMatch()) << error.toStdString();
        EXPECT_FALSE(process.IsRunning());
    }
}

TEST_F(MediaProcessTest, StrayRepliesAndEventsForNobodyAreDropped)
{
    QString error;
    for (int request = 0; request < 3; ++request) {
        qint32 answer = 0;
        ASSERT_TRUE(Ask("stray", 5000, &error, &answer)) << error.toStdString();
        EXPECT_EQ(answer, 7) << "the reply to another request was not taken for this one";
    }
    EXPECT_TRUE(process.IsRunning());
    // The frame memory sent for a graph nobody has is closed, not kept.
    EXPECT_EQ(OpenFrameMemories(), 0);
}

// A media process taken over by a hostile file sends what no real one does: each is a broken
// process, which is ended (its graph fails, nothing it sent stays open) while the window goes
// on, and the next request is served by a new one.
TEST_F(MediaProcessTest, AMediaProcessPastABoundIsEndedAsBroken)
{
    MessageLog owner;
    // Archives are listed only where there is a plug-in file.
    QTemporaryDir pluginFolder;
    QFile(pluginFolder.filePath(QStringLiteral("a.spi"))).open(QIODevice::WriteOnly);
    const auto listTwo = [&] {
        QString plugin;
        std::vector<platform::ArchiveMember> members;
        return platform::ArchiveProxy().List(pluginFolder.path(), QStringLiteral("a.zip"), 2, &plugin,
                                             &members) == platform::ArchiveListing::kListed;
    };
    // The same listing within its bounds is taken, names decoded.
    {
        qputenv("SORLIN_FAKE_HOST", "members-within");
        QString plugin;
        std::vector<platform::ArchiveMember> members;
        EXPECT_EQ(
            platform::ArchiveProxy().List(pluginFolder.path(), QStringLiteral("a.zip"), 2, &plugin, &members),
            platform::ArchiveListing::kListed);
        ASSERT_EQ(members.size(), 2u);
        EXPECT_EQ(members[0].FullName(), QStringLiteral("disc 1/01 テスト.mp3"));
        EXPECT_EQ(members[1].path, QStringLiteral("disc 1/"));
        EXPECT_EQ(members[1].fileName, QStringLiteral("02 ok.ogg"));
        EXPECT_EQ(members[1].size, 2u);
        EXPECT_EQ(plugin, QStringLiteral("a.spi"));
        EXPECT_TRUE(process.IsRunning());
        process.End(QStringLiteral("the next case"));
    }
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"flood", [&] { return Ask("flood", 10000, nullptr); }},
        {"plainframes", [&] { return GraphProxy(&owner, platform::WM_GRAPH_EVENT).RenderFile("a.mp4"); }},
        {"hugevideo", [&] { return GraphProxy(&owner, platform::WM_GRAPH_EVENT).RenderFile("a.mp4"); }},
        {"chapters",
         [&] { return DvdGraphProxy(&owner, platform::WM_GRAPH_EVENT).RenderDvd("/dev/sr0", 0); }},
        {"members", listTwo},
        {"members-cut", listTwo},
        {"members-long", listTwo},
        {"members-noname", listTwo},
        {"members-undercount", listTwo},
        {"download",
         [&] {
             platform::ipc::DownloadRequest terms;
             terms.address = QStringLiteral("http://127.0.0.1:9/a.mp3");
             terms.file = pluginFolder.filePath(QStringLiteral("a.mp3"));
             return platform::DownloadProxy().Run(terms).result == platform::ipc::DownloadResult::kDone;
         }},
        {"progress",
         [&] {
             return platform::ArchiveProxy().Extract(QStringLiteral("a.spi"), QStringLiteral("a.zip"),
                                                     QStringLiteral("1"), pluginFolder.filePath("1"), 10,
                                                     {}) == platform::MemberExtraction::kDone;
         }},
    };
    for (const auto& [mode, request] : cases) {
        SCOPED_TRACE(mode);
        qputenv("SORLIN_FAKE_HOST", mode);
        EXPECT_FALSE(request());
        EXPECT_FALSE(process.IsRunning());
        EXPECT_EQ(OpenFrameMemories(), 0);
        QString error;
        qint32 answer = 0;
        EXPECT_TRUE(Ask("answer", 5000, &error, &answer)) << error.toStdString();
        process.End(QStringLiteral("the next case"));
    }
    // A flood of graph events after a good answer ends the process too.
    qputenv("SORLIN_FAKE_HOST", "events");
    GraphProxy graph(&owner, platform::WM_GRAPH_EVENT);
    ASSERT_TRUE(graph.RenderFile(QStringLiteral("a.mp4")));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return !process.IsRunning(); }, 10000));
}

TEST_F(MediaProcessTest, AProcessOfAnotherVersionOrNoneAtAllIsRefused)
{
    QString error;
    EXPECT_FALSE(Ask("version", 5000, &error));
    EXPECT_TRUE(error.contains(QLatin1String("version"))) << error.toStdString();
    EXPECT_FALSE(process.IsRunning());

    process.SetProgram(QStringLiteral("/nonexistent/sorlin-media"));
    EXPECT_FALSE(Ask("answer", 5000, &error));
    EXPECT_TRUE(error.contains(QLatin1String("could not be started"))) << error.toStdString();

    // A request about what is open never starts a process.
    process.SetProgram(QStringLiteral(SORLIN_FAKE_MEDIA_HOST));
    QByteArray reply;
    EXPECT_FALSE(process.Call(Op::Position, 1, {}, &reply, 5000, MediaProcess::Start::Never, &error));
    EXPECT_FALSE(process.IsRunning());
}

TEST_F(MediaProcessTest, NestedRequestsEachGetTheirOwnAnswer)
{
    // A request made while another waits (a timer inside the wait) is answered too, and the
    // outer one still gets its own answer.
    QString error;
    qint32 outer = 0;
    bool innerAnswered = false;
    QTimer::singleShot(0, [&] {
        QByteArray reply;
        innerAnswered = process.Call(Op::LivePipelines, 0, {}, &reply, 5000, MediaProcess::Start::Never);
    });
    ASSERT_TRUE(Ask("answer", 5000, &error, &outer)) << error.toStdString();
    EXPECT_EQ(outer, 7);
    QCoreApplication::processEvents();
    EXPECT_TRUE(innerAnswered);
}

} // namespace

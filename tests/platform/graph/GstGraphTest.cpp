#include "platform/graph/GstGraph.h"
#include "platform/WindowMessage.h"
#include "support/MediaFiles.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

using platform::GstGraph;

constexpr unsigned kNotify = 0x40D;

using testsupport::WaitUntil;

// Counts the graph notifications the main window would get.
class Owner : public QObject
{
public:
    int notifications = 0;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == platform::WindowMessageEvent::Type() &&
            static_cast<platform::WindowMessageEvent*>(event)->message == kNotify)
            ++notifications;
    }
};

class GraphTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<QTemporaryDir>();
        for (const char* extension : {"wav", "ogg", "mp3", "flac", "wma"})
            media_files::MakeTone(folder->path(), QString::fromLatin1(extension), 2.0);
        for (const char* extension : {"mp4", "avi", "wmv"})
            media_files::MakeVideo(folder->path(), QString::fromLatin1(extension), 2.0);
    }
    static void TearDownTestSuite() { folder.reset(); }

    static QString Media(const QString& name)
    {
        const QString path = folder->filePath(name);
        return QFile::exists(path) ? path : QString();
    }

    Owner owner;
    GstGraph graph{&owner, kNotify};
    static std::unique_ptr<QTemporaryDir> folder;
};

std::unique_ptr<QTemporaryDir> GraphTest::folder;

class GraphFormatTest : public GraphTest, public ::testing::WithParamInterface<const char*>
{};

TEST_P(GraphFormatTest, PlaysPausesRewindsSeeksAndEnds)
{
    const QString path = Media(QString::fromLatin1(GetParam()));
    ASSERT_FALSE(path.isEmpty()) << "the test file could not be made";
    ASSERT_TRUE(graph.RenderFile(path)) << graph.LastError().toStdString();
    EXPECT_TRUE(graph.IsOpen());

    ASSERT_TRUE(graph.Run());
    // Some formats (mp3) know their length only once data flows.
    ASSERT_TRUE(WaitUntil([&] { return graph.Duration() > 0; }));
    EXPECT_NEAR(graph.Duration(), 2000, 150);
    ASSERT_TRUE(WaitUntil([&] { return graph.Position() >= 500; })) << graph.Position();

    ASSERT_TRUE(graph.Pause());
    const qint64 paused = graph.Position();
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(graph.Position(), paused);

    ASSERT_TRUE(graph.StopAndRewind());
    EXPECT_LE(graph.Position(), 40);

    ASSERT_TRUE(graph.Seek(1200));
    EXPECT_NEAR(graph.Position(), 1200, 100);

    EXPECT_EQ(graph.TakeEvent(), 0);
    ASSERT_TRUE(graph.Run());
    ASSERT_TRUE(WaitUntil([&] { return owner.notifications > 0; }));
    EXPECT_EQ(graph.TakeEvent(), platform::EC_COMPLETE);
    EXPECT_EQ(graph.TakeEvent(), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, GraphFormatTest,
                         ::testing::Values("tone.wav", "tone.ogg", "tone.mp3", "tone.flac", "tone.wma",
                                           "clip.mp4", "clip.avi", "clip.wmv"));

TEST_F(GraphTest, FilesThatAreNotMediaDoNotBuild)
{
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    QByteArray ogg;
    {
        QFile source(Media(QStringLiteral("tone.ogg")));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        ogg = source.read(300);
    }
    const QString cases[] = {
        write("notes.txt", "just some text, not a song\n"),
        write("random.mp3", QByteArray(4096, '\x5a')),
        write("empty.ogg", QByteArray()),
        write("truncated.ogg", ogg),
        dir.filePath(QStringLiteral("missing.mp3")),
        dir.path(),
    };
    for (const QString& path : cases) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(graph.RenderFile(path));
        EXPECT_FALSE(graph.IsOpen());
        EXPECT_FALSE(graph.LastError().isEmpty());
        EXPECT_EQ(graph.TakeEvent(), 0);
    }
    // The graph is usable again afterwards.
    EXPECT_TRUE(graph.RenderFile(Media(QStringLiteral("tone.wav")))) << graph.LastError().toStdString();
}

TEST_F(GraphTest, ClosedGraphsLeaveNoPipelineBehind)
{
    const int before = GstGraph::LivePipelines();
    QTemporaryDir dir;
    QFile noise(dir.filePath(QStringLiteral("noise.mp3")));
    ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
    noise.write(QByteArray(8192, '\x33'));
    noise.close();
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("clip.mp4"))));
        EXPECT_EQ(GstGraph::LivePipelines(), before + 1);
        ASSERT_TRUE(graph.Run());
        ASSERT_TRUE(WaitUntil([&] { return graph.Position() > 200; }));
        EXPECT_FALSE(graph.RenderFile(noise.fileName()));
        ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("tone.ogg"))));
        ASSERT_TRUE(graph.Run());
        ASSERT_TRUE(WaitUntil([&] { return graph.TakeEvent() == platform::EC_COMPLETE; }));
    }
    graph.Close();
    EXPECT_TRUE(WaitUntil([&] { return GstGraph::LivePipelines() == before; }))
        << GstGraph::LivePipelines() - before << " pipelines kept alive";
}

TEST_F(GraphTest, VideoSizeFramesAndElementNames)
{
    ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("clip.mp4")))) << graph.LastError().toStdString();
    EXPECT_EQ(graph.NativeVideoSize(), QSize(320, 240));
    QImage frame;
    graph.SetFrameHandler([&](const QImage& image) { frame = image.copy(); });
    ASSERT_TRUE(graph.Run());
    ASSERT_TRUE(WaitUntil([&] { return !frame.isNull(); }));
    EXPECT_EQ(frame.size(), QSize(320, 240));
    // videotestsrc starts with white at the left edge.
    EXPECT_GT(qGray(frame.pixel(5, 5)), 180);

    const QStringList names = graph.ElementNames();
    EXPECT_GT(names.size(), 4);
    EXPECT_TRUE(names.contains(QStringLiteral("AppSink"))) << names.join(u',').toStdString();

    ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("tone.mp3"))));
    EXPECT_TRUE(graph.NativeVideoSize().isEmpty());
}

TEST_F(GraphTest, RatesForwardAndBackward)
{
    ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("tone.ogg"))));
    ASSERT_TRUE(graph.Seek(1000));
    ASSERT_TRUE(graph.Run());
    EXPECT_TRUE(graph.SetRate(2.0));
    EXPECT_EQ(graph.Rate(), 2.0);
    ASSERT_TRUE(WaitUntil([&] { return graph.Position() > 1300; }));
    EXPECT_TRUE(graph.SetRate(-1.0));
    qint64 start = -1;
    ASSERT_TRUE(WaitUntil([&] { return (start = graph.Position()) >= 0; }));
    ASSERT_TRUE(WaitUntil([&] { return graph.Position() >= 0 && graph.Position() < start - 200; }))
        << start << " " << graph.Position();
    EXPECT_FALSE(graph.SetRate(0.0));
    EXPECT_EQ(graph.Rate(), -1.0);
}

TEST_F(GraphTest, EventsOfAClosedGraphNeverReachTheNextOne)
{
    ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("tone.wav"))));
    ASSERT_TRUE(graph.Seek(1800));
    ASSERT_TRUE(graph.Run());
    // Let the end arrive without handing it to the graph: no events are processed here.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1500)
        QThread::msleep(20);
    ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("tone.ogg"))));
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(graph.TakeEvent(), 0);
    EXPECT_EQ(owner.notifications, 0);
}

TEST_F(GraphTest, VideoCDPositionsCountFromTheStreamsStart)
{
    QTemporaryDir disc;
    const QString stream = media_files::MakeVideoCD(disc.path());
    ASSERT_FALSE(stream.isEmpty());
    ASSERT_TRUE(graph.RenderFile(stream)) << graph.LastError().toStdString();
    EXPECT_EQ(graph.NativeVideoSize(), QSize(352, 240));
    EXPECT_EQ(graph.Position(), 0);
    ASSERT_TRUE(graph.Seek(1000));
    EXPECT_NEAR(graph.Position(), 1000, 100);
    ASSERT_TRUE(graph.Run());
    ASSERT_TRUE(WaitUntil([&] { return owner.notifications > 0; }));
    EXPECT_EQ(graph.TakeEvent(), platform::EC_COMPLETE);
    // At the end the position is the stream's length, not its length plus the start.
    EXPECT_NEAR(graph.Position(), 3000, 200);
}

TEST_F(GraphTest, UserAbortIsQueuedAndAnnounced)
{
    ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("tone.wav"))));
    graph.QueueEvent(platform::EC_USERABORT);
    ASSERT_TRUE(WaitUntil([&] { return owner.notifications == 1; }));
    EXPECT_EQ(graph.TakeEvent(), platform::EC_USERABORT);
}

} // namespace

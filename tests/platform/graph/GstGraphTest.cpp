#include "platform/graph/GstGraph.h"
#include "platform/WindowMessage.h"
#include "platform/graph/GstSupport.h"

#include "../TestSupport.h"
#include "support/MediaFiles.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

namespace {

using platform::GstGraph;

constexpr unsigned kNotify = 0x40D;

using testsupport::WaitUntil;

// Lets the streaming threads run, handing nothing to the UI thread's receivers, until `done`
// holds or 20 s pass.
bool WaitWithoutEvents(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 20000)
            return false;
        QThread::msleep(5);
    }
    return true;
}

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
    {
        // The same file playing beside it shows the time that went by.
        GstGraph witness(&owner, kNotify);
        ASSERT_TRUE(witness.RenderFile(path));
        ASSERT_TRUE(witness.Run());
        ASSERT_TRUE(WaitUntil([&] { return witness.Position() >= 300; }));
    }
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
    graph.SetFrameHandler([&](const GstGraph::DecodedFrame& decoded) {
        frame = QImage(decoded.Size(), QImage::Format_RGB32);
        if (!decoded.WriteRgb32(frame.bits(), static_cast<int>(frame.bytesPerLine())))
            frame = QImage();
    });
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
    // The end, posted while the graph stays open, reaches it.
    ASSERT_TRUE(WaitWithoutEvents([&] { return graph.MessagesInFlight() > 0; }));
    ASSERT_TRUE(WaitUntil([&] { return owner.notifications == 1; }));
    EXPECT_EQ(graph.TakeEvent(), platform::EC_COMPLETE);
    EXPECT_EQ(graph.TakeEvent(), 0);

    // Posted, but still on its way when the next file opens: it never arrives.
    owner.notifications = 0;
    ASSERT_TRUE(graph.Seek(1800));
    ASSERT_TRUE(graph.Run());
    ASSERT_TRUE(WaitWithoutEvents([&] { return graph.MessagesInFlight() > 0; }));
    ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("tone.ogg"))));
    ASSERT_TRUE(WaitUntil([&] { return graph.MessagesInFlight() == 0; }));
    QCoreApplication::sendPostedEvents(); // what taking it would have announced
    EXPECT_EQ(graph.TakeEvent(), 0);
    EXPECT_EQ(owner.notifications, 0);
}

TEST_F(GraphTest, FramesOfAClosedGraphNeverReachTheFrameHandler)
{
    int frames = 0;
    graph.SetFrameHandler([&](const GstGraph::DecodedFrame&) { ++frames; });
    ASSERT_TRUE(graph.RenderFile(Media(QStringLiteral("clip.mp4")))) << graph.LastError().toStdString();
    ASSERT_TRUE(graph.Run());
    // Frames that waited for the UI thread while the graph stayed open are shown (a frame is
    // counted in flight just before it is posted: it is waited for, not taken at once)...
    ASSERT_TRUE(WaitWithoutEvents([&] { return graph.FramesInFlight() > 0; }));
    EXPECT_TRUE(WaitUntil([&] { return frames > 0; }));
    // ...and those still waiting when it closes are not. Closing stops the streaming threads,
    // so nothing is posted after it.
    ASSERT_TRUE(WaitWithoutEvents([&] { return graph.FramesInFlight() > 0; }));
    graph.Close();
    frames = 0;
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(graph.FramesInFlight(), 0);
    EXPECT_EQ(frames, 0);
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

// The relay on its own, with pipelines that only carry messages the test posts on their buses.
class BusRelayTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { platform::InitialiseGStreamer(); }
    void TearDown() override
    {
        for (GstElement* pipeline : {a.get(), b.get(), c.get()})
            relay.Detach(pipeline);
    }

    static platform::GstElementPtr MakePipeline(const char* name)
    {
        platform::GstElementPtr pipeline(gst_pipeline_new(name));
        gst_object_ref_sink(pipeline.get());
        return pipeline;
    }
    // Posts as an element of `pipeline` would, from whatever thread calls it.
    static void Post(const platform::GstElementPtr& pipeline, GstMessage* message)
    {
        platform::GstBusPtr bus(gst_element_get_bus(pipeline.get()));
        gst_bus_post(bus.get(), message);
    }
    static void PostEnd(const platform::GstElementPtr& pipeline)
    {
        Post(pipeline, gst_message_new_eos(GST_OBJECT(pipeline.get())));
    }
    static void PostNote(const platform::GstElementPtr& pipeline, const char* name)
    {
        Post(pipeline,
             gst_message_new_application(GST_OBJECT(pipeline.get()), gst_structure_new_empty(name)));
    }
    static bool IsNote(GstMessage* message, const char* name)
    {
        return GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION &&
               gst_structure_has_name(gst_message_get_structure(message), name);
    }

    // Everything posted so far has been handed over (or dropped): the relay's events are
    // delivered in the order they were posted.
    void Deliver() { QCoreApplication::sendPostedEvents(); }

    // "pipeline:what" for each message the handler got.
    QStringList received;
    platform::GstBusRelay relay{[this](GstMessage* message) {
        QString what;
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            what = QStringLiteral("end");
            break;
        case GST_MESSAGE_ERROR:
        case GST_MESSAGE_WARNING: {
            QString details;
            const QString text = platform::MessageText(message, &details);
            what = (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR ? QStringLiteral("error ")
                                                                   : QStringLiteral("warning ")) +
                   text + u'/' + details;
            break;
        }
        default:
            what = QString::fromUtf8(gst_structure_get_name(gst_message_get_structure(message)));
            break;
        }
        received << QString::fromUtf8(GST_OBJECT_NAME(GST_MESSAGE_SRC(message))) + u':' + what;
    }};
    platform::GstElementPtr a = MakePipeline("a");
    platform::GstElementPtr b = MakePipeline("b");
    platform::GstElementPtr c = MakePipeline("c");
};

TEST_F(BusRelayTest, OnlyTheAttachedPipelinesMessagesAreHandedOver)
{
    relay.Attach(a.get());
    PostEnd(a);
    ASSERT_TRUE(WaitUntil([&] { return !received.isEmpty(); }));
    EXPECT_EQ(received, QStringList{QStringLiteral("a:end")});

    // Posted while `a` was attached, on its way when `b` replaced it.
    PostEnd(a);
    relay.Detach(a.get());
    relay.Attach(b.get());
    PostEnd(b);
    Deliver();
    EXPECT_EQ(received, (QStringList{QStringLiteral("a:end"), QStringLiteral("b:end")}));

    // Attaching the next pipeline is enough: `b` keeps its handler but not its turn.
    received.clear();
    PostEnd(b);
    relay.Attach(c.get());
    PostEnd(b);
    PostEnd(c);
    Deliver();
    EXPECT_EQ(received, QStringList{QStringLiteral("c:end")});

    // Detached with nothing after it, nothing of it arrives.
    received.clear();
    PostEnd(c);
    relay.Detach(c.get());
    Deliver();
    EXPECT_TRUE(received.isEmpty()) << received.join(u',').toStdString();
}

TEST_F(BusRelayTest, ErrorsWarningsAndWhatTheFilterAsksForPass)
{
    relay.Attach(a.get(), [](GstMessage* message) { return IsNote(message, "wanted"); });
    PostNote(a, "unwanted");
    PostNote(a, "wanted");
    GError* error = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, "cannot decode");
    Post(a, gst_message_new_error(GST_OBJECT(a.get()), error, "in the decoder"));
    Post(a, gst_message_new_warning(GST_OBJECT(a.get()), error, nullptr));
    g_error_free(error);
    PostEnd(a);
    Deliver();
    EXPECT_EQ(received,
              (QStringList{QStringLiteral("a:wanted"), QStringLiteral("a:error cannot decode/in the decoder"),
                           QStringLiteral("a:warning cannot decode/"), QStringLiteral("a:end")}));

    // The filter belongs to the pipeline it came with.
    received.clear();
    relay.Detach(a.get());
    relay.Attach(b.get());
    PostNote(b, "wanted");
    PostEnd(b);
    Deliver();
    EXPECT_EQ(received, QStringList{QStringLiteral("b:end")});
}

// Holds a streaming thread inside the relay's sync handler until opened.
class Gate
{
public:
    // Called on the streaming thread; waits (bounded) to be let through.
    void Hold()
    {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(20), [this] { return open; });
    }
    bool WaitEntered()
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [this] { return entered; });
    }
    void Open()
    {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;
};

// Posts a message from a thread of its own, as a streaming thread would; the test's filter
// holds it at `gate`. Opens the gate and joins however the test ends.
class HeldPost
{
public:
    HeldPost(const platform::GstElementPtr& pipeline, const char* name, Gate& gate)
        : gate(gate), thread([&pipeline, name] {
              platform::GstBusPtr bus(gst_element_get_bus(pipeline.get()));
              gst_bus_post(bus.get(), gst_message_new_application(GST_OBJECT(pipeline.get()),
                                                                  gst_structure_new_empty(name)));
          })
    {}
    ~HeldPost() { Finish(); }
    void Finish()
    {
        gate.Open();
        if (thread.joinable())
            thread.join();
    }

private:
    Gate& gate;
    std::thread thread;
};

TEST_F(BusRelayTest, AMessageInTheSyncHandlerWhileItsPipelineIsReplacedIsDropped)
{
    std::atomic<Gate*> gate{nullptr};
    relay.Attach(a.get(), [&gate](GstMessage* message) {
        if (!IsNote(message, "held"))
            return false;
        gate.load()->Hold();
        return true;
    });

    {
        // Held while `a` stays attached, the message is handed over once let through.
        Gate first;
        gate = &first;
        HeldPost post(a, "held", first);
        ASSERT_TRUE(first.WaitEntered());
        post.Finish();
        ASSERT_TRUE(WaitUntil([&] { return !received.isEmpty(); }));
        EXPECT_EQ(received, QStringList{QStringLiteral("a:held")});
    }
    {
        // Held while `a` is detached and `b` attached, it is not: it leaves the handler after
        // the switch, but it belongs to `a`.
        Gate second;
        gate = &second;
        HeldPost post(a, "held", second);
        ASSERT_TRUE(second.WaitEntered());
        relay.Detach(a.get());
        relay.Attach(b.get());
        post.Finish();
        PostEnd(b);
        Deliver();
        EXPECT_EQ(received, (QStringList{QStringLiteral("a:held"), QStringLiteral("b:end")}));
    }
}

} // namespace

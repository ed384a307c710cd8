#include "media/Media.h"
#include "media/VideoWindow.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "platform/proxy/GraphProxy.h"
#include "platform/proxy/MediaProcess.h"
#include "support/EngineScene.h"
#include "support/MediaFiles.h"
#include "support/Wait.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

using testsupport::WaitUntil;

class MediaTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = std::make_unique<QTemporaryDir>();
        media_files::MakeTone(folder->path(), QStringLiteral("ogg"), 2.0);
        media_files::MakeTone(folder->path(), QStringLiteral("wav"), 1.0);
        media_files::MakeVideo(folder->path(), QStringLiteral("mp4"), 2.0, 320, 240);
    }
    static void TearDownTestSuite() { folder.reset(); }

    void SetUp() override
    {
        platform::SetMessageBoxObserver([this](const QString& text, int) {
            messages << text;
            return platform::kIdOk;
        });
        CMedia::RememberedVideoRect() = QRect(0, 0, 0, 0);
    }
    void TearDown() override { platform::SetMessageBoxObserver(nullptr); }

    static QString Media(const char* name) { return folder->filePath(QString::fromLatin1(name)); }

    QObject mainWindow;
    CMedia engine;
    QStringList messages;
    static std::unique_ptr<QTemporaryDir> folder;
};

std::unique_ptr<QTemporaryDir> MediaTest::folder;

TEST_F(MediaTest, TransportFollowsTheStateGuards)
{
    EXPECT_FALSE(engine.Play()); // nothing open: refused silently
    engine.Pause();
    engine.Stop();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(engine.GetPosition(), -1);

    QWidget* video = reinterpret_cast<QWidget*>(1);
    ASSERT_TRUE(engine.OpenMedia(&mainWindow, Media("tone.ogg"), &video));
    EXPECT_EQ(video, nullptr); // audio only
    EXPECT_TRUE(engine.State().Is(EngineState::kStopped));
    EXPECT_EQ(engine.FolderName(), QDir(folder->path()).filePath(QStringLiteral("tone")));
    EXPECT_TRUE(engine.Drive().isEmpty());
    EXPECT_FALSE(engine.HasChanged());

    ASSERT_TRUE(engine.Play());
    EXPECT_TRUE(engine.State().Is(EngineState::kPlaying));
    ASSERT_TRUE(WaitUntil([&] { return engine.GetPosition() > 300; }));

    engine.Pause();
    EXPECT_TRUE(engine.State().Is(EngineState::kPaused));
    engine.Pause(); // paused already: nothing happens
    EXPECT_TRUE(engine.State().Is(EngineState::kPaused));

    engine.Stop();
    EXPECT_TRUE(engine.State().Is(EngineState::kStopped));
    EXPECT_LE(engine.GetPosition(), 40);
    EXPECT_TRUE(engine.Seek(1500, 0));
    EXPECT_NEAR(engine.GetPosition(), 1500, 100);

    ASSERT_TRUE(engine.Play());
    EngineEvent end;
    ASSERT_TRUE(WaitUntil([&] { return (end = engine.HandleGraphEvent()).changed; }));
    EXPECT_EQ(end.code, platform::EC_COMPLETE); // the event that ended the item says so
    EXPECT_FALSE(end.failed);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();

    engine.TakeChanged();
    engine.Close();
    EXPECT_TRUE(engine.State().Is(EngineState::kClosed));
    EXPECT_TRUE(engine.HasChanged()); // closing a graph that existed ends the item
}

TEST_F(MediaTest, RateStepRule)
{
    struct Step
    {
        double current;
        double request;
        double expected;
    };
    const Step steps[] = {
        {2.0, 0, 1.0},     {1.0, 1, 2.0},      {2.0, 1, 3.0},      {-2.0, 1, 1.0},   {0.25, 1, 1.0},
        {3.0, 0.25, 0.25}, {-3.0, 0.25, 0.25}, {0.25, -1, -1.0},   {-1.0, -1, -2.0}, {-0.25, -1, -1.0},
        {1.0, -0.2, -0.2}, {-0.2, -0.5, -0.5}, {-0.3, -0.5, -0.5}, {1.0, 0.5, 1.5},  {0.3, 0.5, 0.5},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.current << " + " << step.request);
        EngineScene::SetRate(engine, step.current);
        engine.SetRate(step.request);
        EXPECT_DOUBLE_EQ(engine.GetRate(), step.expected);
    }
}

TEST_F(MediaTest, RatesReachThePipelineAndARefusedRateKeepsThePreviousOne)
{
    ASSERT_TRUE(engine.OpenMedia(&mainWindow, Media("tone.ogg"), nullptr));
    ASSERT_TRUE(engine.Play());
    engine.SetRate(1); // 1.0 -> 2.0
    EXPECT_DOUBLE_EQ(engine.GetRate(), 2.0);
    ASSERT_TRUE(WaitUntil([&] { return engine.GetPosition() > 800; }));
    engine.SetRate(-1); // forward -> backward at normal speed
    EXPECT_DOUBLE_EQ(engine.GetRate(), -1.0);
    qint64 start = -1;
    ASSERT_TRUE(WaitUntil([&] { return (start = engine.GetPosition()) >= 0; }));
    ASSERT_TRUE(WaitUntil([&] { return engine.GetPosition() >= 0 && engine.GetPosition() < start - 200; }));

    // The wav reader cannot play backwards: the previous rate stays in force.
    engine.Close();
    EXPECT_DOUBLE_EQ(engine.GetRate(), 1.0); // a new medium starts at normal speed
    ASSERT_TRUE(engine.OpenMedia(&mainWindow, Media("tone.wav"), nullptr));
    ASSERT_TRUE(engine.Play());
    engine.SetRate(1);
    ASSERT_DOUBLE_EQ(engine.GetRate(), 2.0);
    engine.SetRate(-1);
    EXPECT_DOUBLE_EQ(engine.GetRate(), 2.0);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MediaTest, FilesThatDoNotDecodeFailWithoutTheEngineMessage)
{
    QTemporaryDir dir;
    QFile text(dir.filePath(QStringLiteral("readme.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a song");
    text.close();
    for (const QString& path : {text.fileName(), dir.filePath(QStringLiteral("missing.mp3")), dir.path()}) {
        SCOPED_TRACE(path.toStdString());
        QWidget* video = nullptr;
        EXPECT_FALSE(engine.OpenMedia(&mainWindow, path, &video));
        EXPECT_TRUE(engine.State().Is(EngineState::kClosed));
        EXPECT_EQ(video, nullptr);
        EXPECT_FALSE(engine.Play());
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(MediaTest, VideoOpensItsWindowAndRemembersItsSize)
{
    QWidget* video = nullptr;
    ASSERT_TRUE(engine.OpenMedia(&mainWindow, Media("clip.mp4"), &video));
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->objectName(), QStringLiteral("VideoRenderer"));
    EXPECT_EQ(video->windowTitle(), QStringLiteral("Vimoﾌﾟﾚｰﾔ"));
    EXPECT_TRUE(video->isVisible());
    EXPECT_EQ(CMedia::RememberedVideoRect().size(), QSize(320, 240));

    ASSERT_TRUE(engine.Play());
    ASSERT_TRUE(WaitUntil([&] { return !engine.Window()->Frame().isNull(); }));
    const QImage shown = video->grab().toImage();
    EXPECT_GT(qGray(shown.pixel(5, shown.height() / 4)), 150); // the test picture's white bar

    QStringList names;
    int count = 0;
    engine.GetFilterNames(&names, &count);
    EXPECT_EQ(count, names.size());
    EXPECT_GT(count, 4);

    // Audio afterwards leaves the remembered size alone.
    CMedia::RememberedVideoRect().setSize(QSize(640, 480));
    engine.Close();
    EXPECT_EQ(CMedia::RememberedVideoRect().size(), QSize(320, 240)); // the video's own size when windowed
    CMedia::RememberedVideoRect().setSize(QSize(500, 400));
    ASSERT_TRUE(engine.OpenMedia(&mainWindow, Media("tone.ogg"), &video));
    engine.Close();
    EXPECT_EQ(CMedia::RememberedVideoRect().size(), QSize(500, 400));
}

TEST_F(MediaTest, AGraphThatEndsWithAnErrorSaysSoAndEndsTheItem)
{
    ASSERT_TRUE(engine.OpenMedia(&mainWindow, Media("tone.ogg"), nullptr));
    ASSERT_TRUE(engine.Play());
    ASSERT_EQ(::kill(static_cast<pid_t>(platform::MediaProcess::Instance().Pid()), SIGKILL), 0);
    EngineEvent ended;
    ASSERT_TRUE(
        WaitUntil([&] { return (ended = engine.HandleGraphEvent()).code == platform::EC_ERRORABORT; }));
    EXPECT_TRUE(ended.failed);
    EXPECT_TRUE(ended.changed);
    EXPECT_TRUE(engine.TakeFailed());
    EXPECT_FALSE(engine.TakeFailed()) << "taken once";
    EXPECT_TRUE(engine.State().Is(EngineState::kClosed));
}

TEST_F(MediaTest, ClosingTheVideoWindowEndsTheItemAndKeepsTheFullScreenChoice)
{
    EngineScene::SetFullScreenChoice(engine, true);
    QWidget* video = nullptr;
    ASSERT_TRUE(engine.OpenMedia(&mainWindow, Media("clip.mp4"), &video));
    ASSERT_NE(video, nullptr);
    EXPECT_TRUE(video->isFullScreen());
    ASSERT_TRUE(engine.Play());
    engine.TakeChanged();
    video->close();
    EngineEvent closed;
    ASSERT_TRUE(
        WaitUntil([&] { return (closed = engine.HandleGraphEvent()).code == platform::EC_USERABORT; }));
    EXPECT_TRUE(closed.changed);
    EXPECT_FALSE(closed.failed); // the user ended it, not an error
    EXPECT_TRUE(engine.State().Is(EngineState::kClosed));
    EXPECT_TRUE(engine.HasChanged());
    EXPECT_TRUE(engine.IsFullScreen());
    EXPECT_EQ(engine.Window(), nullptr);
}

TEST_F(MediaTest, FilterPropertiesShowOneElementOrNothing)
{
    ASSERT_TRUE(engine.OpenMedia(&mainWindow, Media("tone.ogg"), nullptr));
    QStringList names;
    int count = 0;
    engine.GetFilterNames(&names, &count);
    ASSERT_GT(count, 1);

    // The engine asks the media process first, so the dialog comes a little later: look for
    // it until it shows.
    QString caption;
    int rows = 0;
    bool shown = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shown = true;
            caption = dialog->windowTitle();
            if (auto* table = dialog->findChild<QTableWidget*>())
                rows = table->rowCount();
            dialog->accept();
        }
    });
    watcher.start(10);
    engine.ShowFilterProperties(1);
    EXPECT_TRUE(shown);
    EXPECT_EQ(caption, names[1]);
    EXPECT_GT(rows, 0);

    shown = false;
    engine.ShowFilterProperties(count); // one past the last element
    engine.ShowFilterProperties(-1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
}

// Records what the input router hands to the engine and to the main window.
class RecordingMedia : public CMedia
{
public:
    void PointerAction(PointerEvent event, int x, int y) override
    {
        actions << QString::fromLatin1("%1:%2,%3").arg(static_cast<int>(event)).arg(x).arg(y);
    }
    QStringList actions;
};

class MessageLog : public QObject
{
public:
    QList<QPair<unsigned, platform::WPARAM>> messages;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == platform::WindowMessageEvent::Type()) {
            const auto* message = static_cast<platform::WindowMessageEvent*>(event);
            messages.append({message->message, message->wParam});
        }
    }
};

TEST_F(MediaTest, FullScreenVideoRoutesPointerAndKeys)
{
    RecordingMedia video;
    MessageLog main;
    QWidget* window = nullptr;
    ASSERT_TRUE(video.OpenMedia(&main, Media("clip.mp4"), &window));
    ASSERT_NE(window, nullptr);

    // Windowed: nothing is routed.
    QTest::mouseMove(window, QPoint(10, 10));
    QTest::keyClick(window, Qt::Key_PageDown);
    QCoreApplication::processEvents();
    EXPECT_TRUE(video.actions.isEmpty());

    ASSERT_TRUE(video.SetFullScreen(true, false));
    QTest::mouseMove(window, QPoint(30, 40));
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(31, 41));
    QTest::keyClick(window, Qt::Key_PageDown);
    QTest::mouseClick(window, Qt::RightButton, {}, QPoint(12, 13));
    QCoreApplication::processEvents();
    EXPECT_TRUE(video.actions.contains(QStringLiteral("0:30,40"))) << video.actions.join(u' ').toStdString();
    EXPECT_TRUE(video.actions.contains(QStringLiteral("1:31,41"))) << video.actions.join(u' ').toStdString();
    const QList<QPair<unsigned, platform::WPARAM>> expected{
        {0x100u, platform::WPARAM{0x22}}, {0x101u, platform::WPARAM{0x22}}, {0x403u, platform::WPARAM{12}}};
    QList<QPair<unsigned, platform::WPARAM>> received;
    for (const auto& message : main.messages) {
        if (message.first != 0x40D) // graph notifications aside
            received.append(message);
    }
    EXPECT_EQ(received, expected);

    // Leaving full screen for the first time in the process restores the window.
    ASSERT_TRUE(video.SetFullScreen(false, false));
    EXPECT_FALSE(window->isFullScreen());
    EXPECT_FALSE(video.IsFullScreen());
}

TEST_F(MediaTest, VideoCDsAreFoundByTheirFirstStream)
{
    QTemporaryDir dir;
    EXPECT_FALSE(CMedia::IsVideoCD(dir.path()));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("MPEGAV")));
    QFile stream(dir.filePath(QStringLiteral("MPEGAV/AVSEQ01.DAT")));
    ASSERT_TRUE(stream.open(QIODevice::WriteOnly));
    stream.close();
    EXPECT_TRUE(CMedia::IsVideoCD(dir.path()));

    // A plain ISO 9660 disc mounted by Linux shows its names in lower case.
    QTemporaryDir mounted;
    ASSERT_TRUE(QDir(mounted.path()).mkpath(QStringLiteral("mpegav")));
    QFile lower(mounted.filePath(QStringLiteral("mpegav/avseq01.dat")));
    ASSERT_TRUE(lower.open(QIODevice::WriteOnly));
    lower.close();
    EXPECT_TRUE(CMedia::IsVideoCD(mounted.path()));
    EXPECT_FALSE(CMedia::IsVideoCD(mounted.filePath(QStringLiteral("mpegav"))));
}

} // namespace

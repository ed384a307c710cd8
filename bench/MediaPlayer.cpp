// Plays one media file through the media engine as the player does, and ends with it: the
// program the media benchmark measures.
//   bench_media_play FILE              plays FILE to its end; exit code 0 at the end of stream
//   bench_media_play --latency FILE    prints "opened <µs>" right before the file is opened and
//                                      exits as soon as it plays
//   bench_media_play --hidden FILE     as the first, with the video window hidden (frames still
//                                      reach it, nothing is painted): tells painting from the rest
// Prints to stderr, <µs> being CLOCK_MONOTONIC in microseconds:
//   "playing <µs>"  once, when the position first passes 0 after Play (polled every 5 ms)
//   "painted <n>"   at the end of a video: how many times the video window was painted
// On failure it prints why and exits with a non-zero code.

#include "media/Media.h"
#include "media/VideoWindow.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessage.h"
#include "platform/proxy/GraphProxy.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QObject>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr unsigned kGraphEventMessage = platform::WM_GRAPH_EVENT;
constexpr int kPositionPollMs = 5;

long long NowUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

// The engine, keeping the pipeline's last error text for the failure message.
class Engine : public CMedia
{
public:
    int TakeGraphEvent() override
    {
        // An error closes the graph, and its text with it: take the text first.
        const QString error = graph ? graph->LastError() : QString();
        const int code = CMedia::TakeGraphEvent();
        if (code == platform::EC_ERRORABORT)
            lastError = error.isEmpty() ? QStringLiteral("the pipeline reported an error") : error;
        return code;
    }

    QString lastError;
};

// Stands for the main window: receives the graph notifications and hands them to the engine.
class Owner : public QObject
{
public:
    explicit Owner(Engine& engine) : engine(engine) {}

    bool event(QEvent* event) override
    {
        if (event->type() != platform::WindowMessageEvent::Type())
            return QObject::event(event);
        if (static_cast<platform::WindowMessageEvent*>(event)->message == kGraphEventMessage)
            OnGraphEvent();
        return true;
    }

    int exitCode = 0;

private:
    void OnGraphEvent()
    {
        const int code = engine.HandleGraphEvent().code;
        if (code == platform::EC_ERRORABORT || code == platform::EC_USERABORT) {
            std::fprintf(stderr, "bench_media_play: playback failed: %s\n",
                         code == platform::EC_USERABORT ? "the video window was closed"
                                                        : qPrintable(engine.lastError));
            exitCode = 1;
            QCoreApplication::exit(exitCode);
            return;
        }
        if (engine.HasChanged())
            QCoreApplication::exit(exitCode);
    }

    Engine& engine;
};

// Counts the paints of the video window.
class PaintCounter : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }

    long paints = 0;
};

int Usage()
{
    std::fprintf(stderr, "usage: bench_media_play [--latency | --hidden] FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bool latency = false;
    bool hidden = false;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--latency") == 0)
            latency = true;
        else if (std::strcmp(argv[i], "--hidden") == 0)
            hidden = true;
        else if (argv[i][0] == '-' || file)
            return Usage();
        else
            file = argv[i];
    }
    if (!file || (latency && hidden))
        return Usage();
    const QString path = QFileInfo(QString::fromLocal8Bit(file)).absoluteFilePath();

    // A message box would wait for an answer nobody gives: every message is a failure here.
    bool messaged = false;
    platform::SetMessageBoxObserver([&](const QString& text, int) {
        std::fprintf(stderr, "bench_media_play: %s\n", qPrintable(text));
        messaged = true;
        return platform::kIdOk;
    });

    Engine engine;
    Owner owner(engine);
    if (latency)
        std::fprintf(stderr, "opened %lld\n", NowUs());
    QWidget* videoWindow = nullptr;
    if (!engine.OpenMedia(&owner, path, &videoWindow)) {
        std::fprintf(stderr, "bench_media_play: cannot open %s\n", qPrintable(path));
        return 1;
    }
    PaintCounter counter;
    if (videoWindow) {
        videoWindow->installEventFilter(&counter);
        if (hidden)
            videoWindow->hide();
    }
    if (!engine.Play() || messaged) {
        std::fprintf(stderr, "bench_media_play: cannot play %s\n", qPrintable(path));
        return 1;
    }

    QTimer positionPoll;
    positionPoll.setTimerType(Qt::PreciseTimer);
    positionPoll.setInterval(kPositionPollMs);
    bool playing = false;
    const auto poll = [&] {
        if (engine.GetPosition() <= 0)
            return;
        positionPoll.stop();
        playing = true;
        std::fprintf(stderr, "playing %lld\n", NowUs());
        if (latency)
            QCoreApplication::exit(0);
    };
    QObject::connect(&positionPoll, &QTimer::timeout, poll);
    positionPoll.start();
    poll();
    if (latency && playing)
        return 0;

    const int code = app.exec();
    if (code == 0 && messaged)
        return 1;
    if (code == 0 && videoWindow && !latency)
        std::fprintf(stderr, "painted %ld\n", counter.paints);
    return code;
}

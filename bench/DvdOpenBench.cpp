// Open-to-first-frame time of a DVD: the DVD engine against a bare playbin on the same disc.
//   bench_dvd_open [--runs N] [DISC]
// DISC is a disc folder, an image or a device; without one a small test disc is authored
// (ffmpeg, spumux, dvdauthor) in a temporary folder. Each run opens the disc, plays it and
// stops the clock when the first video frame reaches the video window (the engine) or the
// application sink (the reference). Prints the median of the runs in milliseconds.

#include "BenchSupport.h"
#include "media/DVDMedia.h"
#include "media/VideoWindow.h"
#include "platform/MessageBox.h"
#include "support/DvdDisc.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

constexpr int kTimeoutMs = 20000;

bool RunUntil(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(kTimeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Milliseconds from OpenMedia to the first frame in the engine's video window; -1 on failure.
double EngineRun(const QString& disc)
{
    QObject owner;
    CDVDMedia engine;
    const int64_t start = bench::NowUs();
    QWidget* video = nullptr;
    if (!engine.OpenMedia(&owner, disc + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO"), &video) || !engine.Play())
        return -1;
    if (!RunUntil([&] { return engine.Window() && !engine.Window()->Frame().isNull(); }))
        return -1;
    return (bench::NowUs() - start) / 1000.0;
}

// The same with a bare playbin of dvd:// and an application sink.
double ReferenceRun(const QString& disc)
{
    std::atomic<int64_t> firstFrame{0};
    const int64_t start = bench::NowUs();
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    GstElement* audio = gst_element_factory_make("autoaudiosink", nullptr);
    if (!playbin || !sink || !audio)
        return -1;
    GstCaps* caps = gst_caps_from_string("video/x-raw,format=BGRx");
    g_object_set(sink, "caps", caps, "sync", TRUE, "emit-signals", FALSE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink* appsink, gpointer data) {
        GstSample* sample = gst_app_sink_pull_sample(appsink);
        auto* first = static_cast<std::atomic<int64_t>*>(data);
        int64_t none = 0;
        first->compare_exchange_strong(none, bench::NowUs());
        if (sample)
            gst_sample_unref(sample);
        return GST_FLOW_OK;
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, &firstFrame, nullptr);
    const QByteArray device = QFile::encodeName(disc);
    g_object_set(playbin, "uri", "dvd://", "video-sink", sink, "audio-sink", audio, nullptr);
    g_signal_connect(playbin, "source-setup", G_CALLBACK(+[](GstElement*, GstElement* source, gpointer data) {
                         g_object_set(source, "device", static_cast<const QByteArray*>(data)->constData(),
                                      nullptr);
                     }),
                     const_cast<QByteArray*>(&device));
    gst_element_set_state(playbin, GST_STATE_PLAYING);
    const bool ok = RunUntil([&] { return firstFrame.load() != 0; });
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
    return ok ? (firstFrame.load() - start) / 1000.0 : -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    platform::SetMessageBoxObserver([](const QString& text, int) {
        std::fprintf(stderr, "bench_dvd_open: %s\n", qPrintable(text));
        return platform::kIdOk;
    });

    int runs = 10;
    QString disc;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            disc = QString::fromLocal8Bit(argv[i]);
    }
    if (disc.isEmpty())
        disc = media_files::DvdDisc();
    if (disc.isEmpty()) {
        std::fprintf(stderr,
                     "bench_dvd_open: no disc (ffmpeg, spumux and dvdauthor are needed to author one)\n");
        return 1;
    }

    // One run each first, so both start with the same warm caches and loaded plug-ins.
    EngineRun(disc);
    ReferenceRun(disc);
    std::vector<double> engine;
    std::vector<double> reference;
    for (int i = 0; i < runs; ++i) {
        const double e = EngineRun(disc);
        const double r = ReferenceRun(disc);
        if (e < 0 || r < 0) {
            std::fprintf(stderr, "bench_dvd_open: run %d failed (engine %.1f, reference %.1f)\n", i + 1, e,
                         r);
            return 1;
        }
        engine.push_back(e);
        reference.push_back(r);
    }
    std::printf("DVD open to first frame, median of %d runs on %s\n", runs, qPrintable(disc));
    std::printf("  CDVDMedia (OpenMedia + Play -> video window): %8.1f ms\n", bench::Median(engine));
    std::printf("  bare playbin dvd:// -> appsink:               %8.1f ms\n", bench::Median(reference));
    return 0;
}

#pragma once
// What watches the DVD graph's running pipeline: the source's pad probe (streaming threads),
// the bus messages and the poll timer (UI thread). Private to the DVD graph; carries
// GStreamer types.

#include "DvdGraph.h"
#include "DvdVolume.h"
#include "platform/graph/GstGraphHooks.h"
#include "platform/graph/GstSupport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>

#include <gst/gst.h>
#include <gst/video/navigation.h>

#include <memory>
#include <mutex>

namespace platform {

// Messages the source's pad probe posts for the UI thread.
inline constexpr const char* kWatchMessage = "sorlin-dvd";
// Marks the stream choices this graph sends, so the probe lets them pass unchanged.
inline constexpr const char* kOwnChoice = "sorlin-choice";
// How often the navigator's place is looked at, and how often the time in the title is told.
inline constexpr int kPollMs = 100;
inline constexpr int kTimeReportMs = 500;

// Everything that watches the running pipeline: the source's pad probe (streaming threads)
// and the bus messages and the poll timer (UI thread).
struct DvdGraph::Watch : GstGraphHooks
{
    explicit Watch(DvdGraph* graph) : graph(graph)
    {
        poll.setInterval(kPollMs);
        QObject::connect(&poll, &QTimer::timeout, [this] { this->graph->Poll(); });
    }

    void OnPipelineCreated(GstElement* pipeline) override
    {
        playbin = pipeline;
        // A clock of the graph's own, so slow motion can slow it without touching others.
        clock.reset(GST_CLOCK(
            gst_object_ref_sink(g_object_new(GST_TYPE_SYSTEM_CLOCK, "name", "sorlin-dvd-clock", nullptr))));
        gst_pipeline_use_clock(GST_PIPELINE(pipeline), clock.get());
        g_signal_connect(pipeline, "source-setup", G_CALLBACK(&Watch::OnSourceSetup), this);
        g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(&Watch::OnElementAdded), this);
    }

    bool WantsMessage(GstMessage* message) override
    {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION)
            return gst_structure_has_name(gst_message_get_structure(message), kWatchMessage);
        return GST_MESSAGE_TYPE(message) == GST_MESSAGE_ELEMENT &&
               gst_navigation_message_get_type(message) == GST_NAVIGATION_MESSAGE_COMMANDS_CHANGED;
    }

    void OnMessage(GstMessage* message) override;

    static void OnSourceSetup(GstElement*, GstElement* source, Watch* self)
    {
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device"))
            g_object_set(source, "device", self->deviceBytes.constData(), nullptr);
    }

    // Runs on the thread that changes the pipeline's state.
    static void OnElementAdded(GstBin*, GstBin*, GstElement* element, Watch* self)
    {
        // rsndvdbin makes its source without a factory; it is known by name and its options.
        if (g_strcmp0(GST_OBJECT_NAME(element), "dvdsrc") != 0 ||
            !g_object_class_find_property(G_OBJECT_GET_CLASS(element), "fast-start"))
            return;
        // The source starts at the disc's title menu (title 1 on a disc without menus): after
        // the disc's own first-play program the navigator cannot tell where it is.
        g_object_set(element, "device", self->deviceBytes.constData(), nullptr);
        std::lock_guard lock(self->mutex);
        self->source.reset(GST_ELEMENT(gst_object_ref(element)));
        self->sourcePad.reset(gst_element_get_static_pad(element, "src"));
        if (self->sourcePad)
            gst_pad_add_probe(self->sourcePad.get(),
                              static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                           GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                           GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                              &Watch::OnProbe, self, nullptr);
    }

    static GstPadProbeReturn OnProbe(GstPad* pad, GstPadProbeInfo* info, gpointer data);
    void PostToUi(GstElement* from, GstStructure* structure)
    {
        gst_element_post_message(from, gst_message_new_application(GST_OBJECT(from), structure));
    }
    GstEvent* AudioChoice(int stream) const
    {
        return gst_event_new_custom(GST_EVENT_CUSTOM_DOWNSTREAM,
                                    gst_structure_new("application/x-gst-dvd", "event", G_TYPE_STRING,
                                                      "dvd-set-audio-track", "logical-id", G_TYPE_INT, stream,
                                                      "physical-id", G_TYPE_INT, stream, kOwnChoice,
                                                      G_TYPE_BOOLEAN, TRUE, nullptr));
    }
    GstEvent* SubpictureChoice(int stream, bool shown) const
    {
        return gst_event_new_custom(GST_EVENT_CUSTOM_DOWNSTREAM,
                                    gst_structure_new("application/x-gst-dvd", "event", G_TYPE_STRING,
                                                      "dvd-set-subpicture-track", "logical-id", G_TYPE_INT,
                                                      stream, "physical-id", G_TYPE_INT, stream,
                                                      "forced-only", G_TYPE_BOOLEAN, !shown, kOwnChoice,
                                                      G_TYPE_BOOLEAN, TRUE, nullptr));
    }

    GstElement* Source() const
    {
        std::lock_guard lock(mutex);
        return source.get();
    }
    GstPad* SourcePad() const
    {
        std::lock_guard lock(mutex);
        return sourcePad.get();
    }

    DvdGraph* graph;
    GstElement* playbin = nullptr; // owned by the media graph
    QByteArray deviceBytes;
    // The navigator's own formats, registered at run time: values past GstFormat's enumerators,
    // so they are kept as numbers and made formats only where GStreamer takes them.
    int titleFormat = GST_FORMAT_UNDEFINED;
    int chapterFormat = GST_FORMAT_UNDEFINED;
    DvdVolume volume; // the table as it was when the graph was built
    QTimer poll;
    QElapsedTimer sinceTimeReport;
    DvdDomain lastDomain = DvdDomain::kFirstPlay;
    int lastTitle = 0;
    int lastChapter = 0;
    bool titleSeen = false; // a title played since the graph was built
    unsigned long lastUops = 0;
    // Scanning: faster through seeks with a rate, slower through the pipeline's own clock.
    double seekRate = 1.0;
    double slowRate = 1.0;
    GstClockPtr clock;

    // Shared with the streaming threads.
    mutable std::mutex mutex;
    GstElementPtr source;
    GstPadPtr sourcePad;
    bool stillShown = false;
    int wantedAudio = -1;      // -1: the disc's own choice
    int wantedSubpicture = -1; // likewise
    bool wantedShown = true;
    bool subpictureStateSet = false;
    bool choicePending = false;
    int sentAudio = -1;
    int sentSubpicture = -1;
    bool sentShown = false;
};

} // namespace platform

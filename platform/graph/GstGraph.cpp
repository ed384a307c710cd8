#include "GstGraph.h"

#include "GstGraphHooks.h"
#include "GstSupport.h"

#include "platform/Log.h"
#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QObject>

#include <gst/app/gstappsink.h>
#include <gst/audio/streamvolume.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <mutex>

namespace platform {

namespace {

// A video frame on its way to the UI thread, stamped with its pipeline's stamp.
class FrameEvent : public QEvent
{
public:
    FrameEvent(GstSample* s, quint64 st) : QEvent(Type()), sample(s), stamp(st) {}
    static QEvent::Type Type()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    GstSamplePtr sample;
    const quint64 stamp;
};

// At most this many frames wait for the UI thread; later ones are dropped.
constexpr int kMaxFramesInFlight = 2;

} // namespace

// Receives the video frames the streaming threads post; lives on the UI thread.
class FrameMailbox : public QObject
{
public:
    explicit FrameMailbox(GstGraph::Private* graph) : graph(graph) {}

protected:
    void customEvent(QEvent* event) override;

private:
    GstGraph::Private* graph;
};

// The appsink's callback data for one pipeline: the stamp is the one the bus relay gave the
// pipeline when it was attached, fixed before the first frame, so a frame that a streaming
// thread is handing over while the graph is closed still carries its own pipeline's stamp.
struct FrameSource
{
    GstGraph::Private* graph;
    quint64 stamp;
};

struct GstGraph::Private
{
    QObject* owner = nullptr;
    unsigned notifyMessage = 0;
    GstElementPtr pipeline;
    GstElement* videoSink = nullptr; // owned by the pipeline
    GstElement* audioSink = nullptr; // owned by the pipeline
    std::atomic<int> framesInFlight{0};
    std::deque<int> events;
    std::function<void(const DecodedFrame&)> frameHandler;
    // Converts the decoder's frames to the handler's pixels; made again when either changes.
    struct ConverterFree
    {
        void operator()(GstVideoConverter* converter) const { gst_video_converter_free(converter); }
    };
    std::unique_ptr<GstVideoConverter, ConverterFree> converter;
    GstVideoInfo converterFrom{};
    GstVideoInfo converterTo{};
    QString* lastError = nullptr;
    GstGraphHooks* hooks = nullptr; // set while a hooked graph's pipeline exists
    // Where the stream's timeline starts: a Video CD's starts near half a second. Positions
    // are told relative to it.
    qint64 startOffset = 0;
    std::unique_ptr<GstBusRelay> relay;
    std::unique_ptr<FrameMailbox> frames;

    static GstFlowReturn OnNewSample(GstAppSink* sink, gpointer source);

    void OnBusMessage(GstMessage* message);
    void OnFrame(GstSamplePtr sample);
    GstVideoConverter* ConverterFor(const GstVideoInfo& from, const GstVideoInfo& to);
    qint64 RawPosition() const;
    void Announce() const { PostWindowMessage(owner, notifyMessage); }
};

void FrameMailbox::customEvent(QEvent* event)
{
    if (event->type() != FrameEvent::Type())
        return;
    auto* frame = static_cast<FrameEvent*>(event);
    AcceptHandOver(frame);
    graph->framesInFlight.fetch_sub(1);
    if (graph->relay->IsCurrent(frame->stamp))
        graph->OnFrame(std::move(frame->sample));
}

GstFlowReturn GstGraph::Private::OnNewSample(GstAppSink* sink, gpointer source)
{
    const auto* from = static_cast<const FrameSource*>(source);
    AcceptHandOver(from);
    Private* d = from->graph;
    GstSample* pulled = gst_app_sink_pull_sample(sink);
    if (!pulled)
        return GST_FLOW_OK;
    // appsink reuses its sample object and cannot give it new caps while a frame still holds
    // it (the DVD changes caps between menus and titles): the frame keeps a sample of its own.
    GstSample* sample =
        gst_sample_new(gst_sample_get_buffer(pulled), gst_sample_get_caps(pulled), nullptr, nullptr);
    gst_sample_unref(pulled);
    if (d->framesInFlight.fetch_add(1) >= kMaxFramesInFlight) {
        d->framesInFlight.fetch_sub(1);
        gst_sample_unref(sample);
        return GST_FLOW_OK;
    }
    auto* frame = new FrameEvent(sample, from->stamp);
    AnnounceHandOver(frame);
    QCoreApplication::postEvent(d->frames.get(), frame);
    return GST_FLOW_OK;
}

void GstGraph::Private::OnBusMessage(GstMessage* message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        events.push_back(EC_COMPLETE);
        Announce();
        break;
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_WARNING: {
        const bool isError = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
        QString details;
        const QString text = MessageText(message, &details);
        qCDebug(lcPlatform) << (isError ? "graph error:" : "graph warning:") << text
                            << qUtf8Printable(details);
        if (isError) {
            *lastError = text;
            events.push_back(EC_ERRORABORT);
            Announce();
        }
        break;
    }
    default:
        if (hooks)
            hooks->OnMessage(message);
        break;
    }
}

namespace {

// A frame mapped for reading while the handler runs.
class MappedFrame : public GstGraph::DecodedFrame
{
public:
    MappedFrame(GstGraph::Private* graph, GstVideoFrame* frame) : graph(graph), frame(frame) {}

    QSize Size() const override { return QSize(GST_VIDEO_FRAME_WIDTH(frame), GST_VIDEO_FRAME_HEIGHT(frame)); }
    bool WriteRgb32(uchar* destination, int stride) const override;

private:
    GstGraph::Private* graph;
    GstVideoFrame* frame;
};

} // namespace

bool MappedFrame::WriteRgb32(uchar* destination, int stride) const
{
    const int width = GST_VIDEO_FRAME_WIDTH(frame);
    const int height = GST_VIDEO_FRAME_HEIGHT(frame);
    if (!destination || stride < width * 4)
        return false;
    if (GST_VIDEO_FRAME_FORMAT(frame) == GST_VIDEO_FORMAT_BGRx) {
        const auto* rows = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
        const int from = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0);
        for (int y = 0; y < height; ++y)
            std::memcpy(destination + static_cast<size_t>(y) * stride, rows + static_cast<size_t>(y) * from,
                        static_cast<size_t>(width) * 4);
        return true;
    }
    GstVideoInfo to;
    gst_video_info_set_format(&to, GST_VIDEO_FORMAT_BGRx, width, height);
    // Only the pixels change: the converter wants the rest as it was.
    to.fps_n = GST_VIDEO_INFO_FPS_N(&frame->info);
    to.fps_d = GST_VIDEO_INFO_FPS_D(&frame->info);
    to.par_n = GST_VIDEO_INFO_PAR_N(&frame->info);
    to.par_d = GST_VIDEO_INFO_PAR_D(&frame->info);
    to.interlace_mode = GST_VIDEO_INFO_INTERLACE_MODE(&frame->info);
    to.stride[0] = stride;
    to.size = static_cast<gsize>(stride) * height;
    GstVideoConverter* converter = graph->ConverterFor(frame->info, to);
    if (!converter)
        return false;
    GstBuffer* wrapped = gst_buffer_new_wrapped_full(static_cast<GstMemoryFlags>(0), destination, to.size, 0,
                                                     to.size, nullptr, nullptr);
    GstVideoFrame target;
    const bool mapped = gst_video_frame_map(&target, &to, wrapped, GST_MAP_WRITE);
    if (mapped) {
        gst_video_converter_frame(converter, frame, &target);
        gst_video_frame_unmap(&target);
    }
    gst_buffer_unref(wrapped);
    return mapped;
}

GstVideoConverter* GstGraph::Private::ConverterFor(const GstVideoInfo& from, const GstVideoInfo& to)
{
    if (!converter || !gst_video_info_is_equal(&from, &converterFrom) ||
        !gst_video_info_is_equal(&to, &converterTo)) {
        converter.reset(gst_video_converter_new(const_cast<GstVideoInfo*>(&from),
                                                const_cast<GstVideoInfo*>(&to), nullptr));
        converterFrom = from;
        converterTo = to;
    }
    return converter.get();
}

void GstGraph::Private::OnFrame(GstSamplePtr sample)
{
    GstCaps* caps = gst_sample_get_caps(sample.get());
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    GstVideoInfo info;
    GstVideoFrame frame;
    if (!frameHandler || !caps || !buffer || !gst_video_info_from_caps(&info, caps) ||
        !gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ))
        return;
    frameHandler(MappedFrame(this, &frame));
    gst_video_frame_unmap(&frame);
}

GstGraph::GstGraph(QObject* owner, unsigned notifyMessage) : d(std::make_unique<Private>())
{
    InitialiseGStreamer();
    d->owner = owner;
    d->notifyMessage = notifyMessage;
    d->lastError = &lastError;
    d->relay = std::make_unique<GstBusRelay>(
        [graph = d.get()](GstMessage* message) { graph->OnBusMessage(message); });
    d->frames = std::make_unique<FrameMailbox>(d.get());
}

GstGraph::~GstGraph()
{
    Close();
}

bool GstGraph::FrameworkAvailable()
{
    InitialiseGStreamer();
    for (const char* name : {"playbin", "appsink", "autoaudiosink"}) {
        GstElementFactory* factory = gst_element_factory_find(name);
        if (!factory)
            return false;
        gst_object_unref(factory);
    }
    return true;
}

int GstGraph::LivePipelines()
{
    return LivePipelineCount();
}

bool GstGraph::IsOpen() const
{
    return d->pipeline != nullptr;
}

bool GstGraph::RenderFile(const QString& path, int timeoutMs)
{
    Close();
    lastError.clear();
    const QFileInfo file(path);
    if (!file.isFile()) {
        lastError = file.exists() ? QStringLiteral("not a file: %1").arg(path)
                                  : QStringLiteral("no such file: %1").arg(path);
        return false;
    }
    gchar* uri = gst_filename_to_uri(QFile::encodeName(file.absoluteFilePath()).constData(), nullptr);
    const QString fileUri = QString::fromUtf8(uri);
    g_free(uri);
    return RenderUri(fileUri, nullptr, timeoutMs);
}

bool GstGraph::RenderUri(const QString& uri, GstGraphHooks* hooks, int timeoutMs)
{
    GstGraph::Close();
    lastError.clear();
    d->pipeline.reset(gst_element_factory_make("playbin", nullptr));
    GstElement* videoSink = gst_element_factory_make("appsink", "sorlin-video");
    GstElement* audioSink = MakeAudioSink("sorlin-audio");
    if (!d->pipeline || !videoSink || !audioSink) {
        lastError = QStringLiteral("the media framework lacks playbin, appsink or autoaudiosink");
        if (videoSink)
            gst_object_unref(gst_object_ref_sink(videoSink));
        if (audioSink)
            gst_object_unref(gst_object_ref_sink(audioSink));
        d->pipeline.reset();
        return false;
    }
    gst_object_ref_sink(d->pipeline.get());
    CountPipeline(d->pipeline.get());
    d->hooks = hooks;
    GstBusRelay::Filter wanted;
    if (hooks)
        wanted = [hooks](GstMessage* message) { return hooks->WantsMessage(message); };
    const quint64 stamp = d->relay->Attach(d->pipeline.get(), std::move(wanted));

    // The decoders' own formats pass unconverted: each frame is converted once, straight into
    // the memory it is shown from (DecodedFrame). Anything else arrives as 32-bit pixels.
    GstCapsPtr caps(gst_caps_from_string("video/x-raw,format=(string){ I420, YV12, NV12, BGRx }"));
    g_object_set(videoSink, "caps", caps.get(), "sync", TRUE, "max-buffers", 2, "drop", TRUE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &Private::OnNewSample;
    auto* source = new FrameSource{d.get(), stamp};
    AnnounceHandOver(source);
    gst_app_sink_set_callbacks(GST_APP_SINK(videoSink), &callbacks, source,
                               [](gpointer source) { delete static_cast<FrameSource*>(source); });

    g_object_set(d->pipeline.get(), "uri", uri.toUtf8().constData(), "video-sink", videoSink, "audio-sink",
                 audioSink, nullptr);
    d->videoSink = videoSink;
    d->audioSink = audioSink;
    if (hooks)
        hooks->OnPipelineCreated(d->pipeline.get());
    return Preroll(timeoutMs);
}

bool GstGraph::Preroll(int timeoutMs)
{
    rate = 1.0;
    const bool prerolled =
        gst_element_set_state(d->pipeline.get(), GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE &&
        WaitForState(d->pipeline.get(), timeoutMs);
    // The errors of a failed preroll are on their way to the relay: take them now.
    d->relay->DeliverPending();
    if (prerolled && d->events.empty()) {
        d->startOffset = std::max<qint64>(d->RawPosition(), 0);
        return true;
    }
    if (lastError.isEmpty())
        lastError = prerolled ? QStringLiteral("the file cannot be played")
                              : QStringLiteral("the file did not open in time");
    const QString reason = lastError;
    Close();
    lastError = reason;
    return false;
}

void GstGraph::Close()
{
    if (d->pipeline)
        gst_element_set_state(d->pipeline.get(), GST_STATE_NULL);
    // Whatever the old pipeline still posts, messages and frames, is dropped on arrival from
    // now on.
    d->relay->Detach(d->pipeline.get());
    d->pipeline.reset();
    d->hooks = nullptr;
    d->videoSink = nullptr;
    d->audioSink = nullptr;
    d->events.clear();
    d->startOffset = 0;
    rate = 1.0;
}

int GstGraph::MessagesInFlight() const
{
    return d->relay->InFlight();
}

int GstGraph::FramesInFlight() const
{
    return d->framesInFlight.load();
}

bool GstGraph::Run()
{
    return d->pipeline &&
           gst_element_set_state(d->pipeline.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

bool GstGraph::Pause(int timeoutMs)
{
    return d->pipeline &&
           gst_element_set_state(d->pipeline.get(), GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE &&
           WaitForState(d->pipeline.get(), timeoutMs);
}

bool GstGraph::StopAndRewind(int timeoutMs)
{
    return Pause(timeoutMs) && Seek(0, timeoutMs);
}

bool GstGraph::Seek(qint64 ms, int timeoutMs)
{
    if (!d->pipeline || ms < 0)
        return false;
    const gint64 position = (ms + d->startOffset) * GST_MSECOND;
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    const bool sent =
        rate >= 0 ? gst_element_seek(d->pipeline.get(), rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                     position, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE)
                  : gst_element_seek(d->pipeline.get(), rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, 0,
                                     GST_SEEK_TYPE_SET, position);
    return sent && WaitForState(d->pipeline.get(), timeoutMs);
}

qint64 GstGraph::Private::RawPosition() const
{
    gint64 position = 0;
    if (!pipeline || !gst_element_query_position(pipeline.get(), GST_FORMAT_TIME, &position) || position < 0)
        return -1;
    return position / GST_MSECOND;
}

qint64 GstGraph::Position() const
{
    const qint64 raw = d->RawPosition();
    return raw < 0 ? -1 : std::max<qint64>(raw - d->startOffset, 0);
}

qint64 GstGraph::Duration() const
{
    gint64 duration = 0;
    if (!d->pipeline || !gst_element_query_duration(d->pipeline.get(), GST_FORMAT_TIME, &duration) ||
        duration < 0)
        return -1;
    return duration / GST_MSECOND;
}

bool GstGraph::SetRate(double newRate)
{
    if (!d->pipeline || newRate == 0 || !std::isfinite(newRate))
        return false;
    const qint64 position = std::max<qint64>(d->RawPosition(), 0);
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    const gint64 at = position * GST_MSECOND;
    const bool accepted =
        newRate > 0 ? gst_element_seek(d->pipeline.get(), newRate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                       at, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE)
                    : gst_element_seek(d->pipeline.get(), newRate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                       0, GST_SEEK_TYPE_SET, at);
    if (!accepted)
        return false;
    rate = newRate;
    WaitForState(d->pipeline.get(), 5000);
    return true;
}

void GstGraph::SetVolume(long hundredthsOfDecibel)
{
    if (!d->pipeline)
        return;
    const double linear = hundredthsOfDecibel <= -10000 ? 0.0 : std::pow(10.0, hundredthsOfDecibel / 2000.0);
    gst_stream_volume_set_volume(GST_STREAM_VOLUME(d->pipeline.get()), GST_STREAM_VOLUME_FORMAT_LINEAR,
                                 std::min(linear, 1.0));
}

QSize GstGraph::NativeVideoSize() const
{
    if (!d->pipeline)
        return {};
    GstPad* rawPad = nullptr;
    g_signal_emit_by_name(d->pipeline.get(), "get-video-pad", 0, &rawPad);
    GstPadPtr pad(rawPad);
    if (!pad)
        return {};
    GstCapsPtr caps(gst_pad_get_current_caps(pad.get()));
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get()))
        return {};
    int width = GST_VIDEO_INFO_WIDTH(&info);
    if (GST_VIDEO_INFO_PAR_N(&info) > 0 && GST_VIDEO_INFO_PAR_D(&info) > 0)
        width = static_cast<int>(static_cast<qint64>(width) * GST_VIDEO_INFO_PAR_N(&info) /
                                 GST_VIDEO_INFO_PAR_D(&info));
    return QSize(width, GST_VIDEO_INFO_HEIGHT(&info));
}

namespace {

// The pipeline and every element inside it, outermost first; each holds a reference.
std::vector<GstElementPtr> AllElements(GstElement* pipeline)
{
    std::vector<GstElementPtr> elements;
    if (!pipeline)
        return elements;
    elements.emplace_back(GST_ELEMENT(gst_object_ref(pipeline)));
    GstIterator* iterator = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    bool done = false;
    while (!done) {
        switch (gst_iterator_next(iterator, &item)) {
        case GST_ITERATOR_OK:
            elements.emplace_back(GST_ELEMENT(gst_object_ref(g_value_get_object(&item))));
            g_value_reset(&item);
            break;
        case GST_ITERATOR_RESYNC:
            gst_iterator_resync(iterator);
            elements.resize(1);
            break;
        default:
            done = true;
        }
    }
    g_value_unset(&item);
    gst_iterator_free(iterator);
    return elements;
}

QString DisplayName(GstElement* element)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    const char* longName =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME) : nullptr;
    return QString::fromUtf8(longName ? longName : GST_OBJECT_NAME(element));
}

} // namespace

QStringList GstGraph::ElementNames() const
{
    QStringList names;
    const auto elements = AllElements(d->pipeline.get());
    for (const GstElementPtr& element : elements)
        names << (element.get() == d->pipeline.get() ? QString::fromUtf8(GST_OBJECT_NAME(element.get()))
                                                     : DisplayName(element.get()));
    return names;
}

bool GstGraph::ElementProperties(int index, QString* name, QList<ElementProperty>* properties) const
{
    const auto elements = AllElements(d->pipeline.get());
    if (index < 0 || static_cast<size_t>(index) >= elements.size())
        return false;
    GstElement* element = elements[static_cast<size_t>(index)].get();
    *name = index == 0 ? QString::fromUtf8(GST_OBJECT_NAME(element)) : DisplayName(element);
    properties->clear();
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count);
    for (guint i = 0; i < count; ++i) {
        if (!(specs[i]->flags & G_PARAM_READABLE))
            continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, specs[i]->value_type);
        g_object_get_property(G_OBJECT(element), specs[i]->name, &value);
        gchar* text = g_strdup_value_contents(&value);
        properties->append({QString::fromUtf8(specs[i]->name), QString::fromUtf8(text),
                            QString::fromUtf8(g_param_spec_get_blurb(specs[i]))});
        g_free(text);
        g_value_unset(&value);
    }
    g_free(specs);
    return true;
}

bool GstGraph::AudioIsSilent() const
{
    return IsSilentAudioSink(d->audioSink);
}

int GstGraph::TakeEvent()
{
    if (d->events.empty())
        return 0;
    const int code = d->events.front();
    d->events.pop_front();
    return code;
}

void GstGraph::QueueEvent(int code)
{
    d->events.push_back(code);
    d->Announce();
}

void GstGraph::SetFrameHandler(std::function<void(const DecodedFrame&)> handler)
{
    d->frameHandler = std::move(handler);
}

} // namespace platform

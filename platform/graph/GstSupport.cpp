#include "GstSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <mutex>

namespace platform {

void InitialiseGStreamer()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        // mp3 would otherwise go to the FFmpeg decoder, which loads all of FFmpeg: 30 MiB
        // more memory and twice the time to start playing than the mpg123 decoder.
        if (GstPluginFeature* mpg123 = gst_registry_lookup_feature(gst_registry_get(), "mpg123audiodec")) {
            gst_plugin_feature_set_rank(mpg123, GST_RANK_PRIMARY);
            gst_object_unref(mpg123);
        }
    });
}

namespace {

// The factory of the sink autoaudiosink settles on here, "fakesink" when none answers.
QByteArray ProbeAudioOutput()
{
    GstElementPtr probe(gst_element_factory_make("autoaudiosink", nullptr));
    if (!probe)
        return QByteArrayLiteral("fakesink");
    gst_object_ref_sink(probe.get());
    QByteArray chosen = QByteArrayLiteral("fakesink");
    if (gst_element_set_state(probe.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
        GstIterator* iterator = gst_bin_iterate_sinks(GST_BIN(probe.get()));
        GValue item = G_VALUE_INIT;
        if (gst_iterator_next(iterator, &item) == GST_ITERATOR_OK) {
            if (GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item))))
                chosen = GST_OBJECT_NAME(factory);
        }
        g_value_unset(&item);
        gst_iterator_free(iterator);
    }
    gst_element_set_state(probe.get(), GST_STATE_NULL);
    return chosen;
}

} // namespace

GstElement* MakeAudioSink(const char* name)
{
    static QByteArray output;
    static QElapsedTimer sinceProbe;
    if (output.isEmpty() || (output == "fakesink" && sinceProbe.elapsed() > 10000)) {
        output = ProbeAudioOutput();
        sinceProbe.start();
    }
    GstElement* sink = gst_element_factory_make(output.constData(), name);
    if (!sink) {
        output.clear();
        return nullptr;
    }
    if (output == "fakesink")
        g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

namespace {

std::atomic<int> livePipelines{0};

void PipelineFinalized(gpointer, GObject*)
{
    livePipelines.fetch_sub(1);
}

} // namespace

void CountPipeline(GstElement* pipeline)
{
    livePipelines.fetch_add(1);
    g_object_weak_ref(G_OBJECT(pipeline), &PipelineFinalized, nullptr);
}

int LivePipelineCount()
{
    return livePipelines.load();
}

bool IsSilentAudioSink(GstElement* sink)
{
    GstElementFactory* factory = sink ? gst_element_get_factory(sink) : nullptr;
    return factory && g_str_equal(GST_OBJECT_NAME(factory), "fakesink");
}

namespace {

class RelayedMessage : public QEvent
{
public:
    RelayedMessage(GstMessage* m, quint64 g) : QEvent(Type()), message(m), generation(g) {}
    ~RelayedMessage() override { gst_message_unref(message); }
    static QEvent::Type Type()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    GstMessage* const message;
    const quint64 generation;
};

} // namespace

GstBusRelay::GstBusRelay(Handler handler) : handler(std::move(handler)) {}

GstBusRelay::~GstBusRelay() = default;

void GstBusRelay::Attach(GstElement* pipeline)
{
    GstBusPtr bus(gst_element_get_bus(pipeline));
    gst_bus_set_sync_handler(bus.get(), &GstBusRelay::OnBusSync, this, nullptr);
}

void GstBusRelay::Detach(GstElement* pipeline)
{
    generation.fetch_add(1);
    if (!pipeline)
        return;
    GstBusPtr bus(gst_element_get_bus(pipeline));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
}

void GstBusRelay::DeliverPending()
{
    QCoreApplication::sendPostedEvents(this, RelayedMessage::Type());
}

void GstBusRelay::customEvent(QEvent* event)
{
    if (event->type() != RelayedMessage::Type())
        return;
    auto* relayed = static_cast<RelayedMessage*>(event);
    if (relayed->generation == generation.load() && handler)
        handler(relayed->message);
}

GstBusSyncReply GstBusRelay::OnBusSync(GstBus*, GstMessage* message, gpointer self)
{
    // A dropped message is ours to release: one kept would hold its element, and through it
    // the whole pipeline, for good. The ones passed on travel with their reference.
    auto* relay = static_cast<GstBusRelay*>(self);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_WARNING:
        QCoreApplication::postEvent(relay, new RelayedMessage(message, relay->generation.load()));
        break;
    default:
        gst_message_unref(message);
        break;
    }
    return GST_BUS_DROP;
}

QString MessageText(GstMessage* message)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        gst_message_parse_error(message, &error, &debug);
    else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING)
        gst_message_parse_warning(message, &error, &debug);
    const QString text = QString::fromUtf8(error ? error->message : "unknown error");
    g_clear_error(&error);
    g_free(debug);
    return text;
}

} // namespace platform

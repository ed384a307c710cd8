#include "GstSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <atomic>
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

bool WaitForState(GstElement* element, int timeoutMs)
{
    if (!element)
        return false;
    const GstStateChangeReturn result =
        gst_element_get_state(element, nullptr, nullptr, static_cast<GstClockTime>(timeoutMs) * GST_MSECOND);
    return result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL;
}

QString MessageText(GstMessage* message, QString* details)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        gst_message_parse_error(message, &error, &debug);
    else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING)
        gst_message_parse_warning(message, &error, &debug);
    const QString text = QString::fromUtf8(error ? error->message : "unknown error");
    if (details)
        *details = QString::fromUtf8(debug ? debug : "");
    g_clear_error(&error);
    g_free(debug);
    return text;
}

namespace {

class RelayedMessage : public QEvent
{
public:
    RelayedMessage(GstMessage* m, quint64 s) : QEvent(Type()), message(m), stamp(s) {}
    static QEvent::Type Type()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    const GstMessagePtr message;
    const quint64 stamp;
};

// The sync handler's data for one attached pipeline. It is written before the handler is
// installed and never changed, so the streaming threads read it without a lock; the bus frees
// it once the handler is removed and no thread is inside it any more.
struct Attachment
{
    GstBusRelay* relay;
    quint64 stamp;
    GstBusRelay::Filter wanted;
};

void FreeAttachment(gpointer attachment)
{
    delete static_cast<Attachment*>(attachment);
}

} // namespace

GstBusRelay::GstBusRelay(Handler handler) : handler(std::move(handler)) {}

GstBusRelay::~GstBusRelay() = default;

quint64 GstBusRelay::Attach(GstElement* pipeline, Filter wanted)
{
    current = ++lastStamp;
    GstBusPtr bus(gst_element_get_bus(pipeline));
    auto* attachment = new Attachment{this, current, std::move(wanted)};
    AnnounceHandOver(attachment);
    gst_bus_set_sync_handler(bus.get(), &GstBusRelay::OnBusSync, attachment, &FreeAttachment);
    return current;
}

void GstBusRelay::Detach(GstElement* pipeline)
{
    current = 0;
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
    AcceptHandOver(relayed);
    inFlight.fetch_sub(1);
    if (IsCurrent(relayed->stamp) && handler)
        handler(relayed->message.get());
}

GstBusSyncReply GstBusRelay::OnBusSync(GstBus*, GstMessage* message, gpointer data)
{
    // A dropped message is ours to release: one kept would hold its element, and through it
    // the whole pipeline, for good. The ones passed on travel with their reference.
    const auto* attachment = static_cast<const Attachment*>(data);
    AcceptHandOver(attachment);
    bool relayed = false;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_WARNING:
        relayed = true;
        break;
    default:
        relayed = attachment->wanted && attachment->wanted(message);
        break;
    }
    if (relayed) {
        auto* event = new RelayedMessage(message, attachment->stamp);
        AnnounceHandOver(event);
        attachment->relay->inFlight.fetch_add(1);
        QCoreApplication::postEvent(attachment->relay, event);
    } else {
        gst_message_unref(message);
    }
    return GST_BUS_DROP;
}

} // namespace platform

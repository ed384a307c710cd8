#include "GstSupport.h"

#include <QCoreApplication>
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
    auto* relay = static_cast<GstBusRelay*>(self);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_WARNING:
        QCoreApplication::postEvent(relay,
                                    new RelayedMessage(gst_message_ref(message), relay->generation.load()));
        break;
    default:
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

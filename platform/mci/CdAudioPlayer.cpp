#include "CdAudioPlayer.h"

#include "CdioHandle.h"
#include "platform/Log.h"
#include "platform/graph/GstSupport.h"

#include <QFile>
#include <QTimer>

#include <algorithm>

namespace platform::mci {

namespace {

constexpr int kStateTimeoutMs = 5000;

} // namespace

struct CdAudioPlayer::Pipeline
{
    GstElementPtr element;
    std::unique_ptr<GstBusRelay> relay;
    // Stamps the end of a play that had nothing to play, so a later play is not ended by it.
    quint64 playNumber = 0;
};

CdAudioPlayer::CdAudioPlayer(std::function<void(bool)> onEnded)
    : pipeline(std::make_unique<Pipeline>()), onEnded(std::move(onEnded))
{
    // GStreamer starts with the first play: asking a drive about its disc needs none of it.
    pipeline->relay = std::make_unique<GstBusRelay>([this](GstMessage* message) { OnMessage(message); });
}

CdAudioPlayer::~CdAudioPlayer()
{
    Release();
}

bool CdAudioPlayer::Play(const QString& device, const CdToc& toc, int fromMs, int toMs, QString* error)
{
    Stop();
    ++pipeline->playNumber;
    segments.clear();
    current = 0;
    int audioIndex = 0;
    for (const CdTrack& track : toc.tracks) {
        if (!track.audio)
            continue;
        ++audioIndex;
        const int start = SectorToMs(track.startSector);
        const int end = SectorToMs(track.startSector + track.sectors);
        const int from = std::max(fromMs, start);
        const int to = std::min(toMs, end);
        if (from < to)
            segments.push_back({audioIndex, start, from, to, track.sampleFile, track.sampleFileStartMs});
    }
    drive = device;
    endMs = toMs;
    positionMs = fromMs;
    active = true;
    paused = false;
    if (segments.empty()) {
        // Nothing audible in the range: it has been played as soon as the caller is done.
        const quint64 number = pipeline->playNumber;
        QTimer::singleShot(0, pipeline->relay.get(), [this, number] {
            if (active && pipeline->playNumber == number) {
                positionMs = endMs;
                Finish(true);
            }
        });
        return true;
    }
    if (!StartSegment(error)) {
        active = false;
        return false;
    }
    return true;
}

bool CdAudioPlayer::StartSegment(QString* error)
{
    InitialiseGStreamer();
    Release();
    const Segment& segment = segments[current];
    positionMs = segment.fromMs;

    GstElementPtr element(gst_pipeline_new("sorlin-cd"));
    gst_object_ref_sink(element.get());
    CountPipeline(element.get());
    // A drive or raw image is read by the CD audio source a track at a time (times count from
    // the track's start); a WAVE file is read whole (times count from the file's start).
    const bool wave = !segment.sampleFile.isEmpty();
    GstElement* source = gst_element_factory_make(wave ? "filesrc" : "cdiocddasrc", nullptr);
    GstElement* parse = wave ? gst_element_factory_make("wavparse", nullptr) : nullptr;
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* sink = MakeAudioSink(nullptr);
    if (!source || (wave && !parse) || !convert || !resample || !sink) {
        for (GstElement* e : {source, parse, convert, resample, sink}) {
            if (e)
                gst_object_unref(gst_object_ref_sink(e));
        }
        if (error)
            *error = QStringLiteral("the media framework lacks the CD audio source");
        return false;
    }
    if (wave) {
        g_object_set(source, "location", QFile::encodeName(segment.sampleFile).constData(), nullptr);
        gst_bin_add_many(GST_BIN(element.get()), source, parse, convert, resample, sink, nullptr);
        gst_element_link_many(source, parse, convert, resample, sink, nullptr);
    } else {
        g_object_set(source, "device", QFile::encodeName(CdioSource(drive)).constData(), "track",
                     static_cast<guint>(segment.audioIndex), nullptr);
        gst_bin_add_many(GST_BIN(element.get()), source, convert, resample, sink, nullptr);
        gst_element_link_many(source, convert, resample, sink, nullptr);
    }
    pipeline->element = std::move(element);
    pipeline->relay->Attach(pipeline->element.get());

    GstElement* p = pipeline->element.get();
    const qint64 origin = segment.trackStartMs - segment.sampleFileStartMs;
    const qint64 start = (segment.fromMs - origin) * GST_MSECOND;
    const qint64 stop = (segment.toMs - origin) * GST_MSECOND;
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    const bool started =
        gst_element_set_state(p, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE &&
        WaitForState(p, kStateTimeoutMs) &&
        gst_element_seek(p, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, start, GST_SEEK_TYPE_SET, stop) &&
        WaitForState(p, kStateTimeoutMs) &&
        gst_element_set_state(p, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
    if (started)
        return true;
    QString reason = QStringLiteral("the CD audio of %1 cannot be played").arg(drive);
    pipeline->relay->DeliverPending();
    Release();
    if (error)
        *error = reason;
    return false;
}

void CdAudioPlayer::OnMessage(GstMessage* message)
{
    if (!active || current >= segments.size())
        return;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        positionMs = segments[current].toMs;
        if (++current < segments.size()) {
            QString error;
            if (StartSegment(&error))
                return;
            qCWarning(lcPlatform) << error;
            Finish(false);
            return;
        }
        Finish(true);
        break;
    case GST_MESSAGE_ERROR:
        qCWarning(lcPlatform) << "CD audio:" << MessageText(message);
        positionMs = PositionMs();
        Finish(false);
        break;
    default:
        qCDebug(lcPlatform) << "CD audio:" << MessageText(message);
        break;
    }
}

void CdAudioPlayer::Finish(bool completed)
{
    Release();
    active = false;
    paused = false;
    if (onEnded)
        onEnded(completed);
}

void CdAudioPlayer::Release()
{
    if (!pipeline || !pipeline->element)
        return;
    pipeline->relay->Detach(pipeline->element.get());
    gst_element_set_state(pipeline->element.get(), GST_STATE_NULL);
    pipeline->element.reset();
}

bool CdAudioPlayer::Pause()
{
    if (!active)
        return false;
    positionMs = PositionMs();
    paused = true;
    if (!pipeline->element)
        return true;
    return gst_element_set_state(pipeline->element.get(), GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

bool CdAudioPlayer::Resume()
{
    if (!active)
        return false;
    paused = false;
    if (!pipeline->element)
        return true;
    return gst_element_set_state(pipeline->element.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

void CdAudioPlayer::Stop()
{
    if (!active)
        return;
    positionMs = PositionMs();
    ++pipeline->playNumber;
    Release();
    active = false;
    paused = false;
}

int CdAudioPlayer::PositionMs() const
{
    if (!pipeline->element || current >= segments.size())
        return positionMs;
    gint64 position = -1;
    if (!gst_element_query_position(pipeline->element.get(), GST_FORMAT_TIME, &position) || position < 0)
        return positionMs;
    const Segment& segment = segments[current];
    const int ms =
        segment.trackStartMs - segment.sampleFileStartMs + static_cast<int>(position / GST_MSECOND);
    return std::clamp(ms, segment.fromMs, segment.toMs);
}

void CdAudioPlayer::SetPositionMs(int ms)
{
    if (!active)
        positionMs = ms;
}

} // namespace platform::mci

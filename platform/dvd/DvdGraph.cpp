#include "DvdGraph.h"

#include "DvdGraphWatch.h"
#include "DvdVolume.h"
#include "platform/Log.h"
#include "platform/WindowMessage.h"
#include "res/StringTable.h"

#include <QFile>

#include <gst/gst.h>
#include <gst/video/navigation.h>

#include <cmath>
#include <mutex>

namespace platform {

namespace {

// A hardware MPEG-2 video decoder, when the system has one.
bool HaveHardwareMpeg2Decoder()
{
    GList* factories = gst_element_factory_list_get_elements(
        static_cast<GstElementFactoryListType>(GST_ELEMENT_FACTORY_TYPE_DECODER |
                                               GST_ELEMENT_FACTORY_TYPE_MEDIA_VIDEO |
                                               GST_ELEMENT_FACTORY_TYPE_HARDWARE),
        GST_RANK_MARGINAL);
    GstCaps* mpeg2 = gst_caps_from_string("video/mpeg,mpegversion=(int)2,systemstream=(boolean)false");
    GList* usable = gst_element_factory_list_filter(factories, mpeg2, GST_PAD_SINK, FALSE);
    const bool found = usable != nullptr;
    gst_plugin_feature_list_free(usable);
    gst_plugin_feature_list_free(factories);
    gst_caps_unref(mpeg2);
    return found;
}

} // namespace

DvdGraph::DvdGraph(QObject* owner, unsigned notifyMessage)
    : GstGraph(owner, notifyMessage), watch(std::make_unique<Watch>(this)), owner(owner),
      notifyMessage(notifyMessage)
{}

DvdGraph::~DvdGraph()
{
    DvdGraph::Close();
}

bool DvdGraph::FrameworkAvailable()
{
    if (!GstGraph::FrameworkAvailable())
        return false;
    GstElementFactory* factory = gst_element_factory_find("rsndvdbin");
    if (!factory)
        return false;
    gst_object_unref(factory);
    return true;
}

bool DvdGraph::RenderDvd(const QString& path, int decodeFlags, int timeoutMs)
{
    Close();
    device = DvdDeviceOf(path);
    QString error;
    if (device.isEmpty()) {
        SetLastError(res::LoadString(res::kStrDvdNoVolume).arg(path));
        return false;
    }
    if (!ReadDvdVolume(device, &watch->volume, &error)) {
        SetLastError(error);
        return false;
    }
    if (watch->volume.titles.empty()) {
        SetLastError(res::LoadString(res::kStrDvdNoTitles).arg(device));
        return false;
    }
    if ((decodeFlags & kDvdHwDecodeOnly) && !HaveHardwareMpeg2Decoder()) {
        SetLastError(res::LoadString(res::kStrDvdNoDecoder).arg(device));
        return false;
    }
    watch->deviceBytes = QFile::encodeName(device);
    // The media framework's own reason goes to the log; the user reads ours.
    if (!RenderUri(QStringLiteral("dvd://"), watch.get(), timeoutMs)) {
        qCWarning(lcMedia).noquote() << "DVD" << device << "did not start:" << LastError();
        SetLastError(res::LoadString(res::kStrDvdNotStarted).arg(device));
        return false;
    }
    if (!watch->Source()) {
        Close();
        SetLastError(res::LoadString(res::kStrDvdNotStarted).arg(device));
        return false;
    }
    watch->titleFormat = gst_format_get_by_nick("title");
    watch->chapterFormat = gst_format_get_by_nick("chapter");
    watch->sinceTimeReport.start();
    Poll();
    watch->poll.start();
    return true;
}

void DvdGraph::Close()
{
    watch->poll.stop();
    GstGraph::Close();
    {
        std::lock_guard lock(watch->mutex);
        watch->sourcePad.reset();
        watch->source.reset();
        watch->stillShown = false;
        watch->wantedAudio = -1;
        watch->wantedSubpicture = -1;
        watch->wantedShown = true;
        watch->subpictureStateSet = false;
        watch->choicePending = false;
        watch->sentAudio = -1;
        watch->sentSubpicture = -1;
        watch->sentShown = false;
    }
    watch->playbin = nullptr;
    watch->lastDomain = DvdDomain::kFirstPlay;
    watch->lastTitle = 0;
    watch->lastChapter = 0;
    watch->titleSeen = false;
    watch->lastUops = 0;
    watch->seekRate = 1.0;
    watch->slowRate = 1.0;
    watch->clock.reset();
    dvdEvents.clear();
    still = false;
    selectedButton = 0;
}

void DvdGraph::Push(const Event& event)
{
    dvdEvents.push_back(event);
    PostWindowMessage(owner, notifyMessage);
}

bool DvdGraph::TakeDvdEvent(Event* event)
{
    if (const int code = TakeEvent()) {
        // The end of the disc is the navigator's stop domain.
        *event = code == EC_COMPLETE ? Event{EC_DVD_DOMAIN_CHANGE, static_cast<long>(DvdDomain::kStop), 0}
                                     : Event{code, 0, 0};
        if (code == EC_COMPLETE)
            watch->poll.stop();
        return true;
    }
    if (dvdEvents.empty())
        return false;
    *event = dvdEvents.front();
    dvdEvents.pop_front();
    return true;
}

bool DvdGraph::ReadVolume(DvdVolume* volume, QString* error) const
{
    if (device.isEmpty())
        return false;
    return ReadDvdVolume(device, volume, error);
}

const DvdVolume& DvdGraph::Volume() const
{
    return watch->volume;
}

namespace {

// The navigator's title and chapter; a title of 0 means a menu, whose id is in `chapter`. The
// source answers on its pad; as an element it would pass the query on.
bool QueryTitleChapter(GstPad* source, int titleFormat, int chapterFormat, int* title, int* chapter)
{
    gint64 t = -1;
    gint64 c = -1;
    if (!source || titleFormat == GST_FORMAT_UNDEFINED ||
        !gst_pad_query_position(source, static_cast<GstFormat>(titleFormat), &t) || t < 0)
        return false;
    gst_pad_query_position(source, static_cast<GstFormat>(chapterFormat), &c);
    *title = static_cast<int>(t);
    *chapter = static_cast<int>(c);
    return true;
}

DvdDomain DomainOf(bool known, int title, int menu)
{
    if (!known)
        return DvdDomain::kFirstPlay;
    if (title > 0)
        return DvdDomain::kTitle;
    return menu == 2 ? DvdDomain::kVideoManagerMenu : DvdDomain::kTitleSetMenu;
}

} // namespace

DvdDomain DvdGraph::Domain() const
{
    int title = 0;
    int chapter = 0;
    const bool known =
        QueryTitleChapter(watch->SourcePad(), watch->titleFormat, watch->chapterFormat, &title, &chapter);
    return DomainOf(known, title, chapter);
}

bool DvdGraph::CurrentLocation(DvdLocation* location) const
{
    int title = 0;
    int chapter = 0;
    if (!QueryTitleChapter(watch->SourcePad(), watch->titleFormat, watch->chapterFormat, &title, &chapter) ||
        title <= 0)
        return false;
    location->title = title;
    location->chapter = chapter;
    const auto& titles = watch->volume.titles;
    const bool pal = title <= static_cast<int>(titles.size()) && titles[static_cast<size_t>(title - 1)].pal;
    gint64 position = -1;
    if (!watch->playbin || !gst_element_query_position(watch->playbin, GST_FORMAT_TIME, &position) ||
        position < 0) {
        location->time = DvdTimeCode::Invalid(pal);
        return true;
    }
    location->time = DvdTimeCode::FromMs(position / GST_MSECOND, pal);
    return true;
}

void DvdGraph::Poll()
{
    int title = 0;
    int chapter = 0;
    const bool known =
        QueryTitleChapter(watch->SourcePad(), watch->titleFormat, watch->chapterFormat, &title, &chapter);
    const DvdDomain domain = DomainOf(known, title, chapter);
    if (domain != watch->lastDomain) {
        watch->lastDomain = domain;
        Push({EC_DVD_DOMAIN_CHANGE, static_cast<long>(domain), 0});
        if (domain != DvdDomain::kTitle) {
            watch->lastTitle = 0;
            watch->lastChapter = 0;
        }
    }
    if (domain != DvdDomain::kTitle)
        return;
    watch->titleSeen = true;
    if (title != watch->lastTitle)
        Push({EC_DVD_TITLE_CHANGE, title, 0});
    if (title != watch->lastTitle || chapter != watch->lastChapter)
        Push({EC_DVD_CHAPTER_START, chapter, 0});
    watch->lastTitle = title;
    watch->lastChapter = chapter;
    if (!still && watch->sinceTimeReport.elapsed() >= kTimeReportMs) {
        DvdLocation location;
        if (CurrentLocation(&location) && !location.time.IsInvalid()) {
            watch->sinceTimeReport.restart();
            Push({EC_DVD_CURRENT_TIME, static_cast<long>(location.time.ToMs()), 1});
        }
    }
}

namespace {

bool SendNavigation(GstPad* pad, GstEvent* event)
{
    if (!pad) {
        gst_event_unref(event);
        return false;
    }
    return gst_pad_send_event(pad, event);
}

} // namespace

bool DvdGraph::PlayTitle(int title)
{
    GstElement* src = watch->Source();
    if (!src || still || Domain() != DvdDomain::kTitle || title < 1 ||
        title > static_cast<int>(watch->volume.titles.size()))
        return false;
    const bool done = gst_element_send_event(
        src, gst_event_new_seek(watch->seekRate, static_cast<GstFormat>(watch->titleFormat),
                                GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, title, GST_SEEK_TYPE_NONE, -1));
    int nowTitle = 0;
    int nowChapter = 0;
    return done &&
           QueryTitleChapter(watch->SourcePad(), watch->titleFormat, watch->chapterFormat, &nowTitle,
                             &nowChapter) &&
           nowTitle == title;
}

bool DvdGraph::PlayAtTimeInTitle(int title, const DvdTimeCode& time)
{
    int nowTitle = 0;
    int nowChapter = 0;
    GstElement* src = watch->Source();
    if (!src || still ||
        !QueryTitleChapter(watch->SourcePad(), watch->titleFormat, watch->chapterFormat, &nowTitle,
                           &nowChapter) ||
        nowTitle <= 0)
        return false;
    if (title != nowTitle && !PlayTitle(title))
        return false;
    const qint64 ms = time.ToMs();
    if (ms == 0 && title != nowTitle)
        return true; // the title starts there
    return Seek(ms);
}

bool DvdGraph::Seek(qint64 ms, int timeoutMs)
{
    Q_UNUSED(timeoutMs);
    GstElement* src = watch->Source();
    if (!src || still || ms < 0 || Domain() != DvdDomain::kTitle)
        return false;
    // A time of 0 through the time map leaves the navigator where it was: the title's start
    // is its first chapter.
    if (ms == 0)
        return gst_element_send_event(
            src, gst_event_new_seek(watch->seekRate, static_cast<GstFormat>(watch->chapterFormat),
                                    GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, 1, GST_SEEK_TYPE_NONE, -1));
    return gst_element_send_event(src, gst_event_new_seek(watch->seekRate, GST_FORMAT_TIME,
                                                          GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET,
                                                          ms * GST_MSECOND, GST_SEEK_TYPE_NONE, -1));
}

bool DvdGraph::PlayChapterInTitle(int title, int chapter)
{
    GstElement* src = watch->Source();
    if (!src || still || Domain() != DvdDomain::kTitle || title < 1 ||
        title > static_cast<int>(watch->volume.titles.size()) || chapter < 1 ||
        chapter > watch->volume.titles[static_cast<size_t>(title - 1)].chapters)
        return false;
    int nowTitle = 0;
    int nowChapter = 0;
    QueryTitleChapter(watch->SourcePad(), watch->titleFormat, watch->chapterFormat, &nowTitle, &nowChapter);
    if (nowTitle != title && !PlayTitle(title))
        return false;
    const bool done = gst_element_send_event(
        src, gst_event_new_seek(watch->seekRate, static_cast<GstFormat>(watch->chapterFormat),
                                GST_SEEK_FLAG_FLUSH, GST_SEEK_TYPE_SET, chapter, GST_SEEK_TYPE_NONE, -1));
    return done &&
           QueryTitleChapter(watch->SourcePad(), watch->titleFormat, watch->chapterFormat, &nowTitle,
                             &nowChapter) &&
           nowTitle == title && nowChapter == chapter;
}

bool DvdGraph::ShowMenu(DvdMenu menu)
{
    static_assert(static_cast<int>(DvdMenu::kTitle) == GST_NAVIGATION_COMMAND_DVD_TITLE_MENU &&
                  static_cast<int>(DvdMenu::kChapter) == GST_NAVIGATION_COMMAND_DVD_CHAPTER_MENU);
    SendNavigation(watch->SourcePad(),
                   gst_navigation_event_new_command(static_cast<GstNavigationCommand>(menu)));
    return Domain() != DvdDomain::kTitle;
}

bool DvdGraph::Resume()
{
    // The navigator's "menu" command resumes a title when it can and calls the root menu
    // otherwise: it is only given in a menu, once a title has played that it can go back to.
    if (Domain() == DvdDomain::kTitle || !watch->titleSeen)
        return false;
    SendNavigation(watch->SourcePad(), gst_navigation_event_new_command(GST_NAVIGATION_COMMAND_DVD_MENU));
    return Domain() == DvdDomain::kTitle;
}

bool DvdGraph::StillOff()
{
    // The navigator has no command that ends a still: timed stills end by themselves,
    // endless ones through the menu's buttons.
    return false;
}

bool DvdGraph::SelectButton(DvdButtonMove move)
{
    static constexpr GstNavigationCommand kCommands[] = {
        GST_NAVIGATION_COMMAND_LEFT, GST_NAVIGATION_COMMAND_RIGHT, GST_NAVIGATION_COMMAND_UP,
        GST_NAVIGATION_COMMAND_DOWN};
    return SendNavigation(watch->SourcePad(),
                          gst_navigation_event_new_command(kCommands[static_cast<int>(move)]));
}

bool DvdGraph::ActivateButton()
{
    return SendNavigation(watch->SourcePad(),
                          gst_navigation_event_new_command(GST_NAVIGATION_COMMAND_ACTIVATE));
}

bool DvdGraph::SelectAtPosition(int x, int y)
{
    return SendNavigation(watch->SourcePad(),
                          gst_navigation_event_new_mouse_move(x, y, GST_NAVIGATION_MODIFIER_NONE));
}

bool DvdGraph::ActivateAtPosition(int x, int y)
{
    return SendNavigation(watch->SourcePad(), gst_navigation_event_new_mouse_button_release(
                                                  1, x, y, GST_NAVIGATION_MODIFIER_NONE));
}

bool DvdGraph::SelectAudioStream(int stream)
{
    if (!watch->Source() || stream < 0 || stream > 7)
        return false;
    std::lock_guard lock(watch->mutex);
    watch->wantedAudio = stream;
    watch->choicePending = true;
    return true;
}

bool DvdGraph::SelectSubpictureStream(int stream)
{
    if (!watch->Source() || stream < 0 || stream > 31)
        return false;
    std::lock_guard lock(watch->mutex);
    watch->wantedSubpicture = stream;
    watch->choicePending = true;
    return true;
}

bool DvdGraph::SetSubpictureState(bool shown)
{
    if (!watch->Source())
        return false;
    std::lock_guard lock(watch->mutex);
    watch->wantedShown = shown;
    watch->subpictureStateSet = true;
    watch->choicePending = true;
    return true;
}

int DvdGraph::ActiveAudio() const
{
    std::lock_guard lock(watch->mutex);
    return watch->sentAudio;
}

int DvdGraph::ActiveSubpicture() const
{
    std::lock_guard lock(watch->mutex);
    return watch->sentSubpicture;
}

bool DvdGraph::SubpicturesShown() const
{
    std::lock_guard lock(watch->mutex);
    return watch->sentShown;
}

bool DvdGraph::CurrentAngle(int* count, int* current) const
{
    GstPad* src = watch->SourcePad();
    if (!src)
        return false;
    GstQueryPtr query(gst_navigation_query_new_angles());
    guint now = 0;
    guint angles = 0;
    if (!gst_pad_query(src, query.get()) || !gst_navigation_query_parse_angles(query.get(), &now, &angles))
        return false;
    *count = static_cast<int>(angles);
    *current = static_cast<int>(now);
    return true;
}

bool DvdGraph::SelectAngle(int angle)
{
    int count = 0;
    int current = 0;
    if (!CurrentAngle(&count, &current) || angle < 1 || angle > count)
        return false;
    // The navigator steps through the angles one at a time.
    for (int step = 0; step < count && current != angle; ++step) {
        SendNavigation(watch->SourcePad(),
                       gst_navigation_event_new_command(GST_NAVIGATION_COMMAND_NEXT_ANGLE));
        if (!CurrentAngle(&count, &current))
            return false;
    }
    return current == angle;
}

bool DvdGraph::PlayForwards(double speed)
{
    if (!std::isfinite(speed) || speed <= 0)
        return false;
    if (speed == watch->seekRate * watch->slowRate)
        return true;
    GstElement* src = watch->Source();
    if (!src || still || !watch->clock)
        return false;
    // Faster is a seek with a rate. Slower stalls the DVD elements that way: the pipeline's
    // own clock runs slow instead, with the sound off.
    const double seekRate = std::max(speed, 1.0);
    if (seekRate != watch->seekRate) {
        DvdLocation location;
        if (!CurrentLocation(&location) || location.time.IsInvalid())
            return false;
        const qint64 ms = location.time.ToMs();
        if (!gst_element_send_event(src, gst_event_new_seek(seekRate, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH,
                                                            GST_SEEK_TYPE_SET, ms * GST_MSECOND,
                                                            GST_SEEK_TYPE_NONE, -1)))
            return false;
        watch->seekRate = seekRate;
    }
    const double slowRate = std::min(speed, 1.0);
    if (slowRate != watch->slowRate) {
        constexpr GstClockTime kDenominator = 1000000;
        GstClock* clock = watch->clock.get();
        const GstClockTime internal = gst_clock_get_internal_time(clock);
        const GstClockTime external = gst_clock_get_time(clock);
        gst_clock_set_calibration(clock, internal, external,
                                  static_cast<GstClockTime>(std::llround(slowRate * kDenominator)),
                                  kDenominator);
        g_object_set(watch->playbin, "mute", slowRate < 1.0, nullptr);
        watch->slowRate = slowRate;
    }
    Push({EC_DVD_PLAYBACK_RATE_CHANGE, std::lround(speed * 10000), 0});
    return true;
}

bool DvdGraph::PlayBackwards(double)
{
    // The DVD elements cannot play backwards.
    return false;
}

bool DvdGraph::SetClosedCaptions(bool)
{
    // No caption decoder here: captions stay off.
    return false;
}

} // namespace platform

#pragma once
// What the media engines and the media process both speak: the main window's graph-event
// message, the graph's event codes, and the DVD navigator's events, domains, time codes and
// commands. Plain values only, so the window process includes it without any media library.

#include <QString>

#include <cstdint>

namespace platform {

// The message a graph posts to its owner (the main window) when events are waiting.
constexpr unsigned WM_GRAPH_EVENT = 0x40D;

// Graph event codes, as the media engines know them.
constexpr int EC_COMPLETE = 1;
constexpr int EC_USERABORT = 2;
constexpr int EC_ERRORABORT = 3;

// DVD event codes and their parameters, as the DVD engine knows them.
constexpr int EC_DVD_DOMAIN_CHANGE = 0x101;     // p1: the new domain
constexpr int EC_DVD_TITLE_CHANGE = 0x102;      // p1: the title
constexpr int EC_DVD_CHAPTER_START = 0x103;     // p1: the chapter
constexpr int EC_DVD_BUTTON_CHANGE = 0x107;     // p1: buttons shown, p2: the selected button
constexpr int EC_DVD_VALID_UOPS_CHANGE = 0x108; // p1: prohibited operations
constexpr int EC_DVD_STILL_ON = 0x109;
constexpr int EC_DVD_STILL_OFF = 0x10A;
constexpr int EC_DVD_CURRENT_TIME = 0x10B;         // p1: ms in the title, p2: 1 (valid)
constexpr int EC_DVD_PLAYBACK_RATE_CHANGE = 0x112; // p1: rate × 10000

// Navigator domains.
enum class DvdDomain : int
{
    kFirstPlay = 1,
    kVideoManagerMenu = 2,
    kTitleSetMenu = 3,
    kTitle = 4,
    kStop = 5,
};
// A domain as it travels in an event or a reply; a value outside the known ones is first play.
inline DvdDomain DvdDomainFromValue(long value)
{
    return value >= 1 && value <= 5 ? static_cast<DvdDomain>(value) : DvdDomain::kFirstPlay;
}

// The prohibited-operation bit for selecting and activating buttons.
constexpr unsigned long kUopSelectOrActivateButton = 0x20000;

// Decoder choices of the graph build.
constexpr int kDvdHwDecodePrefer = 1;
constexpr int kDvdHwDecodeOnly = 2;
constexpr int kDvdSwDecodePrefer = 4;
constexpr int kDvdSwDecodeOnly = 8;
constexpr int kDvdNoVideoPort = 256;

// One event of a graph with its parameters, as the media process queues it and the engines take
// it.
struct GraphEvent
{
    int code = 0;
    long p1 = 0;
    long p2 = 0;
};

// A place in a DVD title as hours, minutes, seconds and frames.
struct DvdTimeCode
{
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    int flags = 2; // 1: 25 frames a second, 2: 30

    // The time code of `ms` at 25 (pal) or 30 frames a second, frames rounded down.
    static DvdTimeCode FromMs(int64_t ms, bool pal);
    // All fields 255: the position in the title is not known.
    static DvdTimeCode Invalid(bool pal) { return {255, 255, 255, 255, pal ? 1 : 2}; }
    int FramesPerSecond() const { return flags == 1 ? 25 : 30; }
    int64_t ToMs() const
    {
        return ((hours * 60LL + minutes) * 60 + seconds) * 1000 + frames * 1000LL / FramesPerSecond();
    }
    bool IsInvalid() const { return hours == 255 && minutes == 255 && seconds == 255 && frames == 255; }
};

inline DvdTimeCode DvdTimeCode::FromMs(int64_t ms, bool pal)
{
    const int fps = pal ? 25 : 30;
    return {static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
            static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000 * fps / 1000), pal ? 1 : 2};
}

struct DvdLocation
{
    int title = 0;
    int chapter = 0;
    DvdTimeCode time; // all fields 255 when the position in the title is not known
};

enum class DvdButtonMove
{
    Left,
    Right,
    Up,
    Down
};

// The disc's menus, numbered as the navigator's menu commands.
enum class DvdMenu : int
{
    kTitle = 2,
    kRoot = 3,
    kSubpicture = 4,
    kAudio = 5,
    kAngle = 6,
    kChapter = 7,
};
// A menu as it travels in a command; false for a value that names none.
inline bool DvdMenuFromValue(long value, DvdMenu* menu)
{
    if (value < static_cast<int>(DvdMenu::kTitle) || value > static_cast<int>(DvdMenu::kChapter))
        return false;
    *menu = static_cast<DvdMenu>(value);
    return true;
}

// One readable property of an element of a running graph, as text.
struct ElementProperty
{
    QString name;
    QString value;
    QString description;
};

} // namespace platform

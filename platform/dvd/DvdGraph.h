#pragma once
// The DVD graph: a DVD-Video volume (a disc folder, an image file or a device) played through
// GStreamer's rsndvdbin inside the media engine's graph, with the navigator's commands and
// queries. It plays, pauses, rewinds, sets the volume and paints frames as GstGraph does.
//
// Threads: every call is made on the UI thread. The navigator's state (domain, title, chapter,
// stills, buttons, streams) is watched on the UI thread and reported as DVD events, taken one
// at a time with TakeDvdEvent(); each new event is announced by posting `notifyMessage` to
// `owner`. Streaming threads only post. Navigator commands return once the navigator has
// carried them out; stream choices take effect with the next data the disc delivers and stay
// in force over the disc's own choices. Times are milliseconds.
//
// The navigator reads ahead of the picture: titles and chapters change about a second
// before the picture gets there.
//
// A still menu must never be left by a jump: the navigator hangs. Jumps (titles, chapters,
// times) are refused outside the title domain and while a still is shown; menus are left
// through their buttons or Resume.

#include "platform/graph/GstGraph.h"
#include "platform/ipc/DvdCommands.h"
#include "platform/ipc/DvdTable.h"
#include "platform/ipc/MediaCodes.h"

#include <QSize>
#include <QString>

#include <deque>
#include <memory>

class QObject;

namespace platform {

class DvdGraph : public GstGraph
{
public:
    using Event = GraphEvent;

    DvdGraph(QObject* owner, unsigned notifyMessage);
    ~DvdGraph() override;

    // True when the media framework has the DVD elements.
    static bool FrameworkAvailable();

    // Builds the graph for the volume at `path` (a disc folder, its IFO file, an image or a
    // device) and prerolls it. False, with the reason in LastError(), when the volume cannot
    // be read, has no titles or nothing here plays it; the graph is closed then.
    bool RenderDvd(const QString& path, int decodeFlags, int timeoutMs = 10000);
    void Close() override;
    // A jump to `ms` in the current title; refused outside the title domain and in stills.
    bool Seek(qint64 ms, int timeoutMs = 5000) override;

    // The next DVD event, false when none is pending. The media graph's own codes come
    // through here too (1 complete is reported as the stop domain).
    bool TakeDvdEvent(Event* event);

    // The device the graph reads, and the volume's table read afresh from it.
    const QString& Device() const { return device; }
    bool ReadVolume(DvdVolume* volume, QString* error = nullptr) const;
    // The table as it was read when the graph was built.
    const DvdVolume& Volume() const;

    // Navigator state, asked of the navigator now.
    DvdDomain Domain() const;
    bool CurrentLocation(DvdLocation* location) const;
    bool IsStill() const { return still; }
    int SelectedButton() const { return selectedButton; }
    // The audio and subpicture streams the decoders were last told to play.
    int ActiveAudio() const;
    int ActiveSubpicture() const;
    bool SubpicturesShown() const;
    bool CurrentAngle(int* count, int* current) const; // angles numbered from 1

    // The navigator's commands (platform/ipc/DvdCommands.h). Slow scanning runs the graph's
    // clock slow with the sound off.
    SORLIN_DVD_COMMAND_DECLARATIONS

    struct Watch;

private:
    void Poll();
    void Push(const Event& event);

    std::unique_ptr<Watch> watch;
    QObject* owner;
    unsigned notifyMessage;
    QString device;
    std::deque<Event> dvdEvents;
    bool still = false;
    int selectedButton = 0;
};

} // namespace platform

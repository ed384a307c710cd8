#pragma once
// The DVD graph in the media process: a DVD-Video volume (a disc folder, an image file or a
// device) played through GStreamer's DVD elements, with the navigator's commands and queries.
// It plays, pauses, rewinds, sets the volume and paints frames as GraphProxy does.
//
// UI thread only. The navigator's state changes arrive as DVD events, taken one at a time with
// TakeDvdEvent(); each is announced by posting `notifyMessage` to `owner`. Navigator commands
// return once the navigator has carried them out; stream choices take effect with the next
// data the disc delivers and stay in force over the disc's own choices. Times are
// milliseconds.
//
// The navigator reads ahead of the picture: titles and chapters change about a second before
// the picture gets there. Jumps (titles, chapters, times) are refused outside the title domain
// and while a still is shown; menus are left through their buttons or Resume.

#include "GraphProxy.h"
#include "platform/ipc/DvdTable.h"
#include "platform/ipc/MediaCodes.h"

#include <QString>

namespace platform {

class DvdGraphProxy : public GraphProxy
{
public:
    DvdGraphProxy(QObject* owner, unsigned notifyMessage);
    ~DvdGraphProxy() override;

    // True when the media process has the DVD elements (starts it when none runs).
    static bool FrameworkAvailable();

    // Builds the graph for the volume at `path` (a disc folder, its IFO file, an image or a
    // device) and prerolls it. False, with the reason in LastError(), when the volume cannot
    // be read, has no titles, nothing plays it or the media process failed on it.
    bool RenderDvd(const QString& path, int decodeFlags, int timeoutMs = 10000);
    void Close() override;

    // The next DVD event, false when none is pending. The media graph's own codes come
    // through here too (1 complete is reported as the stop domain).
    bool TakeDvdEvent(Event* event);

    // The device the graph reads, and the volume's table read afresh from it.
    const QString& Device() const { return device; }
    bool ReadVolume(DvdVolume* volume, QString* error = nullptr) const;
    // The table as it was read when the graph was built.
    const DvdVolume& Volume() const { return volume; }

    // Navigator state, asked of the navigator now.
    DvdDomain Domain() const;
    bool CurrentLocation(DvdLocation* location) const;
    // As the last DVD events told them.
    bool IsStill() const { return still; }
    int SelectedButton() const { return selectedButton; }
    // The audio and subpicture streams the decoders were last told to play.
    int ActiveAudio() const;
    int ActiveSubpicture() const;
    bool SubpicturesShown() const;
    bool CurrentAngle(int* count, int* current) const; // angles numbered from 1

    // The navigator's commands (platform/ipc/DvdCommands.h), carried out in the media process.
    SORLIN_DVD_COMMAND_DECLARATIONS

protected:
    void OnGraphEvent(const Event& event) override;

private:
    struct Streams
    {
        int audio = -1;
        int subpicture = -1;
        bool shown = false;
    };
    Streams AskStreams() const;
    bool Command(const ipc::DvdCommandArgs& command);

    QString device;
    DvdVolume volume;
    bool still = false;
    int selectedButton = 0;
};

// True when the volume in the image file or on the device node `device` holds `pathInVolume`
// ("/VIDEO_TS/VIDEO_TS.IFO"); asked of the media process, which is started when none runs.
bool DvdVolumeHasFile(const QString& device, const QString& pathInVolume);

} // namespace platform

#pragma once
// One CD drive as the MCI devices see it: an optical drive (device node) or a CD image file.
// Every alias opened on the same drive shares this object, so a door opened through one alias
// is open for all of them.
//
// An image has a door too: opening it unloads the image (no disc), closing it loads the image
// again, so eject and arrival behave as with a drive.

#include "CdToc.h"

#include <QString>

#include <optional>

namespace platform::mci {

class CdDrive
{
public:
    explicit CdDrive(QString path);

    const QString& Path() const { return path; }
    bool IsImage() const { return image; }

    // Reads the disc again (a drive's disc may have changed). Nothing when there is none.
    const CdToc* ReadToc(QString* error = nullptr);
    // The table read last, without asking the drive again.
    const CdToc* Toc() const { return toc ? &*toc : nullptr; }
    bool MediaPresent();
    bool DoorOpen() const;
    // Moves the tray (or unloads / loads the image). False, with the reason, when it cannot.
    bool SetDoor(bool open, QString* error);

private:
    QString path;
    bool image;
    bool imageUnloaded = false;
    std::optional<CdToc> toc;
};

} // namespace platform::mci

#pragma once
// Reading a DVD-Video volume with libdvdread: its table (DvdTable.h) from its IFO files, and
// whether a file is on it. Reading takes a few milliseconds and touches nothing but the volume;
// any thread of the media process.

#include "platform/ipc/DvdTable.h"

#include <QString>

namespace platform {

// Reads the table of the volume at `device`: a disc folder (holding VIDEO_TS), an image file or
// a device node. False, with the reason in `error`, when its VIDEO_TS.IFO (and the backup)
// cannot be read.
bool ReadDvdVolume(const QString& device, DvdVolume* volume, QString* error = nullptr);

// The device libdvdread opens for `path`: a disc folder, its VIDEO_TS or AUDIO_TS folder, an
// IFO file inside one, an image file or a path inside an image ("/x/disc.iso/VIDEO_TS/...").
// Empty when the path leads to none of these.
QString DvdDeviceOf(const QString& path);

// True when the volume in the image file or on the device node `device` holds
// `pathInVolume` ("/VIDEO_TS/VIDEO_TS.IFO").
bool DvdVolumeHasFile(const QString& device, const QString& pathInVolume);

} // namespace platform

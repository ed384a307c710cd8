#pragma once
// Whether a drive holds a disc, asked without reading the disc and without the media process:
// an optical drive answers through the kernel's CD-ROM status calls, which spin nothing up and
// need no media library; a CD image file standing for a drive (.cue, .toc, .nrg) holds its
// disc while the file is there, its kind read from the modes its sheet gives the first tracks.
// Any thread; never waits on the disc beyond the status call.

#include <QString>

namespace platform {

enum class DiscInDrive
{
    kNone,  // no disc, an open tray, or no such drive
    kAudio, // a disc with audio tracks (an audio CD, a mixed-mode disc)
    kData,  // a disc without audio tracks (a DVD, a data CD)
};

DiscInDrive ProbeDrive(const QString& drive);
// True when `drive` names a CD image file (by its extension) rather than a device.
bool IsCdImageDrive(const QString& drive);

} // namespace platform

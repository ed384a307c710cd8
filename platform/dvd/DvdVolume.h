#pragma once
// The table of a DVD-Video volume read from its IFO files: titles, chapters, angles, audio and
// subpicture languages and the video standard. Reading takes a few milliseconds and touches
// nothing but the volume; any thread.

#include <QString>
#include <QStringList>

#include <vector>

namespace platform {

struct DvdTitleInfo
{
    int chapters = 0;
    int angles = 1;
    int titleSet = 0;                // the VTS that holds the title
    QStringList audioLanguages;      // ISO 639-1 code per stream, empty where the disc names none
    QStringList subpictureLanguages; // likewise
    bool pal = false;                // 25 frames a second; NTSC (30) otherwise
};

class DvdVolume
{
public:
    // Reads the volume at `device`: a disc folder (holding VIDEO_TS), an image file or a device
    // node. False, with the reason in `error`, when its VIDEO_TS.IFO (and the backup) cannot
    // be read.
    bool Read(const QString& device, QString* error = nullptr);

    // Titles in disc order; title n is titles[n - 1].
    std::vector<DvdTitleInfo> titles;
};

// The device libdvdread opens for `path`: a disc folder, its VIDEO_TS or AUDIO_TS folder, an
// IFO file inside one, an image file or a path inside an image ("/x/disc.iso/VIDEO_TS/...").
// Empty when the path leads to none of these.
QString DvdDeviceOf(const QString& path);

// True when the volume in the image file or on the device node `device` holds
// `pathInVolume` ("/VIDEO_TS/VIDEO_TS.IFO").
bool DvdVolumeHasFile(const QString& device, const QString& pathInVolume);

// English name of an ISO 639-1 language code ("ja" -> "Japanese"); empty when unknown.
QString EnglishLanguageName(const QString& code);

} // namespace platform

#pragma once
// The table of a DVD-Video volume as its IFO files give it: titles, chapters, angles, audio and
// subpicture languages and the video standard. The media process reads it; the DVD engine
// lists chapters and streams from it.

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

struct DvdVolume
{
    // Titles in disc order; title n is titles[n - 1].
    std::vector<DvdTitleInfo> titles;
};

// English name of an ISO 639-1 language code ("ja" -> "Japanese"); empty when unknown.
QString EnglishLanguageName(const QString& code);

} // namespace platform

#include "TitleProbe.h"

#include "MIDI.h"
#include "MP3.h"
#include "TagText.h"
#include "WMA.h"

#include "platform/PathSplit.h"

namespace {

QString MidiTitle(const QString& path)
{
    CMIDI midi;
    QString title;
    if (midi.Open(path) && midi.ReadTrack() && !midi.FindText(&title, true))
        midi.FindText(&title, false);
    midi.Close();
    return title;
}

QString Mp3Title(const QString& path)
{
    CMP3 mp3;
    QString title;
    if (mp3.Open(path)) {
        if (mp3.ReadTag(false))
            mp3.GetTitle(&title);
        else if (mp3.ReadTag(true))
            mp3.GetTitle(&title);
    }
    mp3.Close();
    return title;
}

QString AsfTitle(const QString& path)
{
    CWMA wma;
    QString title;
    if (wma.Open(path) && wma.ReadTag())
        wma.GetTitle(&title);
    wma.Close();
    return title;
}

} // namespace

QString ProbeTitle(const QString& path)
{
    const QString extension = platform::UpperExtension(path);
    QString title;
    if (extension == u".MID")
        title = MidiTitle(path);
    else if (extension == u".MP3")
        title = Mp3Title(path);
    else if (extension == u".WMA" || extension == u".WMV")
        title = AsfTitle(path);
    return tagtext::TrimRight(title);
}

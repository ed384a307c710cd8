#pragma once
// PlayItem: a play item's string parsed once into what the player and the engines ask of it.
// The string form stays what the list, the settings and the playlists hold: a file
// ("/music/a.mp3"), a CD track ("/dev/sr0/Track05.cda", "/discs/album.cue/Track05.cda"), a DVD
// chapter (".../VIDEO_TS/VIDEO_TS_01_003.IFO", title 1 chapter 3), a network address or a member
// of the archive playing. Parsing only reads the string; nothing is looked up on disc.

#include "platform/Drives.h"

#include <QString>

struct PlayItem
{
    QString path;      // without the quotes around it
    QString extension; // upper case with its dot (".CDA"); empty without one
    QString drive;     // the drive part: an optical device or a disc image; empty for none
    int cdTrack = 0;   // a ".CDA" item's track number, as its name gives it ("Track05.cda": 5)
    int dvdTitle = 0;  // an ".IFO" item's title and chapter; 0 when its name has none
    int dvdChapter = 0;
    QString dvdIfo; // the disc's IFO file of an ".IFO" chapter item; empty when the name has no "_"
    QString name;   // the file name without its folder and extension ("Track05")
    QString suffix; // the extension as written (".cda"); empty without one

    static PlayItem Parse(const QString& text, const platform::DriveTable& drives);
    bool operator==(const PlayItem&) const = default;
};

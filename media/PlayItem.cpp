#include "PlayItem.h"

#include "DVDMedia.h"
#include "MCICD.h"

#include "platform/PathSplit.h"

PlayItem PlayItem::Parse(const QString& text, const platform::DriveTable& drives)
{
    PlayItem item;
    item.path = platform::WithoutQuotes(text);
    item.extension = platform::UpperExtension(item.path);
    item.drive = drives.DrivePart(item.path);
    if (item.extension == u".CDA")
        item.cdTrack = CMCICD::ParseTrackNumber(item.path);
    if (item.extension == u".IFO") {
        item.dvdChapter = CDVDMedia::ParseChapterItem(item.path, &item.dvdTitle, drives);
        item.dvdIfo = CDVDMedia::GetIfoFromItem(item.path);
    }
    return item;
}

#include "PlayItem.h"

#include "DVDMedia.h"
#include "MCICD.h"

#include "platform/PathSplit.h"

PlayItem PlayItem::Parse(const QString& text, const platform::DriveTable& drives)
{
    PlayItem item;
    item.path = platform::WithoutQuotes(text);
    const platform::PathParts parts = platform::SplitPath(item.path, drives);
    item.extension = platform::UpperExtension(item.path);
    item.drive = parts.drive;
    item.name = parts.name;
    item.suffix = parts.ext;
    if (item.extension == u".CDA")
        item.cdTrack = CMCICD::TrackOfName(parts.name);
    if (item.extension == u".IFO") {
        item.dvdChapter = CDVDMedia::ChapterOfName(parts.name, &item.dvdTitle);
        item.dvdIfo = CDVDMedia::IfoOfItem(parts);
    }
    return item;
}

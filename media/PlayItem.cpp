#include "PlayItem.h"

#include "DVDMedia.h"
#include "MCICD.h"

#include "platform/PathSplit.h"

#include <QFileInfo>

PlayItem PlayItem::Parse(const QString& text, const platform::DriveTable& drives)
{
    PlayItem item;
    item.path = platform::WithoutQuotes(text);
    // From the file name's last dot; a name that ends in its dot has no extension.
    const QFileInfo info(item.path);
    const QString suffix = info.fileName().contains(u'.') ? info.suffix() : QString();
    item.extension = suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix.toUpper();
    item.drive = drives.DrivePart(item.path);
    if (item.extension == u".CDA")
        item.cdTrack = CMCICD::ParseTrackNumber(item.path);
    if (item.extension == u".IFO") {
        item.dvdChapter = CDVDMedia::ParseChapterItem(item.path, &item.dvdTitle, drives);
        item.dvdIfo = CDVDMedia::GetIfoFromItem(item.path);
    }
    return item;
}

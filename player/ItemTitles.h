#pragma once
// What the display, the list dialog and the menus call an item: a CD track by its number, a DVD
// item by its title and chapter (or the menu the disc shows), a tagged file by its tag's title,
// a copy-controlled disc's program by the disc's kind, anything else by its drive and name.
//
// UI thread only.

#include "ArchiveSource.h"
#include "NetworkSource.h"
#include "PlayerTypes.h"
#include "media/PlayItem.h"
#include "platform/Drives.h"
#include "platform/ipc/MediaCodes.h"

#include <QString>

// Where the titles of the items of a list come from.
struct TitleSources
{
    // The archive the list is read from; null when the list is not an archive's.
    ArchiveSource* archive = nullptr;
    const NetworkSource& network;
    // Where the DVD that plays is: a menu or a title.
    platform::DvdDomain dvdDomain = platform::DvdDomain::kStop;
    // The kind of item that is open.
    ItemKind kind = ItemKind::kNone;
    // Tags are read for titles (otherwise a name keeps its extension).
    bool showTags = true;
};

// `detailed`: for the list rather than the display, tags always read and a DVD item named by
// its title and chapter whatever the disc shows.
QString ItemTitle(const PlayItem& item, bool detailed, const TitleSources& sources);

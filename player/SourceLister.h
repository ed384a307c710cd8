#pragma once
// SourceLister: turns one source into a fresh list of play items. A network address is
// fetched into the cache first and its copy listed; a file that an archive plug-in reads gives
// its members; a folder, an optical drive or a disc image gives what the disc source finds
// there (a disc image that holds no disc the player knows may still be an archive); an M3U
// playlist gives its lines, the folders it names listed in place; a shortcut (.lnk) stands
// alone; any other file is the one item. The item to resume with is current when it is met.
//
// UI thread only; owned by the player controller, which lends it its sources.

#include "ArchiveSource.h"
#include "DiscSource.h"
#include "ItemList.h"
#include "NetworkSource.h"
#include "PlayerTypes.h"
#include "platform/Drives.h"

#include <QString>

class QObject;
class QWidget;

// What a source became: its items, the kind of disc it is (kNone for no disc) and what kind
// of source it was (the kSource* flags).
struct SourceListing
{
    ItemList list;
    ItemKind kind = ItemKind::kNone;
    int flags = 0;
};

class SourceLister
{
public:
    SourceLister(const platform::DriveTable& drives, NetworkSource& network, ArchiveSource& archive,
                 DiscSource& discs);
    SourceLister(const SourceLister&) = delete;
    SourceLister& operator=(const SourceLister&) = delete;

    struct Request
    {
        QString path;
        // Only what a drive holds counts: a drive of ordinary files gives nothing.
        bool driveOnly = false;
        DiscSource::Resume resume;
        // Where the archive plug-ins are.
        QString pluginFolder;
        // A DVD opens for this window, its video in *videoWnd.
        QObject* owner = nullptr;
        QWidget** videoWnd = nullptr;
    };
    SourceListing List(const Request& request);

private:
    // Lists `path` through the archive plug-ins. False when none reads it.
    bool ListArchive(const Request& request, const QString& path, SourceListing& listing);
    void ReadPlaylist(const Request& request, const QString& path, SourceListing& listing);
    bool ListFolder(const Request& request, const QString& path, SourceListing& listing);

    const platform::DriveTable& drives;
    NetworkSource& network;
    ArchiveSource& archive;
    DiscSource& discs;
};

#include "SourceLister.h"

#include "Playlist.h"
#include "platform/PathSplit.h"

#include <QFileInfo>
#include <QStringList>

#include <vector>

namespace {

// Extensions that are never probed as archives.
const QStringList kKnownExtensions = {
    QStringLiteral(".IFO"),  QStringLiteral(".CDA"), QStringLiteral(".MID"), QStringLiteral(".MP3"),
    QStringLiteral(".MPG"),  QStringLiteral(".WMA"), QStringLiteral(".WMV"), QStringLiteral(".AVI"),
    QStringLiteral(".OGG"),  QStringLiteral(".M3U"), QStringLiteral(".LNK"), QStringLiteral(".HTM"),
    QStringLiteral(".HTML"), QStringLiteral(".TXT"), QStringLiteral(".BMP"), QStringLiteral(".JPG"),
    QStringLiteral(".JPEG"), QStringLiteral(".PNG"), QStringLiteral(".EXE"), QStringLiteral(".RM"),
    QStringLiteral(".RAM"),  QStringLiteral(".DAT")};

} // namespace

SourceLister::SourceLister(const platform::DriveTable& driveTable, NetworkSource& networkSource,
                           ArchiveSource& archiveSource, DiscSource& discSource)
    : drives(driveTable), network(networkSource), archive(archiveSource), discs(discSource)
{}

SourceListing SourceLister::List(const Request& request)
{
    SourceListing listing;
    QString p = request.path;
    const QString extension = platform::UpperExtension(p);
    if (NetworkSource::IsAddress(p)) {
        listing.flags |= kSourceDownloaded;
        if (!network.FetchSource(p))
            return listing;
        p = network.SourceCopy();
    }
    listing.list.items = {p};
    listing.list.current = 0;

    const QFileInfo info(p);
    // A disc image stands for its disc; one that holds no disc the player knows may still be
    // read as an archive.
    const bool discImage = info.isFile() && platform::IsDiscImageFile(p);
    const bool archiveCandidate = info.isFile() && !kKnownExtensions.contains(extension);
    if (archiveCandidate && !discImage && ListArchive(request, p, listing)) {
        // The members are the items.
    } else if (p.isEmpty() || !info.exists()) {
        // A disc's track or chapter is kept: its disc may come.
        if (extension != u".IFO" && extension != u".CDA")
            listing.list.Clear();
    } else if (info.isDir() || drives.OpticalDrives().contains(p) || discImage) {
        // A folder, an optical drive, or a disc image standing for one.
        listing.flags |= kSourceFolder;
        listing.list.Clear();
        const bool classified = ListFolder(request, p, listing);
        if (discImage && listing.list.items.isEmpty() && listing.kind == ItemKind::kNone &&
            archiveCandidate && ListArchive(request, p, listing)) {
            listing.flags &= ~kSourceFolder;
        } else if (!classified) {
            listing.list.Clear();
        }
    } else if (extension == u".M3U") {
        listing.flags |= kSourcePlaylist;
        ReadPlaylist(request, p, listing);
    } else if (extension != u".LNK") {
        listing.flags |= kSourceFile;
        listing.list.found = p == request.resume.target;
    }
    return listing;
}

bool SourceLister::ListArchive(const Request& request, const QString& path, SourceListing& listing)
{
    std::vector<platform::ArchiveMember> members;
    switch (archive.List(request.pluginFolder, path, &members)) {
    case platform::ArchiveListing::kNotListed:
        return false;
    case platform::ArchiveListing::kTooMany:
        listing.list.Clear();
        return true;
    case platform::ArchiveListing::kListed:
        break;
    }
    listing.flags |= kSourceArchive;
    // Only this list's members can be the one to resume at.
    listing.list.Clear();
    // A member is named with its folder inside the archive, so members of the same name in
    // different folders stay apart.
    for (const platform::ArchiveMember& member : members)
        listing.list.Append(member.FullName(), request.resume.target);
    return true;
}

bool SourceLister::ListFolder(const Request& request, const QString& path, SourceListing& listing)
{
    return discs.Classify(path, request.driveOnly, request.resume, request.owner, request.videoWnd,
                          listing.list, listing.kind);
}

void SourceLister::ReadPlaylist(const Request& request, const QString& path, SourceListing& listing)
{
    listing.list.Clear();
    for (const PlaylistEntry& entry : ReadPlaylistEntries(path)) {
        if (entry.isFolder)
            ListFolder(request, entry.path, listing);
        else
            listing.list.Append(entry.path, request.resume.target);
    }
}

#include "MediaPlayer.h"

#include "Playlist.h"
#include "Random.h"
#include "platform/PathSplit.h"

#include <QFileInfo>

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

void CMediaPlayer::SetItems(const QStringList& paths, bool driveOnly, const QString& resumeTarget)
{
    Close(false);
    RemoveSourceCopy(paths);
    list.items = paths;
    list.current = list.items.isEmpty() ? -1 : 0;
    direction = WalkDirection::kForward;
    sourceFlags = 0;
    discs.ForgetDiscProgram();

    archive.Forget();

    if (list.items.size() > 1) {
        const qsizetype at = resumeTarget.isEmpty() ? -1 : list.items.indexOf(resumeTarget);
        list.found = at >= 0;
        list.current = list.found ? static_cast<int>(at) : 0;
    } else if (list.items.size() == 1) {
        QString p = list.items.front();
        source = p;
        const QString extension = platform::UpperExtension(p);
        if (NetworkSource::IsAddress(p)) {
            sourceFlags |= kSourceDownloaded;
            list.found = false;
            const bool fetched = network.FetchSource(p);
            list.items.clear();
            list.current = -1;
            if (fetched) {
                p = network.SourceCopy();
                list.items = {p};
            } else {
                p.clear();
            }
        }
        const QFileInfo info(p);
        // A disc image stands for its disc; one that holds no disc the player knows may still be
        // read as an archive.
        const bool discImage = info.isFile() && platform::IsDiscImageFile(p);
        const bool archiveCandidate = info.isFile() && !kKnownExtensions.contains(extension);
        if (archiveCandidate && !discImage && ListArchive(p, resumeTarget)) {
            // The members are the items.
        } else if (p.isEmpty() || !info.exists()) {
            if (extension != u".IFO" && extension != u".CDA") {
                list.Clear();
            }
        } else if (info.isDir() || drives.OpticalDrives().contains(p) || discImage) {
            // A folder, an optical drive, or a disc image standing for one.
            sourceFlags |= kSourceFolder;
            list.items.clear();
            list.current = -1;
            const bool classified = ClassifyFolder(p, driveOnly, resumeTarget);
            if (discImage && list.items.isEmpty() && kind == ItemKind::kNone && archiveCandidate &&
                ListArchive(p, resumeTarget)) {
                sourceFlags &= ~kSourceFolder;
            } else if (!classified) {
                list.Clear();
            }
        } else if (extension == u".M3U") {
            sourceFlags |= kSourcePlaylist;
            ReadPlaylist(p, driveOnly, resumeTarget);
        } else if (extension != u".LNK") {
            sourceFlags |= kSourceFile;
            list.found = p == resumeTarget;
        }
    }

    const int itemCount = static_cast<int>(list.items.size());
    if (random && itemCount > 0) {
        const QStringList copy = list.items;
        CRandom order;
        order.Fill(0, itemCount - 1);
        list.items.clear();
        for (int i = 0; i < itemCount; ++i)
            list.items.append(copy.at(order.Get(i)));
        list.found = false;
    }
    if (!list.found)
        list.current = list.items.isEmpty() ? -1 : 0;
}

bool CMediaPlayer::ListArchive(const QString& path, const QString& resumeTarget)
{
    std::vector<platform::ArchiveMember> members;
    switch (archive.List(displaySettings.pluginFolder, path, &members)) {
    case platform::ArchiveListing::kNotListed:
        return false;
    case platform::ArchiveListing::kTooMany:
        list.Clear();
        return true;
    case platform::ArchiveListing::kListed:
        break;
    }
    sourceFlags |= kSourceArchive;
    // Only this list's members can be the one to resume at.
    list.Clear();
    // A member is named with its folder inside the archive, so members of the same name in
    // different folders stay apart.
    for (const platform::ArchiveMember& member : members)
        list.Append(member.FullName(), resumeTarget);
    return true;
}

bool CMediaPlayer::ClassifyFolder(const QString& path, bool driveOnly, const QString& resumeTarget)
{
    const DiscSource::Resume resume{identity, track, resumeTarget, autoPlay};
    return discs.Classify(path, driveOnly, resume, sourceContext.owner, &videoWnd, list, kind);
}

void CMediaPlayer::ReadPlaylist(const QString& m3uPath, bool driveOnly, const QString& resumeTarget)
{
    list.Clear();
    for (const PlaylistEntry& entry : ReadPlaylistEntries(m3uPath)) {
        if (entry.isFolder) {
            ClassifyFolder(entry.path, driveOnly, resumeTarget);
            continue;
        }
        list.Append(entry.path, resumeTarget);
    }
}

bool CMediaPlayer::CheckDisc(bool act)
{
    bool dataDisc = false;
    const bool present = discs.IsPresent(drive, &dataDisc);
    if (state.Is(PlayerState::kIdle)) {
        if (present || dataDisc) {
            state.Set(PlayerState::kDiscArrived);
            if (autoPlay && act) {
                OpenSource(QString());
                OpenForward(ForwardFrom::kStart);
            }
        }
    } else if (!present && !dataDisc && act) {
        Stop();
        Close(false);
        kind = ItemKind::kNone;
        state.Set(PlayerState::kIdle);
    }
    return present;
}

#include "MediaPlayer.h"

#include "Random.h"
#include "media/PlayItem.h"
#include "platform/Launch.h"
#include "platform/Log.h"
#include "platform/MessageBox.h"
#include "platform/PathSplit.h"
#include "platform/proxy/ArchiveProxy.h"
#include "res/StringTable.h"
#include "skin/ClassicSkin.h"
#include "skin/ClassicSkinArchive.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace {

// Extensions that are never probed as archives.
const QStringList kKnownExtensions = {
    QStringLiteral(".IFO"),  QStringLiteral(".CDA"), QStringLiteral(".MID"), QStringLiteral(".MP3"),
    QStringLiteral(".MPG"),  QStringLiteral(".WMA"), QStringLiteral(".WMV"), QStringLiteral(".AVI"),
    QStringLiteral(".OGG"),  QStringLiteral(".M3U"), QStringLiteral(".LNK"), QStringLiteral(".HTM"),
    QStringLiteral(".HTML"), QStringLiteral(".TXT"), QStringLiteral(".BMP"), QStringLiteral(".JPG"),
    QStringLiteral(".JPEG"), QStringLiteral(".PNG"), QStringLiteral(".EXE"), QStringLiteral(".RM"),
    QStringLiteral(".RAM"),  QStringLiteral(".DAT")};

// Extensions that go to the file engine before the still-image display is tried.
const QStringList kMediaExtensions = {QStringLiteral(".MID"), QStringLiteral(".MP3"), QStringLiteral(".MPG"),
                                      QStringLiteral(".WMA"), QStringLiteral(".WMV"), QStringLiteral(".AVI"),
                                      QStringLiteral(".OGG"), QStringLiteral(".M3U"), QStringLiteral(".LNK")};

} // namespace

CMediaPlayer::CMediaPlayer(platform::DriveTable driveTable)
    : media(driveTable), dvd(driveTable), cd(driveTable), drives(std::move(driveTable))
{
    sourceContext.busy = [this](bool busy) {
        if (busy && busyDepth++ == 0) {
            beforeBusy = state.Get();
            state.Set(PlayerState::kDownloading);
        } else if (!busy && --busyDepth == 0) {
            state.Set(beforeBusy);
        }
    };
    scanner = FolderScanner([this](const QString& path) { return GetVolumeLabel(path); });
}

CMediaPlayer::~CMediaPlayer()
{
    Close(false);
    RemoveSourceCopy();
}

void CMediaPlayer::Init(QObject* ownerWindow, const QString& cache)
{
    sourceContext.owner = ownerWindow;
    network.SetCacheFolder(cache);
    archive.SetCacheFolder(cache);
}

ItemKind CMediaPlayer::GetExtensionKind(const QString& itemPath)
{
    const QString extension = platform::UpperExtension(itemPath);
    if (extension == u".CDA")
        return ItemKind::kCdTrack;
    if (extension == u".IFO")
        return ItemKind::kDvd;
    if (extension == u".DAT")
        return ItemKind::kVideoCd;
    if (extension == u".HTM" || extension == u".HTML" || extension == u".TXT")
        return ItemKind::kDocument;
    if (extension == u".EXE" || extension == u".RM" || extension == u".RAM")
        return ItemKind::kShell;
    // Programs of this system are files that run by themselves.
    if (platform::IsProgramFile(itemPath))
        return ItemKind::kShell;
    return ItemKind::kNone;
}

void CMediaPlayer::ApplyPlaySettings(const PlaySettings& values, bool noReload)
{
    autoPlay = values.autoPlay;
    track = values.track;
    position = values.position;
    identity = values.identity;
    drive = values.drive;
    repeat = values.repeat;
    showTags = values.showTags;
    random = values.random;
    title = values.title;
    chapter = values.chapter;
    dvd.RestoreChapter(values.chapter);
    cccdFirst = values.cccdFirst;
    dvdAudioFirst = values.dvdAudioFirst;
    network.SetKeepDownloads(values.keepDownloads);
    cd.SetDrive(drive);
    if (!noReload) {
        if (values.source != source) {
            OpenSource(values.source, values.currentItem);
        } else if (values.currentItem != currentItem) {
            SelectItem(values.currentItem);
        }
        displayTitle = GetItemTitle(values.currentItem, false);
    }
    source = values.source;
    currentItem = values.currentItem;
}

CMediaPlayer::PlaySettings CMediaPlayer::GetPlaySettings()
{
    drive = cd.GetDrive();
    PlaySettings values;
    values.autoPlay = autoPlay;
    values.track = track;
    values.position = position;
    values.identity = identity;
    values.drive = drive;
    values.source = source;
    values.currentItem = currentItem;
    values.repeat = repeat;
    values.showTags = showTags;
    values.random = random;
    values.title = title;
    values.chapter = dvd.Chapter();
    values.cccdFirst = cccdFirst;
    values.dvdAudioFirst = dvdAudioFirst;
    values.keepDownloads = network.KeepsDownloads();
    return values;
}

void CMediaPlayer::ApplyDisplaySettings(const DisplaySettings& values)
{
    // The picture is taken over by SetBackgroundImage, which keeps the old one when the new
    // one does not load.
    const QString picture = values.backgroundImage;
    const QString current = displaySettings.backgroundImage;
    displaySettings = values;
    displaySettings.backgroundImage = current;
    image.SetPluginFolder(displaySettings.pluginFolder);
    stillWnd.dib.SetPluginFolder(displaySettings.pluginFolder);
    SetBackgroundImage(picture);
    if (!displaySettings.stillWindow)
        stillWnd.Destroy();
}

const QStringList& CMediaPlayer::GetItems(QString* item, QString* sourcePath, int* flags) const
{
    *item = currentItem;
    *sourcePath = source;
    *flags = sourceFlags;
    return items;
}

void CMediaPlayer::OpenSource(const QString& path)
{
    OpenSource(path, currentItem);
}

void CMediaPlayer::OpenSource(const QString& path, const QString& resumeTarget)
{
    // An empty path is the configured drive, and then only what the drive holds counts.
    if (path.isEmpty())
        SetItems({drive}, true, resumeTarget);
    else
        SetItems({path}, false, resumeTarget);
}

bool CMediaPlayer::AppendItem(const QString& path, const QString& resumeTarget)
{
    items.append(path);
    if (path == resumeTarget && !found) {
        found = true;
        current = items.size() - 1;
        return true;
    }
    return false;
}

void CMediaPlayer::SetItems(const QStringList& paths, bool driveOnly, const QString& resumeTarget)
{
    Close(false);
    RemoveSourceCopy(paths);
    items = paths;
    current = items.isEmpty() ? -1 : 0;
    itemCount = items.size();
    direction = WalkDirection::kForward;
    sourceFlags = 0;
    discPlayerMode = false;
    discLauncherMode = false;

    archive.Forget();

    if (items.size() > 1) {
        const qsizetype at = resumeTarget.isEmpty() ? -1 : items.indexOf(resumeTarget);
        found = at >= 0;
        current = found ? static_cast<int>(at) : 0;
    } else if (items.size() == 1) {
        QString p = items.front();
        source = p;
        const QString extension = platform::UpperExtension(p);
        if (NetworkSource::IsAddress(p)) {
            sourceFlags |= kSourceDownloaded;
            found = false;
            const bool fetched = network.FetchSource(p);
            items.clear();
            current = -1;
            if (fetched) {
                p = network.SourceCopy();
                items = {p};
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
                found = false;
                items.clear();
                current = -1;
            }
        } else if (info.isDir() || drives.OpticalDrives().contains(p) || discImage) {
            // A folder, an optical drive, or a disc image standing for one.
            sourceFlags |= kSourceFolder;
            items.clear();
            current = -1;
            const bool classified = ClassifyFolder(p, driveOnly, resumeTarget);
            if (discImage && items.isEmpty() && kind == ItemKind::kNone && archiveCandidate &&
                ListArchive(p, resumeTarget)) {
                sourceFlags &= ~kSourceFolder;
            } else if (!classified) {
                found = false;
                items.clear();
                current = -1;
            }
        } else if (extension == u".M3U") {
            sourceFlags |= kSourcePlaylist;
            ReadPlaylist(p, driveOnly, resumeTarget);
        } else if (extension != u".LNK") {
            sourceFlags |= kSourceFile;
            found = p == resumeTarget;
        }
    }

    itemCount = items.size();
    if (random && itemCount > 0) {
        const QStringList copy = items;
        CRandom order;
        order.Fill(0, itemCount - 1);
        items.clear();
        for (int i = 0; i < itemCount; ++i)
            items.append(copy.at(order.Get(i)));
        found = false;
    }
    if (!found)
        current = items.isEmpty() ? -1 : 0;
}

bool CMediaPlayer::ListArchive(const QString& path, const QString& resumeTarget)
{
    std::vector<platform::ArchiveMember> members;
    switch (archive.List(displaySettings.pluginFolder, path, &members)) {
    case platform::ArchiveListing::kNotListed:
        return false;
    case platform::ArchiveListing::kTooMany:
        items.clear();
        current = -1;
        found = false;
        return true;
    case platform::ArchiveListing::kListed:
        break;
    }
    sourceFlags |= kSourceArchive;
    items.clear();
    current = -1;
    // Only this list's members can be the one to resume at.
    found = false;
    // A member is named with its folder inside the archive, so members of the same name in
    // different folders stay apart.
    for (const platform::ArchiveMember& member : members)
        AppendItem(member.FullName(), resumeTarget);
    return true;
}

bool CMediaPlayer::LocalCopy(QString& itemPath)
{
    if ((sourceFlags & kSourceArchive) && archive.IsOpen()) {
        const QString extracted = archive.Extract(itemPath);
        if (extracted.isEmpty())
            return false;
        itemPath = extracted;
        return true;
    }
    if (NetworkSource::IsAddress(itemPath)) {
        sourceFlags |= kItemDownloaded;
        const bool fetched = network.FetchItem(itemPath);
        itemPath = network.ItemCopy();
        return fetched;
    }
    sourceFlags &= ~kItemDownloaded;
    return true;
}

bool CMediaPlayer::LoadImage(CDib& dib, const QString& path)
{
    // A folder holds a classic skin's bitmaps; displaySettings.folderImage puts its main panel first.
    if (QFileInfo(path).isDir())
        return ComposeClassicSkin(dib, path, displaySettings.folderImage);
    // A .wsz file is such a skin in a zip.
    if (IsClassicSkinArchive(path))
        return ComposeClassicSkinArchive(dib, path, archive.Access(), displaySettings.pluginFolder,
                                         displaySettings.folderImage);
    return dib.Load(path);
}

ItemKind CMediaPlayer::ShowImage(const QString& path)
{
    if (displaySettings.stillWindow) {
        if (LoadImage(stillWnd.dib, path)) {
            stillWnd.Show();
            found = false;
            return ItemKind::kStillImage;
        }
        stillWnd.Destroy();
        return ItemKind::kNone;
    }
    if (LoadImage(image, path)) {
        if (auto* window = sourceContext.Window())
            window->update();
        found = false;
        return ItemKind::kStillImage;
    }
    if (!displaySettings.backgroundImage.isEmpty())
        LoadImage(image, displaySettings.backgroundImage);
    else
        image.Clear();
    if (auto* window = sourceContext.Window())
        window->update();
    return ItemKind::kNone;
}

bool CMediaPlayer::SetBackgroundImage(const QString& path)
{
    if (path.isEmpty()) {
        image.Clear();
        displaySettings.backgroundImage.clear();
        return true;
    }
    const bool loaded = LoadImage(image, path);
    if (loaded) {
        displaySettings.backgroundImage = path;
    } else if (!displaySettings.backgroundImage.isEmpty()) {
        LoadImage(image, displaySettings.backgroundImage);
    }
    if (auto* window = sourceContext.Window())
        window->update();
    if (kind == ItemKind::kStillImage && !currentItem.isEmpty())
        OpenItem(currentItem, false, &videoWnd);
    return loaded;
}

ItemKind CMediaPlayer::Launch(const QString& path)
{
    if (!sourceContext.owner)
        return ItemKind::kNone;
    // An item that has gone since the list was made is not handed to the desktop, which would
    // only complain about it: it is passed over like any item nothing takes.
    if (!NetworkSource::IsAddress(path) && !QFileInfo::exists(path))
        return ItemKind::kNone;
    // What a download or an archive brings is media only: a list fetched from an address may
    // name any program of this machine, and a page it names would go to the desktop's opener.
    if (openingRemote) {
        qCWarning(lcMedia).noquote() << "passed over: came from a download or an archive, not started:"
                                     << path;
        return ItemKind::kNone;
    }
    // A program that a list, a folder or a disc names (rather than the user, as the source
    // itself) starts only when the user says yes to it.
    const bool program = platform::IsProgramFile(path) || platform::UpperExtension(path) == u".EXE";
    if (program && path != source &&
        platform::ShowMessageBox(sourceContext.Window(), res::LoadString(res::kStrConfirmStart).arg(path),
                                 platform::kMbYesNo) != platform::kIdYes) {
        qCInfo(lcMedia).noquote() << "not started, the user said no:" << path;
        return ItemKind::kNone;
    }
    if (!platform::Launch(path))
        return ItemKind::kNone;
    // A disc's own player or launcher is started and left to run: its windows are its own.
    if (discPlayerMode)
        return ItemKind::kDiscPlayer;
    return discLauncherMode ? ItemKind::kDiscLauncher : ItemKind::kShell;
}

void CMediaPlayer::ResumeOrRewind(CMedia& engine)
{
    if (found) {
        engine.Seek(position, title);
        found = false;
    } else {
        position = 0;
    }
}

ItemKind CMediaPlayer::OpenItem(const QString& path, bool start, QWidget** window)
{
    PlayItem item = PlayItem::Parse(path, drives);
    QString itemPath = item.path;
    const QString extension = item.extension;
    counter = 0;
    displayTitle.clear();
    // Taken before the item becomes its local copy: what came from outside stays media only.
    openingRemote =
        (sourceFlags & (kSourceArchive | kSourceDownloaded)) != 0 || NetworkSource::IsAddress(itemPath);
    ItemKind result = GetExtensionKind(itemPath);

    if (result == ItemKind::kCdTrack) {
        if (kind == ItemKind::kCdTrack && cd.IsSameDrive(itemPath)) {
            track = item.cdTrack;
            identity = cd.GetIdentity();
            if (found)
                found = false;
            else
                position = 0;
        } else {
            Close(false);
            if (cd.OpenDisc(sourceContext.owner, itemPath, true)) {
                state.Set(PlayerState::kOpened);
                track = item.cdTrack;
                drive = cd.GetDrive();
                identity = cd.GetIdentity();
                cd.PauseDevice();
                if (found)
                    found = false;
                else
                    position = 0;
            } else {
                Close(false);
            }
        }
        displayTitle = GetItemTitle(itemPath, false);
    } else {
        bool needClose = true;
        if (result == ItemKind::kDvd && kind == ItemKind::kDvd && dvd.IsSameDrive(itemPath))
            needClose = false;
        if (sourceFlags & (kSourceArchive | kSourceDownloaded))
            needClose = false;
        if (kind != ItemKind::kStillImage && needClose)
            Close(false);
        // An archive member or a network item that could not be made a file is not opened.
        if (!LocalCopy(itemPath)) {
            // What was open before (kept for an archive or a still image) ends too.
            if (kind != ItemKind::kNone)
                Close(false);
            return ItemKind::kNone;
        }
        if (itemPath != item.path)
            item = PlayItem::Parse(itemPath, drives); // the local copy is what is opened
        displayTitle = GetItemTitle(itemPath, false);

        if (!displaySettings.directShowFirst && result == ItemKind::kNone &&
            !kMediaExtensions.contains(extension))
            result = ShowImage(itemPath);

        bool done = false;
        switch (result) {
        case ItemKind::kStillImage:
            done = true;
            break;
        case ItemKind::kDvd: {
            dvdDrive = item.drive;
            identity = GetVolumeLabel(itemPath);
            bool open = !needClose;
            if (needClose && dvd.OpenMedia(sourceContext.owner, item.dvdIfo, window)) {
                state.Set(PlayerState::kOpened);
                drive = item.drive;
                open = true;
            }
            title = item.dvdTitle;
            chapter = item.dvdChapter;
            dvd.PlayChapter(chapter, true, title);
            if (open)
                ResumeOrRewind(dvd);
            done = true;
            break;
        }
        case ItemKind::kVideoCd:
            identity = GetVolumeLabel(itemPath);
            if (media.OpenMedia(sourceContext.owner, itemPath, window)) {
                state.Set(PlayerState::kOpened);
                drive = item.drive;
                ResumeOrRewind(media);
            }
            done = true;
            break;
        case ItemKind::kDocument:
            result = Launch(itemPath);
            done = true;
            break;
        case ItemKind::kShell:
            if (items.size() == 1) {
                result = Launch(itemPath);
                done = true;
            }
            break;
        default:
            break;
        }
        if (!done) {
            if (kind == ItemKind::kDiscPlayer && result == ItemKind::kNone)
                result = Launch(itemPath);
            if (result != ItemKind::kDiscPlayer && result != ItemKind::kDiscLauncher) {
                if (media.OpenMedia(sourceContext.owner, itemPath, window)) {
                    result = ItemKind::kMediaFile;
                    state.Set(PlayerState::kOpened);
                    ResumeOrRewind(media);
                } else if (result == ItemKind::kNone) {
                    result = ShowImage(itemPath);
                    if (result == ItemKind::kNone)
                        result = Launch(itemPath);
                }
            }
        }
    }

    if (start) {
        if (kind == ItemKind::kStillImage && result != ItemKind::kStillImage) {
            Close(true);
            playing = false;
        }
        if (result != ItemKind::kNone) {
            playing = true;
            Play(result);
        }
    }
    return result;
}

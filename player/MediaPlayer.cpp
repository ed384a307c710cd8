#include "MediaPlayer.h"

#include "platform/Folders.h"

#include "ItemLaunch.h"
#include "ItemTitles.h"
#include "Random.h"
#include "media/PlayItem.h"
#include "platform/Launch.h"
#include "platform/PathSplit.h"

namespace {

// Extensions that go to the file engine before the still-image display is tried.
const QStringList kMediaExtensions = {QStringLiteral(".MID"), QStringLiteral(".MP3"), QStringLiteral(".MPG"),
                                      QStringLiteral(".WMA"), QStringLiteral(".WMV"), QStringLiteral(".AVI"),
                                      QStringLiteral(".OGG"), QStringLiteral(".M3U"), QStringLiteral(".LNK")};

} // namespace

CMediaPlayer::CMediaPlayer(platform::DriveTable driveTable) : drives(std::move(driveTable))
{
    sourceContext.busy = [this](bool busy) {
        if (busy && busyDepth++ == 0) {
            beforeBusy = state.Get();
            state.Set(PlayerState::kDownloading);
        } else if (!busy && --busyDepth == 0) {
            state.Set(beforeBusy);
        }
    };
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
    pictures.SetDecodedFolder(platform::DecodedPicturesFolder());
}

ItemKind CMediaPlayer::GetExtensionKind(const QString& itemPath)
{
    return GetExtensionKind(PlayItem::Parse(itemPath, platform::DriveTable()));
}

ItemKind CMediaPlayer::GetExtensionKind(const PlayItem& item)
{
    const QString& extension = item.extension;
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
    if (platform::IsProgramFile(item.path))
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
    engines.Dvd().RestoreChapter(values.chapter);
    discs.SetOptions({values.cccdFirst, values.dvdAudioFirst});
    network.SetKeepDownloads(values.keepDownloads);
    engines.Cd().SetDrive(drive);
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
    drive = engines.Cd().GetDrive();
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
    values.chapter = engines.Dvd().Chapter();
    values.cccdFirst = discs.GetOptions().cccdFirst;
    values.dvdAudioFirst = discs.GetOptions().dvdAudioFirst;
    values.keepDownloads = network.KeepsDownloads();
    return values;
}

void CMediaPlayer::ApplyDisplaySettings(const DisplaySettings& values)
{
    displaySettings = values;
    pictures.SetOptions({values.pluginFolder, values.folderImage, values.stillWindow});
    // The picture is taken over by SetBackgroundImage, which keeps the old one when the new
    // one does not load.
    SetBackgroundImage(values.backgroundImage);
}

CMediaPlayer::DisplaySettings CMediaPlayer::GetDisplaySettings() const
{
    DisplaySettings values = displaySettings;
    values.backgroundImage = pictures.BackgroundPath();
    return values;
}

const QStringList& CMediaPlayer::GetItems(QString* item, QString* sourcePath, int* flags) const
{
    *item = currentItem;
    *sourcePath = source;
    *flags = sourceFlags;
    return list.items;
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

void CMediaPlayer::SetItems(const QStringList& paths, bool driveOnly, const QString& resumeTarget)
{
    Close(false);
    RemoveSourceCopy(paths);
    direction = WalkDirection::kForward;
    discs.ForgetDiscProgram();
    archive.Forget();

    if (paths.size() == 1) {
        source = paths.front();
        SourceListing listing = lister.List({source,
                                             driveOnly,
                                             {identity, track, resumeTarget, autoPlay},
                                             displaySettings.pluginFolder,
                                             sourceContext.owner,
                                             &videoWnd});
        list = std::move(listing.list);
        kind = listing.kind;
        sourceFlags = listing.flags;
    } else {
        // The items themselves.
        const qsizetype at = resumeTarget.isEmpty() ? -1 : paths.indexOf(resumeTarget);
        list = ItemList{paths, at >= 0 ? static_cast<int>(at) : 0, at >= 0};
        sourceFlags = 0;
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

ItemKind CMediaPlayer::ShowImage(const QString& path)
{
    if (!pictures.Show(path))
        return ItemKind::kNone;
    list.found = false;
    return ItemKind::kStillImage;
}

bool CMediaPlayer::SetBackgroundImage(const QString& path)
{
    const bool loaded = pictures.SetBackground(path);
    if (!path.isEmpty() && kind == ItemKind::kStillImage && !currentItem.isEmpty())
        OpenItem(currentItem, false, &videoWnd);
    return loaded;
}

QString CMediaPlayer::GetItemTitle(const QString& itemPath, bool detailed)
{
    return TitleOf(PlayItem::Parse(itemPath, drives), detailed);
}

QString CMediaPlayer::TitleOf(const PlayItem& item, bool detailed)
{
    const TitleSources sources{(sourceFlags & kSourceArchive) ? &archive : nullptr, network,
                               engines.Dvd().GetDomain(), kind, showTags};
    return ItemTitle(item, detailed, sources);
}

ItemKind CMediaPlayer::Launch(const QString& path)
{
    if (!sourceContext.owner || !LaunchItem(path, {sourceContext.Window(), openingRemote, path == source}))
        return ItemKind::kNone;
    // A disc's own player or launcher is started and left to run: its windows are its own.
    if (discs.DiscPlayerMode())
        return ItemKind::kDiscPlayer;
    return discs.DiscLauncherMode() ? ItemKind::kDiscLauncher : ItemKind::kShell;
}

void CMediaPlayer::ResumeOrRewind(CMedia& engine)
{
    if (list.found) {
        engine.Seek(position, title);
        list.found = false;
    } else {
        position = 0;
    }
}

ItemKind CMediaPlayer::OpenItem(const QString& path, bool start, QWidget** window)
{
    CMCICD& cd = engines.Cd();
    CDVDMedia& dvd = engines.Dvd();
    CMedia& media = engines.File();
    PlayItem item = PlayItem::Parse(path, drives);
    QString itemPath = item.path;
    const QString extension = item.extension;
    counter = 0;
    displayTitle.clear();
    // Taken before the item becomes its local copy: what came from outside stays media only.
    openingRemote =
        (sourceFlags & (kSourceArchive | kSourceDownloaded)) != 0 || NetworkSource::IsAddress(itemPath);
    ItemKind result = GetExtensionKind(item);

    if (result == ItemKind::kCdTrack) {
        if (kind == ItemKind::kCdTrack && cd.IsSameDrive(item)) {
            track = item.cdTrack;
            identity = cd.GetIdentity();
            if (list.found)
                list.found = false;
            else
                position = 0;
        } else {
            Close(false);
            if (cd.OpenDisc(sourceContext.owner, itemPath, true)) {
                state.Set(PlayerState::kOpened);
                track = item.cdTrack;
                drive = engines.Cd().GetDrive();
                identity = cd.GetIdentity();
                cd.PauseDevice();
                if (list.found)
                    list.found = false;
                else
                    position = 0;
            } else {
                Close(false);
            }
        }
        displayTitle = TitleOf(item, false);
    } else {
        bool needClose = true;
        if (result == ItemKind::kDvd && kind == ItemKind::kDvd && dvd.IsSameDrive(item))
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
        displayTitle = TitleOf(item, false);

        if (!displaySettings.directShowFirst && result == ItemKind::kNone &&
            !kMediaExtensions.contains(extension))
            result = ShowImage(itemPath);

        bool done = false;
        switch (result) {
        case ItemKind::kStillImage:
            done = true;
            break;
        case ItemKind::kDvd: {
            identity = discs.VolumeLabel(itemPath);
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
            identity = discs.VolumeLabel(itemPath);
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
            if (list.items.size() == 1) {
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

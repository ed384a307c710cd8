#include "MediaPlayer.h"

#include "platform/ProgramEnding.h"
#include "res/StringTable.h"

#include <QFile>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <utility>

void CMediaPlayer::SuppressScreenSaver(bool on)
{
    if (on) {
        screenSaverSuppressed =
            screenSaver.Inhibit(QStringLiteral("Sorlin"), QStringLiteral("video playing"));
    } else if (screenSaverSuppressed) {
        screenSaver.Release();
        screenSaverSuppressed = false;
    }
}

bool CMediaPlayer::Play(ItemKind k)
{
    if (k == ItemKind::kNone) {
        k = kind;
        if (kind == ItemKind::kNone) {
            OpenSource(source, currentItem);
            return OpenForward(ForwardFrom::kStart);
        }
    }
    bool result = false;
    switch (k) {
    case ItemKind::kCdTrack:
        cd.PauseDevice();
        result = cd.PlayTrack(track, position);
        break;
    case ItemKind::kDvd:
        SuppressScreenSaver(true);
        result = dvd.Play();
        break;
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        SuppressScreenSaver(true);
        result = media.Play();
        break;
    case ItemKind::kDiscPlayer:
    case ItemKind::kStillImage:
    case ItemKind::kShell:
    case ItemKind::kDiscLauncher:
        state.Set(PlayerState::kPlaying);
        return true;
    default:
        return false;
    }
    if (result)
        state.Set(PlayerState::kPlaying);
    return result;
}

void CMediaPlayer::Pause()
{
    switch (kind) {
    case ItemKind::kCdTrack:
        cd.PauseDevice();
        break;
    case ItemKind::kDvd:
        SuppressScreenSaver(false);
        dvd.Pause();
        break;
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        SuppressScreenSaver(false);
        media.Pause();
        break;
    default:
        break;
    }
    state.Set(PlayerState::kPaused);
}

void CMediaPlayer::Stop()
{
    switch (kind) {
    case ItemKind::kCdTrack:
        cd.StopIfActive();
        break;
    case ItemKind::kDvd:
        SuppressScreenSaver(false);
        dvd.Stop();
        dvd.SetFullScreen(false, true);
        break;
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        SuppressScreenSaver(false);
        media.Stop();
        media.SetFullScreen(false, true);
        break;
    default:
        break;
    }
    state.Set(PlayerState::kStopped);
    ShowCursor(false);
}

void CMediaPlayer::RemoveTemporaryFiles()
{
    if ((sourceFlags & kItemDownloaded) && !network.ItemCopy().isEmpty()) {
        sourceFlags &= ~kItemDownloaded;
        network.DropItemCopy();
    }
    if (sourceFlags & kSourceArchive)
        archive.DropExtracted();
}

void CMediaPlayer::RemoveSourceCopy(const QStringList& nextPaths)
{
    if ((sourceFlags & kSourceDownloaded) && !network.SourceCopy().isEmpty()) {
        sourceFlags &= ~kSourceDownloaded;
        network.DropSourceCopy(nextPaths);
    }
}

void CMediaPlayer::Close(bool keepKind)
{
    switch (kind) {
    case ItemKind::kCdTrack:
        cd.CloseDisc();
        break;
    case ItemKind::kDvd:
        SuppressScreenSaver(false);
        dvd.SetFullScreen(false, true);
        dvd.Close();
        break;
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        SuppressScreenSaver(false);
        media.SetFullScreen(false, true);
        media.Close();
        break;
    case ItemKind::kStillImage:
        stillWnd.Destroy();
        if (!displaySettings.backgroundImage.isEmpty() && LoadImage(image, displaySettings.backgroundImage)) {
            if (auto* window = sourceContext.Window())
                window->update();
        }
        break;
    default:
        break;
    }
    // Also after an item that failed to open: its copy was made all the same.
    RemoveTemporaryFiles();
    if (!keepKind) {
        kind = ItemKind::kNone;
        state.Set(PlayerState::kClosed);
    }
}

void CMediaPlayer::Forget()
{
    RemoveSourceCopy();
    source.clear();
    items.clear();
    current = -1;
    currentItem.clear();
}

void CMediaPlayer::Eject()
{
    if (state.IsNot(PlayerState::kIdle)) {
        Stop();
        Close(false);
        kind = ItemKind::kNone;
        state.Set(PlayerState::kIdle);
    }
    bool doorOpen = false;
    cd.ToggleDoor(&doorOpen);
    playing = doorOpen;
    if (autoPlay && !doorOpen) {
        OpenSource(source);
        OpenForward(ForwardFrom::kStart);
    }
}

bool CMediaPlayer::WalkForward()
{
    // Once the program is ending no further item is tried: each would only fail.
    while (current >= 0 && current < items.size() && !platform::ProgramEnding()) {
        currentItem = items.at(current);
        kind = OpenItem(currentItem, true, &videoWnd);
        if (kind != ItemKind::kNone)
            return true;
        ++current;
    }
    current = -1;
    return false;
}

bool CMediaPlayer::WalkBackward()
{
    while (current >= 0 && current < items.size() && !platform::ProgramEnding()) {
        currentItem = items.at(current);
        kind = OpenItem(currentItem, true, &videoWnd);
        if (kind != ItemKind::kNone)
            return true;
        --current;
    }
    current = -1;
    return false;
}

bool CMediaPlayer::OpenForward(ForwardFrom from, const QString& target)
{
    if (from == ForwardFrom::kStart) {
        if (!found)
            current = items.isEmpty() ? -1 : 0;
    } else if (from == ForwardFrom::kTarget) {
        current = items.indexOf(target);
    } else {
        if (current < 0) {
            current = items.isEmpty() ? -1 : 0;
        } else if (current + 1 < items.size()) {
            ++current;
        } else {
            if (kind != ItemKind::kDvd)
                Close(false);
            return false;
        }
    }
    direction = WalkDirection::kForward;
    return WalkForward();
}

bool CMediaPlayer::OpenBackward(BackwardFrom from)
{
    if (from == BackwardFrom::kLastItem) {
        current = items.size() - 1;
        itemCount = items.size();
        itemCountAtLast = items.size();
        direction = WalkDirection::kBackward;
    } else if (current < 0) {
        current = items.size() - 1;
    } else if (current > 0) {
        --current;
    } else {
        Close(false);
        return false;
    }
    return WalkBackward();
}

void CMediaPlayer::SelectItem(const QString& itemPath)
{
    OpenForward(ForwardFrom::kTarget, itemPath);
}

void CMediaPlayer::Next()
{
    if (kind == ItemKind::kDiscPlayer || kind == ItemKind::kDiscLauncher)
        return;
    if (!OpenForward(ForwardFrom::kNextItem)) {
        current = -1;
        if (repeat) {
            track = 0;
            currentItem.clear();
            OpenForward(ForwardFrom::kNextItem);
        } else {
            track = 1;
            position = 0;
        }
    }
    playing = false;
}

void CMediaPlayer::Previous()
{
    if (kind == ItemKind::kDiscPlayer || kind == ItemKind::kDiscLauncher)
        return;
    if (!OpenBackward(BackwardFrom::kPreviousItem) && repeat) {
        current = -1;
        track = 0;
        currentItem.clear();
        counter = 0;
        OpenBackward(BackwardFrom::kPreviousItem);
    }
    playing = false;
}

void CMediaPlayer::Navigate(NavigationKey key, double step)
{
    switch (kind) {
    case ItemKind::kCdTrack:
        cd.Skip(step);
        break;
    case ItemKind::kDvd:
        dvd.MenuKey(key, step);
        break;
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        media.SetRate(step);
        break;
    default:
        break;
    }
}

int CMediaPlayer::GetPosition()
{
    switch (kind) {
    case ItemKind::kCdTrack:
        position = cd.GetTrackPosition(&track);
        break;
    case ItemKind::kDvd: {
        position = dvd.FollowLocation();
        // The list follows the disc when it moves to another chapter by itself.
        const QString name = dvd.BuildItemName(dvd.Title(), dvd.Chapter());
        if (name != currentItem) {
            const int at = items.indexOf(name);
            if (at >= 0 && at != current) {
                current = at;
                currentItem = name;
            }
        }
        break;
    }
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        position = media.GetPosition();
        break;
    default:
        position = counter;
        break;
    }
    return position;
}

QString CMediaPlayer::DisplayWhileWaiting() const
{
    return displayLines.WhileWaiting(state.IsLoaded(), state.IsPlaying());
}

QString CMediaPlayer::ScrollTitle(const QString& titleText, int width)
{
    return displayLines.Scroll(titleText, width, &counter);
}

void CMediaPlayer::EndOfList(bool* stopAtEnd, bool backwards)
{
    if (!*stopAtEnd && repeat) {
        current = -1;
        track = 0;
        currentItem.clear();
        counter = 0;
        if (backwards)
            OpenBackward(BackwardFrom::kPreviousItem);
        else
            OpenForward(ForwardFrom::kNextItem);
    }
    playing = false;
    if (*stopAtEnd) {
        Close(false);
        *stopAtEnd = false;
    }
}

bool CMediaPlayer::PassFailedItem(bool* stopAtEnd)
{
    // The engine closed its graph on an error: the item is over, as at its end, and the list
    // goes on; a stopped engine, or one the user closed, ends the play instead.
    media.TakeChanged();
    dvd.TakeChanged();
    if (!OpenForward(ForwardFrom::kNextItem))
        EndOfList(stopAtEnd, false);
    return true;
}

bool CMediaPlayer::Tick(QString* display, bool* stopAtEnd, bool pollDisc, int width)
{
    if (pollDisc)
        CheckDisc(true);
    switch (kind) {
    case ItemKind::kCdTrack: {
        if (cd.TrackEnded() == TrackEnd::kCompleted) {
            cd.ResetTrackEnded();
            if (!OpenForward(ForwardFrom::kNextItem) && !*stopAtEnd) {
                current = -1;
                if (!repeat) {
                    track = 1;
                    position = 0;
                } else {
                    track = 0;
                    currentItem.clear();
                    OpenForward(ForwardFrom::kNextItem);
                }
            }
            playing = false;
            *stopAtEnd = false;
            return true;
        }
        if (cd.TrackEnded() == TrackEnd::kInterrupted)
            cd.ResetTrackEnded();
        else if (cd.GetState() == CdState::kPlaying) {
            int t = -1;
            const int pos = cd.GetTrackPosition(&t);
            if (t == -1) {
                CheckDisc(true);
            } else if (cd.IsInTrack(t, pos)) {
                position = pos;
                track = t;
                *display = displayLines.Make(res::kStrTrackFormat, QString::number(t), pos);
            }
        }
        return false;
    }
    case ItemKind::kDvd: {
        if (!dvd.State().IsLoaded()) {
            if (dvd.TakeFailed())
                return PassFailedItem(stopAtEnd);
            state.Set(PlayerState::kIdle);
            return false;
        }
        dvd.HandleGraphEvent();
        const bool changed = dvd.TakeChanged();
        const bool inTitle = dvd.GetDomain() == platform::DvdDomain::kTitle;
        if (inTitle)
            userNavigated = false;
        if (changed && !userNavigated && !inTitle && repeat && dvd.Title() != 0 && dvd.Chapter() != 0) {
            title = 0;
            chapter = 0;
        }
        if (changed) {
            if ((dvd.Title() != title || dvd.Chapter() != chapter) && !userNavigated) {
                bool moved = false;
                if (random || (!inTitle && repeat))
                    moved = OpenForward(ForwardFrom::kNextItem);
                else
                    moved = OpenForward(ForwardFrom::kTarget, dvd.BuildItemName(dvd.Title(), dvd.Chapter()));
                if (!moved)
                    EndOfList(stopAtEnd, false);
                return true;
            }
        }
        const int ms = state.Is(PlayerState::kNone) ? 0 : GetPosition();
        displayTitle = GetItemTitle(currentItem, false);
        *display = displayLines.Make(res::kStrScrolledTitleFormat, ScrollTitle(displayTitle, width), ms) +
                   PlayerDisplay::RateText(dvd.GetRate());
        return false;
    }
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile: {
        if (!media.State().IsLoaded()) {
            if (media.TakeFailed())
                return PassFailedItem(stopAtEnd);
            state.Set(PlayerState::kIdle);
            return false;
        }
        media.HandleGraphEvent();
        if (media.TakeChanged()) {
            if (!OpenForward(ForwardFrom::kNextItem))
                EndOfList(stopAtEnd, false);
            return true;
        }
        *display =
            displayLines.Make(res::kStrTitleTimeFormat, ScrollTitle(displayTitle, width), GetPosition()) +
            PlayerDisplay::RateText(media.GetRate());
        return false;
    }
    case ItemKind::kStillImage:
    case ItemKind::kShell:
    case ItemKind::kDocument:
    case ItemKind::kDiscLauncher:
    case ItemKind::kDiscPlayer: {
        if (state.IsNot(PlayerState::kPlaying))
            return false;
        bool changed = false;
        if (displaySettings.waitTime != 0) {
            if (counter < displaySettings.waitTime) {
                ++counter;
            } else {
                const bool backwards = direction != WalkDirection::kForward;
                const bool moved = backwards ? OpenBackward(BackwardFrom::kPreviousItem)
                                             : OpenForward(ForwardFrom::kNextItem);
                if (!moved)
                    EndOfList(stopAtEnd, backwards);
                changed = true;
            }
        }
        *display = displayLines.Make(res::kStrTitleTimeFormat, displayTitle, counter * 1000);
        return changed;
    }
    default:
        return false;
    }
}

void CMediaPlayer::HandleGraphEvent()
{
    if (kind == ItemKind::kDvd)
        dvd.HandleGraphEvent();
    else if (kind == ItemKind::kVideoCd || kind == ItemKind::kMediaFile)
        media.HandleGraphEvent();
}

bool CMediaPlayer::Seek(int ms)
{
    if (kind == ItemKind::kDvd)
        return dvd.Seek(ms, title);
    if (kind == ItemKind::kVideoCd || kind == ItemKind::kMediaFile)
        return media.Seek(ms, title);
    return false;
}

void CMediaPlayer::SetFullScreen(bool on)
{
    media.SetFullScreen(on, false);
    dvd.SetFullScreen(on, false);
}

bool CMediaPlayer::IsFullScreen()
{
    if (kind == ItemKind::kDvd)
        return dvd.IsFullScreen();
    if (kind == ItemKind::kVideoCd || kind == ItemKind::kMediaFile)
        return media.IsFullScreen();
    return false;
}

void CMediaPlayer::ShowCursor(bool hide)
{
    // The cursor hides over the video window of the engine that plays, a disc's or a file's;
    // it comes back over both.
    const bool dvdPlays = kind == ItemKind::kDvd;
    const bool filePlays = kind == ItemKind::kVideoCd || kind == ItemKind::kMediaFile;
    dvd.HideCursor(hide && dvdPlays);
    media.HideCursor(hide && filePlays);
}

void CMediaPlayer::SetVolume(long level)
{
    if (kind == ItemKind::kDvd)
        dvd.SetVolume(level);
    else if (kind == ItemKind::kVideoCd || kind == ItemKind::kMediaFile)
        media.SetVolume(level);
}

void CMediaPlayer::PlayTitle(int step)
{
    if (kind == ItemKind::kDvd)
        dvd.PlayTitle(step, false);
}

void CMediaPlayer::ShowMenu(platform::DvdMenu menu)
{
    if (kind == ItemKind::kDvd) {
        userNavigated = true;
        dvd.ShowMenu(menu);
    }
}

void CMediaPlayer::PointerAction(PointerEvent event, int x, int y)
{
    if (kind == ItemKind::kDvd) {
        userNavigated = true;
        dvd.PointerAction(event, x, y);
    }
}

unsigned long CMediaPlayer::GetValidUops() const
{
    return kind == ItemKind::kDvd ? dvd.GetValidUops() : 0;
}

void CMediaPlayer::GetAudioStreams(QStringList* names, unsigned* count, unsigned long* currentStream)
{
    *count = 0;
    if (kind == ItemKind::kDvd)
        dvd.GetAudioStreams(names, count, currentStream);
}

void CMediaPlayer::GetSubpictureStreams(QStringList* names, unsigned* count, unsigned long* currentStream,
                                        bool* disabled)
{
    *count = 0;
    if (kind == ItemKind::kDvd)
        dvd.GetSubpictureStreams(names, count, currentStream, disabled);
}

void CMediaPlayer::GetAngles(QStringList* names, unsigned* count, int* currentAngle)
{
    *count = 0;
    if (kind == ItemKind::kDvd)
        dvd.GetAngles(names, count, currentAngle);
}

void CMediaPlayer::GetFilterNames(QStringList* names, int* count)
{
    if (kind == ItemKind::kDvd)
        dvd.GetFilterNames(names, count);
    else if (kind == ItemKind::kVideoCd || kind == ItemKind::kMediaFile)
        media.GetFilterNames(names, count);
}

void CMediaPlayer::ShowFilterProperties(int n)
{
    // The properties menu lists a media file's elements as well as a DVD's.
    if (kind == ItemKind::kDvd)
        dvd.ShowFilterProperties(n);
    else if (kind == ItemKind::kVideoCd || kind == ItemKind::kMediaFile)
        media.ShowFilterProperties(n);
}

// The DVD engine keeps both choices for the next disc it opens, also while another kind plays.
void CMediaPlayer::SetDecodeMode(int flags)
{
    dvd.SetDecodeMode(flags);
}

void CMediaPlayer::SetClosedCaption(bool on)
{
    dvd.SetClosedCaption(on);
}

#include "MediaPlayer.h"

#include "platform/ProgramEnding.h"
#include "res/StringTable.h"

bool CMediaPlayer::Play(ItemKind k)
{
    if (k == ItemKind::kNone) {
        k = kind;
        if (kind == ItemKind::kNone) {
            OpenSource(source, currentItem);
            return OpenForward(ForwardFrom::kStart);
        }
    }
    switch (k) {
    case ItemKind::kDiscPlayer:
    case ItemKind::kStillImage:
    case ItemKind::kShell:
    case ItemKind::kDiscLauncher:
        // Shown or started when it opened.
        state.Set(PlayerState::kPlaying);
        return true;
    default:
        break;
    }
    const bool result = engines.Play(k, track, position);
    if (result)
        state.Set(PlayerState::kPlaying);
    return result;
}

void CMediaPlayer::Pause()
{
    engines.Pause(kind);
    state.Set(PlayerState::kPaused);
}

void CMediaPlayer::Stop()
{
    engines.Stop(kind);
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
    if (kind == ItemKind::kStillImage)
        pictures.EndPicture();
    else
        engines.Close(kind);
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
    list.items.clear();
    list.current = -1;
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
    engines.Cd().ToggleDoor(&doorOpen);
    playing = doorOpen;
    if (autoPlay && !doorOpen) {
        OpenSource(source);
        OpenForward(ForwardFrom::kStart);
    }
}

bool CMediaPlayer::Walk(int step)
{
    // Once the program is ending no further item is tried: each would only fail.
    while (list.current >= 0 && list.current < list.items.size() && !platform::ProgramEnding()) {
        currentItem = list.items.at(list.current);
        kind = OpenItem(currentItem, true, &videoWnd);
        if (kind != ItemKind::kNone)
            return true;
        list.current += step;
    }
    list.current = -1;
    return false;
}

bool CMediaPlayer::OpenForward(ForwardFrom from, const QString& target)
{
    if (from == ForwardFrom::kStart) {
        if (!list.found)
            list.current = list.items.isEmpty() ? -1 : 0;
    } else if (from == ForwardFrom::kTarget) {
        list.current = list.items.indexOf(target);
    } else {
        if (list.current < 0) {
            list.current = list.items.isEmpty() ? -1 : 0;
        } else if (list.current + 1 < list.items.size()) {
            ++list.current;
        } else {
            if (kind != ItemKind::kDvd)
                Close(false);
            return false;
        }
    }
    direction = WalkDirection::kForward;
    return Walk(1);
}

bool CMediaPlayer::OpenBackward(BackwardFrom from)
{
    if (from == BackwardFrom::kLastItem) {
        list.current = static_cast<int>(list.items.size() - 1);
        direction = WalkDirection::kBackward;
    } else if (list.current < 0) {
        list.current = list.items.size() - 1;
    } else if (list.current > 0) {
        --list.current;
    } else {
        Close(false);
        return false;
    }
    return Walk(-1);
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
        list.current = -1;
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
        list.current = -1;
        track = 0;
        currentItem.clear();
        counter = 0;
        OpenBackward(BackwardFrom::kPreviousItem);
    }
    playing = false;
}

void CMediaPlayer::Navigate(NavigationKey key, double step)
{
    engines.Navigate(kind, key, step);
}

int CMediaPlayer::GetPosition()
{
    switch (kind) {
    case ItemKind::kCdTrack:
        position = engines.Cd().GetTrackPosition(&track);
        break;
    case ItemKind::kDvd: {
        CDVDMedia& dvd = engines.Dvd();
        position = dvd.FollowLocation();
        // The list follows the disc when it moves to another chapter by itself.
        const QString name = dvd.BuildItemName(dvd.Title(), dvd.Chapter());
        if (name != currentItem) {
            const int at = static_cast<int>(list.items.indexOf(name));
            if (at >= 0 && at != list.current) {
                list.current = at;
                currentItem = name;
            }
        }
        break;
    }
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        position = engines.File().GetPosition();
        break;
    default:
        position = counter;
        break;
    }
    return position;
}

int CMediaPlayer::ItemLength()
{
    switch (kind) {
    case ItemKind::kCdTrack:
        return engines.Cd().TrackDuration(track);
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        return engines.File().GetDuration();
    default:
        return -1;
    }
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
        list.current = -1;
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
    engines.File().TakeChanged();
    engines.Dvd().TakeChanged();
    if (!OpenForward(ForwardFrom::kNextItem))
        EndOfList(stopAtEnd, false);
    return true;
}

bool CMediaPlayer::Tick(QString* display, bool* stopAtEnd, bool pollDisc, int width)
{
    if (pollDisc)
        CheckDisc(true);
    switch (kind) {
    case ItemKind::kCdTrack:
        return TickCd(display, stopAtEnd);
    case ItemKind::kDvd:
        return TickDvd(display, stopAtEnd, width);
    case ItemKind::kVideoCd:
    case ItemKind::kMediaFile:
        return TickFile(display, stopAtEnd, width);
    case ItemKind::kStillImage:
    case ItemKind::kShell:
    case ItemKind::kDocument:
    case ItemKind::kDiscLauncher:
    case ItemKind::kDiscPlayer:
        return TickStill(display, stopAtEnd);
    default:
        return false;
    }
}

bool CMediaPlayer::TickCd(QString* display, bool* stopAtEnd)
{
    CMCICD& cd = engines.Cd();
    if (cd.TrackEnded() == TrackEnd::kCompleted) {
        cd.ResetTrackEnded();
        if (!OpenForward(ForwardFrom::kNextItem) && !*stopAtEnd) {
            list.current = -1;
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
    if (cd.TrackEnded() == TrackEnd::kInterrupted) {
        cd.ResetTrackEnded();
    } else if (cd.GetState() == CdState::kPlaying) {
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

bool CMediaPlayer::TickClosed(CMedia& engine, bool* stopAtEnd)
{
    if (engine.TakeFailed())
        return PassFailedItem(stopAtEnd);
    state.Set(PlayerState::kIdle);
    return false;
}

bool CMediaPlayer::TickDvd(QString* display, bool* stopAtEnd, int width)
{
    CDVDMedia& dvd = engines.Dvd();
    if (!dvd.State().IsLoaded())
        return TickClosed(dvd, stopAtEnd);
    dvd.HandleGraphEvent();
    const bool changed = dvd.TakeChanged();
    const bool inTitle = dvd.GetDomain() == platform::DvdDomain::kTitle;
    if (inTitle)
        dvdControls.TitlePlays();
    const bool userNavigated = dvdControls.UserNavigated();
    if (changed && !userNavigated && !inTitle && repeat && dvd.Title() != 0 && dvd.Chapter() != 0) {
        title = 0;
        chapter = 0;
    }
    if (changed && (dvd.Title() != title || dvd.Chapter() != chapter) && !userNavigated) {
        bool moved = false;
        if (random || (!inTitle && repeat))
            moved = OpenForward(ForwardFrom::kNextItem);
        else
            moved = OpenForward(ForwardFrom::kTarget, dvd.BuildItemName(dvd.Title(), dvd.Chapter()));
        if (!moved)
            EndOfList(stopAtEnd, false);
        return true;
    }
    const int ms = state.Is(PlayerState::kNone) ? 0 : GetPosition();
    displayTitle = GetItemTitle(currentItem, false);
    *display = displayLines.Make(res::kStrScrolledTitleFormat, ScrollTitle(displayTitle, width), ms) +
               PlayerDisplay::RateText(dvd.GetRate());
    return false;
}

bool CMediaPlayer::TickFile(QString* display, bool* stopAtEnd, int width)
{
    CMedia& media = engines.File();
    if (!media.State().IsLoaded())
        return TickClosed(media, stopAtEnd);
    media.HandleGraphEvent();
    if (media.TakeChanged()) {
        if (!OpenForward(ForwardFrom::kNextItem))
            EndOfList(stopAtEnd, false);
        return true;
    }
    *display = displayLines.Make(res::kStrTitleTimeFormat, ScrollTitle(displayTitle, width), GetPosition()) +
               PlayerDisplay::RateText(media.GetRate());
    return false;
}

bool CMediaPlayer::TickStill(QString* display, bool* stopAtEnd)
{
    // A picture, a program or a document stays its wait time, then the list goes on.
    if (state.IsNot(PlayerState::kPlaying))
        return false;
    bool changed = false;
    if (displaySettings.waitTime != 0) {
        if (counter < displaySettings.waitTime) {
            ++counter;
        } else {
            const bool backwards = direction != WalkDirection::kForward;
            const bool moved =
                backwards ? OpenBackward(BackwardFrom::kPreviousItem) : OpenForward(ForwardFrom::kNextItem);
            if (!moved)
                EndOfList(stopAtEnd, backwards);
            changed = true;
        }
    }
    *display = displayLines.Make(res::kStrTitleTimeFormat, displayTitle, counter * 1000);
    return changed;
}

void CMediaPlayer::HandleGraphEvent()
{
    engines.HandleGraphEvent(kind);
}

bool CMediaPlayer::Seek(int ms)
{
    return engines.Seek(kind, ms, title);
}

void CMediaPlayer::SetFullScreen(bool on)
{
    engines.SetFullScreen(on);
}

bool CMediaPlayer::IsFullScreen()
{
    return engines.IsFullScreen(kind);
}

void CMediaPlayer::ShowCursor(bool hide)
{
    engines.ShowCursor(kind, hide);
}

void CMediaPlayer::SetVolume(long level)
{
    engines.SetVolume(kind, level);
}

void CMediaPlayer::GetFilterNames(QStringList* names, int* count)
{
    engines.GetFilterNames(kind, names, count);
}

void CMediaPlayer::ShowFilterProperties(int n)
{
    // The properties menu lists a media file's elements as well as a DVD's.
    engines.ShowFilterProperties(kind, n);
}

#include "MediaPlayer.h"

#include "platform/ProgramEnding.h"
#include "res/StringTable.h"

#include <QFile>
#include <QFontMetrics>
#include <QWidget>

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

bool CMediaPlayer::Play(int k)
{
    if (k == kKindNone) {
        k = kind;
        if (kind == kKindNone) {
            OpenSource(source, currentItem);
            return OpenForward(1);
        }
    }
    bool result = false;
    switch (k) {
    case kKindCdTrack:
        cd.PauseDevice();
        result = cd.PlayTrack(track, position);
        break;
    case kKindDvd:
        SuppressScreenSaver(true);
        result = dvd.Play();
        break;
    case kKindVideoCd:
    case kKindMediaFile:
        SuppressScreenSaver(true);
        result = media.Play();
        break;
    case kKindDiscPlayer:
    case kKindStillImage:
    case kKindShell:
    case kKindDiscLauncher:
        state.Set(2);
        return true;
    default:
        return false;
    }
    if (result)
        state.Set(2);
    return result;
}

void CMediaPlayer::Pause()
{
    switch (kind) {
    case kKindCdTrack:
        cd.PauseDevice();
        break;
    case kKindDvd:
        SuppressScreenSaver(false);
        dvd.Pause();
        break;
    case kKindVideoCd:
    case kKindMediaFile:
        SuppressScreenSaver(false);
        media.Pause();
        break;
    default:
        break;
    }
    state.Set(3);
}

void CMediaPlayer::Stop()
{
    switch (kind) {
    case kKindCdTrack:
        cd.StopIfActive();
        break;
    case kKindDvd:
        SuppressScreenSaver(false);
        dvd.Stop();
        dvd.SetFullScreen(false, true);
        break;
    case kKindVideoCd:
    case kKindMediaFile:
        SuppressScreenSaver(false);
        media.Stop();
        media.SetFullScreen(false, true);
        break;
    default:
        break;
    }
    state.Set(4);
    ShowCursor(false);
}

void CMediaPlayer::RemoveTemporaryFiles()
{
    if ((sourceFlags & kItemDownloaded) && !itemCacheFile.isEmpty()) {
        sourceFlags &= ~kItemDownloaded;
        if (!keepDownloads)
            QFile::remove(itemCacheFile);
        itemCacheFile.clear();
    }
    if ((sourceFlags & kSourceArchive) && !extractedFile.isEmpty()) {
        QFile::remove(extractedFile);
        extractedFile.clear();
    }
    if ((sourceFlags & kSourceDownloaded) && !sourceCacheFile.isEmpty()) {
        sourceFlags &= ~kSourceDownloaded;
        if (!keepDownloads)
            QFile::remove(sourceCacheFile);
        sourceCacheFile.clear();
    }
}

void CMediaPlayer::Close(bool keepKind)
{
    switch (kind) {
    case kKindCdTrack:
        cd.CloseDisc();
        break;
    case kKindDvd:
        SuppressScreenSaver(false);
        dvd.SetFullScreen(false, true);
        dvd.Close();
        break;
    case kKindVideoCd:
    case kKindMediaFile:
        SuppressScreenSaver(false);
        media.SetFullScreen(false, true);
        media.Close();
        break;
    case kKindStillImage:
        stillWnd.Destroy();
        if (!displaySettings.backgroundImage.isEmpty() && LoadImage(image, displaySettings.backgroundImage)) {
            if (auto* window = qobject_cast<QWidget*>(owner.data()))
                window->update();
        }
        break;
    default:
        break;
    }
    if (kind != kKindNone)
        RemoveTemporaryFiles();
    if (!keepKind) {
        kind = kKindNone;
        state.Set(kStateClosed);
    }
}

void CMediaPlayer::Forget()
{
    source.clear();
    items.clear();
    current = -1;
    currentItem.clear();
}

void CMediaPlayer::Eject()
{
    if (state.IsNot(kStateIdle)) {
        Stop();
        Close(false);
        kind = kKindNone;
        state.Set(kStateIdle);
    }
    bool doorOpen = false;
    cd.ToggleDoor(&doorOpen);
    playing = doorOpen;
    if (autoPlay && !doorOpen) {
        OpenSource(source);
        OpenForward(1);
    }
}

bool CMediaPlayer::WalkForward()
{
    // Once the program is ending no further item is tried: each would only fail.
    while (current >= 0 && current < items.size() && !platform::ProgramEnding()) {
        currentItem = items.at(current);
        kind = OpenItem(currentItem, true, &videoWnd);
        if (kind != kKindNone)
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
        if (kind != kKindNone)
            return true;
        --current;
    }
    current = -1;
    return false;
}

bool CMediaPlayer::OpenForward(int mode, const QString& target)
{
    if (mode == 1) {
        if (!found)
            current = items.isEmpty() ? -1 : 0;
    } else if (mode == 2) {
        current = items.indexOf(target);
    } else {
        if (current < 0) {
            current = items.isEmpty() ? -1 : 0;
        } else if (current + 1 < items.size()) {
            ++current;
        } else {
            if (kind != kKindDvd)
                Close(false);
            return false;
        }
    }
    direction = 1;
    return WalkForward();
}

bool CMediaPlayer::OpenBackward(int mode)
{
    if (mode == 1) {
        current = items.size() - 1;
        itemCount = items.size();
        itemCountAtLast = items.size();
        direction = 2;
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
    OpenForward(2, itemPath);
}

void CMediaPlayer::Next()
{
    if (kind == kKindDiscPlayer || kind == kKindDiscLauncher)
        return;
    if (!OpenForward(0)) {
        current = -1;
        if (repeat) {
            track = 0;
            currentItem.clear();
            OpenForward(0);
        } else {
            track = 1;
            position = 0;
        }
    }
    playing = false;
}

void CMediaPlayer::Previous()
{
    if (kind == kKindDiscPlayer || kind == kKindDiscLauncher)
        return;
    if (!OpenBackward(0) && repeat) {
        current = -1;
        track = 0;
        currentItem.clear();
        counter = 0;
        OpenBackward(0);
    }
    playing = false;
}

void CMediaPlayer::Navigate(int key, double step)
{
    switch (kind) {
    case kKindCdTrack:
        cd.Skip(step);
        break;
    case kKindDvd:
        dvd.MenuKey(key, step);
        break;
    case kKindVideoCd:
    case kKindMediaFile:
        media.SetRate(step);
        break;
    default:
        break;
    }
}

int CMediaPlayer::GetPosition()
{
    switch (kind) {
    case kKindCdTrack:
        position = cd.GetTrackPosition(&track);
        break;
    case kKindDvd: {
        int dvdTitle = dvd.title;
        int dvdChapter = dvd.chapter;
        position = dvd.GetLocation(&dvdTitle, &dvdChapter);
        dvd.title = dvdTitle;
        dvd.chapter = dvdChapter;
        // The list follows the disc when it moves to another chapter by itself.
        const QString name = dvd.BuildItemName(dvdTitle, dvdChapter);
        if (name != currentItem) {
            const int at = items.indexOf(name);
            if (at >= 0 && at != current) {
                current = at;
                currentItem = name;
            }
        }
        break;
    }
    case kKindVideoCd:
    case kKindMediaFile:
        position = media.GetPosition();
        break;
    default:
        position = counter;
        break;
    }
    return position;
}

QString CMediaPlayer::RateText(double rate)
{
    if (rate == 1.0)
        return QString();
    if (rate >= 0.5)
        return QStringLiteral("[FF x%1]").arg(static_cast<int>(rate));
    if (rate > 0)
        return QStringLiteral("[FF x1/%1]").arg(static_cast<int>(1 / rate));
    if (rate > -0.5) {
        if (rate == 0)
            return QStringLiteral("[REW x1/0]");
        return QStringLiteral("[REW x1/%1]").arg(static_cast<int>(-1 / rate));
    }
    return QStringLiteral("[REW x%1]").arg(static_cast<int>(-rate));
}

QString CMediaPlayer::MakeDisplay(int resource, const QString& text, int ms) const
{
    const int hours = ms / 3600000;
    const int minutes = ms / 60000 - hours * 60;
    const int seconds = (ms / 1000) % 60;
    QString format = res::LoadString(resource);
    QString out = format;
    // "%s\n%02d:%02d:%02d" and "ﾄﾗｯｸ %02d\n%02d:%02d:%02d": the first field is the title or track.
    if (resource == res::kStrTrackFormat)
        return QString::asprintf(format.toUtf8().constData(), text.toInt(), hours, minutes, seconds);
    const int at = out.indexOf(QLatin1String("%s"));
    if (at >= 0)
        out.replace(at, 2, QStringLiteral("\x01"));
    out = QString::asprintf(out.toUtf8().constData(), hours, minutes, seconds);
    return out.replace(u'\x01', text);
}

QString CMediaPlayer::ScrollTitle(const QString& titleText, int width)
{
    const int visible = width / std::max(charWidth, 1);
    const int cells = QFontMetrics(displayFont).horizontalAdvance(titleText) / std::max(charWidth, 1);
    const QString text = titleText + QStringLiteral("  ") + titleText + QString(100, u' ');
    QString result = titleText;
    if (visible < cells) {
        result.clear();
        int count = 0;
        for (int i = counter; i < text.size() && i < counter + visible; ++i) {
            count += text[i].unicode() > 0xff ? 2 : 1;
            if (count >= visible)
                break;
            result += text[i];
        }
    }
    const int previous = counter;
    counter = previous > cells ? 0 : counter + 1;
    return result;
}

void CMediaPlayer::EndOfList(bool* stopAtEnd, bool backwards)
{
    if (!*stopAtEnd && repeat) {
        current = -1;
        track = 0;
        currentItem.clear();
        counter = 0;
        if (backwards)
            OpenBackward(0);
        else
            OpenForward(0);
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
    media.changed = false;
    dvd.changed = false;
    if (!OpenForward(0))
        EndOfList(stopAtEnd, false);
    return true;
}

bool CMediaPlayer::Tick(QString* display, bool* stopAtEnd, bool pollDisc, int width)
{
    if (pollDisc)
        CheckDisc(true);
    switch (kind) {
    case kKindCdTrack: {
        if (cd.TrackEnded() == 1) {
            cd.ResetTrackEnded();
            if (!OpenForward(0) && !*stopAtEnd) {
                current = -1;
                if (!repeat) {
                    track = 1;
                    position = 0;
                } else {
                    track = 0;
                    currentItem.clear();
                    OpenForward(0);
                }
            }
            playing = false;
            *stopAtEnd = false;
            return true;
        }
        if (cd.TrackEnded() == 2)
            cd.ResetTrackEnded();
        else if (cd.GetState() == 2) {
            int t = -1;
            const int pos = cd.GetTrackPosition(&t);
            if (t == -1) {
                CheckDisc(true);
            } else if (cd.IsInTrack(t, pos)) {
                position = pos;
                track = t;
                *display = MakeDisplay(res::kStrTrackFormat, QString::number(t), pos);
            }
        }
        return false;
    }
    case kKindDvd: {
        if (!dvd.state.IsLoaded()) {
            if (std::exchange(dvd.failed, false))
                return PassFailedItem(stopAtEnd);
            state.Set(kStateIdle);
            return false;
        }
        dvd.HandleGraphEvent();
        const bool changed = dvd.changed;
        const int domain = dvd.GetDomain();
        if (domain == 4)
            userNavigated = false;
        if (changed && !userNavigated && domain != 4 && repeat && dvd.title != 0 && dvd.chapter != 0) {
            title = 0;
            chapter = 0;
        }
        if (changed) {
            dvd.changed = false;
            if ((dvd.title != title || dvd.chapter != chapter) && !userNavigated) {
                bool moved = false;
                if (random || (domain != 4 && repeat))
                    moved = OpenForward(0);
                else
                    moved = OpenForward(2, dvd.BuildItemName(dvd.title, dvd.chapter));
                if (!moved)
                    EndOfList(stopAtEnd, false);
                return true;
            }
        }
        const int ms = state.Get() == 0 ? 0 : GetPosition();
        displayTitle = GetItemTitle(currentItem, false);
        *display = MakeDisplay(res::kStrScrolledTitleFormat, ScrollTitle(displayTitle, width), ms) +
                   RateText(dvd.GetRate());
        return false;
    }
    case kKindVideoCd:
    case kKindMediaFile: {
        if (!media.state.IsLoaded()) {
            if (std::exchange(media.failed, false))
                return PassFailedItem(stopAtEnd);
            state.Set(kStateIdle);
            return false;
        }
        media.HandleGraphEvent();
        if (media.changed) {
            media.changed = false;
            if (!OpenForward(0))
                EndOfList(stopAtEnd, false);
            return true;
        }
        *display = MakeDisplay(res::kStrTitleTimeFormat, ScrollTitle(displayTitle, width), GetPosition()) +
                   RateText(media.GetRate());
        return false;
    }
    case kKindStillImage:
    case kKindShell:
    case kKindDocument:
    case kKindDiscLauncher:
    case kKindDiscPlayer: {
        if (state.IsNot(2))
            return false;
        bool changed = false;
        if (displaySettings.waitTime != 0) {
            if (counter < displaySettings.waitTime) {
                ++counter;
            } else {
                const bool backwards = direction != 1;
                const bool moved = backwards ? OpenBackward(0) : OpenForward(0);
                if (!moved)
                    EndOfList(stopAtEnd, backwards);
                changed = true;
            }
        }
        *display = MakeDisplay(res::kStrTitleTimeFormat, displayTitle, counter * 1000);
        return changed;
    }
    default:
        return false;
    }
}

int CMediaPlayer::HandleGraphEvent()
{
    if (kind == kKindDvd)
        return dvd.HandleGraphEvent();
    if (kind == kKindVideoCd || kind == kKindMediaFile)
        return media.HandleGraphEvent();
    return kind;
}

bool CMediaPlayer::Seek(int ms)
{
    if (kind == kKindDvd)
        return dvd.Seek(ms, title);
    if (kind == kKindVideoCd || kind == kKindMediaFile)
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
    if (kind == kKindDvd)
        return dvd.IsFullScreen();
    if (kind == kKindVideoCd || kind == kKindMediaFile)
        return media.IsFullScreen();
    return false;
}

void CMediaPlayer::ShowCursor(bool hide)
{
    // The cursor hides over the video window of the engine that plays, a disc's or a file's;
    // it comes back over both.
    const bool dvdPlays = kind == kKindDvd;
    const bool filePlays = kind == kKindVideoCd || kind == kKindMediaFile;
    dvd.HideCursor(hide && dvdPlays);
    media.HideCursor(hide && filePlays);
}

void CMediaPlayer::SetVolume(long level)
{
    if (kind == kKindDvd)
        dvd.SetVolume(level);
    else if (kind == kKindVideoCd || kind == kKindMediaFile)
        media.SetVolume(level);
}

void CMediaPlayer::PlayTitle(int step)
{
    if (kind == kKindDvd)
        dvd.PlayTitle(step, false);
}

void CMediaPlayer::ShowMenu(int menu)
{
    if (kind == kKindDvd) {
        userNavigated = true;
        dvd.ShowMenu(menu);
    }
}

void CMediaPlayer::PointerAction(int action, int x, int y)
{
    if (kind == kKindDvd) {
        userNavigated = true;
        dvd.PointerAction(action, x, y);
    }
}

unsigned long CMediaPlayer::GetValidUops() const
{
    return kind == kKindDvd ? dvd.GetValidUops() : 0;
}

void CMediaPlayer::GetAudioStreams(QStringList* names, unsigned* count, unsigned long* currentStream)
{
    *count = 0;
    if (kind == kKindDvd)
        dvd.GetAudioStreams(names, count, currentStream);
}

void CMediaPlayer::GetSubpictureStreams(QStringList* names, unsigned* count, unsigned long* currentStream,
                                        bool* disabled)
{
    *count = 0;
    if (kind == kKindDvd)
        dvd.GetSubpictureStreams(names, count, currentStream, disabled);
}

void CMediaPlayer::GetAngles(QStringList* names, unsigned* count, int* currentAngle)
{
    *count = 0;
    if (kind == kKindDvd)
        dvd.GetAngles(names, count, currentAngle);
}

void CMediaPlayer::GetFilterNames(QStringList* names, int* count)
{
    if (kind == kKindDvd)
        dvd.GetFilterNames(names, count);
    else if (kind == kKindVideoCd || kind == kKindMediaFile)
        media.GetFilterNames(names, count);
}

void CMediaPlayer::ShowFilterProperties(int n)
{
    // The properties menu lists a media file's elements as well as a DVD's.
    if (kind == kKindDvd)
        dvd.ShowFilterProperties(n);
    else if (kind == kKindVideoCd || kind == kKindMediaFile)
        media.ShowFilterProperties(n);
}

void CMediaPlayer::SetDecodeMode(int flags)
{
    decodeMode = flags;
    if (kind == kKindDvd)
        dvd.SetDecodeMode(flags);
}

void CMediaPlayer::SetClosedCaption(bool on)
{
    closedCaption = on ? 1 : 0;
    if (kind == kKindDvd)
        dvd.SetClosedCaption(on);
}

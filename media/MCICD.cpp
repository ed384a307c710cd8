#include "MCICD.h"

#include "platform/DiscProbe.h"
#include "platform/Log.h"
#include "platform/NumberText.h"
#include "platform/PathSplit.h"
#include "platform/WindowMessage.h"
#include "platform/proxy/MediaProcess.h"

#include <algorithm>

namespace {

// Each CD device gets its own alias: CD0, CD1, ...
int aliasCounter = 0;

// The number a track file name carries from its sixth character on (TRACK05 gives 5).
int NumberInName(const QString& name)
{
    return platform::LeadingInt(name.mid(5));
}

} // namespace

CMCICD::CMCICD(platform::DriveTable driveTable) : drives(std::move(driveTable))
{
    deviceType = QStringLiteral("CDAUDIO");
    alias = QStringLiteral("CD%1").arg(aliasCounter++);
}

bool CMCICD::IsAudioReply(const QString& reply)
{
    return reply == u"audio" || reply == QStringLiteral("オーディオ");
}

QString CMCICD::OpenCommand(const QString& useAlias) const
{
    if (drive.isEmpty())
        return QStringLiteral("open %1 alias %2 shareable wait").arg(deviceType, useAlias);
    return QStringLiteral("open %1!%2 alias %3 shareable wait").arg(deviceType, drive, useAlias);
}

bool CMCICD::OpenDisc(QObject* notify, const QString& path, bool showError)
{
    CloseDisc();
    notifyWnd = notify;

    const platform::PathParts parts = platform::SplitPath(path, drives);
    const QString name = parts.name.left(260);
    int requestedStart = name.size() > 4 ? NumberInName(name) - 1 : 0;

    const QString oldDrive = drive;
    drive = parts.drive;
    if (!SendCommand(OpenCommand(alias), nullptr, showError)) {
        drive = oldDrive;
        return false;
    }
    deviceOpen = true;
    state.Set(CdState::kOpened);

    QString reply;
    bool ok = SendCommand(QStringLiteral("status %1 number of tracks wait").arg(alias), &reply, true);
    const int count = reply.toInt();
    // A disc has at most 99 tracks: more comes from a broken media process, which is ended.
    if (ok && count > platform::ipc::kMaxCdTracks) {
        platform::MediaProcess::Instance().End(
            QStringLiteral("the media process counted %1 tracks on a CD").arg(reply.left(20)));
        ok = false;
    }
    ok = ok && count > 0 &&
         SendCommand(QStringLiteral("set %1 time format milliseconds wait").arg(alias), nullptr, true);
    if (!ok) {
        CloseDisc();
        return false;
    }
    trackCount = count;
    trackStart.assign(trackCount + 1, 0);
    trackLength.assign(trackCount + 1, 0);

    // A start track that is not an audio track on this disc gives way to the first audio track.
    int firstAudio = -1;
    std::vector<bool> audio(trackCount, false);
    for (int i = 1; i <= trackCount; ++i) {
        if (!SendCommand(QStringLiteral("status %1 type track %2 wait").arg(alias).arg(i), &reply, true))
            break;
        audio[i - 1] = IsAudioReply(reply);
        if (audio[i - 1] && firstAudio < 0)
            firstAudio = i - 1;
        if (!SendCommand(QStringLiteral("status %1 position track %2 wait").arg(alias).arg(i), &reply, true))
            break;
        trackStart[i - 1] = reply.toInt();
        if (SendCommand(QStringLiteral("status %1 length track %2 wait").arg(alias).arg(i), &reply, true))
            trackLength[i - 1] = reply.toInt();
    }
    SeekTo(-1);
    const int lastEnd = trackStart[trackCount - 1] + trackLength[trackCount - 1];
    const int discEnd = QueryPosition();
    trackStart[trackCount] = discEnd < 0 ? lastEnd : std::min(discEnd, lastEnd);

    if (firstAudio < 0) {
        CloseDisc();
        return false;
    }
    const bool startOnDisc = requestedStart >= 0 && requestedStart < trackCount && audio[requestedStart];
    startTrack = requestedStart == 0 || !startOnDisc ? firstAudio : requestedStart;
    SeekTo(trackStart[startTrack]);
    return true;
}

bool CMCICD::CloseDisc()
{
    CloseDevice();
    trackStart.clear();
    trackLength.clear();
    currentTrack = -1;
    trackCount = 0;
    return true;
}

bool CMCICD::PlayTrack(int track, int offsetMs)
{
    if (track > trackCount || track < 1) {
        qCDebug(lcMedia) << "Track Over";
        return false;
    }
    currentTrack = track;
    const int end = trackStart[track];
    const int from = trackStart[track - 1] + offsetMs;
    return PlayRange(std::min(from, end), end - 200);
}

bool CMCICD::IsInTrack(int track, int offsetMs) const
{
    if (track < 1 || track > trackCount)
        return false;
    return trackStart[track - 1] + offsetMs < trackStart[track];
}

int CMCICD::GetTrackPosition(int* track)
{
    *track = -1;
    if (!state.IsLoaded())
        return 0;
    QString reply;
    if (currentTrack == -1) {
        if (!SendCommand(QStringLiteral("status %1 current track").arg(alias), &reply, true))
            return 0;
        currentTrack = reply.toInt();
    }
    *track = currentTrack;
    SendCommand(QStringLiteral("status %1 position").arg(alias), &reply, true);
    const int absolute = reply.toInt();
    if (*track > trackCount || *track < 1) {
        qCDebug(lcMedia) << "Track Over";
        return absolute;
    }
    const int pos = absolute - trackStart[*track - 1];
    if (lastPosition != -1 && playEnd != -1 && lastPosition >= playEnd - trackStart[*track - 1] - 200 &&
        pos == lastPosition)
        trackEnded = TrackEnd::kCompleted;
    else if (!IsInTrack(*track, pos))
        trackEnded = TrackEnd::kCompleted;
    lastPosition = pos;
    return pos;
}

bool CMCICD::IsAudioTrack(int track)
{
    QString reply;
    return SendCommand(QStringLiteral("status %1 type track %2 wait").arg(alias).arg(track), &reply, true) &&
           IsAudioReply(reply);
}

void CMCICD::Skip(double direction)
{
    bool restart = false;
    if (state.Is(CdState::kPlaying) || state.Is(CdState::kStopped)) {
        PauseDevice();
        restart = true;
    }
    int track = -1;
    int pos = GetTrackPosition(&track);
    if (direction < 0) {
        if (pos > 5000)
            pos -= 5000;
    } else if (pos >= 0) {
        pos += 5000;
    }
    if (restart)
        PlayTrack(track, pos);
    // The drive takes its time to move; the window goes on meanwhile.
    platform::BoundedWait::Pause(1000);
}

QString CMCICD::GetIdentity()
{
    QString reply;
    return SendCommand(QStringLiteral("info %1 identity wait").arg(alias), &reply, false) ? reply : QString();
}

bool CMCICD::CheckMedia(bool* dataDisc)
{
    *dataDisc = false;
    if (!state.IsLoaded())
        return CheckMediaUnopened(dataDisc);
    QString reply;
    if (SendCommand(QStringLiteral("status %1 media present wait").arg(alias), &reply, false)) {
        if (reply == u"true") {
            QString type;
            if (SendCommand(QStringLiteral("status %1 type track %2 wait").arg(alias).arg(1), &type, false) &&
                IsAudioReply(type))
                state.Set(CdState::kDiscPresent);
            else if (SendCommand(QStringLiteral("status %1 type track %2 wait").arg(alias).arg(2), &type,
                                 false) &&
                     IsAudioReply(type))
                state.Set(CdState::kDiscPresent);
            if (state.IsNot(CdState::kDiscPresent))
                *dataDisc = true;
        } else {
            state.Set(CdState::kNoDisc);
        }
    }
    return state.Is(CdState::kDiscPresent);
}

bool CMCICD::CheckMediaUnopened(bool* dataDisc)
{
    // Asked of the drive itself: while only the clock shows, no media process is started for it.
    const QString probed = drive.isEmpty() ? drives.FirstOpticalDrive() : drive;
    const platform::DiscInDrive disc =
        probed == ejectedImage ? platform::DiscInDrive::kNone : platform::ProbeDrive(probed);
    if (disc == platform::DiscInDrive::kAudio)
        state.Set(CdState::kDiscPresent);
    else if (disc == platform::DiscInDrive::kNone)
        state.Set(CdState::kNoDisc);
    *dataDisc = disc == platform::DiscInDrive::kData;
    return disc == platform::DiscInDrive::kAudio;
}

bool CMCICD::ToggleDoor(bool* doorOpen)
{
    *doorOpen = false;
    const QString use = QStringLiteral("CDEJ");
    const bool opened = SendCommand(OpenCommand(use), nullptr, true);
    platform::BoundedWait::Pause(100);
    if (opened) {
        QString reply;
        if (SendCommand(QStringLiteral("status %1 media present wait").arg(use), &reply, true)) {
            const bool closing = reply == u"false";
            *doorOpen = closing;
            const QString command = closing ? QStringLiteral("set %1 door closed wait").arg(use)
                                            : QStringLiteral("set %1 door open wait").arg(use);
            if (SendCommand(command, nullptr, true)) {
                for (int poll = 0; poll < 10; ++poll) {
                    if (!SendCommand(QStringLiteral("status %1 mode wait").arg(use), &reply, true))
                        break;
                    bool observedOpen = false;
                    if (reply == u"open") {
                        state.Set(CdState::kNoDisc);
                        observedOpen = true;
                    } else if (state.Is(CdState::kNoDisc)) {
                        state.Set(CdState::kDiscPresent);
                    }
                    *doorOpen = observedOpen;
                    platform::BoundedWait::Pause(100);
                    if (observedOpen != closing)
                        break;
                }
            }
        }
    }
    SendCommand(QStringLiteral("close %1 wait").arg(use), nullptr, true);
    // An image's door is a flag of the media process: the window keeps its own copy, so the
    // image it unloaded is not found again by the check that asks no media process.
    if (opened && platform::IsCdImageDrive(drive))
        ejectedImage = *doorOpen ? drive : QString();
    return opened;
}

bool CMCICD::IsSameDrive(const QString& path) const
{
    return drives.DrivePart(path) == drive;
}

int CMCICD::ParseTrackNumber(const QString& path)
{
    return TrackOfName(platform::SplitPath(path, platform::DriveTable()).name);
}

int CMCICD::TrackOfName(const QString& name)
{
    return name.size() >= 5 ? NumberInName(name) : 1;
}

#pragma once
// CMCICD: an audio CD played through the "cdaudio" MCI device, from an optical drive or a CD
// image file standing for one. It keeps the disc's track table (absolute start positions and
// lengths in milliseconds; entry [trackCount] is the end of the last track), plays a track at
// a time to 200 ms before the next one starts, tells the position within the track and
// notices its end, and checks the drive for a disc and moves its tray.
//
// The player controller owns one for the program's life: it calls SetDrive before CheckMedia
// or ToggleDoor on a drive that is not open, OpenDisc with its main window as the notify
// window, routes MM_MCINOTIFY to OnNotify, and polls GetTrackPosition at its display tick.
//
// Track numbers outside the table are never used as indexes: a start track that is not on
// the disc (a file name such as Track.cda or Track99.cda) starts at the first audio track, and
// PlayTrack refuses numbers below 1 or beyond the table.

#include "MCI.h"
#include "PlayItem.h"
#include "platform/Drives.h"

#include <QString>

#include <vector>

class CMCICD : public CMCI
{
public:
    explicit CMCICD(platform::DriveTable drives = platform::DriveTable::FromSystem());

    bool OpenDisc(QObject* notifyWnd, const QString& path, bool showError);
    bool CloseDisc();
    int GetTrackCount() const { return trackCount; }
    bool PlayTrack(int track, int offsetMs);
    bool IsInTrack(int track, int offsetMs) const;
    int GetTrackPosition(int* track);
    bool IsAudioTrack(int track);
    void Skip(double direction);
    QString GetIdentity();
    bool CheckMedia(bool* dataDisc);
    bool ToggleDoor(bool* doorOpen);
    QString GetDrive() const { return drive; }
    void SetDrive(const QString& value) { drive = value; }
    bool IsSameDrive(const QString& path) const;
    bool IsSameDrive(const PlayItem& item) const { return item.drive == drive; }
    static int ParseTrackNumber(const QString& path);
    // The same from the item's file name without its extension ("Track05").
    static int TrackOfName(const QString& name);

    int StartTrack() const { return startTrack; }
    int TrackStart(int index) const { return trackStart.at(index); }
    int TrackLength(int index) const { return trackLength.at(index); }
    // Track `track`'s length in milliseconds (tracks count from 1); -1 for no such track.
    int TrackDuration(int track) const
    {
        return track >= 1 && track <= trackCount && track - 1 < static_cast<int>(trackLength.size())
                   ? trackLength[track - 1]
                   : -1;
    }

private:
    QString OpenCommand(const QString& useAlias) const;
    bool CheckMediaUnopened(bool* dataDisc);
    static bool IsAudioReply(const QString& reply);

    platform::DriveTable drives;
    int startTrack = 0;
    QString drive;
    std::vector<int> trackStart;
    std::vector<int> trackLength;
    int trackCount = 0;
    QString ejectedImage; // the image drive whose door ToggleDoor left open
};

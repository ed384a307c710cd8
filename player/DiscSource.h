#pragma once
// DiscSource: what a folder, a drive or a disc image holds as play items: an audio CD's tracks,
// a DVD's chapters, a Video CD's streams, a copy-controlled disc's own program (its
// AUTORUN.INF names PLAYER.EXE or START.EXE), or else the files below it. It asks the CD and
// DVD engines it is lent, reads volume labels and tells whether a disc is in the drive.
//
// UI thread only; owned by the player controller.

#include "FolderScan.h"
#include "ItemList.h"
#include "PlayerTypes.h"
#include "media/DVDMedia.h"
#include "media/MCICD.h"
#include "platform/Drives.h"

#include <QString>

class QObject;
class QWidget;

class DiscSource
{
public:
    DiscSource(const platform::DriveTable& drives, CMCICD& cd, CDVDMedia& dvd);
    DiscSource(const DiscSource&) = delete;
    DiscSource& operator=(const DiscSource&) = delete;

    struct Options
    {
        // A copy-controlled disc's own program comes before its audio tracks.
        bool cccdFirst = false;
        // A DVD's AUDIO_TS comes before its VIDEO_TS.
        bool dvdAudioFirst = true;
    };
    void SetOptions(const Options& value) { options = value; }
    const Options& GetOptions() const { return options; }

    // Where the session stopped: the disc's identity (its CD identity or volume label), the CD
    // track, the item, and whether play resumes there at all.
    struct Resume
    {
        QString identity;
        int track = 1;
        QString target;
        bool autoPlay = true;
    };
    // Lists what `path` holds into `list`, with the resume item current when it is there, and
    // sets `kind` for a CD, a DVD, a Video CD or a disc's own program. A DVD is opened on the
    // DVD engine (for the window `owner`, its video in *videoWnd) unless it is open there
    // already. False when `driveOnly` and the path holds only ordinary files.
    bool Classify(const QString& path, bool driveOnly, const Resume& resume, QObject* owner,
                  QWidget** videoWnd, ItemList& list, ItemKind& kind);

    // The volume label of the drive `path` lies on; empty when it is on none.
    QString VolumeLabel(const QString& path) const;
    // Whether `drive` holds a CD, a DVD or a Video CD; *dataDisc when it holds a disc of data.
    bool IsPresent(const QString& drive, bool* dataDisc);

    // The last disc listed named its own player (PLAYER.EXE) or launcher (START.EXE).
    bool DiscPlayerMode() const { return discPlayerMode; }
    bool DiscLauncherMode() const { return discLauncherMode; }
    void ForgetDiscProgram() { discPlayerMode = discLauncherMode = false; }

private:
    // Reads the AUTORUN.INF of `folder`. `exclusive`: only a disc program counts, and then it
    // is the one item; otherwise the file it opens becomes the one item whatever it is.
    bool ReadAutorun(const QString& folder, bool exclusive, ItemList& list, ItemKind& kind);

    const platform::DriveTable& drives;
    CMCICD& cd;
    CDVDMedia& dvd;
    FolderScanner scanner;
    Options options;
    bool discPlayerMode = false;
    bool discLauncherMode = false;
};

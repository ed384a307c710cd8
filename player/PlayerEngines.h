#pragma once
// PlayerEngines: the engines an item plays on (the CD engine, the media file engine and the DVD
// engine) and what each kind of item does on them: play, pause, stop and close, the keys that
// step or scan, the time, full screen, the cursor, the volume and the elements' properties.
// Items of other kinds (pictures, programs, documents) have no engine here: every call does
// nothing for them. While a disc's or a file's video engine plays, the screen saver is held off.
//
// UI thread only; owned by the player controller, which names the kind of the open item.

#include "PlayerTypes.h"
#include "media/DVDMedia.h"
#include "media/MCICD.h"
#include "media/Media.h"
#include "media/NavigationKey.h"
#include "platform/Drives.h"
#include "platform/ScreenSaver.h"

#include <QString>
#include <QStringList>

class PlayerEngines
{
public:
    explicit PlayerEngines(const platform::DriveTable& drives);
    PlayerEngines(const PlayerEngines&) = delete;
    PlayerEngines& operator=(const PlayerEngines&) = delete;

    CMedia& File() { return media; }
    CDVDMedia& Dvd() { return dvd; }
    CMCICD& Cd() { return cd; }
    const CMedia& File() const { return media; }
    const CDVDMedia& Dvd() const { return dvd; }
    const CMCICD& Cd() const { return cd; }
    // The engine whose graph plays `kind`: the DVD engine for a DVD, the file engine for a file
    // or a Video CD; none for the other kinds.
    CMedia* Graph(ItemKind kind);

    // Starts `kind` on its engine, a CD at `track` and `position`. False when it does not start
    // or `kind` has no engine.
    bool Play(ItemKind kind, int track, int position);
    void Pause(ItemKind kind);
    // Stops, and leaves full screen.
    void Stop(ItemKind kind);
    // Closes the disc or the graph, and leaves full screen.
    void Close(ItemKind kind);
    // A step key: the CD skips, the DVD moves in its menu or scans, a file changes its speed.
    void Navigate(ItemKind kind, NavigationKey key, double step);
    bool Seek(ItemKind kind, int ms, int title);
    // Both video engines: the one that plays goes full screen, the other goes when it plays.
    void SetFullScreen(bool on);
    bool IsFullScreen(ItemKind kind);
    // Hides the cursor over the video window of the engine that plays; shows it over both.
    void ShowCursor(ItemKind kind, bool hide);
    void SetVolume(ItemKind kind, long level);
    void GetFilterNames(ItemKind kind, QStringList* names, int* count);
    void ShowFilterProperties(ItemKind kind, int n);
    void HandleGraphEvent(ItemKind kind);
    void SuppressScreenSaver(bool on);

private:
    CMedia media;
    CDVDMedia dvd;
    CMCICD cd;
    platform::ScreenSaverInhibitor screenSaver;
    bool screenSaverSuppressed = false;
};

#pragma once
// CMedia: plays one media file through a graph in the media process, and is the base of the DVD
// engine, which overrides the virtual operations and adds the navigator's own (titles,
// chapters, menus, streams) that only it has. The player controller owns one for the program's life; exactly
// one medium is open at a time. UI thread only. Times are milliseconds.

#include "NavigationKey.h"
#include "PlayItem.h"
#include "PlayWnd.h"
#include "State.h"
#include "platform/Drives.h"
#include "platform/ipc/MediaCodes.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

class QObject;
class QWidget;
class VideoWindow;

namespace platform {
class GraphProxy;
}

// A graph event handed to an engine, and what it did there.
struct EngineEvent
{
    int code = 0;         // the graph's event code (platform/ipc/MediaCodes.h); 0: none was pending
    bool changed = false; // it ended or changed the item
    bool failed = false;  // the graph ended with an error and closed itself
    explicit operator bool() const { return code != 0; }
};

class CMedia
{
public:
    explicit CMedia(platform::DriveTable drives = {});
    virtual ~CMedia();
    CMedia(const CMedia&) = delete;
    CMedia& operator=(const CMedia&) = delete;

    // The engine interface.
    virtual double GetRate();
    virtual void FitVideoWindow();
    virtual void GetFilterNames(QStringList* names, int* count);
    virtual void ShowFilterProperties(int index);
    virtual void SetRate(double request);
    virtual bool IsFullScreen();
    virtual void HideCursor(bool hide);
    virtual void PointerAction(PointerEvent event, int x, int y);
    virtual bool SetFullScreen(bool on, bool temporary);
    virtual bool Seek(int ms, int title);
    virtual int GetPosition();
    // The open item's length in milliseconds; -1 when the graph does not know it.
    int GetDuration();
    virtual void Stop();
    virtual bool Play();
    virtual void Close();
    virtual bool BuildGraph(const QString& path);
    virtual void AttachPlayWnd(CMedia* target);

    // Opens `path` for `owner` (the main window, which gets the graph notifications);
    // hands back the video window, null for audio.
    bool OpenMedia(QObject* owner, const QString& path, QWidget** videoWnd);
    void Pause();
    // Volume in hundredths of a decibel (-10000 .. 0).
    void SetVolume(long level);
    // Stops at once and rewinds; no message.
    void Halt();
    bool IsSameDrive(const QString& path) const;
    bool IsSameDrive(const PlayItem& item) const { return item.drive == drive; }
    void ResetInterfaces();
    // True when `root` holds a Video CD's first stream (MPEGAV/AVSEQ01.DAT, in any case).
    static bool IsVideoCD(const QString& root);

    // The video window's place and size, remembered across media for the whole process and
    // shared by the engines.
    static QRect& RememberedVideoRect();

    // Takes the next graph event, if one is pending, and acts on it.
    EngineEvent HandleGraphEvent();

    const CState<EngineState>& State() const { return state; }
    // The item ended or changed, and the graph ended with an error and closed itself: set
    // until the controller takes them.
    bool TakeChanged() { return std::exchange(changed, false); }
    bool TakeFailed() { return std::exchange(failed, false); }
    bool HasChanged() const { return changed; }
    int Title() const { return title; }
    int Chapter() const { return chapter; }
    // Folder and file name (without extension) of the opened path, and its drive part.
    const QString& FolderName() const { return folderName; }
    const QString& Drive() const { return drive; }
    // Where the video window's input goes while it is full screen.
    const CPlayWnd& PlayWnd() const { return videoWnd; }
    VideoWindow* Window() const { return window.get(); }

protected:
    // Tests set up their scenes through this.
    friend struct EngineScene;

    // Takes the next graph event and acts on it; its code, 0 when none was pending.
    virtual int TakeGraphEvent();
    // The item ended or changed; the graph ended with an error.
    void MarkChanged()
    {
        changed = true;
        eventChanged = true;
    }
    void MarkFailed()
    {
        failed = true;
        eventFailed = true;
    }

    CState<EngineState> state;
    bool changed = false;
    bool failed = false;
    // What the event being handled did.
    bool eventChanged = false;
    bool eventFailed = false;
    int title = 0;
    int chapter = 0;
    QString folderName;
    QString drive;
    double rate = 1.0;
    platform::DvdDomain domain = platform::DvdDomain::kFirstPlay;
    bool fullScreen = false; // the user's full-screen choice
    QObject* owner = nullptr;
    CPlayWnd videoWnd;

    bool Open(const QString& path);
    // The graph ended by itself and the engine closes: on an error (`what`, then `error`, go to
    // the log, and `failed` tells the controller) or because the user closed its window.
    void EndWithGraph(const QString& what = QString(), const QString& error = QString());
    // Takes the native video size from the graph and, for video, opens the video window that
    // shows the graph's frames, growing the remembered size to the video's size and aspect.
    void AdoptVideo();
    // Grows `remembered` to at least `video` and widens it to the video's aspect.
    static void FitRememberedSize(QRect* remembered, QSize video);

    platform::DriveTable drives;
    std::unique_ptr<platform::GraphProxy> graph;
    std::unique_ptr<VideoWindow> window;
    QSize nativeVideoSize;
    bool engineFailed = false; // the last BuildGraph failed for the engine, not for the file
};

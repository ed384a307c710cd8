#pragma once
// CMediaPlayer: the player controller. It turns a source (a file, a drive, a folder, an M3U
// playlist, a disc) into an ordered list of play items, keeps the current one, opens one item
// at a time with the engine that suits it (the CD engine, the media file engine, the DVD
// engine, the still-image display, or the desktop), walks the list, and builds the display's
// text at each tick. The main window owns two: the main player and the alarm player.
//
// UI thread only; it starts no threads and posts nothing to its owner. Times are milliseconds.
// Items are paths; the current one is an index into them, -1 for none.
//
// A network address is downloaded into the cache folder first and played from there (the
// network source); an archive that an archive plug-in reads becomes the list of its members,
// each written into the cache when it is opened (the archive source).

#include "ArchiveSource.h"
#include "DiscSource.h"
#include "DvdControls.h"
#include "ItemList.h"
#include "NetworkSource.h"
#include "PlayerDisplay.h"
#include "PlayerEngines.h"
#include "PlayerTypes.h"
#include "SourceContext.h"
#include "SourceLister.h"
#include "StillPictures.h"
#include "media/DVDMedia.h"
#include "media/MCICD.h"
#include "media/Media.h"
#include "media/NavigationKey.h"
#include "media/PlayItem.h"
#include "media/State.h"
#include "platform/Drives.h"
#include "skin/DialogEx.h"
#include "skin/Dib.h"
#include "skin/DibWnd.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <memory>

class QObject;
class QWidget;

class PlayerScene;

class CMediaPlayer
{
public:
    explicit CMediaPlayer(platform::DriveTable drives = platform::DriveTable::FromSystem());
    ~CMediaPlayer();
    CMediaPlayer(const CMediaPlayer&) = delete;
    CMediaPlayer& operator=(const CMediaPlayer&) = delete;

    // Settings and set-up.
    void Init(QObject* owner, const QString& cacheFolder);
    struct PlaySettings
    {
        bool autoPlay = true;
        int track = 1;
        int position = 0;
        QString identity;
        QString drive;
        QString source;
        QString currentItem;
        bool repeat = false;
        bool showTags = true;
        bool random = false;
        int title = 1;
        int chapter = 1;
        bool cccdFirst = false;
        bool dvdAudioFirst = true;
        bool keepDownloads = true;
        bool operator==(const PlaySettings&) const = default;
    };
    void ApplyPlaySettings(const PlaySettings& values, bool noReload);
    PlaySettings GetPlaySettings();
    struct DisplaySettings
    {
        QString pluginFolder;
        int waitTime = 1;
        bool directShowFirst = false;
        QString backgroundImage;
        bool fitImage = true;
        bool folderImage = false;
        bool stillWindow = true;
        bool operator==(const DisplaySettings&) const = default;
    };
    void ApplyDisplaySettings(const DisplaySettings& values);
    DisplaySettings GetDisplaySettings() const;
    // The font the owner shows the display in, for scrolling titles.
    void SetDisplayFont(const QFont& font) { displayLines.SetFont(font); }

    // Sources and items. One path is a source to resolve into items; several are the items
    // themselves. Either way the item `resumeTarget` is the current one when it is among them.
    void SetItems(const QStringList& paths, bool driveOnly, const QString& resumeTarget);
    void OpenSource(const QString& path);
    void OpenSource(const QString& path, const QString& resumeTarget);
    ItemKind OpenItem(const QString& itemPath, bool start, QWidget** videoWnd);
    ItemKind ShowImage(const QString& path);
    bool SetBackgroundImage(const QString& path);
    ItemKind Launch(const QString& path);
    const QStringList& GetItems(QString* currentItem, QString* source, int* flags) const;

    // Transport.
    bool Play(ItemKind kind = ItemKind::kNone);
    void Pause();
    void Stop();
    void Close(bool keepKind);
    void Forget();
    void Eject();
    bool OpenForward(ForwardFrom from, const QString& target = QString());
    bool OpenBackward(BackwardFrom from);
    void Next();
    void Previous();
    void SelectItem(const QString& itemPath);
    void Navigate(NavigationKey key, double step);
    bool Tick(QString* display, bool* stopAtEnd, bool pollDisc, int width);
    int GetPosition();
    // The open item's length in milliseconds: a CD track's, a file's; -1 when it is not known
    // (a DVD, a picture, nothing open).
    int ItemLength();
    // `title` as the display shows it at this tick (see PlayerDisplay::Scroll).
    QString ScrollTitle(const QString& title, int width);

    // What the user does with the DVD that plays.
    DvdControls& Dvd() { return dvdControls; }

    // Forwarding to the open item's engine. A graph event is handed to the engine that plays;
    // what it ended or changed waits there for the next tick.
    void HandleGraphEvent();
    bool Seek(int ms);
    void SetFullScreen(bool on);
    bool IsFullScreen();
    void ShowCursor(bool hide);
    void SetVolume(long level);
    void GetFilterNames(QStringList* names, int* count);
    void ShowFilterProperties(int n);
    void OnCDNotify(platform::WPARAM flags, platform::LPARAM device) { engines.Cd().OnNotify(flags, device); }
    bool IsDiscPlayerMode() const { return discs.DiscPlayerMode(); }
    bool HasNext() const { return list.HasNext(); }
    bool HasPrevious() const { return list.HasPrevious(); }
    const QString& GetDisplayTitle() const { return displayTitle; }
    // The display while the window waits for the media process and cannot ask the engine: the
    // last one shown, its time running on while the item plays. Empty when nothing is loaded.
    QString DisplayWhileWaiting() const;

    // Whether the drive holds a disc; with `act`, a disc that came starts (autoplay) and one
    // that went ends the play.
    bool CheckDisc(bool act);
    // What the display and the lists call an item (see ItemTitle).
    QString GetItemTitle(const QString& itemPath, bool detailed);

    // The kind an item's extension gives: a CD track, a DVD item, a Video CD stream, a document,
    // a program; kNone for what the engines are asked to open.
    static ItemKind GetExtensionKind(const QString& itemPath);
    static ItemKind GetExtensionKind(const PlayItem& item);

    // Fetches network address `address` into `cacheFile` (see NetworkSource::Download).
    bool Download(const QString& address, const QString& cacheFile)
    {
        return network.Download(address, cacheFile);
    }
    // The download and extraction dialogs' colours, as the skin gives them.
    void SetDialogColours(const CDialogEx::Colours& colours) { sourceContext.colours = colours; }
    void SetDownloadLimits(const platform::ipc::DownloadLimits& limits) { network.SetLimits(limits); }
    // How archives are read: through the media process unless a test says otherwise.
    void SetArchiveAccess(std::unique_ptr<platform::ArchiveAccess> access)
    {
        archive.SetAccess(std::move(access));
    }

    // What the owner, the dialogs and the tests read.
    const CState<PlayerState>& GetState() const { return state; }
    ItemKind GetKind() const { return kind; }
    const QStringList& Items() const { return list.items; }
    int Current() const { return list.current; }
    const QString& CurrentItem() const { return currentItem; }
    const QString& Source() const { return source; }
    int SourceFlags() const { return sourceFlags; }
    // The last list found the item the session was to resume with.
    bool ResumeTargetFound() const { return list.found; }
    // The CD's track and the place in the item, and the identity of the disc they belong to.
    int Track() const { return track; }
    int Position() const { return position; }
    const QString& Identity() const { return identity; }
    // Set when an item starts and cleared when play stops; after an eject, whether the drive's
    // door is open.
    bool Playing() const { return playing; }
    bool Repeats() const { return repeat; }
    // The main window's background picture.
    const CDib& BackgroundImage() const { return pictures.Background(); }
    const CMedia& FileEngine() const { return engines.File(); }
    const CDVDMedia& DvdEngine() const { return engines.Dvd(); }
    const CDibWnd& StillWindow() const { return pictures.StillWindow(); }
    const NetworkSource& Network() const { return network; }
    const ArchiveSource& Archive() const { return archive; }

private:
    // Tests set up their scenes through this.
    friend class PlayerScene;

    CState<PlayerState> state;
    ItemKind kind = ItemKind::kNone;
    QString currentItem;
    ItemList list;
    int sourceFlags = 0;
    QString source;
    bool playing = false;
    // The item being opened came from a download or an archive: it is never started.
    bool openingRemote = false;
    int track = 1;
    int position = 0;
    int title = 1;
    int chapter = 1;
    QString identity;
    QString drive;
    QString displayTitle;
    int counter = 0;
    WalkDirection direction = WalkDirection::kNone;
    bool repeat = false;
    bool random = false;
    bool showTags = true;
    bool autoPlay = true;

    // Where an item's bytes are played from: an archive member is written into the cache, a
    // network item downloaded. False when there is nothing to open.
    bool LocalCopy(QString& itemPath);
    // Removes what the open item left in the cache: its download and its archive member.
    void RemoveTemporaryFiles();
    // Removes the downloaded source's copy unless downloads are kept or `nextPaths` (the list
    // that replaces it) names it. The list is read from that copy (an archive's members, the one
    // file), so it stays until the list itself goes: another source, the list forgotten, or the
    // player's end.
    void RemoveSourceCopy(const QStringList& nextPaths = {});
    // Opens items from the current one on, one way, until one opens.
    bool Walk(int step);
    // What the tick does when the list has run out: start again (repeat) or stop.
    void EndOfList(bool* stopAtEnd, bool backwards);
    // What the tick does when the open item's engine closed on an error: the next item plays.
    bool PassFailedItem(bool* stopAtEnd);
    // What the tick does for each kind of item; true when the item changed.
    bool TickCd(QString* display, bool* stopAtEnd);
    // The tick of a DVD or file item whose engine has closed: a failed item is passed over,
    // otherwise the player is idle.
    bool TickClosed(CMedia& engine, bool* stopAtEnd);
    bool TickDvd(QString* display, bool* stopAtEnd, int width);
    bool TickFile(QString* display, bool* stopAtEnd, int width);
    bool TickStill(QString* display, bool* stopAtEnd);
    QString TitleOf(const PlayItem& item, bool detailed);
    // After an open: the item the session stopped in goes on from its place; any other starts
    // at its beginning.
    void ResumeOrRewind(CMedia& engine);

    platform::DriveTable drives;
    PlayerEngines engines{drives};
    PlayerDisplay displayLines;
    QWidget* videoWnd = nullptr;
    // The main window (the engines' notifications go to it), and what the sources borrow.
    SourceContext sourceContext;
    NetworkSource network{sourceContext};
    ArchiveSource archive{sourceContext};
    DiscSource discs{drives, engines.Cd(), engines.Dvd()};
    SourceLister lister{drives, network, archive, discs};
    StillPictures pictures{sourceContext, archive};
    DvdControls dvdControls{engines.Dvd(), [this] { return kind == ItemKind::kDvd; }};
    // The state the player had when a source became busy, and how many are busy.
    PlayerState beforeBusy = PlayerState::kNone;
    int busyDepth = 0;
    DisplaySettings displaySettings;
};

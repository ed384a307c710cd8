#pragma once
// CDVDMedia: plays DVD-Video (and the video part of DVD-Audio discs) through the DVD graph and
// exposes the navigator to the player: titles, chapters, menus and their buttons, audio,
// subpicture and angle streams, closed captions, scan rates and full screen. The controller
// owns one for the program's life. UI thread only. Times are milliseconds.
//
// Each chapter of a disc is one play item named after the disc's IFO path with the title and
// chapter before the extension: .../VIDEO_TS/VIDEO_TS_01_003.IFO is title 1, chapter 3.

#include "Media.h"
#include "platform/PathSplit.h"

#include <QString>
#include <QStringList>

namespace platform {
class DvdGraphProxy;
}

// A jump asked for before the disc could take it; the next time event in a title makes it.
struct PendingJump
{
    enum class Kind : int
    {
        kNone,
        kTitle,   // play `title` from its start
        kChapter, // play `chapter` of `title`
        kTime,    // play `title` from `ms`
    };
    Kind kind = Kind::kNone;
    int title = 0;
    int chapter = 0;
    int ms = 0;
    bool operator==(const PendingJump&) const = default;
};

class CDVDMedia : public CMedia
{
public:
    explicit CDVDMedia(platform::DriveTable drives = {});
    ~CDVDMedia() override;

    void FitVideoWindow() override;
    // The chapter and (in `*title`) the title a chapter item's name gives; 0 and 0 for none.
    static int ParseChapterItem(const QString& itemPath, int* title, const platform::DriveTable& drives = {});
    // The same from the item's file name without its extension ("VIDEO_TS_02_011").
    static int ChapterOfName(const QString& name, int* title);
    bool ListChapterItems(const QString& path, QStringList* items, bool* found, int* foundPos,
                          const QString& wanted, bool select);
    void SetRate(double request) override;
    void GetSubpictureStreams(QStringList* names, unsigned* count, unsigned long* current, bool* disabled);
    void GetAudioStreams(QStringList* names, unsigned* count, unsigned long* current);
    void SetClosedCaption(bool on);
    void SetDecodeMode(int flags);
    void SelectSubpicture(int stream, bool show);
    void SelectAudio(int stream);
    // Pointer positions are in the video window's coordinates.
    void PointerAction(PointerEvent event, int x, int y) override;
    // Keys: 0 left, 1 right (in a title: scan by `rate`), 2 up, 3 down, 4 activate.
    void MenuKey(NavigationKey key, double rate);
    // In a title, the menu; in a menu, back to the title.
    void ShowMenu(platform::DvdMenu menu);
    void PlayTitle(int title, bool absolute);
    void PlayChapter(int chapter, bool absolute, int title);
    bool Seek(int ms, int title) override;
    void Close() override;
    bool BuildGraph(const QString& path) override;
    void AttachPlayWnd(CMedia* target) override;

    // The time in the current title (ms) with its title and chapter; -1 when unknown.
    int GetLocation(int* title, int* chapter);
    // GetLocation for the controller's tick: the title and chapter read become the engine's.
    int FollowLocation();
    // The chapter the session stopped in, the engine's until the disc tells its own.
    void RestoreChapter(int number) { chapter = number; }
    void SelectAngle(int index); // from 0
    void GetAngles(QStringList* names, unsigned* count, int* current);
    unsigned long GetValidUops() const { return validUops; }
    platform::DvdDomain GetDomain() const { return domain; }
    QString BuildItemName(int title, int chapter) const;
    // The disc's IFO path of a chapter item; empty when the name has no "_".
    static QString GetIfoFromItem(const QString& itemPath);
    static QString IfoOfItem(const platform::PathParts& parts);
    // The disc's AUDIO_TS.IFO (when `preferAudio`) or VIDEO_TS.IFO below `root`, a folder,
    // an image file or a drive.
    static bool FindIfo(const QString& root, QString* ifoPath, bool preferAudio);

    const PendingJump& Pending() const { return pending; }
    bool IsStill() const { return stillOn; }
    int FrameRate() const { return frameRate; }
    // The streams and choices asked for, kept also while no disc takes them.
    int AudioStream() const { return audioStream; }
    int SubpictureStream() const { return subpictureStream; }
    bool SubpicturesShown() const { return subpictureShown; }
    bool ClosedCaptions() const { return closedCaption; }
    int DecodeFlags() const { return decodeFlags; }
    // The last build error.
    const QString& ErrorText() const { return errorText; }

    // The DVD graph while open, for the navigator's state; null when closed.
    platform::DvdGraphProxy* Dvd() const { return navigator; }

protected:
    int TakeGraphEvent() override;

private:
    // Tests set up their scenes through this.
    friend struct EngineScene;

    void Prepare();
    // Out of a still and back to the title.
    void LeaveMenu();

    // The navigator: the DVD graph owned by `graph`; null when closed.
    platform::DvdGraphProxy* navigator = nullptr;
    unsigned long validUops = 0; // prohibited operations, from the last valid-operations event
    bool titleChanged = false;   // the next chapter start counts as a change
    int angle = 0;
    int audioStream = 0;
    int subpictureStream = 0;
    bool subpictureShown = false;
    int lastPosition = 0; // the last non-zero position GetLocation returned
    bool stillOn = false;
    int frameRate = 30;
    bool closedCaption = false;
    int decodeFlags = 1;
    QString errorText;
    PendingJump pending;
    int eventChapter = 0; // the chapter the last chapter-start event announced
};

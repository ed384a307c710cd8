#pragma once
// DvdControls: what the user does with the DVD that plays: steps its titles, shows its menus,
// points at and presses its buttons, and chooses its audio and subpicture streams, its angle,
// the decode mode and closed captions. While another kind of item plays, the calls that act
// on the disc do nothing and the disc's lists are empty; the stream, decode and caption
// choices are kept by the DVD engine for the next disc.
//
// UI thread only; owned by the player controller, which says whether a DVD plays.

#include "media/DVDMedia.h"
#include "media/NavigationKey.h"
#include "platform/ipc/MediaCodes.h"

#include <QStringList>

#include <functional>

class DvdControls
{
public:
    DvdControls(CDVDMedia& dvd, std::function<bool()> plays);
    DvdControls(const DvdControls&) = delete;
    DvdControls& operator=(const DvdControls&) = delete;

    void PlayTitle(int step);
    void ShowMenu(platform::DvdMenu menu);
    void PointerAction(PointerEvent event, int x, int y);
    // The operations the disc allows now; none while no DVD plays.
    unsigned long GetValidUops() const;
    void GetAudioStreams(QStringList* names, unsigned* count, unsigned long* currentStream);
    void GetSubpictureStreams(QStringList* names, unsigned* count, unsigned long* currentStream,
                              bool* disabled);
    void GetAngles(QStringList* names, unsigned* count, int* currentAngle);
    void SelectAudio(int n) { dvd.SelectAudio(n); }
    void SelectSubpicture(int n, bool show) { dvd.SelectSubpicture(n, show); }
    void SelectAngle(int n) { dvd.SelectAngle(n); }
    void SetDecodeMode(int flags) { dvd.SetDecodeMode(flags); }
    void SetClosedCaption(bool on) { dvd.SetClosedCaption(on); }

    // The user moved in the disc's menus since it last played a title: the list does not
    // follow the disc's own moves meanwhile.
    bool UserNavigated() const { return userNavigated; }
    void TitlePlays() { userNavigated = false; }

private:
    CDVDMedia& dvd;
    std::function<bool()> plays;
    bool userNavigated = false;
};

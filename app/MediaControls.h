#pragma once
// What the desktop's media controls (media keys, the sound menu, playerctl: MPRIS on the
// session bus) see of the main player and may do with it. The main window implements it; the
// alarm player is not offered. UI thread only.

#include <QString>

// The main player as the desktop sees it at one moment.
struct MediaControlsState
{
    enum class Status
    {
        kStopped,
        kPlaying,
        kPaused,
    };
    Status status = Status::kStopped;
    // The current item's place in the list (-1 for none), its path or address, and its title
    // as the display names it.
    int index = -1;
    QString item;
    QString title;
    // Milliseconds; -1 when not known.
    qint64 length = -1;
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool shuffle = false;
    bool repeat = false;
    // 0 (silent) to 1 (full), as the desktop counts volume.
    double volume = 1.0;
    // Milliseconds into the item as of the window's last tick; -1 for none.
    qint64 position = -1;
    bool operator==(const MediaControlsState&) const = default;
};

class MediaControls
{
public:
    enum class Command
    {
        kPlay,
        kPause,
        kPlayPause,
        kStop,
        kNext,
        kPrevious,
    };

    virtual ~MediaControls() = default;
    virtual MediaControlsState ControlsState() = 0;
    // The place in the current item, in milliseconds, asked of its engine now; -1 for none.
    virtual qint64 CurrentPosition() = 0;
    virtual void Transport(Command command) = 0;
    // Moves to `ms` in the current item; false when it cannot.
    virtual bool SeekTo(qint64 ms) = 0;
    // Plays a file, folder or address as a drop on the window would; false when there is
    // nothing there.
    virtual bool OpenLocation(const QString& location) = 0;
    virtual void SetShuffle(bool on) = 0;
    virtual void SetRepeat(bool on) = 0;
    virtual void SetVolume(double volume) = 0;
    // Brings the window to the front; ends the program.
    virtual void Raise() = 0;
    virtual void Quit() = 0;
};

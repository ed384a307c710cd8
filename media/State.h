#pragma once
// The playback states, and CState: the state value that every engine and each player
// controller embeds. Values 0 closed, 1 opened, 2 playing, 3 paused, 4 stopped mean the same in
// every state type; the CD engine and the player controller add states of their own above them.

// The media file and DVD engines' states.
enum class EngineState : int
{
    kClosed = 0,
    kOpened = 1,
    kPlaying = 2,
    kPaused = 3,
    kStopped = 4,
};

// The CD engine's states.
enum class CdState : int
{
    kClosed = 0, // constructed, nothing asked yet
    kOpened = 1,
    kPlaying = 2,
    kPaused = 3,
    kStopped = 4,
    kDeviceClosed = 5,
    kNoDisc = 6,      // no disc, or the tray is open
    kDiscPresent = 7, // an audio disc is in the drive but not opened
};

template <typename E = EngineState> class CState
{
public:
    void Set(E v) { value = v; }
    E Get() const { return value; }
    bool Is(E v) const { return value == v; }
    bool IsNot(E v) const { return value != v; }
    bool IsPlaying() const { return value == E::kPlaying; }
    bool CanPlay() const { return value == E::kOpened || value == E::kPaused || value == E::kStopped; }
    bool CanPause() const { return value == E::kPlaying || value == E::kStopped; }
    bool CanStop() const { return value == E::kPlaying || value == E::kPaused; }
    bool IsLoaded() const { return value == E::kOpened || value == E::kPlaying || value == E::kPaused; }

private:
    E value{};
};

#pragma once
// CState: the playback state value that every engine and each player controller embeds.
// 0 closed, 1 opened, 2 playing, 3 paused, 4 stopped are common to all; the controller adds
// 5..8 and the CD engine 5..7 (see their headers).

class CState
{
public:
    CState() = default;
    virtual ~CState() = default;

    void Set(int v) { value = v; }
    int Get() const { return value; }
    bool Is(int v) const { return value == v; }
    bool IsNot(int v) const { return value != v; }
    bool IsPlaying() const { return value == 2; }
    bool CanPlay() const { return value == 1 || value == 3 || value == 4; }
    bool CanPause() const { return value == 2 || value == 4; }
    bool CanStop() const { return value == 2 || value == 3; }
    bool IsLoaded() const { return value == 1 || value == 2 || value == 3; }

private:
    int value = 0;
};

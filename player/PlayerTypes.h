#pragma once
// The player controller's state, the kinds of play item, and the flags that say where the list
// of items came from.

// The controller's state: the engines' first five, then its own.
enum class PlayerState : int
{
    kNone = 0, // nothing opened since the start
    kOpened = 1,
    kPlaying = 2,
    kPaused = 3,
    kStopped = 4,
    kClosed = 5,      // the item was closed
    kIdle = 6,        // the disc was ejected, or the list ran out
    kDiscArrived = 7, // a disc came while idle; the next tick may play it
    kDownloading = 8, // a network item is being fetched
};

// What an item is, and so which engine opens it.
enum class ItemKind : int
{
    kNone = 0,
    kCdTrack = 1,
    kDvd = 2,
    kVideoCd = 3,
    kMediaFile = 4,
    kStillImage = 5,
    kShell = 6,    // handed to the desktop
    kDocument = 7, // a file the program does not play
    kDiscPlayer = 8,
    kDiscLauncher = 9,
};

// Where OpenForward starts its walk through the list.
enum class ForwardFrom : int
{
    kNextItem, // the item after the current one; the first when none is current
    kStart,    // the item the session resumes with when the list has it, else the first
    kTarget,   // the item named
};

// Where OpenBackward starts its walk.
enum class BackwardFrom : int
{
    kPreviousItem, // the item before the current one; the last when none is current
    kLastItem,
};

// Which way the list was last walked: an item that fails to open is passed that way.
enum class WalkDirection : int
{
    kNone,
    kForward,
    kBackward,
};

// Where the list came from.
constexpr int kSourceFile = 0x01;
constexpr int kSourcePlaylist = 0x02;
constexpr int kSourceFolder = 0x04;
constexpr int kSourceArchive = 0x08;
constexpr int kSourceDownloaded = 0x10;
constexpr int kItemDownloaded = 0x20;

#pragma once
// The main window's context menu: built afresh from menu 130 each time it is shown, with its
// items enabled and checked from the player, the DVD and the window's choices, and its jump,
// subpicture, audio, angle and properties submenus filled from what the player reports.
// Every command item carries its command id as the action's data.

#include "clock/Stopwatch.h"

#include <QString>

#include <memory>

class CMediaPlayer;
class QAction;
class QMenu;
class QWidget;

// The window's side of the menu. The DVD choices are read from and, where the DVD reports
// its streams, written back: the menu is where the window learns the current streams.
struct ContextMenuState
{
    Stopwatch::State stopwatch = Stopwatch::kIdle;
    int decodeMode = 0; // 0..3
    bool noVpe = false;
    bool closedCaptions = false;
    bool fullScreen = false;

    bool subpictureOn = true;
    int subpictureStream = 0;
    int audioStream = 0;
    int angle = 0;
    unsigned subpictureCount = 0;
    unsigned audioCount = 0;
    unsigned angleCount = 0;
    int filterCount = 0; // entries of the properties submenu
};

// The jump submenu lists at most this many items of the player's list.
constexpr int kMaxJumpEntries = 2001;

// Builds the menu as a child of `parent`. Asks the player for its items' titles (reading
// tags) and, with a DVD open, for its streams and angles.
std::unique_ptr<QMenu> BuildContextMenu(CMediaPlayer& player, ContextMenuState& state, QWidget* parent);

// The item carrying command `id` anywhere in `menu`, or null.
QAction* FindCommand(const QMenu& menu, int id);

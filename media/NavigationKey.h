#pragma once
// The keys that scan a title or move through a disc's menus. In a title, left and right scan
// backwards and forwards; in a menu they, up and down move between buttons, and enter presses
// the button chosen. Keys 5 and 6 come from the accelerators that name them; no engine acts on
// them.

enum class NavigationKey : int
{
    kLeft = 0,
    kRight = 1,
    kUp = 2,
    kDown = 3,
    kEnter = 4,
    kKey5 = 5,
    kKey6 = 6,
};

// What the pointer did over a disc's menu: moving over a button selects it, pressing on one
// activates it.
enum class PointerEvent : int
{
    kMove,
    kPress,
};

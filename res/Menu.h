#pragma once
// The program's menus as data: menu 130 is the main window's context menu. A menu is a flat
// list in resource order; a popup's entries follow its kPopup entry up to the matching kEnd.
// Separators count as positions, so a position here is the position in the built menu.

#include <span>

namespace res {

constexpr int kMenuContext = 130;

struct MenuEntry
{
    enum Type
    {
        kCommand,
        kSeparator,
        kPopup, // opens a submenu; `text` is its caption
        kEnd,   // closes the innermost open submenu
    };
    Type type;
    int id;           // command id; 0 for separators and popups
    const char* text; // UTF-8; "&" marks the mnemonic, a tab starts the key hint
};

// The entries of menu `id`; empty when there is no such menu.
std::span<const MenuEntry> LoadMenu(int id);

} // namespace res

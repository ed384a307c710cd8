#pragma once
// Virtual-key codes, the key numbers the main window's commands are written in.

namespace platform {

constexpr unsigned VK_RETURN = 0x0D;
constexpr unsigned VK_ESCAPE = 0x1B;
constexpr unsigned VK_SPACE = 0x20;
constexpr unsigned VK_PRIOR = 0x21; // Page Up
constexpr unsigned VK_NEXT = 0x22;  // Page Down
constexpr unsigned VK_END = 0x23;
constexpr unsigned VK_HOME = 0x24;
constexpr unsigned VK_LEFT = 0x25;
constexpr unsigned VK_UP = 0x26;
constexpr unsigned VK_RIGHT = 0x27;
constexpr unsigned VK_DOWN = 0x28;
constexpr unsigned VK_INSERT = 0x2D;
constexpr unsigned VK_DELETE = 0x2E;

constexpr unsigned WM_KEYDOWN = 0x100;
constexpr unsigned WM_KEYUP = 0x101;

// The virtual-key code of a Qt key, 0 for keys without one.
unsigned VirtualKeyFromQt(int qtKey);

// The character a virtual key types on a US layout, 0 for keys that type none: what a posted
// key press becomes once translated into a character.
char16_t CharacterOfVirtualKey(unsigned virtualKey, bool shift);

} // namespace platform

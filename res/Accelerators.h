#pragma once
// The program's accelerator tables as data: table 136 turns the main window's keys into its
// commands. An entry is either a virtual key with the exact modifier keys that must be held,
// or a character, which matches whatever key types it while neither Ctrl nor Alt is held.

#include <cstdint>
#include <span>

namespace res {

constexpr int kAcceleratorsMain = 136;

struct Accelerator
{
    enum Flags : uint8_t
    {
        kVirtualKey = 0x01, // `key` is a virtual-key code, else a character
        kShift = 0x04,
        kControl = 0x08,
        kAlt = 0x10,
    };
    uint8_t flags;
    char16_t key;
    int command;
};

// The entries of table `id`; empty when there is no such table.
std::span<const Accelerator> LoadAccelerators(int id);

// The command of the first entry that matches a key press, 0 for none. `virtualKey` is the
// pressed key's virtual-key code (0 when it has none), `character` what it types (0 for
// nothing), `modifiers` the held modifier keys as kShift | kControl | kAlt.
int TranslateAccelerator(std::span<const Accelerator> table, unsigned virtualKey, char16_t character,
                         unsigned modifiers);

} // namespace res

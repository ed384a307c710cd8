#include "Accelerators.h"

#include <array>

namespace res {

namespace {

using A = Accelerator;

constexpr uint8_t kVirt = A::kVirtualKey;
constexpr uint8_t kChar = 0;

// Virtual-key codes of the keys the table names.
constexpr char16_t kReturn = 0x0D;
constexpr char16_t kPrior = 0x21;
constexpr char16_t kNext = 0x22;
constexpr char16_t kEnd = 0x23;
constexpr char16_t kHome = 0x24;
constexpr char16_t kLeft = 0x25;
constexpr char16_t kUp = 0x26;
constexpr char16_t kRight = 0x27;
constexpr char16_t kDown = 0x28;
constexpr char16_t kInsert = 0x2D;
constexpr char16_t kDelete = 0x2E;

constexpr std::array kMain{
    A{kVirt, kDelete, 32784},
    A{kChar, u'2', 32784},
    A{kChar, u'0', 34955},
    A{kVirt, kInsert, 32785},
    A{kChar, u'3', 32785},
    A{kVirt, kHome, 32789},
    A{kVirt, kPrior, 32787},
    A{kVirt, kNext, 32788},
    A{kVirt, kEnd, 32790},
    A{kChar, u'4', 32813},
    A{kChar, u'5', 32783},
    A{kChar, u'6', 32781},
    A{kChar, u'7', 32786},
    A{kChar, u'-', 34956},
    A{kVirt, kLeft, 32791},
    A{kVirt, kRight, 32792},
    A{kVirt, kUp, 32794},
    A{kVirt, kDown, 32793},
    A{kVirt, kReturn, 32795},
    A{kVirt | A::kShift, kRight, 34953},
    A{kVirt | A::kShift, kLeft, 34954},
    A{kChar, u'/', 32798},
    A{kChar, u'*', 32799},
    A{kChar, u'T', 32803},
    A{kChar, u't', 32803},
    A{kVirt | A::kControl | A::kShift, kLeft, 32807},
    A{kVirt | A::kControl | A::kShift, kRight, 32808},
    A{kVirt | A::kAlt, kLeft, 32809},
    A{kVirt | A::kAlt, kRight, 32810},
    A{kVirt | A::kControl, kLeft, 34952},
    A{kVirt | A::kControl, kRight, 34951},
    A{kVirt, u'Z', 34957},
    A{kVirt, u'X', 34958},
    A{kChar, u'9', 32804},
    A{kChar, u'1', 57602},
};

constexpr unsigned kModifierMask = A::kShift | A::kControl | A::kAlt;

} // namespace

std::span<const Accelerator> LoadAccelerators(int id)
{
    if (id == kAcceleratorsMain)
        return kMain;
    return {};
}

int TranslateAccelerator(std::span<const Accelerator> table, unsigned virtualKey, char16_t character,
                         unsigned modifiers)
{
    modifiers &= kModifierMask;
    for (const Accelerator& entry : table) {
        if (entry.flags & A::kVirtualKey) {
            if (virtualKey != 0 && entry.key == virtualKey && (entry.flags & kModifierMask) == modifiers)
                return entry.command;
        } else if (character != 0 && entry.key == character && !(modifiers & (A::kControl | A::kAlt))) {
            return entry.command;
        }
    }
    return 0;
}

} // namespace res

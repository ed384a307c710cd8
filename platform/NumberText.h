#pragma once
// Numbers read from text the way C's atoi and strtoul read them: leading blanks, an optional
// sign, then digits up to the first character that is not one. Text without digits is 0.

#include <QStringView>

#include <cstdint>
#include <optional>

namespace platform {

int LeadingInt(QStringView text);
// Hexadecimal digits after optional blanks (and an optional "0x"), as an unsigned 32-bit
// number; values too large saturate. Nothing when the text does not start with a digit.
std::optional<std::uint32_t> LeadingHex(QStringView text);

} // namespace platform

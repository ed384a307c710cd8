#pragma once
// Texts taken from tags: "ANSI" bytes (UTF-8, else CP932) and UTF-16, each ending at its first
// null and cut to the reader's text buffer without splitting a character.

#include <QString>

namespace tagtext {

// At most `maxBytes` bytes of `bytes[0, count)` decoded; a cut falls before the character that
// would not fit (a UTF-8 sequence or a CP932 lead and trail byte stay whole).
QString DecodeAnsi(const unsigned char* bytes, int count, int maxBytes);

// UTF-16 code units of `bytes[0, count)`; an odd last byte is ignored. At most `maxUnits` units,
// a surrogate pair is never split.
QString DecodeUtf16(const unsigned char* bytes, int count, bool bigEndian, int maxUnits);

// `text` without trailing white space.
QString TrimRight(QString text);

} // namespace tagtext

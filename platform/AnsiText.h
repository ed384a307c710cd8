#pragma once
// "ANSI" text of files written on Windows (skin files, AUTORUN.INF, playlists, tags):
// bytes that are valid UTF-8 are UTF-8, anything else is Shift-JIS (code page 932).
// The program itself always writes UTF-8.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

// Decodes `bytes` by the rule above. Bytes that are neither valid UTF-8 nor valid CP932
// become U+FFFD; the result is never longer than the input in characters.
QString DecodeAnsi(QByteArrayView bytes);

// True when `bytes` is well-formed UTF-8 (overlong forms and surrogates are not).
bool IsValidUtf8(QByteArrayView bytes);

// What the program writes for `text`.
inline QByteArray EncodeAnsi(const QString& text)
{
    return text.toUtf8();
}

} // namespace platform

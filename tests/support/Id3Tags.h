#pragma once
// ID3 tags made byte by byte, for the title readers' tests and benchmark.

#include <QByteArray>
#include <QString>

namespace id3_tags {

// A text frame body: the encoding byte, then `text` as it is.
QByteArray TextBody(const QByteArray& text, char encoding = 0);
// A frame of ID3v2.`version` (2, 3 or 4): identifier, size (24-bit, 32-bit or sync-safe) and,
// from version 3 on, two zero flag bytes, then `body`.
QByteArray Frame(int version, const QByteArray& id, const QByteArray& body);
// An ID3v2.`version` tag: the 10-byte header whose size counts `frames` and `padding` zero bytes.
QByteArray Tag(int version, const QByteArray& frames, int padding = 0);
// The 28-bit sync-safe form of `value`, big-endian.
QByteArray SyncSafe(quint32 value);
// A 128-byte ID3v1 tag with `title` in its 30-byte title field (zero-filled).
QByteArray V1Tag(const QByteArray& title);
// `count` bytes that look like MPEG audio frames, to follow a tag.
QByteArray Audio(int count);

// Writes `bytes` to `path`; false when it could not.
bool WriteFile(const QString& path, const QByteArray& bytes);

} // namespace id3_tags

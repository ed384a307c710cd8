#pragma once
// MIDI and ASF files made byte by byte, for the title readers' tests and the fuzz seeds.

#include <QByteArray>
#include <QString>

namespace title_files {

QByteArray BigEndian32(quint32 v);
QByteArray Le16(int v);
// `text` as UTF-16 little-endian, without a terminator.
QByteArray Utf16Le(const QString& text);

// ---- MIDI ----

// A standard MIDI file of one track: the header chunk, then "MTrk" declaring `trackLength`.
QByteArray Smf(const QByteArray& track, quint32 trackLength);
QByteArray Smf(const QByteArray& track);
// A meta event at delta time 0; texts of 128 bytes or more take two length bytes.
QByteArray Meta(char type, const QByteArray& text);
extern const QByteArray kEndOfTrack;
extern const QByteArray kNotes;

// ---- ASF ----

extern const QByteArray kAsfHeaderGuid;
extern const QByteArray kContentDescriptionGuid;
// A content description (its GUID and size first), with the given length fields and strings.
QByteArray Description(int titleLength, int authorLength, const QByteArray& strings);
// The header object's GUID, size and counts, before its first object.
QByteArray AsfHead();
// A header with a content description of `title` and `author`, then stream bytes.
QByteArray Asf(const QString& title, const QString& author);

} // namespace title_files

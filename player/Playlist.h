#pragma once
// M3U playlists: one path or address per line, "#" lines are comments. Lines are absolute
// ("/music/a.mp3"), network addresses (with a scheme such as "http:") or relative to the
// playlist's folder. Files written on Windows are read as well: CP932 or UTF-8 text, CRLF
// line ends, a UTF-8 byte order mark, and backslashes in relative lines.

#include <QList>
#include <QString>
#include <QStringList>

struct PlaylistEntry
{
    QString path;          // the resolved item: an existing path or an address taken as written
    bool isFolder = false; // an existing folder, for the caller to classify and expand
};

// The entries of the playlist at `m3uPath`, in file order. Skipped: comment and blank lines,
// paths that do not exist, and Windows paths that cannot name anything here (those with a
// drive letter, "\\server\share" and "\root" forms). A missing, unreadable or non-regular
// file yields an empty list.
QList<PlaylistEntry> ReadPlaylistEntries(const QString& m3uPath);

// Writes `items` as UTF-8, one per line, each followed by "\n": items inside the playlist's
// folder relative to it, where the relative line reads back as the same item; others as
// they are. Items holding a line break cannot be written and are left out. The file is
// replaced whole or not at all; false when it could not be written.
bool SavePlaylist(const QString& m3uPath, const QStringList& items);

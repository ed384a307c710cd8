#pragma once
// The title that a tagged media file gives itself, for the player's display and lists.

#include <QString>

// Reads the title of `path` with the reader its upper-cased extension calls for (".MID" CMIDI,
// ".MP3" CMP3, ".WMA" and ".WMV" CWMA), trailing white space removed. Empty when the extension
// has no reader, the file cannot be read or it holds no title: the caller then names the item
// itself.
QString ProbeTitle(const QString& path);

#pragma once
// The program offered for inserted audio CDs, DVD-Video, Video CDs and DVD-Audio discs: one desktop
// entry per kind of disc in the user's applications folder, listed for the disc's content
// type in the user's default-application list.

#include <QString>

// Writes the entries; `executable` is the running program's full path, `iconFile` its icon.
// Failures are ignored.
void RegisterAutoplayHandlers(const QString& executable, const QString& iconFile);
// Removes the entries and their listings. Failures are ignored.
void UnregisterAutoplayHandlers();

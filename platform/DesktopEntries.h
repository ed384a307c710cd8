#pragma once
// The user's desktop entries and default-application list (XDG), through which the program
// offers itself for inserted discs.

#include <QList>
#include <QPair>
#include <QString>

namespace platform {

// "$XDG_DATA_HOME/applications/" and "$XDG_CONFIG_HOME/mimeapps.list".
QString ApplicationsFolder();
QString MimeAppsListPath();

// One argument of an Exec line, quoted where the desktop entry rules need it.
QString QuoteExecArgument(const QString& argument);

// Writes "<id>.desktop" with a [Desktop Entry] group holding `fields` in order.
bool WriteDesktopEntry(const QString& id, const QList<QPair<QString, QString>>& fields);
bool RemoveDesktopEntry(const QString& id);

// Adds or removes "<id>.desktop" in the [Added Associations] list of `mimeType`, leaving the
// other applications listed there alone.
bool AddMimeAssociation(const QString& mimeType, const QString& id);
bool RemoveMimeAssociation(const QString& mimeType, const QString& id);

} // namespace platform

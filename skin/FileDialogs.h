#pragma once
// The open dialogs the program's dialogs share: a file with a filter list from the string
// table, and a folder.

#include <QString>

class QWidget;

// "desc|patterns|desc|patterns||" (the string table's form) as Qt's file dialog takes it.
QString DialogFilter(const QString& listed);

// Asks for an existing file, starting at `initial` (one pair of enclosing quotes dropped), with
// the filters of string `filterId` and the default extension of string `extensionId`, titled
// with string `titleId` ("開く" for 0). Empty when the user cancels.
QString BrowseForFile(QWidget* owner, const QString& initial, int filterId, int extensionId, int titleId = 0);

// Asks where to save, the same way; an existing file is replaced only after the user agrees.
QString BrowseForSaveFile(QWidget* owner, const QString& initial, int filterId, int extensionId, int titleId);

// Asks for an existing folder, starting at `initial`. Empty when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& initial);

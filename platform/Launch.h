#pragma once
// Opening things the way the desktop's shell would: programs start, documents open.

#include <QString>
#include <QStringList>

namespace platform {

// True for a file that runs by itself: it has an execute bit and starts with an ELF header
// or "#!".
bool IsProgramFile(const QString& path);

// Starts `target`: a program runs as a detached process in its own folder with `arguments`;
// anything else (a document, a folder, an address) opens with the desktop's default
// application through xdg-open. False when nothing could be started, and once the program is
// ending.
bool Launch(const QString& target, const QStringList& arguments = {});

} // namespace platform

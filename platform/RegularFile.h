#pragma once
// Opening a user-supplied path for reading without ever blocking. A named pipe given as a media
// file would hold a plain open() until some writer came, and a character device (/dev/zero
// named "x.mp3") reads like an endless file. These opens refuse both: the path is opened with
// O_NONBLOCK, the opened descriptor is checked with fstat (so a path swapped between a check and
// the open cannot slip through), and only then are reads made blocking again. Symbolic links
// are followed. Safe on any thread.

#include <QFile>
#include <QString>

namespace platform {

// A read-only, close-on-exec descriptor for `path` when it is a regular file, else -1. The
// caller closes it.
int OpenRegularFile(const QString& path);
// As OpenRegularFile, and block devices (an optical drive's node, "/dev/sr0") are taken too.
// FIFOs, character devices, sockets and directories are still refused.
int OpenFileOrBlockDevice(const QString& path);

// Opens `file` read-only on such a descriptor, with `extraModes` such as QIODevice::Unbuffered;
// `file` then owns the descriptor. False on refusal or when `file` is open already.
bool OpenRegularFile(QFile& file, const QString& path, QIODevice::OpenMode extraModes = {});
bool OpenFileOrBlockDevice(QFile& file, const QString& path, QIODevice::OpenMode extraModes = {});

} // namespace platform

#pragma once
// Opening a user-supplied path for reading without ever blocking. A named pipe given as a media
// file would hold a plain open() until some writer came, and a character device (/dev/zero
// named "x.mp3") reads like an endless file. These opens refuse both: the path is opened with
// O_NONBLOCK, the opened descriptor is checked with fstat (so a path swapped between a check and
// the open cannot slip through), and only then are reads made blocking again. Symbolic links
// are followed. Safe on any thread.

#include <QFile>
#include <QString>

#include <optional>

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

// Which file a path names, as it is now: a file replaced (a new inode) or written since (a new
// size or time) has another identity. For caches that keep what was made from a file.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};
// The identity of `path` when it names a regular file (links followed); nothing otherwise.
std::optional<FileIdentity> IdentifyRegularFile(const QString& path);

} // namespace platform

#include "RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool Taken(mode_t mode, bool blockDevices)
{
    return S_ISREG(mode) || (blockDevices && S_ISBLK(mode));
}

int Open(const QString& path, bool blockDevices)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    // Looked at before the open too: opening some devices does something by itself (a terminal
    // may become the controlling one, a tape rewinds when closed), so those are never opened.
    if (name.isEmpty() || ::stat(name.constData(), &status) != 0 || !Taken(status.st_mode, blockDevices))
        return -1;
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    // What counts is what was opened, not what the path named a moment ago.
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || !Taken(status.st_mode, blockDevices) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool OpenOn(QFile& file, int fd, QIODevice::OpenMode extraModes)
{
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadOnly | extraModes, QFileDevice::AutoCloseHandle))
        return true;
    // A file that got as far as being open owns the descriptor already.
    if (file.isOpen())
        file.close();
    else
        ::close(fd);
    return false;
}

} // namespace

int OpenRegularFile(const QString& path)
{
    return Open(path, false);
}

int OpenFileOrBlockDevice(const QString& path)
{
    return Open(path, true);
}

bool OpenRegularFile(QFile& file, const QString& path, QIODevice::OpenMode extraModes)
{
    return !file.isOpen() && OpenOn(file, OpenRegularFile(path), extraModes);
}

bool OpenFileOrBlockDevice(QFile& file, const QString& path, QIODevice::OpenMode extraModes)
{
    return !file.isOpen() && OpenOn(file, OpenFileOrBlockDevice(path), extraModes);
}

std::optional<FileIdentity> IdentifyRegularFile(const QString& path)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileIdentity{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino),
                        static_cast<qint64>(info.st_size),
                        qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
                        qint64(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}

} // namespace platform

#include "InputBytes.h"
#include "Formats.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ifqtimage {

namespace {

// A file descriptor this module opened; closed when it goes.
class OwnedFd
{
public:
    explicit OwnedFd(int fd) : fd(fd) {}
    ~OwnedFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;
    int get() const { return fd; }

private:
    int fd;
};

// Reads up to `size` bytes at `offset`; the count read (short at the end of the file), or -1.
qint64 ReadAt(int fd, char* data, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, data + done, static_cast<size_t>(size - done), offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

// A descriptor for `name` when it is a regular file, else -1. A plain open of a named pipe waits
// for a writer, so the open does not block and the opened descriptor is what gets checked;
// reads block again afterwards. The module links no program library, hence its own copy.
int OpenRegularFile(const char* name)
{
    int fd = -1;
    do {
        fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat status = {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::optional<QByteArray> HeaderFromDescriptor(int fd)
{
    QByteArray header(kHeaderBytes, '\0');
    if (ReadAt(fd, header.data(), kHeaderBytes, 0) < 0)
        return std::nullopt;
    return header;
}

int ReadFileFrom(const char* name, intptr_t offset, QByteArray& bytes)
{
    if (!name || offset < 0)
        return SPI_READ_ERROR;
    const OwnedFd fd(OpenRegularFile(name));
    struct stat status = {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0)
        return SPI_READ_ERROR;
    if (offset > status.st_size)
        return SPI_READ_ERROR;
    const qint64 size = status.st_size - offset;
    if (size > kMaxInputBytes)
        return SPI_NO_MEMORY;
    bytes = QByteArray(static_cast<qsizetype>(size), Qt::Uninitialized);
    const qint64 got = ReadAt(fd.get(), bytes.data(), size, offset);
    if (got < 0)
        return SPI_READ_ERROR;
    bytes.truncate(static_cast<qsizetype>(got)); // the file may have shrunk meanwhile
    return SPI_SUCCESS;
}

} // namespace ifqtimage

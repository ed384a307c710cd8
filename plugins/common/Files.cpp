#include "Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace spi {

OwnedFd::~OwnedFd()
{
    if (fd >= 0)
        ::close(fd);
}

int OpenRegularFile(const char* name)
{
    if (!name)
        return -1;
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

int64_t ReadAt(int fd, void* data, int64_t size, int64_t offset)
{
    auto* bytes = static_cast<char*>(data);
    int64_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, bytes + done, static_cast<size_t>(size - done), offset + done);
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

} // namespace spi

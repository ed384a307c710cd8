#pragma once
// Files a module opens itself, and positioned reads on them that leave a descriptor's offset
// alone. The modules link no program library, hence their own.

#include <cstdint>

namespace spi {

// A file descriptor the module opened; closed when it goes.
class OwnedFd
{
public:
    explicit OwnedFd(int fd = -1) : fd(fd) {}
    ~OwnedFd();
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;
    int get() const { return fd; }

private:
    int fd;
};

// A descriptor for `name` (UTF-8 bytes of its path) when it is a regular file, else -1 (also for
// a null name). A plain open of a named pipe waits for a writer, so the open does not block and
// the opened descriptor is what gets checked; reads block again afterwards.
int OpenRegularFile(const char* name);

// Reads up to `size` bytes at `offset`: the count read (short at the end of the file), or -1.
int64_t ReadAt(int fd, void* data, int64_t size, int64_t offset);

} // namespace spi

#include "ProbeReader.h"

#include "platform/RegularFile.h"

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

bool ProbeReader::Close()
{
    FreeBuffer();
    const bool wasOpen = isOpen;
    file.reset();
    isOpen = false;
    return wasOpen;
}

bool ProbeReader::OpenFile(const QString& path)
{
    Close();
    // Titles are read for every item of a folder: a pipe named like a song must not wait for
    // a writer, nor a device be read as a file.
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0)
        return false;
    file.reset(fdopen(fd, "rb"));
    if (!file)
        ::close(fd);
    isOpen = file != nullptr;
    return isOpen;
}

bool ProbeReader::ReadBytes(void* into, size_t count)
{
    return file && std::fread(into, 1, count, file.get()) == count;
}

bool ProbeReader::ReadBuffer(int count)
{
    FreeBuffer();
    if (count < 0 || count > kMaxBuffer)
        return false;
    buffer.resize(static_cast<size_t>(count));
    if (!ReadBytes(buffer.data(), buffer.size())) {
        FreeBuffer();
        return false;
    }
    size = count;
    return true;
}

int64_t ProbeReader::BytesLeft()
{
    if (!file)
        return -1;
    struct stat status
    {};
    const long position = std::ftell(file.get());
    if (position < 0 || fstat(fileno(file.get()), &status) != 0)
        return -1;
    return std::max<int64_t>(0, static_cast<int64_t>(status.st_size) - position);
}

void ProbeReader::FreeBuffer()
{
    std::vector<unsigned char>().swap(buffer);
    size = 0;
}

#include "InputBytes.h"
#include "Formats.h"

#include "plugins/common/Files.h"

#include <sys/stat.h>

namespace ifqtimage {

std::optional<QByteArray> HeaderFromDescriptor(int fd)
{
    QByteArray header(kHeaderBytes, '\0');
    if (spi::ReadAt(fd, header.data(), kHeaderBytes, 0) < 0)
        return std::nullopt;
    return header;
}

int ReadFileFrom(const char* name, intptr_t offset, QByteArray& bytes)
{
    if (!name || offset < 0)
        return SPI_READ_ERROR;
    const spi::OwnedFd fd(spi::OpenRegularFile(name));
    struct stat status = {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0)
        return SPI_READ_ERROR;
    if (offset > status.st_size)
        return SPI_READ_ERROR;
    const qint64 size = status.st_size - offset;
    if (size > kMaxInputBytes)
        return SPI_NO_MEMORY;
    bytes = QByteArray(static_cast<qsizetype>(size), Qt::Uninitialized);
    const qint64 got = spi::ReadAt(fd.get(), bytes.data(), size, offset);
    if (got < 0)
        return SPI_READ_ERROR;
    bytes.truncate(static_cast<qsizetype>(got)); // the file may have shrunk meanwhile
    return SPI_SUCCESS;
}

} // namespace ifqtimage

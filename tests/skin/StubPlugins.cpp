// Plug-in modules for the image loader's tests. Built twice: as an image plug-in reading a
// made-up format ("FAKEIMG1" at the start of the data, or 128 bytes in), whose one-row picture
// tells how it was asked (red: file from its start, blue: file from byte 128, green: memory;
// a file named *.memonly is refused when asked by file descriptor, so the loader falls back to
// memory); and, with STUB_ARCHIVE, as an archive plug-in that claims
// every file and would hand back a black picture if it were ever asked for one.

#include "spi/SusieApi.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr char kMagic[] = "FAKEIMG1";

[[maybe_unused]] bool HasMagic(const char* p)
{
    return std::memcmp(p, kMagic, 8) == 0;
}

int Picture(unsigned char r, unsigned char g, unsigned char b, void** info, void** pixels)
{
    auto* header = static_cast<unsigned char*>(std::calloc(40, 1));
    auto* rows = static_cast<unsigned char*>(std::calloc(8, 1));
    header[0] = 40;
    header[4] = 2; // 2 × 1
    header[8] = 1;
    header[12] = 1;
    header[14] = 24;
    rows[0] = rows[3] = b;
    rows[1] = rows[4] = g;
    rows[2] = rows[5] = r;
    *info = header;
    *pixels = rows;
    return SPI_SUCCESS;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int GetPluginInfo(int infoNumber, char* buffer, int bufferLength)
{
#ifdef STUB_ARCHIVE
    const char* version = "00AM";
#else
    const char* version = "00IN";
#endif
    if (infoNumber != 0 || bufferLength < 4)
        return 0;
    std::memcpy(buffer, version, 4);
    return 4;
}

__attribute__((visibility("default"))) int IsSupported(const char* fileName, intptr_t probe)
{
#ifdef STUB_ARCHIVE
    (void)fileName;
    (void)probe;
    return 1;
#else
    const size_t length = std::strlen(fileName);
    const bool memoryOnly = length > 8 && std::strcmp(fileName + length - 8, ".memonly") == 0;
    if (probe >= 0x10000)
        return HasMagic(reinterpret_cast<const char*>(probe));
    if (memoryOnly)
        return 0;
    char head[136] = {};
    if (pread(static_cast<int>(probe), head, sizeof head, 0) < 8)
        return 0;
    return HasMagic(head) || HasMagic(head + 128);
#endif
}

__attribute__((visibility("default"))) int GetPicture(const char* buffer, intptr_t length, unsigned int flag,
                                                      void** info, void** pixels, SpiProgressCallback,
                                                      intptr_t)
{
#ifdef STUB_ARCHIVE
    (void)buffer;
    (void)length;
    (void)flag;
    return Picture(0, 0, 0, info, pixels);
#else
    if ((flag & 7) == SPI_INPUT_MEMORY) {
        if (length < 8 || !HasMagic(buffer))
            return SPI_UNKNOWN_FORMAT;
        return Picture(0, 255, 0, info, pixels);
    }
    const int fd = open(buffer, O_RDONLY);
    if (fd < 0)
        return SPI_READ_ERROR;
    char head[8] = {};
    const bool ok = pread(fd, head, 8, length) == 8 && HasMagic(head);
    close(fd);
    if (!ok)
        return SPI_UNKNOWN_FORMAT;
    return length == 0 ? Picture(255, 0, 0, info, pixels) : Picture(0, 0, 255, info, pixels);
#endif
}
}

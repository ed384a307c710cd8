#include "Signatures.h"

#include "plugins/common/Files.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace axarchive {

namespace {

// Probe values below this are file descriptors, the others buffer addresses.
constexpr intptr_t kFirstBufferAddress = 0x10000;

// Where ISO 9660's first volume descriptor carries its standard identifier.
constexpr int64_t kIso9660IdentifierOffset = 32769;
constexpr std::string_view kIso9660Identifier = "CD001";

bool HasAt(const unsigned char* header, int offset, std::string_view bytes)
{
    return std::memcmp(header + offset, bytes.data(), bytes.size()) == 0;
}

bool AllZero(const unsigned char* begin, const unsigned char* end)
{
    return std::all_of(begin, end, [](unsigned char byte) { return byte == 0; });
}

bool IsZip(const unsigned char* h)
{
    using namespace std::string_view_literals;
    if (HasAt(h, 0, "PK\x03\x04"sv))
        return true;
    // An empty archive is nothing but its end record: no disks, no entries, no directory.
    return HasAt(h, 0, "PK\x05\x06"sv) && AllZero(h + 4, h + 20);
}

bool IsBzip2(const unsigned char* h)
{
    using namespace std::string_view_literals;
    // "BZh", the block size '1'..'9', then the magic of a first block or of the stream's end.
    return HasAt(h, 0, "BZh"sv) && h[3] >= '1' && h[3] <= '9' &&
           (HasAt(h, 4, "\x31\x41\x59\x26\x53\x59"sv) || HasAt(h, 4, "\x17\x72\x45\x38\x50\x90"sv));
}

bool IsLha(const unsigned char* h)
{
    // "-lh?-" or "-lz?-" naming the method at offset 2, and a header level LHA knows.
    const bool method = h[2] == '-' && h[3] == 'l' && (h[4] == 'h' || h[4] == 'z') &&
                        ((h[5] >= '0' && h[5] <= '9') || (h[5] >= 'a' && h[5] <= 'z')) && h[6] == '-';
    constexpr int kLevelOffset = 20;
    return method && h[kLevelOffset] <= 3;
}

} // namespace

bool IsArchiveHeader(const unsigned char* h)
{
    using namespace std::string_view_literals;
    return IsZip(h) || HasAt(h, 0, "7z\xBC\xAF\x27\x1C"sv) || HasAt(h, 0, "Rar!\x1A\x07\x00"sv) ||
           HasAt(h, 0, "Rar!\x1A\x07\x01\x00"sv) || HasAt(h, 0, "\x1F\x8B\x08"sv) || IsBzip2(h) ||
           HasAt(h, 0, "\xFD\x37\x7A\x58\x5A\x00"sv) || HasAt(h, 0, "\x28\xB5\x2F\xFD"sv) ||
           HasAt(h, 257, "ustar"sv) || IsLha(h) || HasAt(h, 0, "MSCF\x00\x00\x00\x00"sv);
}

bool HasIso9660Descriptor(int fd)
{
    char identifier[kIso9660Identifier.size()] = {};
    return spi::ReadAt(fd, identifier, sizeof identifier, kIso9660IdentifierOffset) ==
               static_cast<int64_t>(sizeof identifier) &&
           std::string_view(identifier, sizeof identifier) == kIso9660Identifier;
}

bool IsSupportedProbe(const char* fileName, intptr_t probe)
{
    if (probe < 0)
        return false;
    if (probe < kFirstBufferAddress) {
        const int fd = static_cast<int>(probe);
        unsigned char header[kProbeBytes] = {};
        if (spi::ReadAt(fd, header, kProbeBytes, 0) < 0)
            return false;
        return IsArchiveHeader(header) || HasIso9660Descriptor(fd);
    }
    if (IsArchiveHeader(reinterpret_cast<const unsigned char*>(probe)))
        return true;
    const spi::OwnedFd file(spi::OpenRegularFile(fileName));
    return file.get() >= 0 && HasIso9660Descriptor(file.get());
}

} // namespace axarchive

#include "WMA.h"

#include "TagText.h"

#include <cstring>

namespace {

// The ASF header object's GUID as it is stored (75B22630-668E-11CF-A6D9-00AA0062CE6C).
constexpr unsigned char kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                          0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
// The lengths of a content description object that follows the 30-byte header object start
// 6 bytes into these 16; behind an extended content description they are further on.
constexpr long kDescriptionAt = 48;
constexpr long kDescriptionBehindExtendedAt = 484;

uint16_t Length(const unsigned char* p)
{
    const int value = p[0] | p[1] << 8;
    return static_cast<uint16_t>(value <= 2 ? 0 : value - 2);
}

} // namespace

bool CWMA::Open(const QString& path)
{
    if (!OpenFile(path))
        return false;
    unsigned char guid[sizeof kAsfHeader];
    if (!ReadBytes(guid, sizeof guid) || std::memcmp(guid, kAsfHeader, sizeof guid) != 0) {
        Close();
        return false;
    }
    return true;
}

bool CWMA::ReadTag()
{
    FreeBuffer();
    titleLength = authorLength = 0;
    if (!isOpen)
        return false;
    unsigned char b[16];
    if (std::fseek(file.get(), kDescriptionAt, SEEK_SET) != 0 || !ReadBytes(b, sizeof b))
        return false;
    if (b[8] == '$' && b[10] == 'W' && b[12] == 'M' && b[14] == '/') {
        if (std::fseek(file.get(), kDescriptionBehindExtendedAt, SEEK_SET) != 0 || !ReadBytes(b, sizeof b))
            return false;
    }
    titleLength = Length(b + 6);
    authorLength = Length(b + 8);
    if (titleLength == 0)
        return false;
    // Both strings with their terminators: at most 128 KiB, and a short read when the file ends first.
    return ReadBuffer(titleLength + authorLength + 4);
}

bool CWMA::GetTitle(QString* text)
{
    if (!text || !isOpen || size == 0)
        return false;
    // The title ends at its first null character or at its length, whichever comes first.
    *text = tagtext::TrimRight(tagtext::DecodeUtf16(buffer.data(), titleLength, false, titleLength / 2));
    return true;
}

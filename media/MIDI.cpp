#include "MIDI.h"

#include "TagText.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned char kMetaEvent = 0xFF;
constexpr unsigned char kMetaText = 1;
constexpr unsigned char kMetaTrackName = 3;

uint32_t BigEndian32(const unsigned char* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint32_t LittleEndian32(const unsigned char* p)
{
    return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

// Reads exactly `count` bytes at `offset` without moving the descriptor.
bool ReadAt(int fd, unsigned char* into, size_t count, int64_t offset)
{
    while (count > 0) {
        const ssize_t got = ::pread(fd, into, count, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        count -= static_cast<size_t>(got);
        offset += got;
    }
    return true;
}

// Whether one of the chunks that follow each other from `begin` claims bytes past `end`.
// Bodies are stepped over, never read: a length is only compared.
bool ChunkRunsPast(int fd, int64_t begin, int64_t end)
{
    int64_t at = begin;
    for (int chunk = 0; chunk < CMIDI::kMaxChunks && end - at >= 8; ++chunk) {
        unsigned char header[8];
        if (!ReadAt(fd, header, sizeof header, at))
            return false;
        const int64_t length = BigEndian32(header + 4);
        if (length > end - at - 8)
            return true;
        at += 8 + length;
    }
    return false;
}

// Where the "data" chunk of an RMID file starts and ends, its end held to the file's; nothing
// for a file that is no RMID or has no such chunk.
std::optional<std::pair<int64_t, int64_t>> RmidData(int fd, int64_t fileSize)
{
    unsigned char riff[12];
    if (!ReadAt(fd, riff, sizeof riff, 0) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "RMID", 4) != 0)
        return std::nullopt;
    int64_t at = sizeof riff;
    for (int chunk = 0; chunk < CMIDI::kMaxChunks && fileSize - at >= 8; ++chunk) {
        unsigned char header[8];
        if (!ReadAt(fd, header, sizeof header, at))
            return std::nullopt;
        const int64_t length = LittleEndian32(header + 4);
        if (std::memcmp(header, "data", 4) == 0)
            return std::pair(at + 8, std::min(fileSize, at + 8 + length));
        // RIFF pads every chunk to an even length.
        at += 8 + length + (length & 1);
    }
    return std::nullopt;
}

bool DescriptorHasChunkPastEnd(int fd)
{
    struct stat status = {};
    unsigned char magic[4];
    if (::fstat(fd, &status) != 0 || !ReadAt(fd, magic, sizeof magic, 0))
        return false;
    const int64_t fileSize = status.st_size;
    if (std::memcmp(magic, "MThd", 4) == 0)
        return ChunkRunsPast(fd, 0, fileSize);
    const auto data = RmidData(fd, fileSize);
    if (!data || data->second - data->first < 4 || !ReadAt(fd, magic, sizeof magic, data->first) ||
        std::memcmp(magic, "MThd", 4) != 0)
        return false;
    return ChunkRunsPast(fd, data->first, data->second);
}

// Bytes of a channel or system message with status `s`, the status byte included; 0 for
// anything that is not such a status byte.
int MessageLength(unsigned char s)
{
    if ((s >= 0x80 && s <= 0xBF) || (s >= 0xE0 && s <= 0xEF) || s == 0xF2)
        return 3;
    if ((s >= 0xC0 && s <= 0xDF) || s == 0xF1 || s == 0xF3)
        return 2;
    if (s >= 0xF4 && s <= 0xFE && s != 0xF7)
        return 1;
    return 0;
}

} // namespace

bool CMIDI::HasChunkPastEnd(const QString& path)
{
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0)
        return false;
    const bool past = DescriptorHasChunkPastEnd(fd);
    ::close(fd);
    return past;
}

bool CMIDI::Open(const QString& path)
{
    if (!OpenFile(path))
        return false;
    unsigned char header[14];
    if (!ReadBytes(header, sizeof header) || std::memcmp(header, "MThd", 4) != 0 ||
        BigEndian32(header + 4) != 6) {
        Close();
        return false;
    }
    return true;
}

bool CMIDI::ReadTrack()
{
    if (!isOpen)
        return false;
    unsigned char header[8];
    if (!ReadBytes(header, sizeof header) || std::memcmp(header, "MTrk", 4) != 0)
        return false;
    const uint32_t length = BigEndian32(header + 4);
    const int64_t left = BytesLeft();
    if (left < 0 || length > left || length > static_cast<uint32_t>(kMaxBuffer))
        return false;
    cursor = 0;
    return ReadBuffer(static_cast<int>(length));
}

uint32_t CMIDI::ReadNumber()
{
    uint32_t value = 0;
    while (cursor < size) {
        const unsigned char byte = buffer[static_cast<size_t>(cursor++)];
        value = value << 7 | (byte & 0x7F);
        if (!(byte & 0x80))
            break;
    }
    return value;
}

bool CMIDI::FindText(QString* text, bool trackName)
{
    if (!text || buffer.empty())
        return false;
    const unsigned char wanted = trackName ? kMetaTrackName : kMetaText;
    cursor = 0;
    // Data bytes that follow a channel message sent with running status (its status omitted).
    int runningData = 0;
    while (cursor < size) {
        ReadNumber(); // delta time
        if (cursor >= size)
            break;
        const unsigned char s = buffer[static_cast<size_t>(cursor)];
        if (s == kMetaEvent) {
            if (size - cursor < 2)
                return false;
            const unsigned char type = buffer[static_cast<size_t>(cursor) + 1];
            cursor += 2;
            const uint32_t length = ReadNumber();
            if (length > static_cast<uint32_t>(size - cursor))
                return false;
            if (type == wanted) {
                const QString found =
                    tagtext::DecodeAnsi(buffer.data() + cursor, static_cast<int>(length), kMaxTextBytes);
                *text = tagtext::TrimRight(found);
                return true;
            }
            cursor += static_cast<int>(length);
        } else if (s == 0xF0 || s == 0xF7) {
            // System exclusive: its length follows as a variable-length quantity.
            ++cursor;
            const uint32_t length = ReadNumber();
            if (length > static_cast<uint32_t>(size - cursor))
                return false;
            cursor += static_cast<int>(length);
        } else if (const int length = MessageLength(s)) {
            if (s < 0xF0)
                runningData = length - 1;
            cursor += length;
        } else {
            cursor += runningData;
        }
    }
    return false;
}

#include "MIDI.h"

#include "TagText.h"

#include <cstring>

namespace {

constexpr unsigned char kMetaEvent = 0xFF;
constexpr unsigned char kMetaText = 1;
constexpr unsigned char kMetaTrackName = 3;

uint32_t BigEndian32(const unsigned char* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
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

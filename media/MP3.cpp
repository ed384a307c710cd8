#include "MP3.h"

#include "TagText.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kV2HeaderBytes = 10;

uint32_t BigEndian(const unsigned char* p, int bytes, int bitsPerByte)
{
    uint32_t value = 0;
    const unsigned mask = (1u << bitsPerByte) - 1;
    for (int i = 0; i < bytes; ++i)
        value = value << bitsPerByte | (p[i] & mask);
    return value;
}

struct FrameLayout
{
    int headerBytes;
    int idBytes;
    int sizeBytes;
    int sizeBits;      // bits used of each size byte: 7 in a sync-safe integer
    const char* title; // nullptr: the version has no title frame that is used
    const char* album;
};

constexpr FrameLayout kV22{6, 3, 3, 8, nullptr, "TAL"};
constexpr FrameLayout kV23{10, 4, 4, 8, "TIT2", "TALB"};
constexpr FrameLayout kV24{10, 4, 4, 7, "TIT2", "TALB"};

} // namespace

bool CMP3::Open(const QString& path)
{
    return OpenFile(path);
}

bool CMP3::ReadTag(bool atEnd)
{
    FreeBuffer();
    cursor = 0;
    if (!isOpen)
        return false;
    std::FILE* f = file.get();
    if (atEnd) {
        if (std::fseek(f, 0, SEEK_END) != 0)
            return false;
        const long end = std::ftell(f);
        if (end < kV1Bytes || std::fseek(f, end - kV1Bytes, SEEK_SET) != 0)
            return false;
        return ReadBuffer(kV1Bytes) && KeepIfSigned("TAG");
    }
    if (std::fseek(f, 0, SEEK_SET) != 0)
        return false;
    // A file shorter than the first read is read whole: a small file may hold a whole tag.
    const int head = static_cast<int>(std::min<int64_t>(kHeadBytes, BytesLeft()));
    if (head < kV2HeaderBytes || !ReadBuffer(head) || !KeepIfSigned("ID3"))
        return false;
    // The size field counts the bytes after the 10-byte header. A tag shorter than the first read
    // ends the buffer where it ends; a longer one is read on, up to the end of the file and the cap.
    const int64_t tagBytes = int64_t{BigEndian(buffer.data() + 6, 4, 7)} + kV2HeaderBytes;
    if (tagBytes <= head) {
        size = static_cast<int>(tagBytes);
        return true;
    }
    const int64_t left = BytesLeft();
    if (left < 0)
        return false;
    const int total = static_cast<int>(std::min<int64_t>({tagBytes, head + left, kMaxBuffer}));
    buffer.resize(static_cast<size_t>(total));
    if (!ReadBytes(buffer.data() + head, static_cast<size_t>(total - head))) {
        FreeBuffer();
        return false;
    }
    size = total;
    return true;
}

bool CMP3::KeepIfSigned(const char* signature)
{
    // Bytes that are no tag must not be taken for one by a later GetTitle.
    if (std::memcmp(buffer.data(), signature, 3) == 0)
        return true;
    FreeBuffer();
    return false;
}

bool CMP3::GetTitle(QString* text)
{
    if (!text || !isOpen || size < 3)
        return false;
    if (std::memcmp(buffer.data(), "TAG", 3) == 0) {
        if (size < kV1Bytes)
            return false;
        *text = tagtext::TrimRight(tagtext::DecodeAnsi(buffer.data() + 3, 30, kMaxAnsiBytes));
        return true;
    }
    if (std::memcmp(buffer.data(), "ID3", 3) == 0)
        return GetV2Title(text);
    return false;
}

bool CMP3::GetV2Title(QString* text)
{
    if (size < kV2HeaderBytes + 1)
        return false;
    const FrameLayout* layout = nullptr;
    switch (buffer[3] | buffer[4] << 8) {
    case 2:
        layout = &kV22;
        break;
    case 3:
        layout = &kV23;
        break;
    case 4:
        layout = &kV24;
        break;
    default:
        return false;
    }
    bool found = false;
    QString title;
    cursor = kV2HeaderBytes;
    while (size - cursor >= layout->headerBytes) {
        const unsigned char* header = buffer.data() + cursor;
        if (std::all_of(header, header + layout->idBytes, [](unsigned char c) { return c == 0; }))
            break;
        const int64_t length = BigEndian(header + layout->idBytes, layout->sizeBytes, layout->sizeBits);
        const int body = cursor + layout->headerBytes;
        // A frame that claims more than the tag holds is broken, and so is everything after it.
        if (length > size - body)
            break;
        const auto isFrame = [&](const char* id) {
            return id && std::memcmp(header, id, static_cast<size_t>(layout->idBytes)) == 0;
        };
        if (isFrame(layout->title)) {
            *text = tagtext::TrimRight(FrameText(body, static_cast<int>(length)));
            return true;
        }
        if (isFrame(layout->album)) {
            title = FrameText(body, static_cast<int>(length));
            found = true;
        }
        cursor = body + static_cast<int>(length);
    }
    if (found)
        *text = tagtext::TrimRight(title);
    return found;
}

QString CMP3::FrameText(int at, int length) const
{
    // The first byte is the text encoding; the rest is the text.
    if (length < 1)
        return {};
    const unsigned char* text = buffer.data() + at + 1;
    const int bytes = length - 1;
    if (bytes >= 2 && text[0] == 0xFF && text[1] == 0xFE)
        return tagtext::DecodeUtf16(text + 2, bytes - 2, false, kMaxUtf16Units);
    if (bytes >= 2 && text[0] == 0xFE && text[1] == 0xFF)
        return tagtext::DecodeUtf16(text + 2, bytes - 2, true, kMaxUtf16Units);
    return tagtext::DecodeAnsi(text, bytes, kMaxAnsiBytes);
}

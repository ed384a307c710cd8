#include "Members.h"
#include "Limits.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace axarchive {

namespace {

// Copies `text` into `field` (kMaxNameBytes + 1 bytes) with a terminating zero, cut so that no
// UTF-8 character is split. A run of continuation bytes longer than a character's is cut
// anyway: the name was no UTF-8.
void CopyCut(std::string_view text, char* field)
{
    size_t length = std::min<size_t>(text.size(), kMaxNameBytes);
    constexpr int kLongestCharacterTail = 3;
    for (int step = 0; step < kLongestCharacterTail && length > 0 && length < text.size() &&
                       (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80;
         ++step)
        --length;
    // An empty name may come without any bytes behind it.
    if (length > 0)
        std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsListedType(archive_entry* entry)
{
    return archive_entry_filetype(entry) == AE_IFREG && archive_entry_hardlink(entry) == nullptr;
}

int32_t Timestamp(archive_entry* entry)
{
    if (!archive_entry_mtime_is_set(entry))
        return 0;
    return static_cast<int32_t>(std::clamp<int64_t>(archive_entry_mtime(entry),
                                                    std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

uint32_t ListedSize(archive_entry* entry)
{
    if (!archive_entry_size_is_set(entry) || archive_entry_size(entry) < 0 ||
        archive_entry_size(entry) > kMaxMemberBytes)
        return kSizeTooLarge;
    return static_cast<uint32_t>(archive_entry_size(entry));
}

} // namespace

bool FillRecord(archive_entry* entry, const char* method, uint32_t position, SpiFileInfo& record)
{
    if (!IsListedType(entry))
        return false;
    // An ASCII name reads the same in every encoding: it is taken as libarchive holds it, without
    // the conversion to UTF-8, which looks up the locale's converter for every member (a third of
    // a listing's time).
    const char* name = archive_entry_pathname(entry);
    if (!name || !IsAscii(name)) {
        name = archive_entry_pathname_utf8(entry);
        if (!name)
            name = archive_entry_pathname(entry);
    }
    if (!name)
        return false;
    const std::string_view full(name);
    const size_t separator = full.find_last_of("/\\");
    const std::string_view folder =
        separator == std::string_view::npos ? std::string_view() : full.substr(0, separator + 1);
    const std::string_view last = full.substr(folder.size());
    if (last.empty() || last == "." || last == "..")
        return false;

    record = {};
    std::strncpy(reinterpret_cast<char*>(record.method), method, sizeof record.method - 1);
    record.position = position;
    record.compressedSize = 0; // libarchive does not tell
    record.fileSize = ListedSize(entry);
    record.timestamp = Timestamp(entry);
    CopyCut(folder, record.path);
    CopyCut(last, record.fileName);
    record.crc = 0;
    return true;
}

bool MemberWalk::Next()
{
    if (code != SPI_SUCCESS)
        return false;
    for (;;) {
        switch (reader.Next()) {
        case ArchiveReader::Step::End:
            return false;
        case ArchiveReader::Step::Failed:
            code = reader.FailureCode();
            return false;
        case ArchiveReader::Step::Entry:
            break;
        }
        const int64_t position = nextPosition++;
        if (position > std::numeric_limits<uint32_t>::max()) {
            code = SPI_BROKEN_DATA;
            return false;
        }
        archive_entry* entry = reader.Entry();
        if (!FillRecord(entry, reader.FormatName(), static_cast<uint32_t>(position), record))
            continue;
        declaredSize = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        sparse = archive_entry_sparse_count(entry) > 0;
        return true;
    }
}

} // namespace axarchive

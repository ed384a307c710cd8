#include "Listing.h"
#include "Limits.h"
#include "Members.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace axarchive {

namespace {

struct FreeDeleter
{
    void operator()(void* block) const { std::free(block); }
};

// Records in one malloc'd block, as the caller frees it; room for the terminator included.
class RecordArray
{
public:
    bool Append(const SpiFileInfo& record)
    {
        if (count == capacity && !Grow())
            return false;
        records.get()[count++] = record;
        return true;
    }
    // The block with its terminator, handed over to the caller.
    SpiFileInfo* Release()
    {
        if (!Append(SpiFileInfo{}))
            return nullptr;
        return records.release();
    }

private:
    static constexpr size_t kFirstCapacity = 64;
    static constexpr size_t kMaxCapacity = size_t(kMaxMembers) + 1;

    bool Grow()
    {
        const size_t grown = std::min(kMaxCapacity, capacity == 0 ? kFirstCapacity : capacity * 2);
        if (grown <= capacity)
            return false;
        void* block = std::realloc(records.get(), grown * sizeof(SpiFileInfo));
        if (!block)
            return false;
        records.release();
        records.reset(static_cast<SpiFileInfo*>(block));
        capacity = grown;
        return true;
    }

    std::unique_ptr<SpiFileInfo, FreeDeleter> records;
    size_t count = 0;
    size_t capacity = 0;
};

bool SameText(std::string_view a, std::string_view b, bool ignoreCase)
{
    if (!ignoreCase)
        return a == b;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

bool Matches(const SpiFileInfo& record, std::string_view name, bool bare, bool ignoreCase)
{
    const std::string_view folder(record.path);
    const std::string_view last(record.fileName);
    if (bare && SameText(last, name, ignoreCase))
        return true;
    return name.size() == folder.size() + last.size() &&
           SameText(folder, name.substr(0, folder.size()), ignoreCase) &&
           SameText(last, name.substr(folder.size()), ignoreCase);
}

} // namespace

int ListMembers(const ArchiveSource& source, void** listing)
{
    ArchiveReader reader;
    if (const int code = reader.Open(source); code != SPI_SUCCESS)
        return code;
    MemberWalk walk(reader);
    RecordArray records;
    int listed = 0;
    while (walk.Next()) {
        if (++listed > kMaxMembers)
            return SPI_NO_MEMORY;
        if (!records.Append(walk.Record()))
            return SPI_NO_MEMORY;
    }
    if (walk.Code() != SPI_SUCCESS)
        return walk.Code();
    SpiFileInfo* block = records.Release();
    if (!block)
        return SPI_NO_MEMORY;
    *listing = block;
    return SPI_SUCCESS;
}

int FindMember(const ArchiveSource& source, const char* name, bool ignoreCase, SpiFileInfo& info)
{
    ArchiveReader reader;
    if (const int code = reader.Open(source); code != SPI_SUCCESS)
        return code;
    const std::string_view wanted(name);
    const bool bare = wanted.find_first_of("/\\") == std::string_view::npos;
    MemberWalk walk(reader);
    int listed = 0;
    while (walk.Next()) {
        // Members past the bound are never listed, so they are not found either.
        if (++listed > kMaxMembers)
            return SPI_NO_MEMORY;
        if (Matches(walk.Record(), wanted, bare, ignoreCase)) {
            info = walk.Record();
            return SPI_SUCCESS;
        }
    }
    return walk.Code() != SPI_SUCCESS ? walk.Code() : SPI_UNKNOWN_FORMAT;
}

} // namespace axarchive

#pragma once
// The members of an archive as the listing gives them: regular files only, each with its
// SpiFileInfo record, in the order libarchive walks the archive.

#include "ArchiveReader.h"

#include "spi/SusieApi.h"

#include <cstdint>

namespace axarchive {

// Fills `record` for `entry`, the archive's entry number `position` (counted from 0 over all
// entries, listed or not). False when the entry is not listed: anything but a regular file (a
// folder, a link, a hard link, a device), or a name whose last component is empty, "." or "..".
// The name is split at its last "/" or "\" into the folder (with that separator) and the last
// component; both are the name's UTF-8 bytes as stored, cut to kMaxNameBytes on a character boundary.
bool FillRecord(archive_entry* entry, const char* method, uint32_t position, SpiFileInfo& record);

// Walks the listed members of the archive `reader` has open.
class MemberWalk
{
public:
    explicit MemberWalk(ArchiveReader& reader) : reader(reader) {}

    // Moves to the next listed member. False at the end of the archive (Code() is SPI_SUCCESS)
    // or when the archive cannot be read further (Code() tells why).
    bool Next();
    const SpiFileInfo& Record() const { return record; }
    // The member's size as its header states it, uncapped; negative when it is not known.
    int64_t DeclaredSize() const { return declaredSize; }
    // The member is stored sparse (a tar member with holes): bytes it does not give are zeros,
    // up to its declared size.
    bool Sparse() const { return sparse; }
    int Code() const { return code; }

private:
    ArchiveReader& reader;
    SpiFileInfo record = {};
    int64_t declaredSize = -1;
    bool sparse = false;
    int64_t nextPosition = 0;
    int code = SPI_SUCCESS;
};

} // namespace axarchive

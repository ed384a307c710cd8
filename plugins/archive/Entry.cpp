// The module's C entry points (see SusieApi.h). Nothing thrown inside leaves them: running out
// of memory is SPI_NO_MEMORY, anything else SPI_INTERNAL_ERROR. Every call opens a reader of its
// own; the module keeps no state between calls.
//
// GetPluginInfo(n)  0 "00AM", 1 the product name, 2 the file-type patterns, 3 their description.
// IsSupported       by the file's first bytes only, never its name (Signatures.h).
// GetArchiveInfo    flag & 7 is 0 for a file (buf its name, len the offset the archive starts
//                   at) or 1 for memory (buf the archive, len its size). *listing receives the
//                   regular-file members (Members.h), then an all-zero record:
//                     method          the format ("zip", "7z", "tar", "iso", "lha", "cab", ...)
//                     position        the entry's number among all entries, from 0, for GetFile
//                     compressedSize  0 (not known)
//                     fileSize        the size; 0xFFFFFFFF when unknown or above 1 GiB
//                     timestamp       modification time, seconds since 1970
//                     path, fileName  the folder with its trailing separator ("" at the top)
//                                     and the last component of the stored name, UTF-8, cut at 199
//                                     bytes; names are given as stored ("../x" included): the
//                                     caller keeps them out of its folders
//                     crc             0 (not known)
//                   Fails with *listing null: SPI_UNKNOWN_FORMAT (no archive read here),
//                   SPI_BROKEN_DATA (also when a broken entry follows good ones), SPI_READ_ERROR
//                   (a missing or unreadable file), SPI_NO_MEMORY (more than 100000 members),
//                   SPI_INTERNAL_ERROR (listing is null).
// GetFileInfo       the same input; the first member whose path + fileName is fileName, or,
//                   when fileName holds no "/" or "\", whose fileName is; flag & 0x80 ignores
//                   ASCII case. SPI_UNKNOWN_FORMAT when there is none, SPI_INTERNAL_ERROR for a
//                   null fileName or info.
// GetFile           from a file only (flag & 7 == 0; memory has no length: SPI_NOT_IMPLEMENTED),
//                   the member at `position` (a listed one; any other position is
//                   SPI_UNKNOWN_FORMAT). flag & 0x700 == 0x100: *(void**)dest receives a
//                   malloc'd block of exactly fileSize bytes; members above 1 GiB, or yielding
//                   more than they declare, are SPI_NO_MEMORY. flag & 0x700 == 0: dest is a
//                   folder and the member becomes dest/fileName, written whole or not at all
//                   (SPI_BROKEN_DATA when it yields more than it declares, SPI_READ_ERROR when
//                   the folder cannot be written, SPI_INTERNAL_ERROR for a name that would leave
//                   the folder). progress(percent, 100, data) now and then; nonzero stops with
//                   SPI_ABORTED. The archive is read from the file's start.

#include "Export.h"
#include "Extract.h"
#include "Listing.h"
#include "PluginInfo.h"
#include "Signatures.h"

#include "plugins/common/EntryGuard.h"
#include "plugins/common/PluginInfo.h"
#include "plugins/common/Progress.h"
#include "spi/SusieApi.h"

#include <type_traits>

using namespace axarchive;
using spi::CopyPluginInfo;
using spi::Guarded;
using spi::GuardedOrZero;
using spi::Progress;

namespace {

// GetFileInfo's flag bit for comparing names without ASCII case.
constexpr unsigned int kIgnoreCase = 0x80;
constexpr unsigned int kInputMask = 7;
constexpr unsigned int kOutputMask = 0x700;

int GetFileFrom(const char* source, intptr_t position, void* dest, unsigned int flag,
                const Progress& progress)
{
    if ((flag & kInputMask) != SPI_INPUT_FILE)
        return SPI_NOT_IMPLEMENTED;
    if (!source)
        return SPI_READ_ERROR;
    if (position < 0)
        return SPI_UNKNOWN_FORMAT;
    switch (flag & kOutputMask) {
    case SPI_OUTPUT_MEMORY:
        return ExtractToMemory(source, position, static_cast<void**>(dest), progress);
    case SPI_OUTPUT_FILE:
        return ExtractToFolder(source, position, static_cast<const char*>(dest), progress);
    default:
        return SPI_NOT_IMPLEMENTED;
    }
}

} // namespace

AXARCHIVE_EXPORT int GetPluginInfo(int infoNumber, char* buffer, int bufferLength)
{
    return GuardedOrZero([&] { return CopyPluginInfo(InfoText(infoNumber), buffer, bufferLength); });
}

AXARCHIVE_EXPORT int IsSupported(const char* fileName, intptr_t probe)
{
    return GuardedOrZero([&] { return IsSupportedProbe(fileName, probe) ? 1 : 0; });
}

AXARCHIVE_EXPORT int GetArchiveInfo(const char* buffer, intptr_t length, unsigned int flag, void** listing)
{
    if (!listing)
        return SPI_INTERNAL_ERROR;
    *listing = nullptr;
    return Guarded([&] {
        ArchiveSource source;
        if (const int code = SourceFromArguments(buffer, length, flag, source); code != SPI_SUCCESS)
            return code;
        return ListMembers(source, listing);
    });
}

AXARCHIVE_EXPORT int GetFileInfo(const char* buffer, intptr_t length, const char* fileName, unsigned int flag,
                                 SpiFileInfo* info)
{
    if (!info || !fileName)
        return SPI_INTERNAL_ERROR;
    return Guarded([&] {
        ArchiveSource source;
        if (const int code = SourceFromArguments(buffer, length, flag, source); code != SPI_SUCCESS)
            return code;
        return FindMember(source, fileName, (flag & kIgnoreCase) != 0, *info);
    });
}

AXARCHIVE_EXPORT int GetFile(const char* source, intptr_t position, void* dest, unsigned int flag,
                             SpiProgressCallback progress, intptr_t data)
{
    if (!dest)
        return SPI_INTERNAL_ERROR;
    if ((flag & kOutputMask) == SPI_OUTPUT_MEMORY)
        *static_cast<void**>(dest) = nullptr;
    return Guarded([&] { return GetFileFrom(source, position, dest, flag, Progress(progress, data)); });
}

static_assert(std::is_same_v<decltype(&GetPluginInfo), SpiGetPluginInfo>);
static_assert(std::is_same_v<decltype(&IsSupported), SpiIsSupported>);
static_assert(std::is_same_v<decltype(&GetArchiveInfo), SpiGetArchiveInfo>);
static_assert(std::is_same_v<decltype(&GetFileInfo), SpiGetFileInfo>);
static_assert(std::is_same_v<decltype(&GetFile), SpiGetFile>);

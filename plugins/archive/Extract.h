#pragma once
// GetFile: one member of an archive file, by the position its listing gave, into memory or into
// a folder.

#include "plugins/common/Progress.h"

#include <cstdint>

namespace axarchive {

// Extracts the member at `position` of archive file `archiveName` into a malloc'd block, stored
// in *block, holding exactly its bytes (as many as the listing's fileSize). Returns SPI_SUCCESS,
// SPI_UNKNOWN_FORMAT when no listed member is at `position`, SPI_NO_MEMORY for a member that
// declares more than kMaxMemberBytes or yields more than it declared (or, with no size
// declared, more than kMaxMemberBytes), SPI_ABORTED, SPI_BROKEN_DATA or SPI_READ_ERROR. On
// failure *block stays null and nothing is left allocated.
int ExtractToMemory(const char* archiveName, int64_t position, void** block, const spi::Progress& progress);

// Extracts the member at `position` of archive file `archiveName` into folder `folder` under
// its own name (the listing's fileName, never a path): written whole under a temporary name
// and then renamed, or not at all. Returns the codes of ExtractToMemory except SPI_NO_MEMORY
// for size (a member yielding more than it declared is SPI_BROKEN_DATA), SPI_READ_ERROR also
// when the folder cannot be written, and SPI_INTERNAL_ERROR for a name that would leave the
// folder.
int ExtractToFolder(const char* archiveName, int64_t position, const char* folder,
                    const spi::Progress& progress);

} // namespace axarchive

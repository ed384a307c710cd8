#pragma once
// GetArchiveInfo's listing of all members and GetFileInfo's look-up of one by name.

#include "ArchiveReader.h"

#include "spi/SusieApi.h"

namespace axarchive {

// Lists the members of `source` into *listing: a malloc'd array of their records followed by an
// all-zero one. Returns an SPI_ code; on failure *listing stays null (an archive that breaks
// after some members gives no listing at all), and so it does for more than kMaxMembers members
// (SPI_NO_MEMORY), where the walk stops at the first one past the bound.
int ListMembers(const ArchiveSource& source, void** listing);

// Finds the first member of `source` whose folder and name together are `name`, or, when `name`
// holds no "/" or "\", whose name alone is. `ignoreCase` compares ASCII letters without their
// case. SPI_SUCCESS with *info its record, SPI_UNKNOWN_FORMAT when there is none, or the code
// of the failure that ended the search.
int FindMember(const ArchiveSource& source, const char* name, bool ignoreCase, SpiFileInfo& info);

} // namespace axarchive

#pragma once
// The bounds on what one call takes from an archive, whatever its headers claim.

#include <cstdint>

namespace axarchive {

// Members listed at most; an archive with more is refused as a whole (SPI_NO_MEMORY).
inline constexpr int kMaxMembers = 100000;

// The largest member extracted to memory, and the largest size a listing states exactly.
inline constexpr int64_t kMaxMemberBytes = int64_t(1) << 30;

// fileSize of a listed member whose size is unknown or above kMaxMemberBytes: "too large" for
// memory. Such a member is listed; extracting it to memory is refused unless its size is unknown
// and it turns out to fit.
inline constexpr uint32_t kSizeTooLarge = 0xFFFFFFFF;

// Bytes of text in SpiFileInfo's path and fileName, the terminating zero not counted.
inline constexpr int kMaxNameBytes = 199;

} // namespace axarchive

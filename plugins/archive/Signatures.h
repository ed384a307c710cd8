#pragma once
// Which files this module takes, known by their first bytes only, never by their names: zip,
// 7z, RAR 4 and 5, tar, LHA, cabinet, ISO 9660 images, and the gzip, bzip2, xz and zstd streams
// tar archives are usually packed in.

#include <cstdint>

namespace axarchive {

// How many bytes of a file's start the probe holds.
inline constexpr int kProbeBytes = 2048;

// True when `header`, the first kProbeBytes of a file (zero-padded when it is shorter), starts
// an archive this module reads.
bool IsArchiveHeader(const unsigned char* header);

// True when the file open as `fd` holds an ISO 9660 volume descriptor, which lies beyond the
// probe (at byte 32769). The descriptor's offset is left alone.
bool HasIso9660Descriptor(int fd);

// IsSupported's decision: `probe` is a file descriptor (below 0x10000) or the address of the
// file's first kProbeBytes. An ISO image is recognised from the descriptor, or from the file
// `fileName` when the probe is a buffer; a file that cannot be read is no ISO image.
bool IsSupportedProbe(const char* fileName, intptr_t probe);

} // namespace axarchive

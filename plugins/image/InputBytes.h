#pragma once
// Getting at the bytes the entry points are given: the start of a file through a probe, and a
// whole picture from a file or from memory.

#include "spi/SusieApi.h"

#include <QByteArray>

#include <optional>

namespace ifqtimage {

// The first kHeaderBytes of the file open as `fd`, zero-padded, read without moving the
// descriptor's position; nothing when it cannot be read.
std::optional<QByteArray> HeaderFromDescriptor(int fd);

// Reads file `name` (UTF-8 bytes of its path) from byte `offset` to its end into `bytes`.
// Returns SPI_SUCCESS, SPI_READ_ERROR, or SPI_NO_MEMORY for a file too large to be a picture.
int ReadFileFrom(const char* name, intptr_t offset, QByteArray& bytes);

// The largest input taken, file or memory.
inline constexpr qint64 kMaxInputBytes = qint64(1) << 30;

} // namespace ifqtimage

#pragma once
// Archives made by the archive plug-in tests and its benchmark: written by libarchive's writer,
// or put together byte by byte where a header must lie.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testarchives {

enum class EntryKind
{
    File,
    Directory,
    Symlink,
    Hardlink,
    Fifo,
};

struct Entry
{
    Entry() = default;
    Entry(std::string name, std::string data = {}, EntryKind kind = EntryKind::File, std::string target = {},
          time_t mtime = 1700000000)
        : name(std::move(name)), data(std::move(data)), kind(kind), target(std::move(target)), mtime(mtime)
    {}

    std::string name; // UTF-8
    std::string data; // a file's contents
    EntryKind kind = EntryKind::File;
    std::string target; // what a link points to
    time_t mtime = 1700000000;
};

enum class Format
{
    Zip,       // deflate
    ZipStored, // no compression
    SevenZip,
    Tar,
    TarGz,
    Iso,
};

// `entries` written as `format` by libarchive, with its writer options (`options`, e.g.
// "zip:compression-level=1"); empty when the writer refused something.
std::string Pack(Format format, const std::vector<Entry>& entries, const char* options = nullptr);

// `size` bytes that differ from one seed to another and compress to about a quarter.
std::string Bytes(size_t size, uint32_t seed);

// Changes the uncompressed size member `name` of `zip` declares, wherever it is stated: central
// directory, local header and data descriptor. False when the member is not found.
bool PatchZipUncompressedSize(std::string& zip, std::string_view name, uint32_t size);

// A zip of one member "claim.bin" whose 5 bytes ("hello", deflated) are declared through zip64
// extra fields as `uncompressedSize`.
std::string Zip64Claiming(uint64_t uncompressedSize);

// The zip CRC-32 of `bytes`.
uint32_t Crc32(std::string_view bytes);

} // namespace testarchives

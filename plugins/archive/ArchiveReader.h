#pragma once
// One libarchive reader over an archive in a file (from a byte offset on) or in memory: the
// formats and filters this module reads, the archive's entries in order, and the data of the
// entry the reader stands on.

#include <archive.h>
#include <archive_entry.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace axarchive {

// Where an archive is: a file (its name, and the byte offset the archive starts at) or memory.
struct ArchiveSource
{
    const char* fileName = nullptr; // null for memory
    int64_t offset = 0;
    const void* data = nullptr;
    size_t size = 0;

    static ArchiveSource File(const char* name, int64_t offset) { return {name, offset, nullptr, 0}; }
    static ArchiveSource Memory(const void* data, size_t size) { return {nullptr, 0, data, size}; }
};

// The source that the (buffer, length, flag) arguments of GetArchiveInfo and GetFileInfo name:
// SPI_SUCCESS with `source` set, or the code to return.
int SourceFromArguments(const char* buffer, intptr_t length, unsigned int flag, ArchiveSource& source);

class ArchiveReader
{
public:
    ArchiveReader();
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Opens `source`; SPI_SUCCESS or the code to return.
    int Open(const ArchiveSource& source);

    enum class Step
    {
        Entry,  // standing on the next entry
        End,    // the archive ended cleanly
        Failed, // FailureCode() tells why
    };
    // Moves to the next entry; the data of the one before is skipped.
    Step Next();
    archive_entry* Entry() const { return entry; }
    // A short name of the archive's format ("zip", "7z", "tar", ...); valid once on an entry.
    const char* FormatName() const;

    // The next block of the current entry's data, `offset` bytes into the entry (blocks may
    // leave holes, which hold zeros).
    Step ReadBlock(const void*& data, size_t& size, int64_t& offset);

    // The code for the last failure: a read error of the file, data of no format read here, or
    // a broken archive.
    int FailureCode() const;

private:
    static la_ssize_t ReadFile(struct archive*, void* self, const void** block);
    static la_int64_t SkipFile(struct archive*, void* self, la_int64_t request);
    static la_int64_t SeekFile(struct archive*, void* self, la_int64_t offset, int whence);

    struct archive* handle = nullptr;
    archive_entry* entry = nullptr;
    bool dataPending = false; // the current entry's data has not been skipped yet
    bool readFailed = false;

    // The file source: the descriptor, the archive's bytes [start, end) in it, the next byte to
    // read, and the size of the next read (small after a jump, where the headers are, growing
    // while the reads follow one another).
    int fd = -1;
    int64_t start = 0;
    int64_t end = 0;
    int64_t position = 0;
    int64_t blockBytes = 0;
    std::unique_ptr<unsigned char[]> buffer;
};

} // namespace axarchive

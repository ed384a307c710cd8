#include "Extract.h"
#include "ArchiveReader.h"
#include "Limits.h"
#include "Members.h"

#include "plugins/common/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

namespace axarchive {

namespace {

// Progress is reported at least this often while the data comes.
constexpr int64_t kProgressStepBytes = 4 << 20;
// A member written to memory starts in a buffer this large (or its size, if smaller), doubled as
// it fills.
constexpr int64_t kFirstBlockBytes = 1 << 20;

struct FreeDeleter
{
    void operator()(void* block) const { std::free(block); }
};
using MallocBlock = std::unique_ptr<unsigned char, FreeDeleter>;

// Moves `walk` onto the listed member at `position`.
int FindPosition(MemberWalk& walk, int64_t position)
{
    while (walk.Next()) {
        if (walk.Record().position == position)
            return SPI_SUCCESS;
        if (walk.Record().position > position)
            break; // the entry there is not listed
    }
    return walk.Code() != SPI_SUCCESS ? walk.Code() : SPI_UNKNOWN_FORMAT;
}

// Opens archive file `archiveName` and walks to its listed member at `position`; then returns the
// SPI_ code of `extract(reader, walk)`, which takes that member's data from there.
template <typename Extract> int WithMemberAt(const char* archiveName, int64_t position, Extract extract)
{
    ArchiveReader reader;
    if (const int code = reader.Open(ArchiveSource::File(archiveName, 0)); code != SPI_SUCCESS)
        return code;
    MemberWalk walk(reader);
    if (const int code = FindPosition(walk, position); code != SPI_SUCCESS)
        return code;
    return extract(reader, walk);
}

// Writes all `size` bytes at `offset`, leaving the descriptor's offset alone; false on any failure.
bool WriteAt(int fd, const void* data, int64_t size, int64_t offset)
{
    const auto* bytes = static_cast<const char*>(data);
    int64_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(fd, bytes + done, static_cast<size_t>(size - done), offset + done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

int Percent(int64_t done, int64_t total)
{
    return total > 0 ? static_cast<int>(std::min<int64_t>(done, total) * 100 / total) : 0;
}

// Hands the current member's data, block by block, to `put(offset, data, size)` (which returns
// an SPI_ code), refusing with `tooLargeCode` any byte at or past `limit`. *end receives the
// offset after the last byte: the declared size for a sparse member whose last hole reaches it.
// A member that is not sparse and gives less than it declares is broken.
template <typename Put>
int PumpData(ArchiveReader& reader, int64_t declared, bool sparse, int64_t limit, int tooLargeCode,
             const spi::Progress& progress, Put put, int64_t* end)
{
    *end = 0;
    int64_t reported = 0;
    if (progress.Stop(0, 100))
        return SPI_ABORTED;
    for (;;) {
        const void* data = nullptr;
        size_t size = 0;
        int64_t offset = 0;
        const ArchiveReader::Step step = reader.ReadBlock(data, size, offset);
        if (step == ArchiveReader::Step::End)
            break;
        if (step == ArchiveReader::Step::Failed)
            return reader.FailureCode();
        if (offset < 0 || offset > limit || static_cast<int64_t>(size) > limit - offset)
            return tooLargeCode;
        if (const int code = put(offset, data, size); code != SPI_SUCCESS)
            return code;
        *end = std::max(*end, offset + static_cast<int64_t>(size));
        if (*end - reported >= kProgressStepBytes) {
            reported = *end;
            if (progress.Stop(Percent(*end, declared), 100))
                return SPI_ABORTED;
        }
    }
    if (declared >= 0 && *end < declared) {
        if (!sparse)
            return SPI_BROKEN_DATA;
        *end = declared; // a hole at the end of a sparse member
    }
    return progress.Stop(100, 100) ? SPI_ABORTED : SPI_SUCCESS;
}

// The member's bytes in memory: a block that grows with the bytes that come, up to the declared
// size or, with none declared, kMaxMemberBytes; a declared size alone never sets memory aside.
// Bytes no block wrote (holes) are zero.
class MemoryOutput
{
public:
    int Reserve(int64_t declared)
    {
        most = declared >= 0 ? declared : kMaxMemberBytes;
        return Resize(std::min(most, kFirstBlockBytes)) ? SPI_SUCCESS : SPI_NO_MEMORY;
    }

    int Put(int64_t offset, const void* data, size_t size)
    {
        const int64_t end = offset + static_cast<int64_t>(size);
        if (end > capacity) {
            if (end > most)
                return SPI_NO_MEMORY;
            int64_t grown = std::max<int64_t>(capacity, 1);
            while (grown < end)
                grown = std::min(grown * 2, most);
            if (!Resize(grown))
                return SPI_NO_MEMORY;
        }
        ZeroUpTo(offset);
        // An empty block may come without any bytes behind it.
        if (size > 0)
            std::memcpy(bytes.get() + offset, data, size);
        filled = std::max(filled, end);
        return SPI_SUCCESS;
    }

    // The block of exactly `size` bytes, handed over to the caller; null when there is no memory
    // for it.
    void* Finish(int64_t size)
    {
        if (size != capacity && !Resize(size))
            return nullptr;
        ZeroUpTo(size);
        return bytes.release();
    }

private:
    bool Resize(int64_t size)
    {
        // malloc(0) may give null; one byte stands for an empty member.
        void* block = std::realloc(bytes.get(), static_cast<size_t>(std::max<int64_t>(size, 1)));
        if (!block)
            return false;
        bytes.release();
        bytes.reset(static_cast<unsigned char*>(block));
        capacity = size;
        return true;
    }

    void ZeroUpTo(int64_t offset)
    {
        if (offset > filled) {
            std::memset(bytes.get() + filled, 0, static_cast<size_t>(offset - filled));
            filled = offset;
        }
    }

    MallocBlock bytes;
    int64_t capacity = 0;
    int64_t filled = 0;
    int64_t most = 0;
};

// A name that stays inside the folder it is joined to: one component, neither "." nor "..".
bool IsPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

// A file being written in a folder under a temporary name; removed unless kept.
class TemporaryFile
{
public:
    TemporaryFile(int folder, std::string_view finalName) : folder(folder)
    {
        timespec now = {};
        clock_gettime(CLOCK_REALTIME, &now);
        constexpr int kAttempts = 32;
        for (int attempt = 0; attempt < kAttempts && fd < 0; ++attempt) {
            char suffix[64];
            std::snprintf(suffix, sizeof suffix, ".extract-%ld-%lx-%d", static_cast<long>(::getpid()),
                          static_cast<unsigned long>(now.tv_nsec) +
                              static_cast<unsigned long>(attempt) * 7919,
                          attempt);
            name = "." + std::string(finalName) + suffix;
            fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd < 0 && errno != EEXIST)
                break;
        }
    }
    ~TemporaryFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (fd >= 0 && !kept)
            ::unlinkat(folder, name.c_str(), 0);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return fd; }

    // Gives the file `size` bytes and its final name.
    bool Keep(int64_t size, std::string_view finalName)
    {
        if (::ftruncate(fd, size) != 0 ||
            ::renameat(folder, name.c_str(), folder, std::string(finalName).c_str()) != 0)
            return false;
        kept = true;
        return true;
    }

private:
    int folder;
    int fd = -1;
    std::string name;
    bool kept = false;
};

} // namespace

int ExtractToMemory(const char* archiveName, int64_t position, void** block, const spi::Progress& progress)
{
    return WithMemberAt(archiveName, position, [&](ArchiveReader& reader, const MemberWalk& walk) -> int {
        const int64_t declared = walk.DeclaredSize();
        if (declared > kMaxMemberBytes)
            return SPI_NO_MEMORY;

        MemoryOutput output;
        if (const int code = output.Reserve(declared); code != SPI_SUCCESS)
            return code;
        const auto put = [&](int64_t offset, const void* data, size_t size) {
            return output.Put(offset, data, size);
        };
        int64_t end = 0;
        const int64_t limit = declared >= 0 ? declared : kMaxMemberBytes;
        if (const int code =
                PumpData(reader, declared, walk.Sparse(), limit, SPI_NO_MEMORY, progress, put, &end);
            code != SPI_SUCCESS)
            return code;
        *block = output.Finish(end);
        return *block ? SPI_SUCCESS : SPI_NO_MEMORY;
    });
}

int ExtractToFolder(const char* archiveName, int64_t position, const char* folder,
                    const spi::Progress& progress)
{
    return WithMemberAt(archiveName, position, [&](ArchiveReader& reader, const MemberWalk& walk) -> int {
        const std::string_view name(walk.Record().fileName);
        if (!IsPlainName(name))
            return SPI_INTERNAL_ERROR;

        const spi::OwnedFd target(::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (target.get() < 0)
            return SPI_READ_ERROR;
        TemporaryFile file(target.get(), name);
        if (file.Fd() < 0)
            return SPI_READ_ERROR;
        const auto put = [&](int64_t offset, const void* data, size_t size) {
            return WriteAt(file.Fd(), data, static_cast<int64_t>(size), offset) ? SPI_SUCCESS
                                                                                : SPI_READ_ERROR;
        };
        const int64_t declared = walk.DeclaredSize();
        const int64_t limit = declared >= 0 ? declared : std::numeric_limits<int64_t>::max();
        int64_t end = 0;
        if (const int code =
                PumpData(reader, declared, walk.Sparse(), limit, SPI_BROKEN_DATA, progress, put, &end);
            code != SPI_SUCCESS)
            return code;
        return file.Keep(end, name) ? SPI_SUCCESS : SPI_READ_ERROR;
    });
}

} // namespace axarchive

#include "ArchiveReader.h"

#include "plugins/common/Files.h"
#include "spi/SusieApi.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace axarchive {

namespace {

// Reads from a file start at this size after a jump and double up to the largest.
constexpr int64_t kFirstBlockBytes = 16 << 10;
constexpr int64_t kLargestBlockBytes = 1 << 20;

// The formats and filters read here. Formats that take any data (raw, mtree, empty) are left
// out, and so are the filters that run an outside program (lrzip, grzip, lzop without liblzo).
// Zip has two readers: the one that goes by the central directory takes every archive that has
// one (it knows links and the sizes that local headers leave for later); the one that goes by
// the local headers takes the others, an empty archive or one cut short.
void EnableFormats(struct archive* handle)
{
    archive_read_support_format_zip_seekable(handle);
    archive_read_support_format_zip_streamable(handle);
    archive_read_support_format_7zip(handle);
    archive_read_support_format_tar(handle);
    archive_read_support_format_cpio(handle);
    archive_read_support_format_lha(handle);
    archive_read_support_format_cab(handle);
    archive_read_support_format_rar(handle);
    archive_read_support_format_rar5(handle);
    archive_read_support_format_iso9660(handle);

    archive_read_support_filter_gzip(handle);
    archive_read_support_filter_bzip2(handle);
    archive_read_support_filter_xz(handle);
    archive_read_support_filter_lzma(handle);
    archive_read_support_filter_lzip(handle);
    archive_read_support_filter_zstd(handle);
    archive_read_support_filter_lz4(handle);
    archive_read_support_filter_compress(handle);
    archive_read_support_filter_uu(handle);
    archive_read_support_filter_rpm(handle);
}

bool Succeeded(int result)
{
    return result == ARCHIVE_OK || result == ARCHIVE_WARN;
}

} // namespace

int SourceFromArguments(const char* buffer, intptr_t length, unsigned int flag, ArchiveSource& source)
{
    switch (flag & 7) {
    case SPI_INPUT_FILE:
        if (!buffer || length < 0)
            return SPI_READ_ERROR;
        source = ArchiveSource::File(buffer, length);
        return SPI_SUCCESS;
    case SPI_INPUT_MEMORY:
        if (!buffer && length != 0)
            return SPI_MEMORY_ERROR;
        if (length < 0)
            return SPI_UNKNOWN_FORMAT;
        source = ArchiveSource::Memory(buffer, static_cast<size_t>(length));
        return SPI_SUCCESS;
    default:
        return SPI_NOT_IMPLEMENTED;
    }
}

ArchiveReader::ArchiveReader() = default;

ArchiveReader::~ArchiveReader()
{
    if (handle)
        archive_read_free(handle);
    if (fd >= 0)
        ::close(fd);
}

int ArchiveReader::Open(const ArchiveSource& source)
{
    handle = archive_read_new();
    if (!handle)
        return SPI_NO_MEMORY;
    EnableFormats(handle);
    // The reader may pick the format while it opens.
    if (!source.fileName) {
        static const unsigned char kNothing = 0;
        const void* data = source.size > 0 ? source.data : &kNothing;
        return archive_read_open_memory(handle, data, source.size) == ARCHIVE_OK ? SPI_SUCCESS
                                                                                 : FailureCode();
    }

    fd = spi::OpenRegularFile(source.fileName);
    struct stat status = {};
    if (fd < 0 || ::fstat(fd, &status) != 0 || source.offset > status.st_size)
        return SPI_READ_ERROR;
    start = position = source.offset;
    end = status.st_size;
    blockBytes = kFirstBlockBytes;
    buffer = std::make_unique_for_overwrite<unsigned char[]>(kLargestBlockBytes);
    archive_read_set_read_callback(handle, &ArchiveReader::ReadFile);
    archive_read_set_skip_callback(handle, &ArchiveReader::SkipFile);
    archive_read_set_seek_callback(handle, &ArchiveReader::SeekFile);
    archive_read_set_callback_data(handle, this);
    return archive_read_open1(handle) == ARCHIVE_OK ? SPI_SUCCESS : FailureCode();
}

ArchiveReader::Step ArchiveReader::Next()
{
    if (dataPending && !Succeeded(archive_read_data_skip(handle)))
        return Step::Failed;
    dataPending = false;
    const int result = archive_read_next_header(handle, &entry);
    if (result == ARCHIVE_EOF)
        return Step::End;
    if (!Succeeded(result))
        return Step::Failed;
    dataPending = true;
    return Step::Entry;
}

const char* ArchiveReader::FormatName() const
{
    switch (archive_format(handle) & ARCHIVE_FORMAT_BASE_MASK) {
    case ARCHIVE_FORMAT_ZIP:
        return "zip";
    case ARCHIVE_FORMAT_7ZIP:
        return "7z";
    case ARCHIVE_FORMAT_TAR:
        return "tar";
    case ARCHIVE_FORMAT_CPIO:
        return "cpio";
    case ARCHIVE_FORMAT_LHA:
        return "lha";
    case ARCHIVE_FORMAT_CAB:
        return "cab";
    case ARCHIVE_FORMAT_RAR:
    case ARCHIVE_FORMAT_RAR_V5:
        return "rar";
    case ARCHIVE_FORMAT_ISO9660:
        return "iso";
    default:
        return "archive";
    }
}

ArchiveReader::Step ArchiveReader::ReadBlock(const void*& data, size_t& size, int64_t& offset)
{
    la_int64_t at = 0;
    const int result = archive_read_data_block(handle, &data, &size, &at);
    dataPending = true;
    offset = at;
    if (result == ARCHIVE_EOF)
        return Step::End;
    return Succeeded(result) ? Step::Entry : Step::Failed;
}

int ArchiveReader::FailureCode() const
{
    if (readFailed)
        return SPI_READ_ERROR;
    // Until a format has taken the data, it is none this module reads.
    return archive_format(handle) == 0 ? SPI_UNKNOWN_FORMAT : SPI_BROKEN_DATA;
}

la_ssize_t ArchiveReader::ReadFile(struct archive* handle, void* client, const void** block)
{
    auto* self = static_cast<ArchiveReader*>(client);
    *block = self->buffer.get();
    const int64_t want = std::min(self->blockBytes, self->end - self->position);
    if (want <= 0)
        return 0;
    const int64_t got = spi::ReadAt(self->fd, self->buffer.get(), want, self->position);
    if (got < 0) {
        self->readFailed = true;
        archive_set_error(handle, errno, "cannot read the archive file");
        return ARCHIVE_FATAL;
    }
    self->position += got;
    self->blockBytes = std::min(self->blockBytes * 2, kLargestBlockBytes);
    return static_cast<la_ssize_t>(got);
}

la_int64_t ArchiveReader::SkipFile(struct archive*, void* client, la_int64_t request)
{
    auto* self = static_cast<ArchiveReader*>(client);
    const int64_t step = std::clamp<int64_t>(request, 0, std::max<int64_t>(self->end - self->position, 0));
    self->position += step;
    self->blockBytes = kFirstBlockBytes;
    return step;
}

la_int64_t ArchiveReader::SeekFile(struct archive*, void* client, la_int64_t offset, int whence)
{
    auto* self = static_cast<ArchiveReader*>(client);
    int64_t base = 0;
    switch (whence) {
    case SEEK_SET:
        base = self->start;
        break;
    case SEEK_CUR:
        base = self->position;
        break;
    case SEEK_END:
        base = self->end;
        break;
    default:
        return ARCHIVE_FATAL;
    }
    if (offset < self->start - base || offset > INT64_MAX - base)
        return ARCHIVE_FATAL;
    self->position = base + offset;
    self->blockBytes = kFirstBlockBytes;
    return self->position - self->start;
}

} // namespace axarchive

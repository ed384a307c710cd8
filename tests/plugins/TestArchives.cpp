#include "TestArchives.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace testarchives {

namespace {

struct WriterDeleter
{
    void operator()(struct archive* writer) const { archive_write_free(writer); }
};
struct EntryDeleter
{
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};

la_ssize_t Append(struct archive*, void* out, const void* data, size_t size)
{
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return static_cast<la_ssize_t>(size);
}

bool SetFormat(struct archive* writer, Format format)
{
    switch (format) {
    case Format::Zip:
        return archive_write_set_format_zip(writer) == ARCHIVE_OK;
    case Format::ZipStored:
        return archive_write_set_format_zip(writer) == ARCHIVE_OK &&
               archive_write_zip_set_compression_store(writer) == ARCHIVE_OK;
    case Format::SevenZip:
        // LZMA at its fastest: the default level takes seconds for a few megabytes.
        return archive_write_set_format_7zip(writer) == ARCHIVE_OK &&
               archive_write_set_format_option(writer, "7zip", "compression-level", "1") == ARCHIVE_OK;
    case Format::Tar:
        return archive_write_set_format_pax_restricted(writer) == ARCHIVE_OK;
    case Format::TarGz:
        return archive_write_set_format_pax_restricted(writer) == ARCHIVE_OK &&
               archive_write_add_filter_gzip(writer) == ARCHIVE_OK;
    case Format::Iso:
        return archive_write_set_format_iso9660(writer) == ARCHIVE_OK;
    }
    return false;
}

void Describe(archive_entry* entry, const Entry& from)
{
    archive_entry_set_pathname_utf8(entry, from.name.c_str());
    archive_entry_set_mtime(entry, from.mtime, 0);
    switch (from.kind) {
    case EntryKind::File:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(from.data.size()));
        break;
    case EntryKind::Directory:
        archive_entry_set_filetype(entry, AE_IFDIR);
        archive_entry_set_perm(entry, 0755);
        break;
    case EntryKind::Symlink:
        archive_entry_set_filetype(entry, AE_IFLNK);
        archive_entry_set_perm(entry, 0777);
        archive_entry_set_symlink_utf8(entry, from.target.c_str());
        break;
    case EntryKind::Hardlink:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_hardlink_utf8(entry, from.target.c_str());
        archive_entry_set_size(entry, 0);
        break;
    case EntryKind::Fifo:
        archive_entry_set_filetype(entry, AE_IFIFO);
        archive_entry_set_perm(entry, 0644);
        break;
    }
}

uint32_t Get32(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

uint16_t Get16(const std::string& bytes, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

void Put32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

void Add16(std::string& out, uint16_t value)
{
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>(value >> 8);
}

void Add32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(value >> (8 * i));
}

void Add64(std::string& out, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>(value >> (8 * i));
}

} // namespace

std::string Pack(Format format, const std::vector<Entry>& entries, const char* options)
{
    const std::unique_ptr<struct archive, WriterDeleter> writer(archive_write_new());
    std::string out;
    if (!writer || !SetFormat(writer.get(), format))
        return {};
    if (options && archive_write_set_options(writer.get(), options) != ARCHIVE_OK)
        return {};
    // No padding after the archive: its end is where the formats look for their directories.
    archive_write_set_bytes_in_last_block(writer.get(), 1);
    if (archive_write_open(writer.get(), &out, nullptr, Append, nullptr) != ARCHIVE_OK)
        return {};
    for (const Entry& from : entries) {
        const std::unique_ptr<archive_entry, EntryDeleter> entry(archive_entry_new());
        Describe(entry.get(), from);
        if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK)
            return {};
        if (from.kind == EntryKind::File && !from.data.empty() &&
            archive_write_data(writer.get(), from.data.data(), from.data.size()) !=
                static_cast<la_ssize_t>(from.data.size()))
            return {};
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return {};
    return out;
}

std::string Bytes(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        // One byte in eight random, the others from a short cycle.
        bytes[i] = static_cast<char>(i % 8 == 0 ? (state & 0xff) : ((i / 8 + seed) % 7));
    }
    return bytes;
}

bool PatchZipUncompressedSize(std::string& zip, std::string_view name, uint32_t size)
{
    // The end record: the central directory's size and offset.
    const size_t end = zip.rfind(std::string("PK\x05\x06", 4));
    if (end == std::string::npos || end + 22 > zip.size())
        return false;
    const size_t entries = Get16(zip, end + 10);
    size_t at = Get32(zip, end + 16);
    for (size_t i = 0; i < entries && at + 46 <= zip.size(); ++i) {
        const size_t nameLength = Get16(zip, at + 28);
        const size_t extraLength = Get16(zip, at + 30);
        const size_t commentLength = Get16(zip, at + 32);
        if (std::string_view(zip).substr(at + 46, nameLength) == name) {
            const uint32_t compressed = Get32(zip, at + 20);
            const size_t local = Get32(zip, at + 42);
            const uint16_t flags = Get16(zip, local + 6);
            Put32(zip, at + 24, size);
            Put32(zip, local + 22, Get32(zip, local + 22) == 0 ? 0 : size);
            if (flags & 0x08) {
                // The data descriptor after the data: [signature] crc, compressed, uncompressed.
                size_t descriptor = local + 30 + Get16(zip, local + 26) + Get16(zip, local + 28) + compressed;
                if (zip.compare(descriptor, 4, "PK\x07\x08", 4) == 0)
                    descriptor += 4;
                Put32(zip, descriptor + 8, size);
            }
            return true;
        }
        at += 46 + nameLength + extraLength + commentLength;
    }
    return false;
}

uint32_t Crc32(std::string_view bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

std::string Zip64Claiming(uint64_t uncompressedSize)
{
    const std::string name = "claim.bin";
    const std::string content = "hello";
    // One stored deflate block, the last: header bit, length and its complement, the bytes.
    std::string deflated("\x01\x05\x00\xFA\xFF", 5);
    deflated += content;
    const uint32_t crc = Crc32(content);

    const auto zip64Extra = [&] {
        std::string extra;
        Add16(extra, 0x0001);
        Add16(extra, 16);
        Add64(extra, uncompressedSize);
        Add64(extra, deflated.size());
        return extra;
    }();
    const auto commonFields = [&](std::string& out) {
        Add16(out, 45);     // version needed: zip64
        Add16(out, 0);      // flags
        Add16(out, 8);      // deflate
        Add16(out, 0);      // time
        Add16(out, 0x5821); // date
        Add32(out, crc);
        Add32(out, 0xFFFFFFFFu); // sizes in the zip64 field
        Add32(out, 0xFFFFFFFFu);
        Add16(out, static_cast<uint16_t>(name.size()));
        Add16(out, static_cast<uint16_t>(zip64Extra.size()));
    };

    std::string zip;
    Add32(zip, 0x04034b50);
    commonFields(zip);
    zip += name + zip64Extra + deflated;

    const size_t central = zip.size();
    Add32(zip, 0x02014b50);
    Add16(zip, (3 << 8) | 45); // made by Unix
    commonFields(zip);
    Add16(zip, 0); // comment
    Add16(zip, 0); // disk
    Add16(zip, 0); // internal attributes
    Add32(zip, 0100644u << 16);
    Add32(zip, 0); // local header offset
    zip += name + zip64Extra;
    const size_t centralSize = zip.size() - central;

    Add32(zip, 0x06054b50);
    Add16(zip, 0);
    Add16(zip, 0);
    Add16(zip, 1);
    Add16(zip, 1);
    Add32(zip, static_cast<uint32_t>(centralSize));
    Add32(zip, static_cast<uint32_t>(central));
    Add16(zip, 0);
    return zip;
}

} // namespace testarchives

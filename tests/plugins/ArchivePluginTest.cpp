#include "ProgressLog.h"
#include "TestArchives.h"
#include "platform/susie/ArchivePluginShelf.h"
#include "platform/susie/SusiePlugin.h"
#include "support/Fifo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace testarchives;

constexpr uint32_t kTooLarge = 0xFFFFFFFF;
constexpr unsigned kIgnoreCase = 0x80;
constexpr unsigned kFileToMemory = unsigned(SPI_INPUT_FILE) | unsigned(SPI_OUTPUT_MEMORY);
constexpr unsigned kFileToFolder = unsigned(SPI_INPUT_FILE) | unsigned(SPI_OUTPUT_FILE);
constexpr unsigned kMemoryToMemory = unsigned(SPI_INPUT_MEMORY) | unsigned(SPI_OUTPUT_MEMORY);

std::string Method(const SpiFileInfo& record)
{
    return std::string(reinterpret_cast<const char*>(record.method),
                       strnlen(reinterpret_cast<const char*>(record.method), 8));
}

std::string FullName(const SpiFileInfo& record)
{
    return std::string(record.path) + record.fileName;
}

bool AllZero(const SpiFileInfo& record)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    return std::all_of(bytes, bytes + sizeof record, [](unsigned char byte) { return byte == 0; });
}

// A listing copied out of the plug-in's block, which is freed at once.
struct Listing
{
    int code = -100;
    bool listingNull = false;
    std::vector<SpiFileInfo> records;

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const SpiFileInfo& record : records)
            names.push_back(FullName(record));
        return names;
    }
    const SpiFileInfo* Find(const std::string& fullName) const
    {
        for (const SpiFileInfo& record : records) {
            if (FullName(record) == fullName)
                return &record;
        }
        return nullptr;
    }
};

// A member extracted to memory, copied out of the plug-in's block.
struct Extracted
{
    int code = -100;
    bool blockNull = false;
    std::string bytes;
};

class ArchivePluginTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(plugin.IsLoaded());
        ASSERT_TRUE(plugin.getPluginInfo && plugin.isSupported && plugin.getArchiveInfo &&
                    plugin.getFileInfo && plugin.getFile);
    }

    std::string Path(const std::string& name) const
    {
        return QFile::encodeName(dir.filePath(QString::fromStdString(name))).toStdString();
    }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = Path(name);
        QFile file(QString::fromStdString(path));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) &&
                    file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()))
            << name;
        return path;
    }

    std::string Info(int number, int length = 256)
    {
        std::string buffer(size_t(length), '\0');
        const int written = plugin.getPluginInfo(number, buffer.data(), length);
        return written > 0 ? buffer.substr(0, size_t(written)) : std::string();
    }

    // IsSupported with a descriptor probe; the descriptor's position must be left alone.
    bool SupportedByDescriptor(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY);
        EXPECT_GE(fd, 0);
        const off_t position = ::lseek(fd, 3, SEEK_SET);
        const bool supported = plugin.isSupported(path.c_str(), fd) != 0;
        EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), position) << "the probe moved the descriptor";
        ::close(fd);
        return supported;
    }

    // IsSupported with a buffer probe: the file's start, zero-padded to 2 KiB.
    bool SupportedByBuffer(const std::string& path, const std::string& bytes)
    {
        std::string start = bytes.substr(0, 2048);
        start.resize(2048, '\0');
        return plugin.isSupported(path.c_str(), reinterpret_cast<intptr_t>(start.data())) != 0;
    }

    Listing List(const char* buffer, intptr_t length, unsigned flag)
    {
        void* block = reinterpret_cast<void*>(0x1); // must be overwritten
        Listing listing;
        listing.code = plugin.getArchiveInfo(buffer, length, flag, &block);
        listing.listingNull = block == nullptr;
        if (listing.code == SPI_SUCCESS && block) {
            const auto* records = static_cast<const SpiFileInfo*>(block);
            while (!AllZero(*records)) {
                EXPECT_NE(records->method[0], 0) << "a record before the terminator has no method";
                listing.records.push_back(*records++);
            }
            std::free(block);
        }
        return listing;
    }
    Listing ListFile(const std::string& path, intptr_t offset = 0)
    {
        return List(path.c_str(), offset, SPI_INPUT_FILE);
    }
    Listing ListMemory(const std::string& bytes)
    {
        return List(bytes.data(), intptr_t(bytes.size()), SPI_INPUT_MEMORY);
    }

    // Every listing: positions strictly increasing, names terminated within their fields.
    static void ExpectWellFormed(const Listing& listing)
    {
        for (size_t i = 0; i < listing.records.size(); ++i) {
            const SpiFileInfo& record = listing.records[i];
            EXPECT_LE(strnlen(record.path, sizeof record.path), 199u);
            EXPECT_LE(strnlen(record.fileName, sizeof record.fileName), 199u);
            EXPECT_GT(strlen(record.fileName), 0u);
            if (i > 0) {
                EXPECT_GT(record.position, listing.records[i - 1].position) << FullName(record);
            }
        }
    }

    std::pair<int, SpiFileInfo> FindIn(const std::string& path, const char* name, unsigned flag = 0)
    {
        SpiFileInfo info;
        std::memset(&info, 0xAB, sizeof info);
        const int code = plugin.getFileInfo(path.c_str(), 0, name, SPI_INPUT_FILE | flag, &info);
        return {code, info};
    }

    Extracted GetToMemory(const std::string& path, intptr_t position, uint32_t size,
                          SpiProgressCallback progress = nullptr, intptr_t data = 0)
    {
        void* block = reinterpret_cast<void*>(0x1);
        Extracted extracted;
        extracted.code = plugin.getFile(path.c_str(), position, &block, kFileToMemory, progress, data);
        extracted.blockNull = block == nullptr;
        if (extracted.code == SPI_SUCCESS && block) {
            extracted.bytes.assign(static_cast<const char*>(block), size);
            std::free(block);
        }
        return extracted;
    }

    // GetFile to memory of the listed member `fullName`.
    Extracted GetMember(const std::string& path, const Listing& listing, const std::string& fullName)
    {
        const SpiFileInfo* record = listing.Find(fullName);
        EXPECT_NE(record, nullptr) << fullName;
        if (!record)
            return {};
        return GetToMemory(path, record->position, record->fileSize);
    }

    // The position of listed member `fullName`; -1, which no member has, when it is not listed.
    static intptr_t PositionOf(const Listing& listing, const std::string& fullName)
    {
        const SpiFileInfo* record = listing.Find(fullName);
        EXPECT_NE(record, nullptr) << fullName << " is not listed";
        return record ? intptr_t(record->position) : -1;
    }

    int GetToFolder(const std::string& path, intptr_t position, const std::string& folder)
    {
        return plugin.getFile(path.c_str(), position, const_cast<char*>(folder.c_str()), kFileToFolder,
                              nullptr, 0);
    }

    QStringList FilesIn(const std::string& folder) const
    {
        return QDir(QString::fromStdString(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir dir;
    platform::SusiePlugin plugin{QStringLiteral(SORLIN_TEST_ARCHIVE_PLUGIN)};
};

// A zip with folders, the same name in two folders, a link and names that climb out.
std::vector<Entry> MixedEntries()
{
    return {
        {"a/", "", EntryKind::Directory},
        {"a/same.mp3", "first same", EntryKind::File, "", 1600000000},
        {"a/b/", "", EntryKind::Directory},
        {"a/b/c/", "", EntryKind::Directory},
        {"a/b/c/song.mp3", "nested song", EntryKind::File, "", 1600000100},
        {"b/same.mp3", "second same, longer", EntryKind::File, "", 1600000200},
        {"link.mp3", "", EntryKind::Symlink, "a/same.mp3"},
        {"../x.mp3", "climbs", EntryKind::File},
        {"..\\y.mp3", "climbs on Windows", EntryKind::File},
        {"top.mp3", "top level", EntryKind::File},
    };
}

TEST_F(ArchivePluginTest, TellsItsVersionNameAndFileTypes)
{
    EXPECT_EQ(plugin.Version(), QStringLiteral("00AM"));
    EXPECT_TRUE(plugin.IsArchivePlugin());
    EXPECT_EQ(Info(1), "Sorlin archive reader (libarchive)");
    EXPECT_EQ(
        Info(2),
        "*.zip;*.7z;*.tar;*.tgz;*.tar.gz;*.tbz;*.tar.bz2;*.txz;*.tar.xz;*.lzh;*.lha;*.cab;*.rar;*.iso;*.wsz");
    EXPECT_EQ(Info(3), "Archives");
    EXPECT_EQ(Info(4), "");
    EXPECT_EQ(Info(-1), "");

    // A short buffer gets what fits and no terminator.
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(plugin.getPluginInfo(0, small, 2), 2);
    EXPECT_EQ(std::string(small, 4), "00xx");
    EXPECT_EQ(plugin.getPluginInfo(0, small, 0), 0);
    EXPECT_EQ(plugin.getPluginInfo(0, nullptr, 10), 0);
}

TEST_F(ArchivePluginTest, StaysLoadedWhenAnotherLoadOfItsFileIsLetGo)
{
    // Asking the folder's image plug-ins about a picture loads and lets go of this module too,
    // while the player still holds it for the archive it lists.
    for (int i = 0; i < 2; ++i) {
        platform::SusiePlugin other{QStringLiteral(SORLIN_TEST_ARCHIVE_PLUGIN)};
        ASSERT_TRUE(other.IsLoaded());
    }
    const std::string zip = Write("held.zip", Pack(Format::Zip, {{"a.mp3", "still here"}}));
    EXPECT_EQ(plugin.Version(), QStringLiteral("00AM"));
    const Listing listing = ListFile(zip);
    ASSERT_EQ(listing.code, SPI_SUCCESS);
    EXPECT_EQ(GetMember(zip, listing, "a.mp3").bytes, "still here");
}

TEST(ArchivePluginShelfTest, KeepsAModuleWhileItsFileStaysTheSame)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("ax.spi"));
    // Each step puts a file in place by renaming, as an update does.
    const auto put = [&](const char* source) {
        const QString staged = folder.filePath(QStringLiteral("staged"));
        QFile::remove(staged);
        return QFile::copy(QString::fromUtf8(source), staged) &&
               ::rename(qPrintable(staged), qPrintable(file)) == 0;
    };
    platform::ArchivePluginShelf shelf;
    ASSERT_TRUE(put(SORLIN_TEST_ARCHIVE_PLUGIN));
    std::shared_ptr<const platform::SusiePlugin> first = shelf.Load(file);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(shelf.Load(file), first) << "loaded again although the file is the same";
    first.reset();

    // Replaced by an image plug-in: no archive plug-in there any more, also when asked again.
    ASSERT_TRUE(put(SORLIN_TEST_IMAGE_PLUGIN));
    EXPECT_EQ(shelf.Load(file), nullptr);
    EXPECT_EQ(shelf.Load(file), nullptr);
    // The archive plug-in back, loaded afresh; then gone: nothing, while the module in use stays.
    ASSERT_TRUE(put(SORLIN_TEST_ARCHIVE_PLUGIN));
    std::shared_ptr<const platform::SusiePlugin> again = shelf.Load(file);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Version(), QStringLiteral("00AM"));
    // Replaced while a call still uses the module: that call's module comes back until it is
    // let go, and then the new file's.
    ASSERT_TRUE(put(SORLIN_TEST_IMAGE_PLUGIN));
    EXPECT_NE(shelf.Load(file), nullptr) << "the loader's module of that name";
    EXPECT_EQ(again->Version(), QStringLiteral("00AM")) << "a module in use stays loaded";
    again.reset();
    EXPECT_EQ(shelf.Load(file), nullptr);
    ASSERT_TRUE(QFile::remove(file));
    EXPECT_EQ(shelf.Load(file), nullptr);
}

TEST_F(ArchivePluginTest, RecognisesArchivesByTheirContent)
{
    const std::vector<Entry> entries = {{"song.mp3", Bytes(3000, 1)}, {"cover.png", Bytes(500, 2)}};
    const struct
    {
        const char* name; // names that say nothing of the content
        std::string bytes;
    } archives[] = {
        {"music.dat", Pack(Format::Zip, entries)},  {"empty.bin", Pack(Format::Zip, {})},
        {"seven", Pack(Format::SevenZip, entries)}, {"packed.mp3", Pack(Format::TarGz, entries)},
        {"plain", Pack(Format::Tar, entries)},      {"disc.img", Pack(Format::Iso, entries)},
    };
    for (const auto& archive : archives) {
        SCOPED_TRACE(archive.name);
        ASSERT_FALSE(archive.bytes.empty());
        const std::string path = Write(archive.name, archive.bytes);
        EXPECT_TRUE(SupportedByDescriptor(path));
        EXPECT_TRUE(SupportedByBuffer(path, archive.bytes));
        // What is recognised is also read.
        EXPECT_EQ(ListFile(path).code, SPI_SUCCESS);
    }

    // The starts of the other kinds, and near misses of them.
    std::string lha = std::string("\x24\x12-lh5-", 7) + std::string(14, '\x01');
    lha[20] = 2; // header level
    std::string lhaLevel9 = lha;
    lhaLevel9[20] = 9;
    const struct
    {
        const char* kind;
        std::string start;
        bool supported;
    } starts[] = {
        {"rar 4", std::string("Rar!\x1A\x07\x00\xCF\x90\x73", 10), true},
        {"rar 5", std::string("Rar!\x1A\x07\x01\x00\x33\x92", 10), true},
        {"rar, other version", std::string("Rar!\x1A\x07\x02\x00", 8), false},
        {"lha", lha, true},
        {"lha, unknown level", lhaLevel9, false},
        {"cab", std::string("MSCF\0\0\0\0\x10\x20\0\0", 12), true},
        {"cab, reserved bytes set", std::string("MSCF\x01\0\0\0", 8), false},
        {"bzip2", "BZh91AY&SY\x12\x34", true},
        {"bzip2, no block size", "BZh01AY&SY\x12\x34", false},
        {"xz",
         std::string("\xFD"
                     "7zXZ\0\0\x04",
                     8),
         true},
        {"zstd", std::string("\x28\xB5\x2F\xFD\x04\x58", 6), true},
        {"gzip, not deflate", std::string("\x1F\x8B\x07\0", 4), false},
        {"zip end record with entries",
         std::string("PK\x05\x06\0\0\0\0\x01\0\x01\0", 12) + std::string(10, '\0'), false},
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.kind);
        const std::string path = Write("start", start.start + std::string(100, '\x55'));
        EXPECT_EQ(SupportedByDescriptor(path), start.supported);
        EXPECT_EQ(SupportedByBuffer(path, start.start), start.supported);
    }

    // An ISO image is known by a descriptor beyond the probe, read from the named file: the same
    // probe under a name that leads nowhere is no archive.
    const std::string iso = Pack(Format::Iso, entries);
    ASSERT_GT(iso.size(), 32774u);
    EXPECT_FALSE(SupportedByBuffer(Path("missing.iso"), iso));
    EXPECT_FALSE(plugin.isSupported(nullptr, reinterpret_cast<intptr_t>(std::string(2048, '\0').data())));
}

TEST_F(ArchivePluginTest, RefusesMediaPicturesTextAndEmptyFiles)
{
    std::string mp3 = std::string("ID3\x03\x00\x00\x00\x00\x00\x0a", 10) + std::string(10, '\0');
    for (int frame = 0; frame < 20; ++frame)
        mp3 += std::string("\xFF\xFB\x90\x64", 4) + Bytes(413, uint32_t(frame));
    std::string bareMp3;
    for (int frame = 0; frame < 20; ++frame)
        bareMp3 += std::string("\xFF\xFB\x90\x64", 4) + Bytes(413, uint32_t(frame + 100));
    const std::string png =
        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0", 29) + Bytes(200, 7);
    const std::string mp4 = std::string("\0\0\0\x20"
                                        "ftypisom\0\0\x02\0isomiso2avc1mp41",
                                        32) +
                            Bytes(3000, 8);
    const std::string flac = "fLaC" + std::string("\0\0\0\x22", 4) + Bytes(3000, 9);
    const std::string wav =
        std::string("RIFF\x24\x10\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0", 24) + Bytes(4096, 10);
    const std::string ogg = std::string("OggS\0\x02", 6) + Bytes(3000, 11);
    const struct
    {
        const char* name; // archive names, content of other kinds
        std::string bytes;
    } others[] = {
        {"song.zip", mp3},      {"frames.7z", bareMp3},
        {"picture.tar", png},   {"movie.rar", mp4},
        {"lossless.lzh", flac}, {"wave.cab", wav},
        {"vorbis.iso", ogg},    {"notes.tar.gz", "These are notes about ustar, PK and Rar! files.\n"},
        {"empty.zip", ""},
    };
    for (const auto& other : others) {
        SCOPED_TRACE(other.name);
        const std::string path = Write(other.name, other.bytes);
        EXPECT_FALSE(SupportedByDescriptor(path));
        EXPECT_FALSE(SupportedByBuffer(path, other.bytes));
        const Listing listing = ListFile(path);
        EXPECT_EQ(listing.code, SPI_UNKNOWN_FORMAT);
        EXPECT_TRUE(listing.listingNull);
    }
}

TEST_F(ArchivePluginTest, ListsRegularFilesWithFolderAndNameInArchiveOrder)
{
    const std::string zip = Pack(Format::Zip, MixedEntries());
    ASSERT_FALSE(zip.empty());
    const std::string path = Write("mixed.zip", zip);
    // From the file and from memory: the same listing. libarchive gives the "\\" of zip names
    // as "/".
    for (const Listing& listing : {ListFile(path), ListMemory(zip)}) {
        ASSERT_EQ(listing.code, SPI_SUCCESS);
        ExpectWellFormed(listing);
        const struct
        {
            const char* path;
            const char* fileName;
            uint32_t position; // counting the folders and the link too
            size_t size;
        } expected[] = {
            {"a/", "same.mp3", 1, 10}, {"a/b/c/", "song.mp3", 4, 11}, {"b/", "same.mp3", 5, 19},
            {"../", "x.mp3", 7, 6},    {"../", "y.mp3", 8, 17},       {"", "top.mp3", 9, 9},
        };
        ASSERT_EQ(listing.records.size(), std::size(expected));
        for (size_t i = 0; i < std::size(expected); ++i) {
            const SpiFileInfo& record = listing.records[i];
            SCOPED_TRACE(FullName(record));
            EXPECT_STREQ(record.path, expected[i].path);
            EXPECT_STREQ(record.fileName, expected[i].fileName);
            EXPECT_EQ(record.position, expected[i].position);
            EXPECT_EQ(record.fileSize, expected[i].size);
            EXPECT_EQ(Method(record), "zip");
            EXPECT_EQ(record.compressedSize, 0u);
        }
        EXPECT_EQ(listing.records[0].timestamp, 1600000000);
        EXPECT_EQ(listing.records[1].timestamp, 1600000100);
    }
}

TEST_F(ArchivePluginTest, LeavesOutLinksFoldersAndSpecialFilesOfTar)
{
    const std::vector<Entry> entries = {
        {"music/", "", EntryKind::Directory},
        {"music/one.mp3", "one"},
        {"music/again.mp3", "", EntryKind::Hardlink, "music/one.mp3"},
        {"music/soft.mp3", "", EntryKind::Symlink, "one.mp3"},
        {"music/pipe.mp3", "", EntryKind::Fifo},
        {"music/two.mp3", "two!"},
        {"music/.", "dot"},
        {"music/..", "dot dot"},
    };
    for (const Format format : {Format::Tar, Format::TarGz}) {
        const std::string tar = Pack(format, entries);
        ASSERT_FALSE(tar.empty());
        const Listing listing = ListFile(Write("music.tar", tar));
        ASSERT_EQ(listing.code, SPI_SUCCESS);
        ExpectWellFormed(listing);
        EXPECT_EQ(listing.Names(), (std::vector<std::string>{"music/one.mp3", "music/two.mp3"}));
        ASSERT_EQ(listing.records.size(), 2u);
        EXPECT_EQ(listing.records[0].position, 1u);
        EXPECT_EQ(listing.records[1].position, 5u);
        EXPECT_EQ(Method(listing.records[0]), "tar");
    }
}

TEST_F(ArchivePluginTest, SplitsNamesAtBackslashesToo)
{
    const std::string path = Write("windows.tar", Pack(Format::Tar, {{"..\\y.mp3", "climbs"},
                                                                     {"dir\\sub\\z.mp3", "deep"},
                                                                     {"mixed/dir\\w.mp3", "both"},
                                                                     {"folder\\", "no name"}}));
    const Listing listing = ListFile(path);
    ASSERT_EQ(listing.code, SPI_SUCCESS);
    ASSERT_EQ(listing.records.size(), 3u);
    EXPECT_STREQ(listing.records[0].path, "..\\");
    EXPECT_STREQ(listing.records[0].fileName, "y.mp3");
    EXPECT_STREQ(listing.records[1].path, "dir\\sub\\");
    EXPECT_STREQ(listing.records[1].fileName, "z.mp3");
    EXPECT_STREQ(listing.records[2].path, "mixed/dir\\");
    EXPECT_STREQ(listing.records[2].fileName, "w.mp3");

    EXPECT_EQ(FindIn(path, "dir\\sub\\z.mp3").second.position, listing.records[1].position);
    EXPECT_EQ(FindIn(path, "z.mp3").first, SPI_SUCCESS);
    EXPECT_EQ(FindIn(path, "sub\\z.mp3").first, SPI_UNKNOWN_FORMAT);
    const std::string folder = Path("out");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    ASSERT_EQ(GetToFolder(path, listing.records[0].position, folder), SPI_SUCCESS);
    EXPECT_EQ(FilesIn(folder), QStringList{"y.mp3"});
}

TEST_F(ArchivePluginTest, GivesNamesAsUtf8CutOnCharacterBoundaries)
{
    std::string longName;
    for (int i = 0; i < 100; ++i)
        longName += "\xE3\x81\x82"; // あ, three bytes
    const std::string longFolder = longName + "/";
    const std::vector<Entry> entries = {
        {"\xE6\x9B\xB2/\xE6\xAD\x8C.mp3", "song"}, // 曲/歌.mp3
        {longName + ".mp3", "long name"},
        {longFolder + "short.mp3", "long folder"},
    };
    for (const Format format : {Format::Zip, Format::TarGz, Format::SevenZip}) {
        const std::string archive = Pack(format, entries);
        ASSERT_FALSE(archive.empty());
        const Listing listing = ListFile(Write("names", archive));
        ASSERT_EQ(listing.code, SPI_SUCCESS);
        ExpectWellFormed(listing);
        ASSERT_EQ(listing.records.size(), 3u);
        EXPECT_STREQ(listing.records[0].path, "\xE6\x9B\xB2/");
        EXPECT_STREQ(listing.records[0].fileName, "\xE6\xAD\x8C.mp3");
        // 199 bytes would split the 67th character: 66 whole ones are kept.
        EXPECT_EQ(std::string(listing.records[1].fileName), longName.substr(0, 198));
        EXPECT_EQ(std::string(listing.records[2].path), longFolder.substr(0, 198));
        EXPECT_STREQ(listing.records[2].fileName, "short.mp3");
    }
}

TEST_F(ArchivePluginTest, ListsSevenZipTarGzAndIsoWithTheirSizes)
{
    const std::vector<Entry> entries = {
        {"album/", "", EntryKind::Directory},
        {"album/01.mp3", Bytes(12345, 1)},
        {"album/02.mp3", Bytes(3 << 20, 2)},
        {"album/empty.txt", ""},
        {"readme.txt", "read me"},
    };
    const struct
    {
        Format format;
        const char* method;
    } formats[] = {
        {Format::SevenZip, "7z"}, {Format::TarGz, "tar"}, {Format::Iso, "iso"}, {Format::ZipStored, "zip"}};
    for (const auto& format : formats) {
        SCOPED_TRACE(format.method);
        const std::string archive = Pack(format.format, entries);
        ASSERT_FALSE(archive.empty());
        const Listing listing = ListFile(Write("album", archive));
        ASSERT_EQ(listing.code, SPI_SUCCESS);
        ExpectWellFormed(listing);
        std::vector<std::string> names = listing.Names();
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"album/01.mp3", "album/02.mp3", "album/empty.txt",
                                                   "readme.txt"}));
        for (const Entry& entry : entries) {
            if (const SpiFileInfo* record = listing.Find(entry.name)) {
                EXPECT_EQ(record->fileSize, entry.data.size()) << entry.name;
                EXPECT_EQ(Method(*record), format.method);
                EXPECT_EQ(record->timestamp, entry.mtime);
            }
        }
    }
}

TEST_F(ArchivePluginTest, ListsAnArchiveStartingAtAnOffset)
{
    const std::vector<Entry> entries = {{"a.mp3", "first"}, {"dir/b.mp3", "second"}};
    const std::string junk = Bytes(1000, 5);
    for (const Format format : {Format::Tar, Format::Zip}) {
        const std::string path = Write("packed.bin", junk + Pack(format, entries));
        const Listing listing = ListFile(path, intptr_t(junk.size()));
        ASSERT_EQ(listing.code, SPI_SUCCESS);
        EXPECT_EQ(listing.Names(), (std::vector<std::string>{"a.mp3", "dir/b.mp3"}));
        // An offset past the end.
        EXPECT_EQ(ListFile(path, 1 << 20).code, SPI_READ_ERROR);
    }
    // From the start of the file, the junk is the start of no archive.
    EXPECT_EQ(ListFile(Write("tar.bin", junk + Pack(Format::Tar, entries))).code, SPI_UNKNOWN_FORMAT);
}

TEST_F(ArchivePluginTest, FindsMembersByFullOrBareName)
{
    const std::string path = Write("mixed.zip", Pack(Format::Zip, MixedEntries()));
    const Listing listing = ListFile(path);
    ASSERT_EQ(listing.code, SPI_SUCCESS);

    const auto expectFound = [&](const char* name, unsigned flag, const char* fullName) {
        SCOPED_TRACE(name);
        const auto [code, info] = FindIn(path, name, flag);
        ASSERT_EQ(code, SPI_SUCCESS);
        const SpiFileInfo* record = listing.Find(fullName);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(std::memcmp(&info, record, sizeof info), 0) << "not the listing's record of " << fullName;
    };
    expectFound("b/same.mp3", 0, "b/same.mp3");
    expectFound("same.mp3", 0, "a/same.mp3"); // the first of the two
    expectFound("a/b/c/song.mp3", 0, "a/b/c/song.mp3");
    expectFound("song.mp3", 0, "a/b/c/song.mp3");
    expectFound("../y.mp3", 0, "../y.mp3");
    expectFound("B/SAME.MP3", kIgnoreCase, "b/same.mp3");
    expectFound("Top.Mp3", kIgnoreCase, "top.mp3");

    for (const char* missing :
         {"B/SAME.MP3", "Top.Mp3", "c/song.mp3", "same", "a/", "link.mp3", "nothing.mp3"})
        EXPECT_EQ(FindIn(path, missing).first, SPI_UNKNOWN_FORMAT) << missing;

    // From memory as well.
    const std::string zip = Pack(Format::Zip, MixedEntries());
    SpiFileInfo info = {};
    EXPECT_EQ(plugin.getFileInfo(zip.data(), intptr_t(zip.size()), "top.mp3", SPI_INPUT_MEMORY, &info),
              SPI_SUCCESS);
    EXPECT_STREQ(info.fileName, "top.mp3");
    EXPECT_EQ(plugin.getFileInfo(zip.data(), intptr_t(zip.size()), "TOP.MP3", SPI_INPUT_MEMORY, &info),
              SPI_UNKNOWN_FORMAT);

    EXPECT_EQ(plugin.getFileInfo(path.c_str(), 0, "top.mp3", SPI_INPUT_FILE, nullptr), SPI_INTERNAL_ERROR);
    EXPECT_EQ(plugin.getFileInfo(path.c_str(), 0, nullptr, SPI_INPUT_FILE, &info), SPI_INTERNAL_ERROR);
}

TEST_F(ArchivePluginTest, ExtractsExactlyTheBytesOfEachMemberToMemory)
{
    const std::vector<Entry> entries = {
        {"a.bin", Bytes(1000, 1)},
        {"dir/big.bin", Bytes((3 << 20) + 17, 2)},
        {"dir/empty.bin", ""},
        {"z.bin", Bytes(70000, 3)},
    };
    const struct
    {
        Format format;
        const char* name;
    } formats[] = {{Format::Zip, "zip"},     {Format::ZipStored, "stored zip"},
                   {Format::SevenZip, "7z"}, {Format::TarGz, "tar.gz"},
                   {Format::Tar, "tar"},     {Format::Iso, "iso"}};
    for (const auto& format : formats) {
        SCOPED_TRACE(format.name);
        const std::string path = Write("archive", Pack(format.format, entries));
        const Listing listing = ListFile(path);
        ASSERT_EQ(listing.code, SPI_SUCCESS);
        ASSERT_EQ(listing.records.size(), entries.size());
        for (const Entry& entry : entries) {
            const Extracted extracted = GetMember(path, listing, entry.name);
            ASSERT_EQ(extracted.code, SPI_SUCCESS) << entry.name;
            EXPECT_TRUE(extracted.bytes == entry.data) << entry.name << " differs";
        }
    }
}

TEST_F(ArchivePluginTest, ReportsProgressAndStopsWhenAsked)
{
    const std::string data = Bytes(12 << 20, 4);
    const std::string path = Write("big.zip", Pack(Format::ZipStored, {{"big.bin", data}}));
    ProgressLog full;
    const Extracted extracted =
        GetToMemory(path, 0, uint32_t(data.size()), RecordProgress, reinterpret_cast<intptr_t>(&full));
    ASSERT_EQ(extracted.code, SPI_SUCCESS);
    EXPECT_TRUE(extracted.bytes == data);
    ASSERT_GE(full.calls.size(), 3u);
    EXPECT_EQ(full.calls.front(), std::make_pair(0, 100));
    EXPECT_EQ(full.calls.back(), std::make_pair(100, 100));
    for (size_t i = 1; i < full.calls.size(); ++i)
        EXPECT_LE(full.calls[i - 1].first, full.calls[i].first);

    // Stopping at any report, the last one included, leaves nothing behind.
    for (const int stopAt : {0, 1, int(full.calls.size()) - 1}) {
        SCOPED_TRACE(stopAt);
        ProgressLog log;
        log.stopAt = stopAt;
        const Extracted stopped =
            GetToMemory(path, 0, uint32_t(data.size()), RecordProgress, reinterpret_cast<intptr_t>(&log));
        EXPECT_EQ(stopped.code, SPI_ABORTED);
        EXPECT_TRUE(stopped.blockNull);
        const std::string folder = Path("out" + std::to_string(stopAt));
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
        ProgressLog toFile;
        toFile.stopAt = stopAt;
        EXPECT_EQ(plugin.getFile(path.c_str(), 0, const_cast<char*>(folder.c_str()), kFileToFolder,
                                 RecordProgress, reinterpret_cast<intptr_t>(&toFile)),
                  SPI_ABORTED);
        EXPECT_EQ(FilesIn(folder), QStringList());
    }
}

TEST_F(ArchivePluginTest, ExtractsToAFolderUnderTheMembersOwnName)
{
    const std::string path = Write("mixed.zip", Pack(Format::Zip, MixedEntries()));
    const Listing listing = ListFile(path);
    ASSERT_EQ(listing.code, SPI_SUCCESS);
    const std::string folder = Path("out/inner");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));

    const auto read = [](const std::string& file) {
        QFile in(QString::fromStdString(file));
        return in.open(QIODevice::ReadOnly) ? in.readAll().toStdString() : std::string("<missing>");
    };
    ASSERT_EQ(GetToFolder(path, PositionOf(listing, "a/b/c/song.mp3"), folder), SPI_SUCCESS);
    EXPECT_EQ(read(folder + "/song.mp3"), "nested song");
    // A file already there is replaced.
    ASSERT_EQ(GetToFolder(path, PositionOf(listing, "b/same.mp3"), folder), SPI_SUCCESS);
    ASSERT_EQ(GetToFolder(path, PositionOf(listing, "a/same.mp3"), folder), SPI_SUCCESS);
    EXPECT_EQ(read(folder + "/same.mp3"), "first same");
    // Names that climb are written under their last component, inside the folder.
    ASSERT_EQ(GetToFolder(path, PositionOf(listing, "../x.mp3"), folder), SPI_SUCCESS);
    ASSERT_EQ(GetToFolder(path, PositionOf(listing, "../y.mp3"), folder), SPI_SUCCESS);
    EXPECT_EQ(read(folder + "/x.mp3"), "climbs");
    EXPECT_EQ(FilesIn(folder), (QStringList{"same.mp3", "song.mp3", "x.mp3", "y.mp3"}));
    EXPECT_EQ(FilesIn(Path("out")), QStringList{"inner"});

    // Entries that are no member, links and names whose last component is "..", are not extracted
    // anywhere.
    const std::string tar =
        Write("odd.tar", Pack(Format::Tar, {{"..", "up"},
                                            {"sub/..", "up again"},
                                            {"sneaky.mp3", "", EntryKind::Symlink, "/etc/passwd"},
                                            {"fine.mp3", "fine"}}));
    for (const intptr_t position : {0, 1, 2})
        EXPECT_EQ(GetToFolder(tar, position, folder), SPI_UNKNOWN_FORMAT) << position;
    EXPECT_EQ(FilesIn(Path("out")), QStringList{"inner"});
    EXPECT_EQ(FilesIn(folder), (QStringList{"same.mp3", "song.mp3", "x.mp3", "y.mp3"}));
    EXPECT_EQ(GetToFolder(tar, 3, folder), SPI_SUCCESS);
    EXPECT_EQ(read(folder + "/fine.mp3"), "fine");

    // A folder that is not there.
    EXPECT_EQ(GetToFolder(path, PositionOf(listing, "top.mp3"), Path("nowhere")), SPI_READ_ERROR);
}

TEST_F(ArchivePluginTest, RefusesPositionsWhereNoMemberIs)
{
    const std::string zip = Pack(Format::Zip, MixedEntries());
    const std::string path = Write("mixed.zip", zip);
    const Listing listing = ListFile(path);
    ASSERT_EQ(listing.code, SPI_SUCCESS);
    const uint32_t last = listing.records.back().position;
    ASSERT_EQ(GetToMemory(path, last, listing.records.back().fileSize).code, SPI_SUCCESS);

    for (const intptr_t position : {intptr_t(last) + 1, intptr_t(1000), intptr_t(0) /* a folder */,
                                    intptr_t(6) /* the link */, intptr_t(-1)}) {
        SCOPED_TRACE(position);
        const Extracted extracted = GetToMemory(path, position, 0);
        EXPECT_EQ(extracted.code, SPI_UNKNOWN_FORMAT);
        EXPECT_TRUE(extracted.blockNull);
    }
    // From memory there is no length to go by.
    void* block = nullptr;
    EXPECT_EQ(plugin.getFile(zip.data(), last, &block, kMemoryToMemory, nullptr, 0), SPI_NOT_IMPLEMENTED);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(plugin.getFile(path.c_str(), last, nullptr, kFileToMemory, nullptr, 0), SPI_INTERNAL_ERROR);
}

TEST_F(ArchivePluginTest, BrokenMissingAndForeignInputGiveErrorCodes)
{
    const std::vector<Entry> entries = {{"one.mp3", Bytes(40000, 1)}, {"two.mp3", Bytes(40000, 2)}};
    const std::string zip = Pack(Format::Zip, entries);
    std::string garbage = "PK\x03\x04" + Bytes(8192, 9);
    const struct
    {
        const char* name;
        std::string bytes;
    } broken[] = {
        {"truncated.zip", zip.substr(0, zip.size() / 4)}, // inside the first member
        {"garbage.zip", garbage},
        {"text.zip", "just some text\n"},
        {"cut.tar.gz", Pack(Format::TarGz, entries).substr(0, 200)},
    };
    for (const auto& bad : broken) {
        SCOPED_TRACE(bad.name);
        const std::string path = Write(bad.name, bad.bytes);
        for (const Listing& listing : {ListFile(path), ListMemory(bad.bytes)}) {
            EXPECT_TRUE(listing.code == SPI_UNKNOWN_FORMAT || listing.code == SPI_BROKEN_DATA)
                << listing.code;
            EXPECT_TRUE(listing.listingNull);
        }
        // The second member is where each of them is broken, if not before.
        EXPECT_NE(FindIn(path, "two.mp3").first, SPI_SUCCESS);
        EXPECT_NE(GetToMemory(path, 1, 40000).code, SPI_SUCCESS);
    }
    // The whole zip is fine.
    EXPECT_EQ(ListFile(Write("whole.zip", zip)).code, SPI_SUCCESS);
    EXPECT_EQ(ListMemory(zip).code, SPI_SUCCESS);

    // A tar that breaks after a good member gives no listing at all.
    const std::string tar = Pack(Format::Tar, entries);
    ASSERT_EQ(ListMemory(tar).records.size(), 2u);
    const std::string cut = tar.substr(0, 512 + 40000 + 512 + 1000); // inside the second member's data
    for (const Listing& listing : {ListFile(Write("cut.tar", cut)), ListMemory(cut)}) {
        EXPECT_EQ(listing.code, SPI_BROKEN_DATA);
        EXPECT_TRUE(listing.listingNull);
    }

    // Missing files, null pointers, unknown input kinds.
    const std::string missing = Path("missing.zip");
    EXPECT_EQ(ListFile(missing).code, SPI_READ_ERROR);
    EXPECT_EQ(FindIn(missing, "one.mp3").first, SPI_READ_ERROR);
    EXPECT_EQ(GetToMemory(missing, 0, 0).code, SPI_READ_ERROR);
    EXPECT_EQ(GetToFolder(missing, 0, Path("")), SPI_READ_ERROR);
    EXPECT_EQ(List(nullptr, 0, SPI_INPUT_FILE).code, SPI_READ_ERROR);
    EXPECT_EQ(List(nullptr, 100, SPI_INPUT_MEMORY).code, SPI_MEMORY_ERROR);
    EXPECT_EQ(List(nullptr, 0, SPI_INPUT_MEMORY).code, SPI_UNKNOWN_FORMAT);
    EXPECT_EQ(List(zip.data(), intptr_t(zip.size()), 2).code, SPI_NOT_IMPLEMENTED);
    EXPECT_EQ(plugin.getArchiveInfo(zip.data(), intptr_t(zip.size()), SPI_INPUT_MEMORY, nullptr),
              SPI_INTERNAL_ERROR);
    void* block = nullptr;
    EXPECT_EQ(plugin.getFile(nullptr, 0, &block, kFileToMemory, nullptr, 0), SPI_READ_ERROR);
    EXPECT_EQ(block, nullptr);
}

TEST_F(ArchivePluginTest, PipesAreRefusedWithoutWaiting)
{
    const QString fifo = testsupport::MakeFifo(dir.filePath(QStringLiteral("pipe.zip")));
    ASSERT_FALSE(fifo.isEmpty());
    const std::string name = QFile::encodeName(fifo).toStdString();
    Listing listing;
    Extracted extracted;
    EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] {
        listing = ListFile(name);
        extracted = GetToMemory(name, 0, 0);
    })) << "the plug-in waited for a writer";
    EXPECT_EQ(listing.code, SPI_READ_ERROR);
    EXPECT_EQ(extracted.code, SPI_READ_ERROR);
    // An ISO check on a pipe given by name does not wait either.
    EXPECT_TRUE(
        testsupport::ReturnsPromptly(fifo, [&] { EXPECT_FALSE(SupportedByBuffer(name, "not an archive")); }));
}

TEST_F(ArchivePluginTest, RefusesListingsPastTheMemberBoundWhole)
{
    // 100,000 members are listed; one more and there is no listing. A folder entry does not
    // count, so the two archives differ in one entry's kind only.
    std::vector<Entry> entries(100001);
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].name = "m/" + std::to_string(i);
    entries.back().kind = EntryKind::Directory;
    entries.back().name += "/";
    const std::string fits = Write("fits.zip", Pack(Format::ZipStored, entries));
    const Listing listed = ListFile(fits);
    ASSERT_EQ(listed.code, SPI_SUCCESS);
    EXPECT_EQ(listed.records.size(), 100000u);

    entries.back() = Entry{"m/last", ""};
    const std::string tooMany = Write("many.zip", Pack(Format::ZipStored, entries));
    const Listing refused = ListFile(tooMany);
    EXPECT_EQ(refused.code, SPI_NO_MEMORY);
    EXPECT_TRUE(refused.listingNull);
    // A member past the bound is not found either; one before it is.
    EXPECT_EQ(FindIn(tooMany, "m/100000").first, SPI_NO_MEMORY);
    EXPECT_EQ(FindIn(tooMany, "m/5").first, SPI_SUCCESS);
}

TEST_F(ArchivePluginTest, RefusesAMemberClaimingFourGigabytesBeforeReadingIt)
{
    // The same archive with an honest size extracts.
    const std::string honest = Write("honest.zip", Zip64Claiming(5));
    const Listing small = ListFile(honest);
    ASSERT_EQ(small.code, SPI_SUCCESS);
    ASSERT_EQ(small.records.size(), 1u);
    EXPECT_EQ(small.records[0].fileSize, 5u);
    EXPECT_EQ(GetToMemory(honest, small.records[0].position, 5).bytes, "hello");

    const std::string claim = Write("claim.zip", Zip64Claiming(uint64_t(4) << 30));
    const Listing listing = ListFile(claim);
    ASSERT_EQ(listing.code, SPI_SUCCESS);
    ASSERT_EQ(listing.records.size(), 1u);
    EXPECT_EQ(listing.records[0].fileSize, kTooLarge);
    ProgressLog log;
    const Extracted extracted =
        GetToMemory(claim, listing.records[0].position, 0, RecordProgress, reinterpret_cast<intptr_t>(&log));
    EXPECT_EQ(extracted.code, SPI_NO_MEMORY);
    EXPECT_TRUE(extracted.blockNull);
    EXPECT_TRUE(log.calls.empty()) << "the member was read before it was refused";
}

// A member that gives more bytes than it declares, or (not being sparse) fewer, is broken: nothing
// of it is handed over, and its declared size alone sets no memory aside.
TEST_F(ArchivePluginTest, RefusesAMemberYieldingOtherThanItDeclares)
{
    const std::string zeros(8 << 20, '\0');
    const std::string zip = Pack(Format::Zip, {{"small.mp3", "small"}, {"zeros.bin", zeros}});
    ASSERT_FALSE(zip.empty());
    const std::string honest = Write("honest.zip", zip);
    const Listing honestListing = ListFile(honest);
    ASSERT_EQ(honestListing.code, SPI_SUCCESS);
    EXPECT_TRUE(GetMember(honest, honestListing, "zeros.bin").bytes == zeros);

    const struct
    {
        const char* name;
        uint32_t declared;
        int memoryCode;
    } cases[] = {
        {"more.zip", 1u << 20, SPI_NO_MEMORY},
        {"fewer.zip", 900u << 20, SPI_BROKEN_DATA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string lying = zip;
        ASSERT_TRUE(PatchZipUncompressedSize(lying, "zeros.bin", c.declared));
        const std::string path = Write(c.name, lying);
        const Listing listing = ListFile(path);
        ASSERT_EQ(listing.code, SPI_SUCCESS);
        const SpiFileInfo* record = listing.Find("zeros.bin");
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->fileSize, c.declared);
        const Extracted extracted = GetToMemory(path, record->position, record->fileSize);
        EXPECT_EQ(extracted.code, c.memoryCode);
        EXPECT_TRUE(extracted.blockNull);

        const std::string folder = Path(std::string("out-") + c.name);
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
        EXPECT_EQ(GetToFolder(path, record->position, folder), SPI_BROKEN_DATA);
        EXPECT_EQ(FilesIn(folder), QStringList());
        // The honest member beside it is still read.
        EXPECT_EQ(GetMember(path, listing, "small.mp3").bytes, "small");
    }
}

} // namespace

// The archive plug-in's entry points, as the media process calls them: IsSupported on the file's
// start, GetArchiveInfo, GetFileInfo and GetFile for the first members, to memory and to a
// folder. The plug-in is loaded as the program loads it (SORLIN_FUZZ_ARCHIVE_PLUGIN).

#include "FuzzSupport.h"
#include "platform/susie/SusieArchive.h"
#include "platform/susie/SusiePlugin.h"

#include <QFile>

#include <cstdlib>
#include <cstring>
#include <malloc.h>

namespace {

const platform::SusiePlugin& Plugin()
{
    static const platform::SusiePlugin plugin(QStringLiteral(SORLIN_FUZZ_ARCHIVE_PLUGIN));
    if (!plugin.IsLoaded() || !plugin.isSupported || !plugin.getArchiveInfo || !plugin.getFileInfo ||
        !plugin.getFile)
        std::abort();
    return plugin;
}

constexpr int kMembersTried = 4;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Plugin();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const platform::SusiePlugin& plugin = Plugin();
    const QString path = fuzz::WriteInput(data, size, QStringLiteral("archive.zip"));
    const QByteArray name = QFile::encodeName(path);
    // The file's start as the program shows it to IsSupported.
    const QByteArray head = platform::ArchiveHeader(path);
    plugin.isSupported(name.constData(), reinterpret_cast<intptr_t>(head.constData()));

    void* listing = nullptr;
    if (plugin.getArchiveInfo(name.constData(), 0, SPI_INPUT_FILE, &listing) != SPI_SUCCESS || !listing) {
        std::free(listing);
        return 0;
    }
    const auto* records = static_cast<const SpiFileInfo*>(listing);
    const size_t count = malloc_usable_size(listing) / sizeof(SpiFileInfo);
    const QByteArray folder = QFile::encodeName(fuzz::FreshFolder(QStringLiteral("members")));
    for (size_t i = 0; i < count && i < kMembersTried && records[i].method[0] != 0; ++i) {
        char fullName[401] = {};
        std::snprintf(fullName, sizeof fullName, "%.200s%.200s", records[i].path, records[i].fileName);
        SpiFileInfo info{};
        plugin.getFileInfo(name.constData(), 0, fullName, SPI_INPUT_FILE, &info);
        void* bytes = nullptr;
        if (plugin.getFile(name.constData(), records[i].position, &bytes, SPI_OUTPUT_MEMORY, nullptr, 0) ==
                SPI_SUCCESS &&
            bytes && malloc_usable_size(bytes) < records[i].fileSize)
            std::abort(); // the block must hold what the member claims
        std::free(bytes);
        plugin.getFile(name.constData(), records[i].position, const_cast<char*>(folder.constData()),
                       SPI_OUTPUT_FILE, nullptr, 0);
    }
    std::free(listing);
    return 0;
}

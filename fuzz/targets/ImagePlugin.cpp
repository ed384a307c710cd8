// The image plug-in's entry points, as pictures other than BMP are loaded: IsSupported on the
// file's start and GetPicture from memory and from a file, with the bitmap it hands back checked
// against its own header. The plug-in is loaded as the program loads it (SORLIN_FUZZ_IMAGE_PLUGIN).

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
    static const platform::SusiePlugin plugin(QStringLiteral(SORLIN_FUZZ_IMAGE_PLUGIN));
    if (!plugin.IsLoaded() || !plugin.isSupported || !plugin.getPicture)
        std::abort();
    return plugin;
}

// The rows a bitmap header promises must be in the block that comes with it.
void CheckPicture(void* info, void* pixels)
{
    if (!info || !pixels)
        return;
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
    std::memcpy(&width, static_cast<char*>(info) + 4, 4);
    std::memcpy(&height, static_cast<char*>(info) + 8, 4);
    std::memcpy(&bits, static_cast<char*>(info) + 14, 2);
    const uint64_t row = ((uint64_t(uint32_t(width)) * bits + 31) / 32) * 4;
    const uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
    if (malloc_usable_size(info) < 40 || malloc_usable_size(pixels) < row * rows)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::EnsureApplication();
    Plugin();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const platform::SusiePlugin& plugin = Plugin();
    const QString path = fuzz::WriteInput(data, size, QStringLiteral("picture.png"));
    const QByteArray name = QFile::encodeName(path);
    // The file's start as the program shows it to IsSupported.
    const QByteArray head = platform::ArchiveHeader(path);
    plugin.isSupported(name.constData(), reinterpret_cast<intptr_t>(head.constData()));
    for (const bool memory : {true, false}) {
        void* info = nullptr;
        void* pixels = nullptr;
        const int result =
            memory ? plugin.getPicture(reinterpret_cast<const char*>(data), static_cast<intptr_t>(size),
                                       SPI_INPUT_MEMORY, &info, &pixels, nullptr, 0)
                   : plugin.getPicture(name.constData(), 0, SPI_INPUT_FILE, &info, &pixels, nullptr, 0);
        if (result == SPI_SUCCESS)
            CheckPicture(info, pixels);
        std::free(info);
        std::free(pixels);
    }
    return 0;
}

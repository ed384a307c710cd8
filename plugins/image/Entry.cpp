// The module's C entry points (see SusieApi.h). Nothing thrown inside leaves them.

#include "Decode.h"
#include "Export.h"
#include "Formats.h"
#include "InputBytes.h"
#include "PluginInfo.h"

#include "plugins/common/EntryGuard.h"
#include "plugins/common/PluginInfo.h"
#include "plugins/common/Progress.h"
#include "spi/SusieApi.h"

#include <type_traits>

using namespace ifqtimage;
using spi::CopyPluginInfo;
using spi::Guarded;
using spi::GuardedOrZero;
using spi::Progress;

namespace {

// Probe values below this are file descriptors, the others buffer addresses.
constexpr intptr_t kFirstBufferAddress = 0x10000;

int IsSupportedHeader(intptr_t probe)
{
    if (probe < 0)
        return 0;
    std::optional<QByteArray> header;
    if (probe < kFirstBufferAddress)
        header = HeaderFromDescriptor(static_cast<int>(probe));
    else
        header = HeaderOf(reinterpret_cast<const char*>(probe), kHeaderBytes);
    return header && RecogniseFormat(*header) ? 1 : 0;
}

int GetPictureFrom(const char* buffer, intptr_t length, unsigned int flag, void** info, void** pixels,
                   const Progress& progress)
{
    QByteArray data;
    switch (flag & 7) {
    case SPI_INPUT_FILE:
        if (const int code = ReadFileFrom(buffer, length, data); code != SPI_SUCCESS)
            return code;
        break;
    case SPI_INPUT_MEMORY:
        if (!buffer && length != 0)
            return SPI_MEMORY_ERROR;
        if (length < 0)
            return SPI_UNKNOWN_FORMAT;
        data = QByteArray::fromRawData(buffer, static_cast<qsizetype>(length));
        break;
    default:
        return SPI_NOT_IMPLEMENTED;
    }
    return DecodePicture(data, progress, info, pixels);
}

} // namespace

IFQTIMAGE_EXPORT int GetPluginInfo(int infoNumber, char* buffer, int bufferLength)
{
    return GuardedOrZero([&] { return CopyPluginInfo(InfoText(infoNumber), buffer, bufferLength); });
}

IFQTIMAGE_EXPORT int IsSupported(const char* /*fileName: the content decides*/, intptr_t probe)
{
    return GuardedOrZero([&] { return IsSupportedHeader(probe); });
}

IFQTIMAGE_EXPORT int GetPicture(const char* buffer, intptr_t length, unsigned int flag, void** info,
                                void** pixels, SpiProgressCallback progress, intptr_t data)
{
    if (!info || !pixels)
        return SPI_INTERNAL_ERROR;
    *info = nullptr;
    *pixels = nullptr;
    return Guarded(
        [&] { return GetPictureFrom(buffer, length, flag, info, pixels, Progress(progress, data)); });
}

static_assert(std::is_same_v<decltype(&GetPluginInfo), SpiGetPluginInfo>);
static_assert(std::is_same_v<decltype(&IsSupported), SpiIsSupported>);
static_assert(std::is_same_v<decltype(&GetPicture), SpiGetPicture>);

#include "DibOutput.h"

#include "spi/SusieApi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace ifqtimage {

namespace {

constexpr size_t kInfoHeaderBytes = 40;
// Rows converted at a time: bounds the extra memory and sets how often progress is reported.
constexpr int kBandRows = 64;

struct FreeDeleter
{
    void operator()(void* block) const { std::free(block); }
};
using MallocBlock = std::unique_ptr<unsigned char, FreeDeleter>;

MallocBlock Allocate(size_t bytes)
{
    return MallocBlock(static_cast<unsigned char*>(std::malloc(bytes)));
}

void PutLittleEndian(unsigned char* at, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void FillInfoHeader(unsigned char* header, int width, int height, quint32 imageBytes)
{
    std::memset(header, 0, kInfoHeaderBytes); // compression, resolutions and colours stay 0
    PutLittleEndian(header + 0, kInfoHeaderBytes, 4);
    PutLittleEndian(header + 4, static_cast<quint32>(width), 4);
    PutLittleEndian(header + 8, static_cast<quint32>(height), 4); // positive: bottom-up
    PutLittleEndian(header + 12, 1, 2);                           // planes
    PutLittleEndian(header + 14, 24, 2);                          // bits per pixel
    PutLittleEndian(header + 20, imageBytes, 4);
}

// Converts rows [top, top + rows) of `image` into their places in the bottom-up `out`.
bool ConvertBand(const QImage& image, int top, int rows, unsigned char* out, qint64 rowBytes)
{
    // Premultiplied colour is the colour composed over black.
    const bool direct =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage band =
        direct ? image
               : image.copy(0, top, image.width(), rows).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (band.isNull())
        return false;
    const int firstRow = direct ? top : 0;
    const int width = image.width();
    for (int r = 0; r < rows; ++r) {
        const auto* source = reinterpret_cast<const QRgb*>(band.constScanLine(firstRow + r));
        unsigned char* target = out + (image.height() - 1 - (top + r)) * rowBytes;
        for (int x = 0; x < width; ++x) {
            target[3 * x] = static_cast<unsigned char>(qBlue(source[x]));
            target[3 * x + 1] = static_cast<unsigned char>(qGreen(source[x]));
            target[3 * x + 2] = static_cast<unsigned char>(qRed(source[x]));
        }
        std::memset(target + 3 * qint64(width), 0, static_cast<size_t>(rowBytes - 3 * qint64(width)));
    }
    return true;
}

} // namespace

bool FitsOutput(QSize size)
{
    if (size.width() <= 0 || size.height() <= 0 || size.width() > kMaxSide || size.height() > kMaxSide)
        return false;
    return RowBytes(size.width()) * size.height() <= kMaxOutputBytes;
}

int WriteDib(const QImage& image, const spi::Progress& progress, int firstPercent, void** info, void** pixels)
{
    const int width = image.width();
    const int height = image.height();
    const qint64 rowBytes = RowBytes(width);
    const qint64 imageBytes = rowBytes * height;
    MallocBlock header = Allocate(kInfoHeaderBytes);
    MallocBlock rows = Allocate(static_cast<size_t>(imageBytes));
    if (!header || !rows)
        return SPI_NO_MEMORY;
    FillInfoHeader(header.get(), width, height, static_cast<quint32>(imageBytes));
    for (int top = 0; top < height; top += kBandRows) {
        const int percent = firstPercent + static_cast<int>((100 - firstPercent) * qint64(top) / height);
        if (progress.Stop(percent, 100))
            return SPI_ABORTED;
        if (!ConvertBand(image, top, std::min(kBandRows, height - top), rows.get(), rowBytes))
            return SPI_NO_MEMORY;
    }
    if (progress.Stop(100, 100))
        return SPI_ABORTED;
    *info = header.release();
    *pixels = rows.release();
    return SPI_SUCCESS;
}

} // namespace ifqtimage

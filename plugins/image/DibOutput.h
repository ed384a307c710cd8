#pragma once
// The picture as GetPicture hands it back: a 40-byte BITMAPINFOHEADER and 24-bit rows, bottom-up,
// blue-green-red, each padded to a multiple of 4 bytes; both blocks malloc'd for the caller to
// free. Transparent pixels are composed over black.

#include "plugins/common/Progress.h"

#include <QImage>
#include <QSize>

namespace ifqtimage {

// The largest picture handed back: sides and total size of the rows.
inline constexpr int kMaxSide = 16384;
inline constexpr qint64 kMaxOutputBytes = qint64(256) << 20;

// Bytes of one output row of `width` pixels.
constexpr qint64 RowBytes(int width)
{
    return (qint64(width) * 3 + 3) & ~qint64(3);
}

// True when a picture of `size` is not empty and within the bounds above.
bool FitsOutput(QSize size);

// Fills *info and *pixels from `image` (which must fit), reporting progress from `firstPercent`
// to 100 (the last report comes when the picture is complete). Returns SPI_SUCCESS, SPI_NO_MEMORY or
// SPI_ABORTED; on failure nothing is left allocated and both pointers stay null.
int WriteDib(const QImage& image, const spi::Progress& progress, int firstPercent, void** info,
             void** pixels);

} // namespace ifqtimage

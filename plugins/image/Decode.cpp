#include "Decode.h"
#include "DibOutput.h"
#include "Formats.h"

#include <QBuffer>
#include <QImageReader>

namespace ifqtimage {

namespace {

// Percent reached once the picture is decoded; converting it takes the rest.
constexpr int kDecodedPercent = 50;

// True when decoding a picture of `size` in `format` would pass the readers' allocation limit,
// so that refusing it is a matter of memory, not of broken data. The limit is process-wide and
// belongs to the program, so it is read here, never changed.
bool ExceedsReaderLimit(QSize size, QImage::Format format)
{
    const int limitMiB = QImageReader::allocationLimit();
    if (limitMiB <= 0)
        return false;
    const int bits = format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 bytes = qint64(size.width()) * size.height() * bits / 8;
    return bytes > (qint64(limitMiB) << 20);
}

int ReadErrorCode(QImageReader::ImageReaderError error)
{
    switch (error) {
    case QImageReader::UnsupportedFormatError:
        return SPI_UNKNOWN_FORMAT;
    case QImageReader::DeviceError:
        return SPI_READ_ERROR;
    default:
        return SPI_BROKEN_DATA;
    }
}

} // namespace

int DecodePicture(const QByteArray& data, const spi::Progress& progress, void** info, void** pixels)
{
    if (progress.Stop(0, 100))
        return SPI_ABORTED;
    const std::optional<QByteArray> format = RecogniseFormat(HeaderOf(data.constData(), data.size()));
    if (!format)
        return SPI_UNKNOWN_FORMAT;

    QByteArray bytes = data;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, *format);
    // The format is known: the reader for it is taken directly, without loading and asking
    // every other image plug-in first.
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);
    // Refuse oversized pictures from their header, before anything that size is allocated.
    const QSize size = reader.size();
    if (size.isValid() && (!FitsOutput(size) || !FitsOutput(size.transposed()) ||
                           ExceedsReaderLimit(size, reader.imageFormat())))
        return SPI_NO_MEMORY;

    const QImage image = reader.read();
    if (image.isNull())
        return ReadErrorCode(reader.error());
    if (!FitsOutput(image.size()))
        return SPI_NO_MEMORY;
    if (progress.Stop(kDecodedPercent, 100))
        return SPI_ABORTED;
    return WriteDib(image, progress, kDecodedPercent, info, pixels);
}

} // namespace ifqtimage

#include "DibFromImage.h"

#include "DibHeader.h"

#include <QImage>

#include <cstring>

namespace {

constexpr int kHeaderBytes = 40;
// Far beyond any skin's picture, and small enough that a block's size stays an int.
constexpr qint64 kMostPixelBytes = 256LL * 1024 * 1024;

} // namespace

QByteArray DibFromImage(const QImage& image)
{
    if (image.isNull())
        return QByteArray();
    const QImage rgb = image.convertToFormat(QImage::Format_BGR888);
    const int width = rgb.width();
    const int height = rgb.height();
    const qint64 rowBytes = (24LL * width + 31) / 32 * 4;
    const qint64 pixelBytes = rowBytes * height;
    if (rgb.isNull() || width <= 0 || height <= 0 || pixelBytes > kMostPixelBytes)
        return QByteArray();

    QByteArray block(static_cast<qsizetype>(kHeaderBytes + pixelBytes), '\0');
    char* head = block.data();
    WriteLe32(head, kHeaderBytes);
    WriteLe32(head + 4, static_cast<quint32>(width));
    WriteLe32(head + 8, static_cast<quint32>(height));
    head[12] = 1; // planes
    head[14] = 24;
    WriteLe32(head + 20, static_cast<quint32>(pixelBytes));
    // The picture's top row is the last one stored; each row's padding stays zero.
    const size_t lineBytes = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::memcpy(head + kHeaderBytes + (height - 1 - y) * rowBytes, rgb.constScanLine(y), lineBytes);
    return block;
}

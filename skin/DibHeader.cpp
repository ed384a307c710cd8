#include "DibHeader.h"

quint32 ReadLe32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | (quint32(u[1]) << 8) | (quint32(u[2]) << 16) | (quint32(u[3]) << 24);
}

quint16 ReadLe16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<quint16>(u[0] | (u[1] << 8));
}

void WriteLe32(char* p, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

qint64 DibHeader::RowBytes() const
{
    const qint64 bits = static_cast<qint64>(bitCount) * width;
    return (bits + 31) / 32 * 4;
}

QVector<QRgb> DibHeader::ColourTable(const QByteArray& block) const
{
    QVector<QRgb> table;
    if (!valid)
        return table;
    const int entryBytes = core ? 3 : 4;
    const char* p = block.constData() + headerSize;
    for (int i = 0; i < colourCount; ++i, p += entryBytes) {
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        table.append(qRgb(u[2], u[1], u[0]));
    }
    return table;
}

DibHeader ReadDibHeader(const QByteArray& block)
{
    DibHeader h;
    if (block.size() < 12)
        return h;
    const char* p = block.constData();
    const quint32 size = ReadLe32(p);
    // The later header versions (V4, V5: 108, 124 bytes) begin with the 40-byte layout.
    if (size >= 40 && size <= 256) {
        h.headerSize = static_cast<int>(size);
        if (block.size() < h.headerSize)
            return h;
        h.width = static_cast<qint32>(ReadLe32(p + 4));
        h.height = static_cast<qint32>(ReadLe32(p + 8));
        h.bitCount = ReadLe16(p + 14);
        h.compression = static_cast<int>(ReadLe32(p + 16));
        h.imageSizeField = ReadLe32(p + 20);
        const quint32 used = ReadLe32(p + 32);
        switch (h.bitCount) {
        case 1:
            h.colourCount = 2;
            break;
        case 4:
            h.colourCount = 16;
            break;
        case 8:
            h.colourCount = 256;
            break;
        default:
            h.colourCount = 0;
        }
        if (used != 0)
            h.colourCount = used > 0x10000 ? -1 : static_cast<int>(used);
        h.colourTableBytes = h.colourCount * 4;
    } else if (size == 12) {
        h.core = true;
        h.headerSize = 12;
        h.width = ReadLe16(p + 4);
        h.height = static_cast<qint16>(ReadLe16(p + 6));
        h.bitCount = ReadLe16(p + 10);
        h.colourCount = h.bitCount == 1 ? 2 : h.bitCount == 4 ? 16 : h.bitCount == 8 ? 256 : 0;
        h.colourTableBytes = h.colourCount * 3;
    } else {
        return h;
    }
    h.valid = h.colourCount >= 0 && h.width >= 0 && h.height != INT32_MIN &&
              static_cast<qint64>(h.PixelOffset()) <= block.size();
    return h;
}

#pragma once
// The header of a packed device-independent bitmap (a BITMAPINFOHEADER of 40 bytes, or a later
// version that begins like it, or a BITMAPCOREHEADER of 12; then the colour table, then the
// pixel rows), read with every size checked against the block, so that no field can lead a
// reader outside it. Other header sizes are not a bitmap.

#include <QByteArray>
#include <QRgb>
#include <QVector>

#include <cstdint>

struct DibHeader
{
    bool valid = false; // the header fits the block
    bool core = false;  // a 12-byte core header
    int headerSize = 0;
    int width = 0;
    int height = 0; // as stored: negative for top-down rows
    int bitCount = 0;
    int compression = 0; // 0 none, 1 run-length 8, 2 run-length 4, 3 bit fields
    int colourCount = 0; // entries in the colour table
    int colourTableBytes = 0;
    quint32 imageSizeField = 0;

    int AbsHeight() const { return height < 0 ? -height : height; }
    bool TopDown() const { return height < 0; }
    // Bytes of one uncompressed row, padded to 4 bytes; 0 when it would not fit an int.
    qint64 RowBytes() const;
    // Where the rows start: right after the header and the colour table.
    int PixelOffset() const { return headerSize + colourTableBytes; }
    // The colour table as opaque colours (entries are stored blue, green, red).
    QVector<QRgb> ColourTable(const QByteArray& block) const;
};

DibHeader ReadDibHeader(const QByteArray& block);

quint32 ReadLe32(const char* p);
quint16 ReadLe16(const char* p);
void WriteLe32(char* p, quint32 value);

#pragma once
// BMP files made by the tests, byte by byte, so that every header field can be set (and broken).

#include <QByteArray>
#include <QRgb>
#include <QString>
#include <QVector>

#include <functional>

namespace bmp {

struct Spec
{
    int width = 4;
    int height = 4;
    int bitCount = 24;
    bool topDown = false;
    QVector<QRgb> palette;                    // for 1, 4 and 8 bits
    std::function<QRgb(int x, int y)> colour; // 24 bits: the pixel at (x, y), y from the top
    std::function<int(int x, int y)> index;   // palette bits: the entry at (x, y)
};

// The packed bitmap (info header, colour table, rows).
QByteArray Packed(const Spec& spec);
// The file: a BITMAPFILEHEADER in front of Packed(spec).
QByteArray File(const Spec& spec);
bool Write(const QString& path, const QByteArray& bytes);

void SetLe32(QByteArray& bytes, int offset, quint32 value);

} // namespace bmp

#include "Bmp.h"

#include <QFile>

namespace bmp {

void SetLe32(QByteArray& bytes, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

QByteArray Packed(const Spec& spec)
{
    const int rowBytes = (spec.bitCount * spec.width + 31) / 32 * 4;
    QByteArray header(40, '\0');
    SetLe32(header, 0, 40);
    SetLe32(header, 4, static_cast<quint32>(spec.width));
    SetLe32(header, 8, static_cast<quint32>(spec.topDown ? -spec.height : spec.height));
    header[12] = 1;
    header[14] = static_cast<char>(spec.bitCount);
    SetLe32(header, 20, static_cast<quint32>(rowBytes * spec.height));
    SetLe32(header, 32, static_cast<quint32>(spec.palette.size()));
    QByteArray table;
    for (QRgb c : spec.palette) {
        table += static_cast<char>(qBlue(c));
        table += static_cast<char>(qGreen(c));
        table += static_cast<char>(qRed(c));
        table += '\0';
    }
    QByteArray rows(rowBytes * spec.height, '\0');
    for (int y = 0; y < spec.height; ++y) {
        const int stored = spec.topDown ? y : spec.height - 1 - y;
        char* row = rows.data() + stored * rowBytes;
        for (int x = 0; x < spec.width; ++x) {
            if (spec.bitCount == 24) {
                const QRgb c = spec.colour ? spec.colour(x, y) : 0;
                row[3 * x] = static_cast<char>(qBlue(c));
                row[3 * x + 1] = static_cast<char>(qGreen(c));
                row[3 * x + 2] = static_cast<char>(qRed(c));
            } else if (spec.bitCount == 8) {
                row[x] = static_cast<char>(spec.index ? spec.index(x, y) : 0);
            }
        }
    }
    return header + table + rows;
}

QByteArray File(const Spec& spec)
{
    const QByteArray packed = Packed(spec);
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    SetLe32(file, 2, static_cast<quint32>(14 + packed.size()));
    SetLe32(file, 10, static_cast<quint32>(14 + 40 + spec.palette.size() * 4));
    return file + packed;
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace bmp

#include "TestPictures.h"

#include <QBuffer>

#include <random>

namespace testpictures {

namespace {

quint32 Crc32(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBigEndian(QByteArray& bytes, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

void AppendLittle16(QByteArray& bytes, int value)
{
    bytes.append(static_cast<char>(value & 0xff));
    bytes.append(static_cast<char>((value >> 8) & 0xff));
}

// LZW codes of 3 bits, least significant bit first. A clear code before every two pixels keeps
// the code table from growing, so the width never changes.
QByteArray LzwData(const std::vector<int>& indices)
{
    constexpr int kClear = 4;
    constexpr int kEnd = 5;
    std::vector<int> codes;
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % 2 == 0)
            codes.push_back(kClear);
        codes.push_back(indices[i]);
    }
    codes.push_back(kEnd);
    QByteArray packed;
    quint32 bits = 0;
    int count = 0;
    for (const int code : codes) {
        bits |= static_cast<quint32>(code) << count;
        count += 3;
        while (count >= 8) {
            packed.append(static_cast<char>(bits & 0xff));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0)
        packed.append(static_cast<char>(bits & 0xff));
    return packed;
}

} // namespace

QByteArray Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, format, 100) ? bytes : QByteArray();
}

QByteArray Gif(int width, int height, const std::vector<QRgb>& palette, const std::vector<int>& indices)
{
    QByteArray gif("GIF89a");
    AppendLittle16(gif, width);
    AppendLittle16(gif, height);
    gif.append(char(0x81)); // a global colour table of 4 entries
    gif.append(char(0));    // background
    gif.append(char(0));    // aspect
    for (int i = 0; i < 4; ++i) {
        const QRgb colour = i < int(palette.size()) ? palette[size_t(i)] : 0;
        gif.append(static_cast<char>(qRed(colour)));
        gif.append(static_cast<char>(qGreen(colour)));
        gif.append(static_cast<char>(qBlue(colour)));
    }
    gif.append(',');
    AppendLittle16(gif, 0);
    AppendLittle16(gif, 0);
    AppendLittle16(gif, width);
    AppendLittle16(gif, height);
    gif.append(char(0));
    gif.append(char(2)); // minimum code size
    const QByteArray data = LzwData(indices);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        gif.append(static_cast<char>(block.size()));
        gif.append(block);
    }
    gif.append(char(0));
    gif.append(';');
    return gif;
}

QByteArray PngClaimingSize(QByteArray png, quint32 width, quint32 height)
{
    // Signature (8), IHDR length (4), "IHDR" at 12, width at 16, height at 20, CRC at 29.
    PutBigEndian(png, 16, width);
    PutBigEndian(png, 20, height);
    PutBigEndian(png, 29, Crc32(png.mid(12, 17)));
    return png;
}

QImage Noise(int width, int height)
{
    std::mt19937 random(7);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random() | 0xff000000u);
    }
    return image;
}

} // namespace testpictures

#include "FontRecord.h"

#include <algorithm>
#include <cmath>

namespace {

// Points to pixels at the 96 dots per inch Windows records its heights in.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr int kMaxPixels = 512;

int PixelHeight(const FontRecord& record)
{
    const int height = record.height == 0 ? -16 : record.height;
    if (height < 0)
        return std::min(-height, kMaxPixels);
    // A cell height includes the leading; the characters are about nine tenths of it.
    return std::clamp(height * 9 / 10, 1, kMaxPixels);
}

} // namespace

QString SubstituteFace(const QString& faceName)
{
    if (faceName == QStringLiteral("ＭＳ ゴシック") || faceName == QStringLiteral("MS Gothic"))
        return QStringLiteral("IPAGothic");
    if (faceName == QStringLiteral("ＭＳ Ｐゴシック") || faceName == QStringLiteral("MS PGothic"))
        return QStringLiteral("IPAPGothic");
    return faceName;
}

QFont FontFromRecord(const FontRecord& record)
{
    QFont font(SubstituteFace(record.faceName));
    font.setPixelSize(PixelHeight(record));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(record.weight == 0 ? 400 : record.weight, 1, 1000)));
    font.setItalic(record.italic != 0);
    return font;
}

FontRecord RecordFromFont(const QFont& font, const FontRecord& previous)
{
    FontRecord record;
    record.faceName = font.family() == SubstituteFace(previous.faceName) ? previous.faceName : font.family();
    record.weight = font.weight();
    record.italic = font.italic() ? 1 : 0;
    const int pixels = font.pixelSize() > 0
                           ? font.pixelSize()
                           : static_cast<int>(std::lround(font.pointSizeF() * kPixelsPerPoint));
    record.height = pixels == PixelHeight(previous) ? previous.height : -std::clamp(pixels, 1, kMaxPixels);
    return record;
}

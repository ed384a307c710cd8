#include "TagText.h"

#include "platform/AnsiText.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace tagtext {

namespace {

bool IsCp932Lead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length of the longest prefix of `text` within `limit` bytes that ends on a character boundary.
int CutPoint(const QByteArray& text, int limit)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.constData());
    if (platform::IsValidUtf8(text)) {
        int cut = limit;
        while (cut > 0 && (p[cut] & 0xC0) == 0x80)
            --cut;
        return cut;
    }
    int at = 0;
    while (at < limit) {
        const int step = IsCp932Lead(p[at]) ? 2 : 1;
        if (at + step > limit)
            break;
        at += step;
    }
    return at;
}

} // namespace

QString DecodeAnsi(const unsigned char* bytes, int count, int maxBytes)
{
    if (!bytes || count <= 0 || maxBytes <= 0)
        return {};
    const void* end = std::memchr(bytes, 0, static_cast<size_t>(count));
    if (end)
        count = static_cast<int>(static_cast<const unsigned char*>(end) - bytes);
    QByteArray text(reinterpret_cast<const char*>(bytes), count);
    if (text.size() > maxBytes)
        text.truncate(CutPoint(text, maxBytes));
    return platform::DecodeAnsi(text);
}

QString DecodeUtf16(const unsigned char* bytes, int count, bool bigEndian, int maxUnits)
{
    QString text;
    if (!bytes || count <= 1 || maxUnits <= 0)
        return text;
    const int units = count / 2;
    text.reserve(std::min(units, maxUnits));
    for (int i = 0; i < units && text.size() < maxUnits; ++i) {
        const unsigned char first = bytes[2 * i], second = bytes[2 * i + 1];
        const char16_t unit = bigEndian ? static_cast<char16_t>(first << 8 | second)
                                        : static_cast<char16_t>(second << 8 | first);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    if (text.size() == maxUnits && text.back().isHighSurrogate())
        text.chop(1);
    return text;
}

QString TrimRight(QString text)
{
    qsizetype length = text.size();
    while (length > 0 && text.at(length - 1).isSpace())
        --length;
    text.truncate(length);
    return text;
}

} // namespace tagtext

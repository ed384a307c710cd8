#include "NumberText.h"

#include <algorithm>

namespace platform {

int LeadingInt(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min<qint64>(value * 10 + (text[i].unicode() - u'0'), 0x80000000LL);
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(std::min<qint64>(value, 0x7fffffff));
}

std::optional<std::uint32_t> LeadingHex(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i + 2 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
        QChar(text[i + 2]).isLetterOrNumber())
        i += 2;
    std::uint64_t value = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            break;
        any = true;
        value = std::min<std::uint64_t>(value * 16 + static_cast<unsigned>(digit), 0xffffffffULL);
    }
    if (!any)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

} // namespace platform

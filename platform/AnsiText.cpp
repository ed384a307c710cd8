#include "AnsiText.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <memory>
#include <vector>

namespace platform {

bool IsValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        int extra;
        char32_t cp;
        if (c < 0x80) {
            ++p;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

namespace {

struct IconvCloser
{
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

QString DecodeCp932(QByteArrayView bytes)
{
    // One converter per thread, opened once: a listing of Shift-JIS names decodes thousands.
    thread_local const std::unique_ptr<void, IconvCloser> cd(iconv_open("UTF-8", "CP932"));
    const auto raw = static_cast<iconv_t>(cd.get());
    if (raw == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);
    iconv(raw, nullptr, nullptr, nullptr, nullptr);

    // One CP932 byte never becomes more than three UTF-8 bytes.
    std::vector<char> out(static_cast<size_t>(bytes.size()) * 3 + 4);
    QByteArray input = bytes.toByteArray();
    char* in = input.data();
    size_t inLeft = static_cast<size_t>(input.size());
    char* outPtr = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(raw, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            break;
        // An invalid or cut-off sequence: replace one byte and go on.
        static const char kReplacement[] = "\xEF\xBF\xBD";
        if (outLeft < 3)
            break;
        for (char ch : {kReplacement[0], kReplacement[1], kReplacement[2]}) {
            *outPtr++ = ch;
            --outLeft;
        }
        ++in;
        --inLeft;
    }
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(outPtr - out.data()));
}

} // namespace

QString DecodeAnsi(QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return DecodeCp932(bytes);
}

} // namespace platform

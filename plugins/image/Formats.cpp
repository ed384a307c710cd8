#include "Formats.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <array>

namespace ifqtimage {

namespace {

// BMP is the program's own; the others are text files.
constexpr std::array kRefused = {"bmp", "dib", "xbm", "xpm", "svg", "svgz"};

bool IsRefusedFormat(const QByteArray& format)
{
    return std::any_of(kRefused.begin(), kRefused.end(), [&](const char* name) { return format == name; });
}

// A PNG file, the usual skin picture, is known by its signature: asking every reader in turn
// would load each of Qt's image plug-ins (and the JPEG library) for a format none of them
// reads.
bool IsPng(const QByteArray& header)
{
    static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
    return header.startsWith(QByteArrayView(kSignature, sizeof kSignature - 1));
}

bool IsNetpbm(const QByteArray& format)
{
    return format == "pbm" || format == "pgm" || format == "ppm";
}

// True when the header is nothing but printable ASCII and white space (and the zero padding
// after it): a text file, whatever a reader's signature check thinks of its first characters.
bool LooksLikeText(const QByteArray& header)
{
    qsizetype end = header.size();
    while (end > 0 && header[end - 1] == '\0')
        --end;
    if (end == 0)
        return false;
    for (qsizetype i = 0; i < end; ++i) {
        const auto c = static_cast<unsigned char>(header[i]);
        const bool printable = (c >= 0x20 && c < 0x7f) || c == '\t' || c == '\n' || c == '\r' || c == '\f';
        if (!printable)
            return false;
    }
    return true;
}

// The patterns in a fixed order: the common formats first, then the rest as Qt lists them.
std::string BuildPatterns()
{
    const QList<QByteArray> supported = QImageReader::supportedImageFormats();
    QList<QByteArray> formats;
    for (const char* common : {"png", "jpg", "jpeg", "gif"}) {
        if (supported.contains(common))
            formats << common;
    }
    for (const QByteArray& format : supported) {
        if (!IsRefusedFormat(format) && !formats.contains(format))
            formats << format;
    }
    std::string patterns;
    for (const QByteArray& format : formats) {
        if (!patterns.empty())
            patterns += ';';
        patterns += "*." + format.toLower().toStdString();
    }
    return patterns;
}

} // namespace

QByteArray HeaderOf(const char* data, qsizetype size)
{
    QByteArray header(data, std::min<qsizetype>(size, kHeaderBytes));
    header.resize(kHeaderBytes, '\0');
    return header;
}

std::optional<QByteArray> RecogniseFormat(const QByteArray& header)
{
    if (LooksLikeText(header))
        return std::nullopt;
    if (IsPng(header))
        return QByteArray("png");
    QByteArray bytes = header;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return std::nullopt;
    const QByteArray format = reader.format();
    if (format.isEmpty() || IsRefusedFormat(format))
        return std::nullopt;
    if (IsNetpbm(format)) {
        // Only the binary kinds (P4, P5, P6), and only with a header that gives a size: the
        // readers take any "P1".."P6" at the start for one.
        if (header.size() < 2 || header[1] < '4' || header[1] > '6' || !reader.size().isValid())
            return std::nullopt;
    }
    return format;
}

const std::string& FilePatterns()
{
    static const std::string patterns = BuildPatterns();
    return patterns;
}

const std::string& FileTypeDescription()
{
    static const std::string description = "Pictures (PNG, JPEG, GIF and others)";
    return description;
}

} // namespace ifqtimage

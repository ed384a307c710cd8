#include "Metafile.h"

#include "platform/AnsiText.h"

#include <QRegularExpression>

MetafileKind MetafileKindOf(const QString& address)
{
    const QString upper = address.toUpper();
    if (upper.contains(QLatin1String(".ASX")) || upper.contains(QLatin1String(".WAX")) ||
        upper.contains(QLatin1String(".WVX")))
        return MetafileKind::kAsx;
    if (upper.contains(QLatin1String(".RAM")))
        return MetafileKind::kRam;
    return MetafileKind::kNone;
}

std::optional<QString> FindMetafileReference(MetafileKind kind, const QByteArray& text)
{
    if (kind == MetafileKind::kNone)
        return std::nullopt;
    const QString decoded = platform::DecodeAnsi(text);
    const QStringList lines = decoded.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString& line : lines) {
        if (kind == MetafileKind::kRam) {
            const QString lower = line.toLower();
            const qsizetype at = lower.indexOf(QLatin1String("http:"));
            if (at >= 0)
                return lower.mid(at).trimmed();
            continue;
        }
        const QString upper = line.toUpper();
        qsizetype at = upper.indexOf(QLatin1String("<REF"));
        if (at < 0)
            continue;
        at = upper.indexOf(QLatin1String("HREF"), at + 4);
        if (at < 0)
            continue;
        at = upper.indexOf(u'=', at + 4);
        if (at < 0)
            continue;
        at = upper.indexOf(u'"', at + 1);
        if (at < 0)
            continue;
        const qsizetype start = at + 1;
        const qsizetype end = line.indexOf(u'"', start);
        return line.mid(start, end < 0 ? -1 : end - start);
    }
    return std::nullopt;
}

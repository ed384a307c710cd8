#include "DownloadCache.h"

#include "platform/ProfileFile.h"

#include <QFileInfo>

namespace downloadcache {

namespace {

// File systems take 255 bytes a name; a long query string would not fit.
constexpr qsizetype kLongestNameBytes = 200;
// Server names have no blanks, so this section never meets one.
const QString kFilesSection = QStringLiteral("cache files");

QString LastComponent(const QString& text)
{
    const qsizetype slash = std::max(text.lastIndexOf(u'/'), text.lastIndexOf(u'\\'));
    return text.mid(slash + 1);
}

// Keeps a name inside the folder it is put in.
QString Confined(QString name, const QString& fallback)
{
    name.replace(u'/', u'_').replace(u'\\', u'_').replace(QChar(0), u'_');
    if (name.isEmpty())
        return fallback;
    if (name == u"." || name == u"..")
        name.prepend(u'_');
    // A long name loses its middle: its start and its extension stay.
    if (name.size() > kLongestNameBytes)
        name = name.left(kLongestNameBytes / 2) + name.right(kLongestNameBytes / 2);
    while (name.toUtf8().size() > kLongestNameBytes)
        name.remove(name.size() / 2, 1);
    return name;
}

// An INI key ends at its first "=", and a line starting with ";" or "[" is no key: such
// characters of a key are written as their percent codes.
QString Key(QString text)
{
    text.replace(u'=', QLatin1String("%3D"));
    if (text.startsWith(u';') || text.startsWith(u'['))
        text =
            QStringLiteral("%%1").arg(text.at(0).unicode(), 2, 16, QLatin1Char('0')).toUpper() + text.mid(1);
    return text;
}

} // namespace

QString CacheFileName(const QString& cacheFolder, const QString& address)
{
    QString name = Confined(LastComponent(address).toUpper(), QStringLiteral("DOWNLOAD"));
    name.replace(u'?', u'_');
    // The index lives in the same folder, and a download never takes its place.
    if (name.compare(QLatin1String("cacheindex.ini"), Qt::CaseInsensitive) == 0)
        name.prepend(u'_');
    return cacheFolder + u'/' + name;
}

QString SafeFileName(const QString& name)
{
    return Confined(LastComponent(name), QStringLiteral("member"));
}

QString CacheIndex::Stamp(const QString& server, const QString& object) const
{
    const platform::ProfileFile index(path);
    return index.GetString(server, Key(object), DefaultStamp());
}

QString CacheIndex::Owner(const QString& cacheFile) const
{
    const platform::ProfileFile index(path);
    return index.GetString(kFilesSection, Key(QFileInfo(cacheFile).fileName()));
}

bool CacheIndex::Record(const QString& server, const QString& object, const QString& stamp,
                        const QString& cacheFile, const QString& address) const
{
    platform::ProfileFile index(path);
    index.SetString(server, Key(object), stamp);
    index.SetString(kFilesSection, Key(QFileInfo(cacheFile).fileName()), address);
    return index.SaveAs(path);
}

} // namespace downloadcache

#include "DesktopEntries.h"

#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace platform {

namespace {

const QString kAddedAssociations = QStringLiteral("Added Associations");

QString EscapeValue(QString value)
{
    value.replace(u'\\', QLatin1String("\\\\"));
    value.replace(u'\n', QLatin1String("\\n"));
    value.replace(u'\t', QLatin1String("\\t"));
    value.replace(u'\r', QLatin1String("\\r"));
    return value;
}

QString DesktopFile(const QString& id)
{
    return ApplicationsFolder() + id + QStringLiteral(".desktop");
}

bool EditAssociation(const QString& mimeType, const QString& id, bool add)
{
    ProfileFile list;
    const bool existed = list.Load(MimeAppsListPath());
    if (!existed && !add)
        return true;
    const QString entry = id + QStringLiteral(".desktop");
    QStringList ids = list.GetString(kAddedAssociations, mimeType).split(u';', Qt::SkipEmptyParts);
    if (add == ids.contains(entry))
        return true;
    if (add)
        ids.prepend(entry);
    else
        ids.removeAll(entry);
    if (ids.isEmpty())
        list.RemoveKey(kAddedAssociations, mimeType);
    else
        list.SetString(kAddedAssociations, mimeType, ids.join(u';') + u';');
    QDir().mkpath(QFileInfo(MimeAppsListPath()).absolutePath());
    return list.SaveAs(MimeAppsListPath());
}

} // namespace

QString ApplicationsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/applications/");
}

QString MimeAppsListPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/mimeapps.list");
}

QString QuoteExecArgument(const QString& argument)
{
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes = argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                                               [](QChar c) { return kReserved.contains(c); });
    // A literal "%" would start a field code; it is written "%%", quoted or not.
    if (!needsQuotes)
        return QString(argument).replace(u'%', QLatin1String("%%"));
    QString quoted;
    for (QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
        if (c == u'%')
            quoted += u'%';
    }
    return u'"' + quoted + u'"';
}

bool WriteDesktopEntry(const QString& id, const QList<QPair<QString, QString>>& fields)
{
    QString text = QStringLiteral("[Desktop Entry]\n");
    for (const auto& [key, value] : fields)
        text += key + u'=' + EscapeValue(value) + u'\n';
    if (!QDir().mkpath(ApplicationsFolder()))
        return false;
    const QByteArray bytes = text.toUtf8();
    QFile current(DesktopFile(id));
    if (current.open(QIODevice::ReadOnly) && current.readAll() == bytes)
        return true;
    return WriteFileAtomically(DesktopFile(id), bytes);
}

bool RemoveDesktopEntry(const QString& id)
{
    QFile file(DesktopFile(id));
    return !file.exists() || file.remove();
}

bool AddMimeAssociation(const QString& mimeType, const QString& id)
{
    return EditAssociation(mimeType, id, true);
}

bool RemoveMimeAssociation(const QString& mimeType, const QString& id)
{
    return EditAssociation(mimeType, id, false);
}

} // namespace platform

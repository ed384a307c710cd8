#include "PathSplit.h"

#include "Drives.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace platform {

PathParts SplitPath(const QString& path, const DriveTable& drives)
{
    PathParts parts;
    parts.drive = drives.DrivePart(path);
    if (!parts.drive.isEmpty()) {
        if (path == parts.drive || path.startsWith(parts.drive + u'/')) {
            parts.root = parts.drive;
        } else {
            const QString mountPoint = drives.MountPointOf(parts.drive);
            // The root mount point "/" stays in `dir`, so `dir` keeps its leading slash.
            parts.root = mountPoint == u"/" ? QString() : mountPoint;
        }
    }
    const QString rest = path.mid(parts.root.size());
    const qsizetype slash = rest.lastIndexOf(u'/');
    parts.dir = rest.left(slash + 1);
    const QString file = rest.mid(slash + 1);
    const qsizetype dot = file.lastIndexOf(u'.');
    parts.name = dot < 0 ? file : file.left(dot);
    parts.ext = dot < 0 ? QString() : file.mid(dot);
    return parts;
}

QString FindPathIgnoringCase(const QString& folder, const QString& relative)
{
    QString found = folder;
    for (const QString& name : relative.split(u'/', Qt::SkipEmptyParts)) {
        const QString exact = found + u'/' + name;
        if (QFileInfo::exists(exact)) {
            found = exact;
            continue;
        }
        const QStringList entries =
            QDir(found).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        const auto match = std::find_if(entries.begin(), entries.end(), [&name](const QString& entry) {
            return entry.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (match == entries.end())
            return {};
        found += u'/' + *match;
    }
    return found == folder ? QString() : found;
}

} // namespace platform

#include "Playlist.h"

#include "platform/AnsiText.h"
#include "platform/AtomicFile.h"
#include "platform/PathSplit.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include <algorithm>

namespace {

// Far beyond any real playlist; a larger file is read only this far.
constexpr qint64 kMaxPlaylistBytes = 64 * 1024 * 1024;

// The folder relative lines are resolved against: absolute, ending in "/".
QString PlaylistFolder(const QString& m3uPath)
{
    const QString path = QDir::isAbsolutePath(m3uPath) ? m3uPath : QDir::current().absoluteFilePath(m3uPath);
    return path.left(path.lastIndexOf(u'/') + 1);
}

// "C:\music\a.mp3", "C:/a.mp3", "\\server\share\c.mp3", "\music\a.mp3": Windows paths whose
// drive, share or root has nothing to stand for here. Taking "C:" as a scheme, or "\\" as "/",
// would turn them into addresses or into unrelated local paths.
bool IsWindowsRootedPath(QStringView line)
{
    if (line.startsWith(u'\\'))
        return true;
    const QChar first = line.size() >= 2 ? line[0] : QChar();
    return line.size() >= 2 && line[1] == u':' &&
           ((first >= u'A' && first <= u'Z') || (first >= u'a' && first <= u'z'));
}

// A network address: the folder part (up to the last separator) holds a scheme's ":".
bool HasScheme(QStringView line)
{
    const qsizetype folderEnd = std::max(line.lastIndexOf(u'/'), line.lastIndexOf(u'\\')) + 1;
    return line.left(folderEnd).contains(u':');
}

// Whether `relative`, written as a line, reads back as a path inside the playlist's folder.
bool ReadsBackAsRelative(const QString& relative)
{
    return !relative.isEmpty() && !relative.startsWith(u'#') && !relative.startsWith(u'/') &&
           !relative.contains(u'\\') && !relative.contains(u':');
}

bool CannotBeWritten(const QString& item)
{
    return item.contains(u'\n') || item.contains(u'\r') || item.contains(QChar(0));
}

} // namespace

QList<PlaylistEntry> ReadPlaylistEntries(const QString& m3uPath)
{
    QList<PlaylistEntry> entries;
    QFile file;
    // A pipe or device would block or never end.
    if (!platform::OpenRegularFile(file, m3uPath))
        return entries;
    // Only what the file holds is taken: read(max) would set aside the whole bound first.
    QByteArray bytes = file.read(std::min(file.size(), kMaxPlaylistBytes));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    // One guess for the whole file: short lines of half-width kana can pass for UTF-8 alone.
    const QString text = platform::DecodeAnsi(bytes);
    const QString base = PlaylistFolder(m3uPath);

    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        // A blank line joined with the folder would name the playlist's own folder and expand it.
        if (line.isEmpty() || line.startsWith(u'#') || line.contains(QChar(0)) || IsWindowsRootedPath(line))
            continue;
        QString path;
        if (platform::HasDrive(line)) {
            path = line;
        } else if (HasScheme(line)) {
            entries.append({line, false});
            continue;
        } else {
            path = base + line.replace(u'\\', u'/');
        }
        struct stat info = {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            continue;
        entries.append({path, S_ISDIR(info.st_mode)});
    }
    return entries;
}

bool SavePlaylist(const QString& m3uPath, const QStringList& items)
{
    const QString folder = PlaylistFolder(m3uPath);
    QByteArray bytes;
    for (const QString& item : items) {
        if (CannotBeWritten(item))
            continue;
        const QString relative = item.startsWith(folder) ? item.mid(folder.size()) : QString();
        bytes += platform::EncodeAnsi(ReadsBackAsRelative(relative) ? relative : item);
        bytes += '\n';
    }
    return platform::WriteFileAtomically(m3uPath, bytes);
}

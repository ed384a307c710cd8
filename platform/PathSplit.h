#pragma once
// Splitting a path into drive, folder, name and extension, with "/" separators.

#include <QString>

namespace platform {

class DriveTable;

struct PathParts
{
    QString drive; // the drive part (optical device or image file), or empty
    QString root;  // what the path begins with for that drive: the drive itself or its mount point
    QString dir;   // the folder after `root`, with a leading and trailing "/" when not empty
    QString name;  // the file name without its extension
    QString ext;   // the extension with its dot (".mp3"), or empty

    // root + dir: the folder the path lies in, ending in "/".
    QString Folder() const { return root + dir; }
};

// Splits `path`; root + dir + name + ext gives `path` back. The extension starts at the last
// dot of the last component; a trailing "/" leaves name and extension empty.
PathParts SplitPath(const QString& path, const DriveTable& drives);

// The path below `folder` whose names match those of `relative` ("MPEGAV/AVSEQ01.DAT") without
// regard to case: a disc's names are upper case, but a plain ISO 9660 disc mounted by Linux
// shows them in lower case. A name that matches exactly wins. Empty when there is none.
QString FindPathIgnoringCase(const QString& folder, const QString& relative);

// `text` without the double quotes around it, as paths are written in the settings and on
// command lines ("\"/usr/share/sounds/bell.wav\""): a leading quote and, when it is there, its
// closing one. A quote at the end alone is part of the name.
inline QString WithoutQuotes(QString text)
{
    if (!text.startsWith(u'"'))
        return text;
    text.remove(0, 1);
    if (text.endsWith(u'"'))
        text.chop(1);
    return text;
}

// The extension of `path`'s file name, upper case with its dot (".MP3"): from the name's last
// dot; empty for a name without one or that ends in it.
inline QString UpperExtension(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > slash && dot + 1 < path.size() ? path.mid(dot).toUpper() : QString();
}

// True when a path is complete rather than relative to a folder (it starts with "/").
inline bool HasDrive(const QString& path)
{
    return path.startsWith(u'/');
}

} // namespace platform

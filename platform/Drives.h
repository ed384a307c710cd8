#pragma once
// Optical drives, disc image files and the file systems mounted from them.
//
// A drive is an optical drive's device node ("/dev/sr0") or a CD/DVD image file. The drive
// part of a path is that device or image when the path is it or starts with it followed by
// "/", or when the path lies on a file system mounted from it; otherwise it is empty. The
// drive root is the mount point when the disc is mounted, else the drive itself.

#include <QString>
#include <QStringList>
#include <vector>

namespace platform {

struct MountEntry
{
    QString device;     // as the mount table names it ("/dev/sr0", "/dev/loop3")
    QString mountPoint; // without a trailing "/" except for the root
    QString fsType;
    QString imageFile; // for a loop device: the image file behind it, else empty
};

// Parses the kernel's mount table format ("/proc/self/mounts"), undoing its octal escapes.
std::vector<MountEntry> ParseMountTable(const QByteArray& text);

// Parses "/proc/sys/dev/cdrom/info" into device nodes, in natural order ("/dev/sr0" first).
QStringList ParseCdromInfo(const QByteArray& text, const QString& deviceFolder = QStringLiteral("/dev"));

// True when `path` names an existing regular file with a CD or DVD image extension
// (.iso, .img, .cue, .toc, .bin, .nrg, .mdf).
bool IsDiscImageFile(const QString& path);

class DriveTable
{
public:
    DriveTable() = default;
    DriveTable(QStringList opticalDrives, std::vector<MountEntry> mounts);

    // The drives and mounts of the running system. `sysRoot` is prefixed to /proc and /sys
    // paths, so tests can hand in a tree of their own.
    static DriveTable FromSystem(const QString& sysRoot = QString());

    const QStringList& OpticalDrives() const { return opticalDrives; }
    // The first optical drive the system lists, or empty.
    QString FirstOpticalDrive() const { return opticalDrives.value(0); }

    // The drive part of `path` (see above).
    QString DrivePart(const QString& path) const;
    // What `drive` stands for in paths: its mount point when mounted, else itself.
    QString DriveRoot(const QString& drive) const;
    // The mount point of `drive`, or empty when it is not mounted.
    QString MountPointOf(const QString& drive) const;

private:
    const MountEntry* MountOf(const QString& drive) const;
    bool IsOpticalDevice(const QString& device) const;

    QStringList opticalDrives;
    std::vector<MountEntry> mounts;
};

// The volume label of a drive (device node or image file): the Joliet or ISO 9660 volume
// identifier with trailing blanks removed; for a mounted drive whose disc cannot be read,
// the label the system gives its file system. Empty when there is none.
QString ReadVolumeLabel(const QString& drive, const DriveTable& drives,
                        const QString& byLabelFolder = QStringLiteral("/dev/disk/by-label"));

} // namespace platform

#include "DiscProbe.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

DiscInDrive ProbeDevice(const QByteArray& device)
{
    // Only a block device is opened: opening a pipe, a terminal or a tape has effects of its own.
    struct stat info
    {};
    if (::stat(device.constData(), &info) != 0 || !S_ISBLK(info.st_mode))
        return DiscInDrive::kNone;
    // O_NONBLOCK: an empty drive opens at all, and opening does not close the tray.
    const int fd = ::open(device.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return DiscInDrive::kNone;
    DiscInDrive result = DiscInDrive::kNone;
    if (::fstat(fd, &info) == 0 && S_ISBLK(info.st_mode) &&
        ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT) == CDS_DISC_OK) {
        switch (::ioctl(fd, CDROM_DISC_STATUS, 0)) {
        case CDS_AUDIO:
        case CDS_MIXED:
            result = DiscInDrive::kAudio;
            break;
        default:
            result = DiscInDrive::kData;
            break;
        }
    }
    ::close(fd);
    return result;
}

// A cue sheet ("TRACK 01 AUDIO") or a cdrdao table ("TRACK AUDIO") names each track's mode; as
// with a drive, the first two tracks tell an audio disc. A Nero image is taken as audio.
DiscInDrive ProbeImage(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return DiscInDrive::kNone;
    if (QFileInfo(path).suffix().compare(QLatin1String("nrg"), Qt::CaseInsensitive) == 0)
        return DiscInDrive::kAudio;
    // The first tracks come early in a sheet; the rest of a long one is not read.
    constexpr qint64 kMostBytes = 64 * 1024;
    int tracks = 0;
    for (const QByteArray& line : file.read(kMostBytes).split('\n')) {
        const QList<QByteArray> words = line.simplified().toUpper().split(' ');
        if (words.value(0) != "TRACK")
            continue;
        if (words.value(1) == "AUDIO" || words.value(2) == "AUDIO")
            return DiscInDrive::kAudio;
        if (++tracks == 2)
            break;
    }
    return tracks > 0 ? DiscInDrive::kData : DiscInDrive::kNone;
}

} // namespace

bool IsCdImageDrive(const QString& drive)
{
    const QString suffix = QFileInfo(drive).suffix().toLower();
    return suffix == u"cue" || suffix == u"toc" || suffix == u"nrg";
}

DiscInDrive ProbeDrive(const QString& drive)
{
    if (drive.isEmpty())
        return DiscInDrive::kNone;
    if (IsCdImageDrive(drive))
        return ProbeImage(drive);
    return ProbeDevice(QFile::encodeName(drive));
}

} // namespace platform

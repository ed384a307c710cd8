#include "Drives.h"

#include "AnsiText.h"
#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace platform {

namespace {

QString Unescape(const QByteArray& field)
{
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            out.append(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                         (field[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

QString Canonical(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

bool IsUnder(const QString& path, const QString& folder)
{
    if (folder == u"/")
        return path.startsWith(u'/');
    return path == folder || path.startsWith(folder + u'/');
}

// An image file or an optical drive's device node; never a pipe or a character device, which
// would block or never end.
QByteArray ReadAt(const QString& path, qint64 offset, qint64 size)
{
    QFile file;
    if (!OpenFileOrBlockDevice(file, path, QIODevice::Unbuffered) || !file.seek(offset))
        return {};
    return file.read(size);
}

// The first data file a .cue sheet names, relative to the sheet's folder.
QString CueDataFile(const QString& cuePath)
{
    QFile file;
    if (!OpenRegularFile(file, cuePath))
        return {};
    const QString text = DecodeAnsi(file.read(64 * 1024));
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(QLatin1String("FILE"), Qt::CaseInsensitive))
            continue;
        QString name = trimmed.mid(4).trimmed();
        if (name.startsWith(u'"')) {
            name = name.mid(1, name.indexOf(u'"', 1) - 1);
        } else {
            name = name.section(u' ', 0, 0);
        }
        return QFileInfo(cuePath).dir().filePath(name);
    }
    return {};
}

struct SectorLayout
{
    qint64 sectorSize;
    qint64 dataOffset;
};

QString LabelFromDescriptors(const QString& file, const std::vector<SectorLayout>& layouts)
{
    for (const SectorLayout& layout : layouts) {
        QString primary;
        // Volume descriptors start at sector 16 and end with a terminator (type 255).
        for (int sector = 16; sector < 32; ++sector) {
            const QByteArray d = ReadAt(file, sector * layout.sectorSize + layout.dataOffset, 2048);
            if (d.size() < 2048 || d.mid(1, 5) != "CD001")
                break;
            const auto type = static_cast<unsigned char>(d[0]);
            if (type == 255)
                break;
            if (type == 1 && primary.isNull())
                primary = DecodeAnsi(d.mid(40, 32)).trimmed();
            const QByteArray escapes = d.mid(88, 3);
            if (type == 2 && (escapes == "%/@" || escapes == "%/C" || escapes == "%/E")) {
                const QByteArray raw = d.mid(40, 32);
                QString joliet;
                for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
                    joliet += QChar(static_cast<char16_t>((static_cast<unsigned char>(raw[i]) << 8) |
                                                          static_cast<unsigned char>(raw[i + 1])));
                joliet = joliet.trimmed();
                while (joliet.endsWith(QChar(0)))
                    joliet.chop(1);
                if (!joliet.isEmpty())
                    return joliet;
            }
        }
        if (!primary.isNull())
            return primary;
    }
    return {};
}

} // namespace

std::vector<MountEntry> ParseMountTable(const QByteArray& text)
{
    std::vector<MountEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || fields[0].startsWith('#'))
            continue;
        MountEntry entry;
        entry.device = Unescape(fields[0]);
        entry.mountPoint = Unescape(fields[1]);
        if (entry.mountPoint.size() > 1 && entry.mountPoint.endsWith(u'/'))
            entry.mountPoint.chop(1);
        entry.fsType = QString::fromUtf8(fields[2]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

QStringList ParseCdromInfo(const QByteArray& text, const QString& deviceFolder)
{
    QStringList drives;
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith("drive name:"))
            continue;
        for (const QByteArray& name : line.mid(11).simplified().split(' ')) {
            if (!name.isEmpty())
                drives << deviceFolder + u'/' + QString::fromUtf8(name);
        }
    }
    // "sr2" before "sr10" in any locale (a collator for the C locale ignores numeric mode):
    // names compare by their text, then by the number they end in.
    const auto key = [](const QString& name) {
        qsizetype digits = name.size();
        while (digits > 0 && name[digits - 1] >= u'0' && name[digits - 1] <= u'9')
            --digits;
        return std::pair(name.left(digits), name.mid(digits).toULongLong());
    };
    std::sort(drives.begin(), drives.end(),
              [&](const QString& a, const QString& b) { return key(a) < key(b); });
    return drives;
}

bool IsDiscImageFile(const QString& path)
{
    static const QStringList kExtensions{QStringLiteral("iso"), QStringLiteral("img"), QStringLiteral("cue"),
                                         QStringLiteral("toc"), QStringLiteral("bin"), QStringLiteral("nrg"),
                                         QStringLiteral("mdf")};
    const QFileInfo info(path);
    return kExtensions.contains(info.suffix().toLower()) && info.isFile();
}

DriveTable::DriveTable(QStringList drives, std::vector<MountEntry> mountTable)
    : opticalDrives(std::move(drives)), mounts(std::move(mountTable))
{}

DriveTable DriveTable::FromSystem(const QString& sysRoot)
{
    QStringList drives;
    QFile info(sysRoot + QStringLiteral("/proc/sys/dev/cdrom/info"));
    if (info.open(QIODevice::ReadOnly))
        drives = ParseCdromInfo(info.readAll());

    std::vector<MountEntry> mounts;
    QFile table(sysRoot + QStringLiteral("/proc/self/mounts"));
    if (table.open(QIODevice::ReadOnly))
        mounts = ParseMountTable(table.readAll());
    for (MountEntry& entry : mounts) {
        if (!entry.device.startsWith(QLatin1String("/dev/loop")))
            continue;
        QFile backing(sysRoot + QStringLiteral("/sys/block/%1/loop/backing_file").arg(entry.device.mid(5)));
        if (backing.open(QIODevice::ReadOnly))
            entry.imageFile = QString::fromUtf8(backing.readAll()).trimmed();
    }
    return DriveTable(std::move(drives), std::move(mounts));
}

bool DriveTable::IsOpticalDevice(const QString& device) const
{
    const QString canonical = Canonical(device);
    return std::any_of(opticalDrives.begin(), opticalDrives.end(), [&](const QString& drive) {
        return drive == device || Canonical(drive) == canonical;
    });
}

const MountEntry* DriveTable::MountOf(const QString& drive) const
{
    const QString canonical = Canonical(drive);
    for (const MountEntry& entry : mounts) {
        if (entry.device == drive || Canonical(entry.device) == canonical ||
            (!entry.imageFile.isEmpty() && Canonical(entry.imageFile) == canonical))
            return &entry;
    }
    return nullptr;
}

QString DriveTable::DrivePart(const QString& path) const
{
    if (path.isEmpty())
        return {};
    for (const QString& drive : opticalDrives) {
        if (IsUnder(path, drive))
            return drive;
    }
    // An image file standing for a drive: the path itself or one of its leading folders.
    for (qsizetype slash = path.size(); slash > 0; slash = path.lastIndexOf(u'/', slash - 1)) {
        const QString prefix = path.left(slash);
        if (IsDiscImageFile(prefix))
            return prefix;
    }
    // A file on a file system mounted from a drive: the deepest mount point wins.
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : mounts) {
        if (IsUnder(path, entry.mountPoint) && (!best || entry.mountPoint.size() > best->mountPoint.size()))
            best = &entry;
    }
    if (!best)
        return {};
    if (!best->imageFile.isEmpty())
        return best->imageFile;
    if (IsOpticalDevice(best->device)) {
        const QString canonical = Canonical(best->device);
        for (const QString& drive : opticalDrives) {
            if (drive == best->device || Canonical(drive) == canonical)
                return drive;
        }
    }
    return {};
}

QString DriveTable::MountPointOf(const QString& drive) const
{
    const MountEntry* entry = drive.isEmpty() ? nullptr : MountOf(drive);
    return entry ? entry->mountPoint : QString();
}

QString DriveTable::DriveRoot(const QString& drive) const
{
    const QString mountPoint = MountPointOf(drive);
    return mountPoint.isEmpty() ? drive : mountPoint;
}

QString ReadVolumeLabel(const QString& drive, const DriveTable& drives, const QString& byLabelFolder)
{
    if (drive.isEmpty())
        return {};
    QString dataFile = drive;
    std::vector<SectorLayout> layouts{{2048, 0}, {2352, 16}, {2352, 24}};
    const QString suffix = QFileInfo(drive).suffix().toLower();
    if (suffix == u"cue")
        dataFile = CueDataFile(drive);
    if (suffix == u"cue" || suffix == u"bin")
        std::rotate(layouts.begin(), layouts.begin() + 1, layouts.end());
    QString label = LabelFromDescriptors(dataFile, layouts);
    if (!label.isEmpty() || drives.MountPointOf(drive).isEmpty())
        return label;

    // A mounted disc that cannot be read directly: ask the system's label links.
    const QString canonical = QFileInfo(drive).canonicalFilePath();
    const QDir folder(byLabelFolder);
    for (const QFileInfo& link : folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (!canonical.isEmpty() && link.canonicalFilePath() == canonical) {
            // udev escapes blanks and slashes in label link names as \x20 and \x2f.
            QString name = link.fileName();
            name.replace(QLatin1String("\\x20"), QLatin1String(" "))
                .replace(QLatin1String("\\x2f"), QLatin1String("/"));
            return name;
        }
    }
    return {};
}

} // namespace platform

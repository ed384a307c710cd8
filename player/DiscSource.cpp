#include "DiscSource.h"

#include "platform/PathSplit.h"
#include "platform/ProfileFile.h"

#include <QFileInfo>

namespace {

// The folder below which a drive's or folder's files lie: a mounted disc's mount point, the
// folder itself otherwise.
QString Root(const platform::DriveTable& drives, const QString& path)
{
    const QString root = drives.DriveRoot(path);
    return root.isEmpty() ? path : root;
}

} // namespace

DiscSource::DiscSource(const platform::DriveTable& driveTable, CMCICD& cdEngine, CDVDMedia& dvdEngine)
    : drives(driveTable), cd(cdEngine), dvd(dvdEngine),
      scanner([this](const QString& path) { return VolumeLabel(path); })
{}

QString DiscSource::VolumeLabel(const QString& path) const
{
    const QString drivePart = drives.DrivePart(path);
    if (drivePart.isEmpty())
        return QString();
    return platform::ReadVolumeLabel(drivePart, drives);
}

bool DiscSource::ReadAutorun(const QString& folder, bool exclusive, ItemList& list, ItemKind& kind)
{
    const QString inf = platform::FindPathIgnoringCase(Root(drives, folder), QStringLiteral("AUTORUN.INF"));
    if (inf.isEmpty() || !QFileInfo(inf).isFile())
        return false;
    const platform::ProfileFile file(inf);
    const QString open = file.GetString(QStringLiteral("AutoRun"), QStringLiteral("OPEN"), QString(), 512);
    const QString target = QFileInfo(inf).absolutePath() + u'/' + open;
    const auto single = [&] {
        list.Clear();
        list.items = {target};
    };
    if (!exclusive)
        single();
    const QString upper = open.toUpper();
    if (upper == u"PLAYER.EXE" || upper == u"START.EXE") {
        if (exclusive)
            single();
        const bool player = upper == u"PLAYER.EXE";
        kind = player ? ItemKind::kDiscPlayer : ItemKind::kDiscLauncher;
        (player ? discPlayerMode : discLauncherMode) = true;
        return true;
    }
    return !exclusive;
}

bool DiscSource::Classify(const QString& path, bool driveOnly, const Resume& resume, QObject* owner,
                          QWidget** videoWnd, ItemList& list, ItemKind& kind)
{
    if (options.cccdFirst && ReadAutorun(path, true, list, kind))
        return true;

    // An audio CD (a drive or a CD image). A folder that is on no drive is not asked: the CD
    // device would take the system's first drive for it.
    if (!drives.DrivePart(path).isEmpty() && cd.OpenDisc(owner, path, false)) {
        const int n = cd.GetTrackCount();
        const QString id = cd.GetIdentity();
        list.found = resume.autoPlay && !resume.identity.isEmpty() && id == resume.identity;
        bool met = false;
        for (int i = 1; i <= n; ++i) {
            if (!cd.IsAudioTrack(i))
                continue;
            list.items.append(QStringLiteral("%1/TRACK%2.CDA").arg(path).arg(i, 2, 10, QLatin1Char('0')));
            if (list.found && i == resume.track) {
                list.current = static_cast<int>(list.items.size() - 1);
                met = true;
            }
        }
        kind = ItemKind::kCdTrack;
        if (!met) {
            list.current = -1;
            list.found = false;
        }
        return true;
    }

    // A DVD.
    QString ifo;
    if (CDVDMedia::FindIfo(path, &ifo, options.dvdAudioFirst)) {
        const bool sameDisc = VolumeLabel(ifo) == resume.identity;
        if (!(kind == ItemKind::kDvd && dvd.IsSameDrive(path))) {
            if (!dvd.OpenMedia(owner, ifo, videoWnd))
                return true;
        }
        kind = ItemKind::kDvd;
        int foundAt = -1;
        dvd.ListChapterItems(ifo, &list.items, &list.found, &foundAt, resume.target, sameDisc);
        if (list.found && foundAt >= 0)
            list.current = foundAt;
        return true;
    }

    // A Video CD: its stream folder is scanned, also for the configured drive.
    QString folder = Root(drives, path);
    bool videoCd = false;
    if (CMedia::IsVideoCD(folder)) {
        folder = platform::FindPathIgnoringCase(folder, QStringLiteral("MPEGAV"));
        kind = ItemKind::kVideoCd;
        videoCd = true;
    }
    if (ReadAutorun(path, false, list, kind))
        return true;
    if (driveOnly && !videoCd)
        return false;
    list.found = false;
    list.current = -1;
    scanner.SetIdentity(resume.identity);
    scanner.Scan(folder, &list.items, &list.found, &list.current, resume.target, videoCd);
    return true;
}

bool DiscSource::IsPresent(const QString& drive, bool* dataDisc)
{
    *dataDisc = false;
    if (cd.GetDrive().isEmpty())
        cd.SetDrive(drive);
    bool present = cd.CheckMedia(dataDisc);
    if (!present && !drive.isEmpty()) {
        QString ifo;
        present = CDVDMedia::FindIfo(drive, &ifo, options.dvdAudioFirst);
        if (!present)
            present = CMedia::IsVideoCD(Root(drives, drive));
    }
    return present;
}

#include "MediaPlayer.h"

#include "platform/PathSplit.h"
#include "platform/ProfileFile.h"

#include <QDir>
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

QString CMediaPlayer::GetVolumeLabel(const QString& path) const
{
    const QString drivePart = drives.DrivePart(path);
    if (drivePart.isEmpty())
        return QString();
    return platform::ReadVolumeLabel(drivePart, drives);
}

bool CMediaPlayer::ReadAutorun(const QString& folder, bool exclusive)
{
    const QString inf = platform::FindPathIgnoringCase(Root(drives, folder), QStringLiteral("AUTORUN.INF"));
    if (inf.isEmpty() || !QFileInfo(inf).isFile())
        return false;
    const platform::ProfileFile file(inf);
    const QString open = file.GetString(QStringLiteral("AutoRun"), QStringLiteral("OPEN"), QString(), 512);
    const QString target = QFileInfo(inf).absolutePath() + u'/' + open;
    const auto single = [&] {
        found = false;
        items = {target};
        current = -1;
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

bool CMediaPlayer::ClassifyFolder(const QString& path, bool driveOnly, const QString& resumeTarget)
{
    if (cccdFirst && ReadAutorun(path, true))
        return true;

    // An audio CD (a drive or a CD image). A folder that is on no drive is not asked: the CD
    // device would take the system's first drive for it.
    if (!drives.DrivePart(path).isEmpty() && cd.OpenDisc(sourceContext.owner, path, false)) {
        const int n = cd.GetTrackCount();
        const QString id = cd.GetIdentity();
        found = autoPlay && !identity.isEmpty() && id == identity;
        bool met = false;
        for (int i = 1; i <= n; ++i) {
            if (!cd.IsAudioTrack(i))
                continue;
            items.append(QStringLiteral("%1/TRACK%2.CDA").arg(path).arg(i, 2, 10, QLatin1Char('0')));
            if (found && i == track) {
                current = items.size() - 1;
                met = true;
            }
        }
        kind = ItemKind::kCdTrack;
        if (!met) {
            current = -1;
            found = false;
        }
        return true;
    }

    // A DVD.
    QString ifo;
    if (CDVDMedia::FindIfo(path, &ifo, dvdAudioFirst)) {
        const bool sameDisc = GetVolumeLabel(ifo) == identity;
        if (!(kind == ItemKind::kDvd && dvd.IsSameDrive(path))) {
            if (!dvd.OpenMedia(sourceContext.owner, ifo, &videoWnd))
                return true;
        }
        kind = ItemKind::kDvd;
        dvdDrive = drives.DrivePart(path);
        int foundAt = -1;
        dvd.ListChapterItems(ifo, &items, &found, &foundAt, resumeTarget, sameDisc);
        if (found && foundAt >= 0)
            current = foundAt;
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
    if (ReadAutorun(path, false))
        return true;
    if (driveOnly && !videoCd)
        return false;
    found = false;
    current = -1;
    scanner.SetIdentity(identity);
    scanner.Scan(folder, &items, &found, &current, resumeTarget, videoCd);
    return true;
}

bool CMediaPlayer::CheckDisc(bool act)
{
    bool dataDisc = false;
    if (cd.GetDrive().isEmpty())
        cd.SetDrive(drive);
    bool present = cd.CheckMedia(&dataDisc);
    if (!present && !drive.isEmpty()) {
        QString ifo;
        present = CDVDMedia::FindIfo(drive, &ifo, dvdAudioFirst);
        if (!present)
            present = CMedia::IsVideoCD(Root(drives, drive));
    }
    if (state.Is(PlayerState::kIdle)) {
        if (present || dataDisc) {
            state.Set(PlayerState::kDiscArrived);
            if (autoPlay && act) {
                OpenSource(QString());
                OpenForward(ForwardFrom::kStart);
            }
        }
    } else if (!present && !dataDisc && act) {
        Stop();
        Close(false);
        kind = ItemKind::kNone;
        state.Set(PlayerState::kIdle);
    }
    return present;
}

// Archive sources: the archive plug-in that reads a source, its members as the items, and the
// member written into the cache when it is opened.

#include "DownloadCache.h"
#include "MediaPlayer.h"

#include "platform/MessageBox.h"
#include "platform/susie/SusieArchive.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

bool CMediaPlayer::FindArchivePlugin(const QString& path, const QByteArray& header)
{
    archivePlugin = platform::FindArchivePlugin(displaySettings.pluginFolder, path, header);
    return archivePlugin != nullptr;
}

bool CMediaPlayer::ListArchive(const QString& path, const QString& resumeTarget)
{
    if (!archivePlugin)
        return false;
    std::vector<platform::ArchiveMember> members;
    switch (platform::ListArchiveMembers(*archivePlugin, path, kMaxArchiveMembers, &members)) {
    case platform::ArchiveListing::kNotListed:
        archivePlugin.reset();
        return false;
    case platform::ArchiveListing::kTooMany:
        // Nothing of it is played: the archive is no media file either.
        archivePlugin.reset();
        platform::ShowMessageBox(
            qobject_cast<QWidget*>(owner.data()),
            res::LoadString(res::kStrArchiveTooManyMembers).arg(kMaxArchiveMembers).arg(path));
        items.clear();
        current = -1;
        found = false;
        return true;
    case platform::ArchiveListing::kListed:
        break;
    }
    sourceFlags |= kSourceArchive;
    archivePath = path;
    items.clear();
    current = -1;
    // Only this list's members can be the one to resume at.
    found = false;
    // A member is named with its folder inside the archive, so members of the same name in
    // different folders stay apart.
    for (const platform::ArchiveMember& member : members)
        AppendItem(member.FullName(), resumeTarget);
    return true;
}

QString CMediaPlayer::MemberFile(const QString& memberName, const QString& prefix) const
{
    return cacheFolder + QStringLiteral("/archive/") + prefix + downloadcache::SafeFileName(memberName);
}

bool CMediaPlayer::ExtractMember(const QString& memberName, const QString& targetFile)
{
    if (!archivePlugin)
        return false;
    QDir().mkpath(QFileInfo(targetFile).absolutePath());
    int message = 0;
    switch (platform::ExtractArchiveMember(*archivePlugin, archivePath, memberName, targetFile,
                                           kMaxMemberBytes)) {
    case platform::MemberExtraction::kDone:
        return true;
    case platform::MemberExtraction::kTooLarge:
        message = res::kStrMemberTooLarge;
        break;
    case platform::MemberExtraction::kNoRoom:
        message = res::kStrCacheFull;
        break;
    case platform::MemberExtraction::kNotWritten:
        message = res::kStrCannotSave;
        break;
    case platform::MemberExtraction::kNotFound:
    case platform::MemberExtraction::kFailed:
        message = res::kStrMemberNotExtracted;
        break;
    }
    platform::ShowMessageBox(qobject_cast<QWidget*>(owner.data()), res::LoadString(message).arg(memberName));
    return false;
}

QString CMediaPlayer::MemberCopyForTitle(const QString& memberName)
{
    if (!(sourceFlags & kSourceArchive) || !archivePlugin)
        return QString();
    const QString copy = MemberFile(memberName, QStringLiteral("__"));
    QDir().mkpath(QFileInfo(copy).absolutePath());
    // Only a small member is taken out for its title; a title never shows a message.
    if (platform::ExtractArchiveMember(*archivePlugin, archivePath, memberName, copy, kMaxTitleProbeBytes) !=
        platform::MemberExtraction::kDone)
        return QString();
    return copy;
}

// Archive sources: the archive plug-in that reads a source, its members as the items, and the
// member written into the cache when it is opened. The plug-ins run in the media process.

#include "DownloadCache.h"
#include "MediaPlayer.h"
#include "ProgressDlg.h"

#include "platform/MessageBox.h"
#include "platform/ProgramEnding.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

bool CMediaPlayer::ListArchive(const QString& path, const QString& resumeTarget)
{
    std::vector<platform::ArchiveMember> members;
    QString plugin;
    switch (archives->List(displaySettings.pluginFolder, path, kMaxArchiveMembers, &plugin, &members)) {
    case platform::ArchiveListing::kNotListed:
        archivePlugin.clear();
        return false;
    case platform::ArchiveListing::kTooMany:
        // Nothing of it is played: the archive is no media file either.
        archivePlugin.clear();
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
    archivePlugin = plugin;
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
    if (archivePlugin.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(targetFile).absolutePath());
    // As during a download, the window takes no command but the program's end meanwhile; the
    // clock goes on, and a large member shows how far it is with "中断".
    const PlayerState saved = state.Get();
    state.Set(PlayerState::kDownloading);
    auto* window = qobject_cast<QWidget*>(owner.data());
    QPointer<CProgressDlg> dialog;
    platform::ArchiveProgress progress;
    progress.report = [&](int percent, qint64 memberBytes) {
        if (!dialog && memberBytes > kMemberDialogBytes) {
            dialog = new CProgressDlg(window);
            dialog->SetColours(progressColours);
            dialog->Show(window);
            dialog->SetTitle(res::LoadString(res::kStrExtractTitle));
            dialog->SetMessage(res::LoadString(res::kStrExtractingFormat).arg(memberName));
        }
        if (dialog)
            dialog->SetPercent(res::LoadString(res::kStrPercentFormat).arg(percent));
    };
    progress.stop = [&] { return platform::ProgramEnding() || (dialog && dialog->IsAborted()); };
    progress.userInput = true;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    const platform::MemberExtraction result =
        archives->Extract(archivePlugin, archivePath, memberName, targetFile, kMaxMemberBytes, progress);
    QGuiApplication::restoreOverrideCursor();
    if (dialog) {
        dialog->hide();
        dialog->deleteLater();
    }
    state.Set(saved);
    if (result == platform::MemberExtraction::kDone)
        return true;
    // Stopped by the user or by the program's end: nothing to say.
    if (result == platform::MemberExtraction::kAborted || platform::ProgramEnding())
        return false;
    int message = 0;
    switch (result) {
    case platform::MemberExtraction::kDone:
    case platform::MemberExtraction::kAborted:
        break;
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
    platform::ShowMessageBox(window, res::LoadString(message).arg(memberName));
    return false;
}

QString CMediaPlayer::MemberCopyForTitle(const QString& memberName)
{
    if (!(sourceFlags & kSourceArchive) || archivePlugin.isEmpty())
        return QString();
    const QString copy = MemberFile(memberName, QStringLiteral("__"));
    QDir().mkpath(QFileInfo(copy).absolutePath());
    // Only a small member is taken out for its title; a title never shows a message.
    platform::ArchiveProgress quietly;
    quietly.stop = [] { return platform::ProgramEnding(); };
    if (archives->Extract(archivePlugin, archivePath, memberName, copy, kMaxTitleProbeBytes, quietly) !=
        platform::MemberExtraction::kDone)
        return QString();
    return copy;
}

#include "ArchiveSource.h"

#include "DownloadCache.h"
#include "ProgressDlg.h"

#include "media/TitleProbe.h"
#include "platform/MessageBox.h"
#include "platform/ProgramEnding.h"
#include "platform/proxy/ArchiveProxy.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>

#include <optional>

ArchiveSource::ArchiveSource(const SourceContext& context)
    : context(context), access(std::make_unique<platform::ArchiveProxy>())
{}

platform::ArchiveListing ArchiveSource::List(const QString& pluginFolder, const QString& path,
                                             std::vector<platform::ArchiveMember>* members)
{
    QString listedBy;
    const platform::ArchiveListing listing = access->List(pluginFolder, path, kMaxMembers, &listedBy, members);
    switch (listing) {
    case platform::ArchiveListing::kNotListed:
        plugin.clear();
        break;
    case platform::ArchiveListing::kTooMany:
        // Nothing of it is played: the archive is no media file either.
        plugin.clear();
        members->clear();
        platform::ShowMessageBox(context.Window(),
                                 res::LoadString(res::kStrArchiveTooManyMembers).arg(kMaxMembers).arg(path));
        break;
    case platform::ArchiveListing::kListed:
        plugin = listedBy;
        archivePath = path;
        break;
    }
    return listing;
}

void ArchiveSource::Forget()
{
    plugin.clear();
    memberTitles.clear();
}

QString ArchiveSource::MemberFile(const QString& memberName, const QString& prefix) const
{
    return cacheFolder + QStringLiteral("/archive/") + prefix + downloadcache::SafeFileName(memberName);
}

QString ArchiveSource::Extract(const QString& memberName)
{
    // The member opened before goes first: one extracted member at a time.
    DropExtracted();
    const QString target = MemberFile(memberName);
    if (!ExtractTo(memberName, target))
        return QString();
    extractedFile = target;
    return target;
}

void ArchiveSource::DropExtracted()
{
    if (extractedFile.isEmpty())
        return;
    QFile::remove(extractedFile);
    extractedFile.clear();
}

bool ArchiveSource::ExtractTo(const QString& memberName, const QString& targetFile)
{
    if (plugin.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(targetFile).absolutePath());
    // As during a download, the window takes no command but the program's end meanwhile; the
    // clock goes on, and a large member shows how far it is with "中断".
    QWidget* window = context.Window();
    std::optional<SourceBusy> busy(std::in_place, context);
    QPointer<CProgressDlg> dialog;
    platform::ArchiveProgress progress;
    progress.report = [&](int percent, qint64 memberBytes) {
        if (!dialog && memberBytes > kMemberDialogBytes) {
            dialog = new CProgressDlg(window);
            dialog->SetColours(context.colours);
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
        access->Extract(plugin, archivePath, memberName, targetFile, kMaxMemberBytes, progress);
    QGuiApplication::restoreOverrideCursor();
    if (dialog) {
        dialog->hide();
        dialog->deleteLater();
    }
    busy.reset();
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

QString ArchiveSource::MemberTitle(const QString& memberName)
{
    auto known = memberTitles.constFind(memberName);
    if (known != memberTitles.cend())
        return *known;
    QString title;
    if (!plugin.isEmpty()) {
        const QString copy = MemberFile(memberName, QStringLiteral("__"));
        QDir().mkpath(QFileInfo(copy).absolutePath());
        // Only a small member is taken out for its title; a title never shows a message.
        platform::ArchiveProgress quietly;
        quietly.stop = [] { return platform::ProgramEnding(); };
        if (access->Extract(plugin, archivePath, memberName, copy, kMaxTitleProbeBytes, quietly) ==
            platform::MemberExtraction::kDone)
            title = ProbeTitle(copy);
        QFile::remove(copy);
    }
    memberTitles.insert(memberName, title);
    return title;
}

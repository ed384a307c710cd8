#include "ArchiveProxy.h"

#include "MediaProcess.h"

#include "platform/Log.h"
#include "platform/susie/SusiePlugin.h"

#include <QDir>
#include <QFile>

namespace platform {

using ipc::Op;
using ipc::Pack;
using ipc::Unpack;

ArchiveListing ArchiveProxy::List(const QString& pluginFolder, const QString& path, int maxMembers,
                                  QString* pluginFile, std::vector<ArchiveMember>* members)
{
    members->clear();
    // Without a plug-in file in the folder nothing is an archive, and no media process is started
    // to learn that.
    if (SusiePluginFiles(pluginFolder).isEmpty())
        return ArchiveListing::kNotListed;
    MediaProcess& process = MediaProcess::Instance();
    QByteArray answer;
    QString error;
    if (!process.Call(Op::ArchiveList, 0, Pack(pluginFolder, path, qint32(maxMembers)), &answer, kListBoundMs,
                      MediaProcess::Start::IfNeeded, &error)) {
        qCWarning(lcPlatform).noquote() << "archive not listed:" << path << error;
        return ArchiveListing::kNotListed;
    }
    qint32 listing = 0;
    QString plugin;
    QStringList names;
    QList<quint32> sizes;
    const bool read = (Unpack(answer) >> listing >> plugin >> names >> sizes).Ok();
    const bool known = listing >= static_cast<qint32>(ArchiveListing::kListed) &&
                       listing <= static_cast<qint32>(ArchiveListing::kTooMany);
    if (!read || !known || names.size() != sizes.size() || names.size() > maxMembers) {
        process.End(QStringLiteral("the media process sent an archive listing past its bounds"));
        return ArchiveListing::kNotListed;
    }
    if (static_cast<ArchiveListing>(listing) != ArchiveListing::kListed)
        return static_cast<ArchiveListing>(listing);
    *pluginFile = plugin;
    members->reserve(static_cast<size_t>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        ArchiveMember member;
        const qsizetype slash = names[i].lastIndexOf(u'/');
        member.path = names[i].left(slash + 1);
        member.fileName = names[i].mid(slash + 1);
        member.size = sizes[i];
        if (!member.fileName.isEmpty())
            members->push_back(std::move(member));
    }
    return ArchiveListing::kListed;
}

MemberExtraction ArchiveProxy::Extract(const QString& pluginFile, const QString& archivePath,
                                       const QString& memberName, const QString& targetFile, qint64 maxBytes,
                                       const ArchiveProgress& progress)
{
    MediaProcess& process = MediaProcess::Instance();
    MediaProcess::Watch watch;
    watch.quietBoundMs = quietBoundMs;
    watch.progress = progress.report;
    watch.stop = progress.stop;
    watch.userInput = progress.userInput;
    QByteArray answer;
    QString error;
    const MediaProcess::Outcome outcome = process.CallWatched(
        Op::ArchiveExtract, Pack(pluginFile, archivePath, memberName, targetFile, maxBytes), &answer, watch,
        &error);
    qint32 result = -1;
    const bool read = outcome != MediaProcess::Outcome::kFailed && (Unpack(answer) >> result).Ok() &&
                      result >= static_cast<qint32>(MemberExtraction::kDone) &&
                      result <= static_cast<qint32>(MemberExtraction::kNotWritten);
    if (read && static_cast<MemberExtraction>(result) == MemberExtraction::kDone)
        return MemberExtraction::kDone;
    // Whatever the media process left of a member it did not finish goes.
    QDir(MemberWorkFolder(targetFile)).removeRecursively();
    if (outcome == MediaProcess::Outcome::kStopped)
        return MemberExtraction::kAborted;
    if (read)
        return static_cast<MemberExtraction>(result);
    if (outcome == MediaProcess::Outcome::kAnswered)
        process.End(QStringLiteral("the media process sent an extraction answer that cannot be"));
    qCWarning(lcPlatform).noquote() << "archive member not extracted:" << memberName << error;
    return MemberExtraction::kFailed;
}

} // namespace platform

#include "ArchiveProxy.h"

#include "MediaProcess.h"

#include "platform/Log.h"
#include "platform/susie/SusiePlugin.h"

#include <algorithm>

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
    quint32 count = 0;
    QByteArray block;
    const bool read = (Unpack(answer) >> listing >> plugin >> count >> block).Ok();
    const bool known = listing >= static_cast<qint32>(ArchiveListing::kListed) &&
                       listing <= static_cast<qint32>(ArchiveListing::kTooMany);
    const bool fits = read && known && count <= static_cast<quint32>(std::max(maxMembers, 0));
    if (fits)
        members->reserve(count);
    ArchiveMemberDecoder decoder;
    if (!fits || !ReadArchiveRecords(block, static_cast<int>(count), [&](const ArchiveRecord& record) {
            members->push_back(decoder.Decode(record));
        })) {
        members->clear();
        process.End(QStringLiteral("the media process sent an archive listing past its bounds"));
        return ArchiveListing::kNotListed;
    }
    if (static_cast<ArchiveListing>(listing) != ArchiveListing::kListed)
        return static_cast<ArchiveListing>(listing);
    *pluginFile = plugin;
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

#include "ArchiveAccess.h"

#include <QFileInfo>

namespace platform {

ArchiveListing LocalArchives::List(const QString& pluginFolder, const QString& path, int maxMembers,
                                   QString* pluginFile, std::vector<ArchiveMember>* members)
{
    members->clear();
    const std::shared_ptr<const SusiePlugin> plugin = FindPlugin(pluginFolder, path);
    if (!plugin)
        return ArchiveListing::kNotListed;
    *pluginFile = plugin->Path();
    return ListArchiveMembers(*plugin, path, maxMembers, members);
}

MemberExtraction LocalArchives::Extract(const QString& pluginFile, const QString& archivePath,
                                        const QString& memberName, const QString& targetFile, qint64 maxBytes,
                                        const ArchiveProgress& progress)
{
    const std::shared_ptr<const SusiePlugin> plugin = shelf.Load(pluginFile);
    if (!plugin)
        return MemberExtraction::kFailed;
    return ExtractArchiveMember(*plugin, archivePath, memberName, targetFile, maxBytes, progress);
}

std::shared_ptr<const SusiePlugin> LocalArchives::FindPlugin(const QString& pluginFolder, const QString& path)
{
    // Only a plain file: a named pipe would hold the reading of the archive's header forever.
    if (!QFileInfo(path).isFile())
        return nullptr;
    return FindArchivePlugin(pluginFolder, path, ArchiveHeader(path), shelf);
}

} // namespace platform

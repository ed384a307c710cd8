#include "ArchiveAccess.h"

#include <QFileInfo>

namespace platform {

ArchiveListing LocalArchives::List(const QString& pluginFolder, const QString& path, int maxMembers,
                                   QString* pluginFile, std::vector<ArchiveMember>* members)
{
    members->clear();
    // Only a plain file: a named pipe would hold the reading of the archive's header forever.
    if (!QFileInfo(path).isFile())
        return ArchiveListing::kNotListed;
    const std::unique_ptr<SusiePlugin> plugin = FindArchivePlugin(pluginFolder, path, ArchiveHeader(path));
    if (!plugin)
        return ArchiveListing::kNotListed;
    *pluginFile = plugin->Path();
    return ListArchiveMembers(*plugin, path, maxMembers, members);
}

MemberExtraction LocalArchives::Extract(const QString& pluginFile, const QString& archivePath,
                                        const QString& memberName, const QString& targetFile, qint64 maxBytes,
                                        const ArchiveProgress& progress)
{
    const SusiePlugin plugin(pluginFile);
    if (!plugin.IsLoaded() || !plugin.IsArchivePlugin())
        return MemberExtraction::kFailed;
    return ExtractArchiveMember(plugin, archivePath, memberName, targetFile, maxBytes, progress);
}

} // namespace platform

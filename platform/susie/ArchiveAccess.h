#pragma once
// Archives as the player and the skin read them: the archive plug-in of a folder that reads a
// file, its members, and one member written to a file. LocalArchives calls the plug-ins in this
// process (the media process does, and tests of what sits on it); the window process reaches them
// through the media process (platform/proxy/ArchiveProxy.h), so that an archive that crashes or
// hangs a plug-in costs the item, not the window.

#include "SusieArchive.h"

#include <QString>

#include <memory>
#include <vector>

namespace platform {

class ArchiveAccess
{
public:
    virtual ~ArchiveAccess() = default;

    // Chooses the first archive plug-in of `pluginFolder` that reads `path` (a plain file) and
    // lists its members, at most `maxMembers`. When listed, `pluginFile` names the plug-in that
    // Extract is to be given.
    virtual ArchiveListing List(const QString& pluginFolder, const QString& path, int maxMembers,
                                QString* pluginFile, std::vector<ArchiveMember>* members) = 0;
    // Writes member `memberName` of `archivePath` to `targetFile` (see ExtractArchiveMember).
    virtual MemberExtraction Extract(const QString& pluginFile, const QString& archivePath,
                                     const QString& memberName, const QString& targetFile, qint64 maxBytes,
                                     const ArchiveProgress& progress) = 0;
};

// Keeps the plug-in modules it loaded (ArchivePluginShelf.h); one object may serve any thread.
class LocalArchives final : public ArchiveAccess
{
public:
    ArchiveListing List(const QString& pluginFolder, const QString& path, int maxMembers, QString* pluginFile,
                        std::vector<ArchiveMember>* members) override;
    MemberExtraction Extract(const QString& pluginFile, const QString& archivePath, const QString& memberName,
                             const QString& targetFile, qint64 maxBytes,
                             const ArchiveProgress& progress) override;

    // The plug-in of `pluginFolder` that reads `path` (a plain file); nullptr when none does.
    std::shared_ptr<const SusiePlugin> FindPlugin(const QString& pluginFolder, const QString& path);

private:
    ArchivePluginShelf shelf;
};

} // namespace platform

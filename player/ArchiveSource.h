#pragma once
// ArchiveSource: an archive that an archive plug-in reads, as the player controller's source.
// Its members are the items; the member opened is written into the cache's archive folder (one
// at a time), with the progress dialog for a large one, and a small member is taken out for a
// moment to read its title. The plug-ins run in the media process unless a test says
// otherwise.
//
// Owned by the controller; UI thread only. It knows nothing of the list or the engines.

#include "SourceContext.h"

#include "platform/susie/ArchiveAccess.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class ArchiveSource
{
public:
    static constexpr int kMaxMembers = 100000;
    static constexpr qint64 kMaxMemberBytes = qint64(1) << 30;
    static constexpr qint64 kMaxTitleProbeBytes = qint64(32) << 20;
    // A member larger than this shows the progress dialog while it is written out.
    static constexpr qint64 kMemberDialogBytes = qint64(4) << 20;

    explicit ArchiveSource(const SourceContext& context);
    ArchiveSource(const ArchiveSource&) = delete;
    ArchiveSource& operator=(const ArchiveSource&) = delete;

    void SetCacheFolder(const QString& folder) { cacheFolder = folder; }
    void SetAccess(std::unique_ptr<platform::ArchiveAccess> value) { access = std::move(value); }
    platform::ArchiveAccess& Access() { return *access; }

    // Lists `path` with the plug-ins in `pluginFolder`; when one reads it, it becomes the
    // archive playing and `*members` its members. Too many members is reported to the user
    // here and lists none.
    platform::ArchiveListing List(const QString& pluginFolder, const QString& path,
                                  std::vector<platform::ArchiveMember>* members);
    // No archive is playing any more.
    void Forget();
    bool IsOpen() const { return !plugin.isEmpty(); }

    // Writes member `memberName` of the archive playing into the cache, replacing the member
    // written before; the file to play from, empty (with a message unless the user stopped it)
    // when it could not.
    QString Extract(const QString& memberName);
    // Removes the member written last.
    void DropExtracted();
    const QString& ExtractedFile() const { return extractedFile; }

    // The tag title of member `memberName`, read once from a copy of its own that goes again
    // at once; empty when it has none.
    QString MemberTitle(const QString& memberName);

private:
    // The file for member `memberName` in the cache's archive folder, its name after `prefix`.
    QString MemberFile(const QString& memberName, const QString& prefix = QString()) const;
    bool ExtractTo(const QString& memberName, const QString& targetFile);

    const SourceContext& context;
    std::unique_ptr<platform::ArchiveAccess> access;
    QString cacheFolder;
    // The plug-in file that lists the archive playing, and the archive.
    QString plugin;
    QString archivePath;
    QString extractedFile;
    // The tag titles of the archive's members read so far (empty: none found).
    QHash<QString, QString> memberTitles;
};

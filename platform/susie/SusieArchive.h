#pragma once
// Archives read through the archive plug-ins (*.spi whose version text has 'A' third): the
// choice of a plug-in for a file, its members, and one member written to a file. Every answer
// of a plug-in is checked against bounds before it is used: a listing is read only within the
// block the plug-in allocated and up to a number of members, and a member is written only
// when its size is within a bound and the cache has room for it.

#include "SusiePlugin.h"

#include <QString>

#include <memory>
#include <vector>

namespace platform {

struct ArchiveMember
{
    QString path;     // the folder inside the archive, with a trailing "/" when not empty
    QString fileName; // the member's own name
    quint32 position = 0;
    quint32 size = 0;

    QString FullName() const { return path + fileName; }
};

// The first 2048 bytes of `path`, zero-padded: what IsSupported is shown.
QByteArray ArchiveHeader(const QString& path);

// The first archive plug-in of `folder`, in the folder's own order, that says it reads `path`;
// nullptr when none does. Image plug-ins are never asked.
std::unique_ptr<SusiePlugin> FindArchivePlugin(const QString& folder, const QString& path,
                                               const QByteArray& header);

enum class ArchiveListing
{
    kListed,
    kNotListed, // the plug-in gave no listing
    kTooMany,   // more members than the bound
};

// The members of `archivePath`, at most `maxMembers` of them, in the plug-in's order.
ArchiveListing ListArchiveMembers(const SusiePlugin& plugin, const QString& archivePath, int maxMembers,
                                  std::vector<ArchiveMember>* members);

enum class MemberExtraction
{
    kDone,
    kNotFound,   // the plug-in knows no such member
    kTooLarge,   // the member is larger than the bound
    kNoRoom,     // the folder of the target has too little space for it
    kFailed,     // the plug-in did not give its bytes
    kNotWritten, // the target could not be written
};

// Writes member `memberName` ("folder/name" or "name") of `archivePath` to `targetFile`, whole
// or not at all.
MemberExtraction ExtractArchiveMember(const SusiePlugin& plugin, const QString& archivePath,
                                      const QString& memberName, const QString& targetFile, qint64 maxBytes);

} // namespace platform

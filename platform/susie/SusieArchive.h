#pragma once
// Archives read through the archive plug-ins (*.spi whose version text has 'A' third): the
// choice of a plug-in for a file, its members, and one member written to a file. Every answer
// of a plug-in is checked against bounds before it is used: a listing is read only within the
// block the plug-in allocated and up to a number of members, and a member is written only
// when its size is within a bound and the cache has room for it. These call the plug-ins in the
// calling process: the window reaches them through the media process (ArchiveAccess.h).

#include "SusiePlugin.h"

#include <QString>

#include <functional>
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

// What an extraction tells while it runs, and how it is stopped.
struct ArchiveProgress
{
    // The share done (0 to 100) and the size the member declares, first at 0 before any of it
    // is written, then whenever the share changes.
    std::function<void(int percent, qint64 memberBytes)> report;
    // Asked whenever the plug-in reports; true stops the extraction.
    std::function<bool()> stop;
    // Where the extraction runs elsewhere: the caller's window goes on taking user input while
    // it waits (its own "中断"), else only painting and timers go on.
    bool userInput = false;
};

enum class MemberExtraction
{
    kDone,
    kAborted,    // stopped on request
    kNotFound,   // the plug-in knows no such member
    kTooLarge,   // the member is larger than the bound
    kNoRoom,     // the folder of the target has too little space for it
    kFailed,     // the plug-in did not give its bytes
    kNotWritten, // the target could not be written
};

// Writes member `memberName` ("folder/name" or "name") of `archivePath` to `targetFile`, whole
// or not at all. A plug-in that writes files writes it into MemberWorkFolder(targetFile), from
// where it is moved: the member is never whole in memory. One that only hands back memory is
// asked for that.
MemberExtraction ExtractArchiveMember(const SusiePlugin& plugin, const QString& archivePath,
                                      const QString& memberName, const QString& targetFile, qint64 maxBytes,
                                      const ArchiveProgress& progress = {});

// The folder beside `targetFile` that an extraction into it works in. It is gone when the
// extraction returns; one that was cut short (its process ended) leaves it for the caller.
QString MemberWorkFolder(const QString& targetFile);

} // namespace platform

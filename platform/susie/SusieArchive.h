#pragma once
// Archives read through the archive plug-ins (*.spi whose version text has 'A' third): the
// choice of a plug-in for a file, its members, and one member written to a file. Every answer
// of a plug-in is checked against bounds before it is used: a listing is read only within the
// block the plug-in allocated and up to a number of members, and a member is written only
// when its size is within a bound and the cache has room for it. These call the plug-ins in the
// calling process: the window reaches them through the media process (ArchiveAccess.h).

#include "ArchivePluginShelf.h"
#include "SusiePlugin.h"

#include <QByteArrayView>
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
// nullptr when none does. Image plug-ins are never asked. The modules come from `shelf`.
std::shared_ptr<const SusiePlugin> FindArchivePlugin(const QString& folder, const QString& path,
                                                     const QByteArray& header, ArchivePluginShelf& shelf);

enum class ArchiveListing
{
    kListed,
    kNotListed, // the plug-in gave no listing
    kTooMany,   // more members than the bound
};

// One member as the plug-in gave it: its folder and name in the archive's own bytes (UTF-8 or
// Shift-JIS), valid only during the call that hands it over.
struct ArchiveRecord
{
    QByteArrayView path;
    QByteArrayView fileName; // never empty: records without a name are passed over
    quint32 position = 0;
    quint32 size = 0;
};

// The records of `archivePath` in the plug-in's order, each handed to `each`; none when there
// are more than `maxMembers`.
ArchiveListing ReadArchiveRecords(const SusiePlugin& plugin, const QString& archivePath, int maxMembers,
                                  const std::function<void(const ArchiveRecord&)>& each);

// Records packed into one block of bytes, as the media process hands a listing to the window:
// for each, its size (4 bytes), the lengths of its folder and name (2 bytes each), then their
// bytes. The position inside the archive stays behind: the window extracts by name.
void AppendArchiveRecord(QByteArray* block, const ArchiveRecord& record);
// Reads a block back, each record handed to `each`; false when it is no such block (a length
// past a field's size or the block's end, an empty name, bytes left over) or holds more than
// `maxMembers` records. The records before the fault have been handed over then: the caller
// drops them.
bool ReadArchiveRecords(QByteArrayView block, int maxMembers,
                        const std::function<void(const ArchiveRecord&)>& each);

// Turns records into members. Members of one folder share its text, decoded once.
class ArchiveMemberDecoder
{
public:
    ArchiveMember Decode(const ArchiveRecord& record);

private:
    QByteArray lastPath;
    QString lastPathText;
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

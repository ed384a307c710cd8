#include "SusieArchive.h"

#include "platform/AnsiText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// A packed record: its size, and the lengths of its folder and name, each little-endian.
constexpr qsizetype kRecordHead = 8;
constexpr qsizetype kMostFieldBytes = sizeof SpiFileInfo::path;
static_assert(sizeof SpiFileInfo::fileName == kMostFieldBytes);

constexpr qint64 kHeaderBytes = 2048;
// Room the cache keeps beside a member written into it.
constexpr qint64 kSpareRoom = 16 << 20;

struct FreeDeleter
{
    void operator()(void* block) const { std::free(block); }
};
using PluginMemory = std::unique_ptr<void, FreeDeleter>;

// Passes a plug-in's progress on as a share of the whole, once per change.
struct ProgressRelay
{
    const ArchiveProgress* progress = nullptr;
    qint64 memberBytes = 0;
    int lastPercent = 0;
};

int RelayProgress(int done, int total, intptr_t data)
{
    auto* relay = reinterpret_cast<ProgressRelay*>(data);
    const int percent =
        total > 0 ? static_cast<int>(std::clamp<qint64>(qint64(done) * 100 / total, 0, 100)) : 0;
    if (percent != relay->lastPercent && relay->progress->report) {
        relay->lastPercent = percent;
        relay->progress->report(percent, relay->memberBytes);
    }
    return relay->progress->stop && relay->progress->stop() ? 1 : 0;
}

// The one file a plug-in wrote into `work`, moved to `targetFile`.
MemberExtraction TakeWrittenMember(int result, const QString& work, const QString& targetFile,
                                   qint64 maxBytes)
{
    if (result == SPI_ABORTED)
        return MemberExtraction::kAborted;
    if (result != SPI_SUCCESS)
        return MemberExtraction::kFailed;
    // Exactly one plain file, within the bound: never a link the plug-in was made to leave.
    const QFileInfoList written =
        QDir(work).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (written.size() != 1 || written.front().isSymLink() || !written.front().isFile() ||
        written.front().size() > maxBytes)
        return MemberExtraction::kFailed;
    if (::rename(QFile::encodeName(written.front().filePath()).constData(),
                 QFile::encodeName(targetFile).constData()) != 0)
        return MemberExtraction::kNotWritten;
    return MemberExtraction::kDone;
}

// For a plug-in that only hands members back in memory.
MemberExtraction ExtractThroughMemory(const SusiePlugin& plugin, const QByteArray& archive, quint32 position,
                                      qint64 size, const QString& targetFile, ProgressRelay& relay)
{
    void* handle = nullptr;
    const int result = plugin.getFile(archive.constData(), position, &handle, SPI_OUTPUT_MEMORY,
                                      &RelayProgress, reinterpret_cast<intptr_t>(&relay));
    const PluginMemory bytes(handle);
    if (result == SPI_ABORTED)
        return MemberExtraction::kAborted;
    // The plug-in's block must hold the bytes the member claims.
    if (result != SPI_SUCCESS || !handle || malloc_usable_size(handle) < static_cast<size_t>(size))
        return MemberExtraction::kFailed;
    QSaveFile out(targetFile);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly) || out.write(static_cast<const char*>(handle), size) != size ||
        !out.commit())
        return MemberExtraction::kNotWritten;
    return MemberExtraction::kDone;
}

} // namespace

QByteArray ArchiveHeader(const QString& path)
{
    QByteArray header(kHeaderBytes, '\0');
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        file.read(header.data(), kHeaderBytes);
    return header;
}

std::shared_ptr<const SusiePlugin> FindArchivePlugin(const QString& folder, const QString& path,
                                                     const QByteArray& header, ArchivePluginShelf& shelf)
{
    const QByteArray name = QFile::encodeName(path);
    QByteArray probe = header;
    probe.resize(std::max<qsizetype>(probe.size(), kHeaderBytes), '\0');
    for (const QString& file : SusiePluginFiles(folder)) {
        std::shared_ptr<const SusiePlugin> plugin = shelf.Load(file);
        if (plugin && plugin->isSupported(name.constData(), reinterpret_cast<intptr_t>(probe.constData())))
            return plugin;
    }
    return nullptr;
}

ArchiveListing ReadArchiveRecords(const SusiePlugin& plugin, const QString& archivePath, int maxMembers,
                                  const std::function<void(const ArchiveRecord&)>& each)
{
    if (!plugin.getArchiveInfo)
        return ArchiveListing::kNotListed;
    void* handle = nullptr;
    const QByteArray name = QFile::encodeName(archivePath);
    const int result = plugin.getArchiveInfo(name.constData(), 0, SPI_INPUT_FILE, &handle);
    const PluginMemory block(handle);
    if (!handle)
        return result == SPI_NO_MEMORY ? ArchiveListing::kTooMany : ArchiveListing::kNotListed;
    // The records are read only inside the block the plug-in allocated, even when it forgot the
    // record that ends them.
    const size_t available = malloc_usable_size(handle) / sizeof(SpiFileInfo);
    const auto* info = static_cast<const SpiFileInfo*>(handle);
    size_t records = 0;
    size_t named = 0;
    for (; records < available && info[records].method[0] != 0; ++records) {
        if (info[records].fileName[0] != 0 && ++named > static_cast<size_t>(std::max(maxMembers, 0)))
            return ArchiveListing::kTooMany;
    }
    for (size_t i = 0; i < records; ++i) {
        if (info[i].fileName[0] == 0)
            continue;
        each(ArchiveRecord{
            QByteArrayView(info[i].path, strnlen(info[i].path, sizeof info[i].path)),
            QByteArrayView(info[i].fileName, strnlen(info[i].fileName, sizeof info[i].fileName)),
            info[i].position, info[i].fileSize});
    }
    return ArchiveListing::kListed;
}

void AppendArchiveRecord(QByteArray* block, const ArchiveRecord& record)
{
    const auto pathBytes = static_cast<quint16>(std::min<qsizetype>(record.path.size(), kMostFieldBytes));
    const auto nameBytes = static_cast<quint16>(std::min<qsizetype>(record.fileName.size(), kMostFieldBytes));
    const char head[kRecordHead] = {
        char(record.size), char(record.size >> 8), char(record.size >> 16), char(record.size >> 24),
        char(pathBytes),   char(pathBytes >> 8),   char(nameBytes),         char(nameBytes >> 8),
    };
    block->append(head, kRecordHead);
    block->append(record.path.first(pathBytes));
    block->append(record.fileName.first(nameBytes));
}

bool ReadArchiveRecords(QByteArrayView block, int maxMembers,
                        const std::function<void(const ArchiveRecord&)>& each)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    qsizetype at = 0;
    int count = 0;
    while (at < block.size()) {
        if (block.size() - at < kRecordHead || ++count > maxMembers)
            return false;
        const quint32 size = quint32(bytes[at]) | quint32(bytes[at + 1]) << 8 | quint32(bytes[at + 2]) << 16 |
                             quint32(bytes[at + 3]) << 24;
        const qsizetype pathBytes = bytes[at + 4] | bytes[at + 5] << 8;
        const qsizetype nameBytes = bytes[at + 6] | bytes[at + 7] << 8;
        at += kRecordHead;
        if (pathBytes > kMostFieldBytes || nameBytes > kMostFieldBytes || nameBytes == 0 ||
            block.size() - at < pathBytes + nameBytes)
            return false;
        each(ArchiveRecord{block.sliced(at, pathBytes), block.sliced(at + pathBytes, nameBytes), 0, size});
        at += pathBytes + nameBytes;
    }
    return true;
}

ArchiveMember ArchiveMemberDecoder::Decode(const ArchiveRecord& record)
{
    if (record.path != QByteArrayView(lastPath)) {
        lastPath = record.path.toByteArray();
        lastPathText = DecodeAnsi(lastPath);
    }
    ArchiveMember member;
    member.path = lastPathText;
    member.fileName = DecodeAnsi(record.fileName);
    member.position = record.position;
    member.size = record.size;
    return member;
}

ArchiveListing ListArchiveMembers(const SusiePlugin& plugin, const QString& archivePath, int maxMembers,
                                  std::vector<ArchiveMember>* members)
{
    members->clear();
    ArchiveMemberDecoder decoder;
    return ReadArchiveRecords(plugin, archivePath, maxMembers, [&](const ArchiveRecord& record) {
        members->push_back(decoder.Decode(record));
    });
}

MemberExtraction ExtractArchiveMember(const SusiePlugin& plugin, const QString& archivePath,
                                      const QString& memberName, const QString& targetFile, qint64 maxBytes,
                                      const ArchiveProgress& progress)
{
    if (!plugin.getFileInfo || !plugin.getFile)
        return MemberExtraction::kFailed;
    const QByteArray archive = QFile::encodeName(archivePath);
    SpiFileInfo info{};
    if (plugin.getFileInfo(archive.constData(), 0, EncodeAnsi(memberName).constData(), SPI_INPUT_FILE,
                           &info) != SPI_SUCCESS)
        return MemberExtraction::kNotFound;
    const qint64 size = info.fileSize;
    if (size > maxBytes)
        return MemberExtraction::kTooLarge;
    const QString folder = QFileInfo(targetFile).absolutePath();
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < size + kSpareRoom)
        return MemberExtraction::kNoRoom;

    ProgressRelay relay{&progress, size};
    if (progress.report)
        progress.report(0, size);
    const QString work = MemberWorkFolder(targetFile);
    QDir(work).removeRecursively();
    if (!QDir().mkpath(work))
        return MemberExtraction::kNotWritten;
    const QByteArray workName = QFile::encodeName(work);
    const int result =
        plugin.getFile(archive.constData(), info.position, const_cast<char*>(workName.constData()),
                       SPI_OUTPUT_FILE, &RelayProgress, reinterpret_cast<intptr_t>(&relay));
    const MemberExtraction outcome =
        result == SPI_NOT_IMPLEMENTED
            ? ExtractThroughMemory(plugin, archive, info.position, size, targetFile, relay)
            : TakeWrittenMember(result, work, targetFile, maxBytes);
    QDir(work).removeRecursively();
    return outcome;
}

QString MemberWorkFolder(const QString& targetFile)
{
    return targetFile + QStringLiteral(".part");
}

} // namespace platform

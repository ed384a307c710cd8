#include "SusieArchive.h"

#include "platform/AnsiText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <malloc.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

constexpr qint64 kHeaderBytes = 2048;
// Room the cache keeps beside a member written into it.
constexpr qint64 kSpareRoom = 16 << 20;

struct FreeDeleter
{
    void operator()(void* block) const { std::free(block); }
};
using PluginMemory = std::unique_ptr<void, FreeDeleter>;

QString FieldText(const char* field, size_t size)
{
    return DecodeAnsi(QByteArray(field, static_cast<qsizetype>(strnlen(field, size))));
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

std::unique_ptr<SusiePlugin> FindArchivePlugin(const QString& folder, const QString& path,
                                               const QByteArray& header)
{
    const QByteArray name = QFile::encodeName(path);
    QByteArray probe = header;
    probe.resize(std::max<qsizetype>(probe.size(), kHeaderBytes), '\0');
    for (const QString& file : SusiePluginFiles(folder)) {
        auto plugin = std::make_unique<SusiePlugin>(file);
        if (!plugin->IsLoaded() || !plugin->IsArchivePlugin() || !plugin->isSupported)
            continue;
        if (plugin->isSupported(name.constData(), reinterpret_cast<intptr_t>(probe.constData())))
            return plugin;
    }
    return nullptr;
}

ArchiveListing ListArchiveMembers(const SusiePlugin& plugin, const QString& archivePath, int maxMembers,
                                  std::vector<ArchiveMember>* members)
{
    members->clear();
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
    const size_t records = malloc_usable_size(handle) / sizeof(SpiFileInfo);
    const auto* info = static_cast<const SpiFileInfo*>(handle);
    for (size_t i = 0; i < records && info[i].method[0] != 0; ++i) {
        if (members->size() >= static_cast<size_t>(maxMembers)) {
            members->clear();
            return ArchiveListing::kTooMany;
        }
        ArchiveMember member;
        member.path = FieldText(info[i].path, sizeof info[i].path);
        member.fileName = FieldText(info[i].fileName, sizeof info[i].fileName);
        member.position = info[i].position;
        member.size = info[i].fileSize;
        if (!member.fileName.isEmpty())
            members->push_back(std::move(member));
    }
    return ArchiveListing::kListed;
}

MemberExtraction ExtractArchiveMember(const SusiePlugin& plugin, const QString& archivePath,
                                      const QString& memberName, const QString& targetFile, qint64 maxBytes)
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

    void* handle = nullptr;
    const int result =
        plugin.getFile(archive.constData(), info.position, &handle, SPI_OUTPUT_MEMORY, nullptr, 0);
    const PluginMemory bytes(handle);
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

} // namespace platform

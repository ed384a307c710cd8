#include "FolderScan.h"

#include "platform/AnsiText.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

enum class EntryKind
{
    Skip,
    File,
    Folder
};

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// `upper` is upper-case ASCII.
bool EqualsUpper(const char* name, size_t length, std::string_view upper)
{
    if (length != upper.size())
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (AsciiUpper(name[i]) != upper[i])
            return false;
    }
    return true;
}

bool IsSkippedName(const char* name, size_t length)
{
    if (length <= 2 && name[0] == '.' && (length == 1 || name[1] == '.'))
        return true;
    if (length >= 4 && EqualsUpper(name + length - 4, 4, ".LNK"))
        return true;
    return EqualsUpper(name, length, "DESKTOP.INI") || EqualsUpper(name, length, "THUMBS.DB");
}

// d_type is trusted where the file system fills it in; links are followed.
EntryKind KindOf(int dirFd, const dirent* entry)
{
    switch (entry->d_type) {
    case DT_REG:
        return EntryKind::File;
    case DT_DIR:
        return EntryKind::Folder;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat info = {};
        if (fstatat(dirFd, entry->d_name, &info, 0) != 0)
            return EntryKind::Skip; // gone meanwhile, or a dangling link
        if (S_ISREG(info.st_mode))
            return EntryKind::File;
        return S_ISDIR(info.st_mode) ? EntryKind::Folder : EntryKind::Skip;
    }
    default:
        return EntryKind::Skip;
    }
}

bool IsAscii(const char* name, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(name[i]) >= 0x80)
            return false;
    }
    return true;
}

// Appends a file name given in bytes; false (and nothing appended) when it is not UTF-8.
bool AppendName(QString& text, const char* name, size_t length)
{
    const auto size = static_cast<qsizetype>(length);
    if (IsAscii(name, length)) {
        text.append(QLatin1StringView(name, size));
        return true;
    }
    if (!platform::IsValidUtf8(QByteArray::fromRawData(name, size)))
        return false;
    text.append(QString::fromUtf8(name, size));
    return true;
}

} // namespace

FolderScanner::FolderScanner(VolumeLabelFunc volumeLabel) : volumeLabel(std::move(volumeLabel)) {}

void FolderScanner::Scan(const QString& folder, QStringList* items, bool* found, int* current,
                         const QString& resumeTarget, bool videoCd)
{
    if (!items || !found || !current || folder.isEmpty() || folder.contains(QChar(0)))
        return;
    if (++scanDepth == 1) {
        scanRoot = folder;
        visited.clear();
    }
    QString prefix = folder;
    if (!prefix.endsWith(u'/'))
        prefix += u'/';
    std::string path = QFile::encodeName(prefix).toStdString();
    ScanLevel(path, prefix, Request{items, found, current, resumeTarget, videoCd});
    if (scanDepth-- == 1) {
        scanRoot.clear();
        visited.clear();
    }
}

void FolderScanner::ScanLevel(std::string& path, QString& prefix, const Request& request)
{
    std::string subFolders; // their names, each ended by a NUL
    {
        DirPtr dir(opendir(path.c_str()));
        if (!dir)
            return;
        const int fd = dirfd(dir.get());
        struct stat info = {};
        if (fstat(fd, &info) != 0 || !visited.emplace(info.st_dev, info.st_ino).second)
            return;
        while (const dirent* entry = readdir(dir.get())) {
            const char* name = entry->d_name;
            const size_t length = std::strlen(name);
            if (IsSkippedName(name, length))
                continue;
            switch (KindOf(fd, entry)) {
            case EntryKind::File:
                AddFile(prefix, name, length, request);
                break;
            case EntryKind::Folder:
                if (!EqualsUpper(name, length, "LICENSE BACKUP"))
                    subFolders.append(name, length + 1);
                break;
            case EntryKind::Skip:
                break;
            }
        }
    } // closed before descending, so the depth of the tree costs no descriptors

    const size_t pathSize = path.size();
    const qsizetype prefixSize = prefix.size();
    for (size_t at = 0; at < subFolders.size();) {
        const char* name = subFolders.data() + at;
        const size_t length = std::strlen(name);
        at += length + 1;
        if (!AppendName(prefix, name, length))
            continue;
        prefix += u'/';
        path.append(name, length);
        path += '/';
        ++scanDepth;
        ScanLevel(path, prefix, request);
        --scanDepth;
        path.resize(pathSize);
        prefix.truncate(prefixSize);
    }
}

void FolderScanner::AddFile(const QString& prefix, const char* name, size_t length, const Request& request)
{
    // Nearly every name is ASCII: one allocation, filled in place.
    QString full;
    if (IsAscii(name, length)) {
        full = QString(prefix.size() + static_cast<qsizetype>(length), Qt::Uninitialized);
        QChar* out = std::copy(prefix.cbegin(), prefix.cend(), full.data());
        for (size_t i = 0; i < length; ++i)
            out[i] = QChar(static_cast<char16_t>(name[i]));
    } else {
        full = prefix;
        if (!AppendName(full, name, length))
            return;
    }
    request.items->append(std::move(full));
    if (*request.found || request.items->constLast() != request.resumeTarget)
        return;
    const QString& item = request.items->constLast();
    if (!request.videoCd || (volumeLabel ? volumeLabel(item) : QString()) == identity) {
        *request.found = true;
        *request.current = static_cast<int>(request.items->size() - 1);
    }
}

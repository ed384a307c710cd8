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
#include <vector>

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

// Names compared with their ASCII letters upper-cased, then as they are (so that names differing
// only in case keep one order).
bool NameOrder(const std::string& a, const std::string& b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(AsciiUpper(a[i]));
        const auto y = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
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
    std::vector<std::string> files;
    std::vector<std::string> subFolders;
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
                files.emplace_back(name, length);
                break;
            case EntryKind::Folder:
                if (!EqualsUpper(name, length, "LICENSE BACKUP"))
                    subFolders.emplace_back(name, length);
                break;
            case EntryKind::Skip:
                break;
            }
        }
    } // closed before descending, so the depth of the tree costs no descriptors

    // In name order, as the file system the lists were made on returns them; ext4 returns its
    // hash order, in which track 2 may come before track 1.
    std::sort(files.begin(), files.end(), NameOrder);
    std::sort(subFolders.begin(), subFolders.end(), NameOrder);
    for (const std::string& name : files)
        AddFile(prefix, name.data(), name.size(), request);

    const size_t pathSize = path.size();
    const qsizetype prefixSize = prefix.size();
    for (const std::string& name : subFolders) {
        if (!AppendName(prefix, name.data(), name.size()))
            continue;
        prefix += u'/';
        path += name;
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

#pragma once
// The recursive folder scan that turns an ordinary folder tree into play items.
//
// Files of a folder come before the files of its sub-folders, depth first, each folder's entries
// in name order with ASCII letters compared without their case (the order NTFS gives). Skipped, compared without regard to
// ASCII case: ".", "..", "DESKTOP.INI", "THUMBS.DB" and any name ending in ".LNK"; a sub-folder
// named "LICENSE BACKUP" is not entered (a file of that name is listed). Only regular files
// and folders count: devices, pipes, sockets and dangling links are left out. Symbolic links
// are followed, but each real folder (device and inode) is entered once per scan, so link
// cycles end. Folders that cannot be read and entries that vanish meanwhile are skipped
// silently. Names that are not valid UTF-8 are left out: no QString could name them again.
//
// UI thread; the scanner is owned by the player controller.

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <functional>
#include <set>
#include <string>
#include <utility>

class FolderScanner
{
public:
    // The volume label of the drive a path lies on, empty when it cannot be read.
    using VolumeLabelFunc = std::function<QString(const QString& path)>;

    explicit FolderScanner(VolumeLabelFunc volumeLabel = {});

    // The identity of the disc played last (its volume label for a Video CD): a Video CD
    // resumes only when the label of the resume target's drive equals it.
    void SetIdentity(const QString& value) { identity = value; }

    // Appends the files below `folder` to `items`. The first item equal to `resumeTarget`
    // sets *found and *current (its index in `items`) unless *found is already set; on a
    // Video CD only when the label matches the identity. Neither is cleared here.
    void Scan(const QString& folder, QStringList* items, bool* found, int* current,
              const QString& resumeTarget, bool videoCd);

    // Nesting level of the scan in progress (0 outside a scan) and the folder it started at.
    int ScanDepth() const { return scanDepth; }
    const QString& ScanRoot() const { return scanRoot; }

private:
    struct Request
    {
        QStringList* items;
        bool* found;
        int* current;
        const QString& resumeTarget;
        bool videoCd;
    };

    // `path` and `prefix` both name the folder with a trailing "/": bytes for the system,
    // text for the items. Both are restored before returning.
    void ScanLevel(std::string& path, QString& prefix, const Request& request);
    void AddFile(const QString& prefix, const char* name, size_t length, const Request& request);

    VolumeLabelFunc volumeLabel;
    QString identity;
    int scanDepth = 0;
    QString scanRoot;
    std::set<std::pair<dev_t, ino_t>> visited; // folders entered by the scan in progress
};

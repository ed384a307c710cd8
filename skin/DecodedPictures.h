#pragma once
// Pictures as they were decoded (through the image plug-ins, or composed from a classic skin's
// archive), kept in a folder of the cache so the next start draws the background without
// decoding it again. An entry holds the packed bitmap, the identity of the file it came from
// (device, inode, size, modification and change times), what decoded it (the plug-in folder and
// the caller's own variant) and a checksum of its bytes: an entry that does not match the file as
// it is now, or whose bytes are damaged, is ignored and made again, never shown. An entry is
// written whole or not at all, a second after the picture was decoded, so that writing it never
// delays the window. UI thread.

#include "Dib.h"

#include <QString>

#include <functional>

class DecodedPictures
{
public:
    // Entries go to `folder`; empty (the default) keeps none.
    void SetFolder(const QString& value) { folder = value; }

    // Loads the picture `path` into `dib`: from its entry when one matches `path` as it is now
    // and `variant` (what else the decoding depended on), else through `decode`, whose result is
    // kept for the next time. False, with `dib` as it was, when neither gives a picture.
    bool Load(CDib& dib, const QString& path, const QString& variant,
              const std::function<bool(CDib&)>& decode);

    // The entry file that stands for `path` and `variant`.
    QString EntryFile(const QString& path, const QString& variant) const;

private:
    QString folder;
};

#pragma once
// StillPictures: the pictures the player shows: an item that is a picture, in the still window
// or on the main window, and the main window's background picture. A picture is an image file
// (through the image plug-ins when Qt cannot read it), a classic skin's folder of bitmaps or
// its .wsz archive (through the archive plug-ins).
//
// UI thread only; owned by the player controller, which lends the window (repainted when its
// picture changes) and the archive access.

#include "ArchiveSource.h"
#include "SourceContext.h"
#include "skin/DecodedPictures.h"
#include "skin/Dib.h"
#include "skin/DibWnd.h"

#include <QString>

class StillPictures
{
public:
    StillPictures(const SourceContext& context, ArchiveSource& archive);
    StillPictures(const StillPictures&) = delete;
    StillPictures& operator=(const StillPictures&) = delete;

    struct Options
    {
        QString pluginFolder;
        // A classic skin's main panel comes first.
        bool folderImage = false;
        // Pictures show in a window of their own rather than on the main window.
        bool stillWindow = true;
    };
    // Takes new options; the still window goes when pictures no longer show there.
    void SetOptions(const Options& value);
    // The folder where decoded backgrounds are kept for the next start (DecodedPictures.h).
    void SetDecodedFolder(const QString& folder) { decoded.SetFolder(folder); }

    // Shows the picture at `path`. False when it cannot be read: the still window goes, or
    // the main window shows its background again.
    bool Show(const QString& path);
    // The picture item ended: the still window goes and the background comes back.
    void EndPicture();
    // Makes `path` the background (empty: none). False when it cannot be read; the background
    // before it stays.
    bool SetBackground(const QString& path);
    const QString& BackgroundPath() const { return backgroundPath; }

    const CDib& Background() const { return image; }
    const CDibWnd& StillWindow() const { return stillWnd; }

private:
    bool Load(CDib& dib, const QString& path);
    void Repaint() const;

    const SourceContext& context;
    ArchiveSource& archive;
    Options options;
    QString backgroundPath;
    CDibWnd stillWnd;
    CDib image;
    DecodedPictures decoded;
};

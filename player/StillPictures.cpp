#include "StillPictures.h"

#include "skin/ClassicSkin.h"
#include "skin/ClassicSkinArchive.h"

#include <QFileInfo>
#include <QWidget>

StillPictures::StillPictures(const SourceContext& sourceContext, ArchiveSource& archiveSource)
    : context(sourceContext), archive(archiveSource)
{}

void StillPictures::SetOptions(const Options& value)
{
    options = value;
    image.SetPluginFolder(options.pluginFolder);
    stillWnd.Picture().SetPluginFolder(options.pluginFolder);
    if (!options.stillWindow)
        stillWnd.Destroy();
}

bool StillPictures::Load(CDib& dib, const QString& path)
{
    // A folder holds a classic skin's bitmaps.
    if (QFileInfo(path).isDir())
        return ComposeClassicSkin(dib, path, options.folderImage);
    // A .wsz file is such a skin in a zip.
    if (IsClassicSkinArchive(path))
        return ComposeClassicSkinArchive(dib, path, archive.Access(), options.pluginFolder,
                                         options.folderImage);
    return dib.Load(path);
}

void StillPictures::Repaint() const
{
    if (auto* window = context.Window())
        window->update();
}

bool StillPictures::Show(const QString& path)
{
    if (options.stillWindow) {
        if (Load(stillWnd.Picture(), path)) {
            stillWnd.Show();
            return true;
        }
        stillWnd.Destroy();
        return false;
    }
    if (Load(image, path)) {
        Repaint();
        return true;
    }
    if (!backgroundPath.isEmpty())
        Load(image, backgroundPath);
    else
        image.Clear();
    Repaint();
    return false;
}

void StillPictures::EndPicture()
{
    stillWnd.Destroy();
    if (!backgroundPath.isEmpty() && Load(image, backgroundPath))
        Repaint();
}

bool StillPictures::SetBackground(const QString& path)
{
    if (path.isEmpty()) {
        image.Clear();
        backgroundPath.clear();
        return true;
    }
    // A picture the plug-ins decode, or a classic skin's archive, is kept decoded for the next
    // start (a skin folder is no file, and is never kept); a bitmap file is read as fast as its
    // entry would be.
    const bool keep = QFileInfo(path).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) != 0;
    const QString variant =
        options.pluginFolder + (options.folderImage ? QStringLiteral("|main") : QString());
    const bool loaded = keep ? decoded.Load(image, path, variant, [&](CDib& dib) { return Load(dib, path); })
                             : Load(image, path);
    if (loaded)
        backgroundPath = path;
    else if (!backgroundPath.isEmpty())
        Load(image, backgroundPath);
    Repaint();
    return loaded;
}

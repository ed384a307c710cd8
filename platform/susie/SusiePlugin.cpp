#include "SusiePlugin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <dirent.h>

namespace platform {

SusiePlugin::SusiePlugin(const QString& path) : library(std::make_unique<QLibrary>(path))
{
    // Look the file up as given: QLibrary would otherwise try "lib" prefixes and ".so" names.
    library->setFileName(path);
    loaded = library->load();
    if (!loaded)
        return;
    getPluginInfo = reinterpret_cast<SpiGetPluginInfo>(library->resolve("GetPluginInfo"));
    isSupported = reinterpret_cast<SpiIsSupported>(library->resolve("IsSupported"));
    getPicture = reinterpret_cast<SpiGetPicture>(library->resolve("GetPicture"));
    getArchiveInfo = reinterpret_cast<SpiGetArchiveInfo>(library->resolve("GetArchiveInfo"));
    getFileInfo = reinterpret_cast<SpiGetFileInfo>(library->resolve("GetFileInfo"));
    getFile = reinterpret_cast<SpiGetFile>(library->resolve("GetFile"));
}

SusiePlugin::~SusiePlugin()
{
    if (loaded)
        library->unload();
}

QString SusiePlugin::Version() const
{
    if (!getPluginInfo)
        return QString();
    char buffer[5] = {};
    const int written = getPluginInfo(0, buffer, 5);
    if (written <= 0)
        return QString();
    buffer[4] = '\0';
    return QString::fromLatin1(buffer);
}

QStringList SusiePluginFiles(const QString& folder)
{
    // The folder's own order, as the file system lists it, not sorted.
    QStringList files;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return files;
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!name.endsWith(QLatin1String(".spi"), Qt::CaseInsensitive))
            continue;
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile())
            files << path;
    }
    ::closedir(dir);
    return files;
}

} // namespace platform

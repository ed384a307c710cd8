#include "SusiePlugin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <dlfcn.h>

namespace platform {

SusiePlugin::SusiePlugin(const QString& path) : filePath(path)
{
    // Always a path with a folder, so that the loader opens this file and searches nowhere else.
    const QByteArray file = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    handle = ::dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return;
    getPluginInfo = reinterpret_cast<SpiGetPluginInfo>(::dlsym(handle, "GetPluginInfo"));
    isSupported = reinterpret_cast<SpiIsSupported>(::dlsym(handle, "IsSupported"));
    getPicture = reinterpret_cast<SpiGetPicture>(::dlsym(handle, "GetPicture"));
    getArchiveInfo = reinterpret_cast<SpiGetArchiveInfo>(::dlsym(handle, "GetArchiveInfo"));
    getFileInfo = reinterpret_cast<SpiGetFileInfo>(::dlsym(handle, "GetFileInfo"));
    getFile = reinterpret_cast<SpiGetFile>(::dlsym(handle, "GetFile"));
}

SusiePlugin::~SusiePlugin()
{
    if (handle)
        ::dlclose(handle);
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

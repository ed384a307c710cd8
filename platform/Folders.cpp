#include "Folders.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace platform {

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath() + u'/';
}

QString UserDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/VimoPlayer/");
}

QString CacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/VimoPlayer");
}

QString DecodedPicturesFolder()
{
    return CacheFolder() + QStringLiteral("-decoded");
}

QString MusicFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
}

} // namespace platform

#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QByteArray kUnset("\0", 1);
}

TempHome::TempHome()
{
    const std::map<QByteArray, QString> variables{
        {"HOME", Path()},
        {"XDG_CONFIG_HOME", ConfigHome()},
        {"XDG_DATA_HOME", DataHome()},
        {"XDG_CACHE_HOME", CacheHome()},
        {"XDG_RUNTIME_DIR", RuntimeDir()},
    };
    QDir().mkpath(RuntimeDir());
    QFile::setPermissions(RuntimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const auto& [name, value] : variables) {
        saved[name] = qEnvironmentVariableIsSet(name.constData()) ? qgetenv(name.constData()) : kUnset;
        qputenv(name.constData(), value.toUtf8());
    }
}

TempHome::~TempHome()
{
    for (const auto& [name, value] : saved) {
        if (value == kUnset)
            qunsetenv(name.constData());
        else
            qputenv(name.constData(), value);
    }
}

QString TempHome::WriteFile(const QString& relativePath, const QByteArray& bytes) const
{
    const QString path = dir.path() + u'/' + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

#include "Launch.h"

#include "ProgramEnding.h"
#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace platform {

bool IsProgramFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isExecutable())
        return false;
    QFile file;
    if (!OpenRegularFile(file, path))
        return false;
    const QByteArray head = file.read(4);
    return head == "\x7F"
                   "ELF" ||
           head.startsWith("#!");
}

bool Launch(const QString& target, const QStringList& arguments)
{
    if (target.isEmpty() || ProgramEnding())
        return false;
    if (IsProgramFile(target)) {
        const QFileInfo info(target);
        return QProcess::startDetached(info.absoluteFilePath(), arguments, info.absolutePath());
    }
    return QProcess::startDetached(QStringLiteral("xdg-open"), {target});
}

} // namespace platform

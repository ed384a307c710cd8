#include "CommandLine.h"

#include "platform/PathSplit.h"

#include <QDir>
#include <QUrl>

QString JoinCommandLine(const QStringList& arguments)
{
    return arguments.join(u' ');
}

CommandLineAction ClassifyCommandLine(const QString& commandLine)
{
    if (commandLine == u"/S")
        return CommandLineAction::RegisterHandlers;
    if (commandLine == u"/R")
        return CommandLineAction::UnregisterHandlers;
    if (commandLine == u"S")
        return CommandLineAction::ExitAtOnce;
    return CommandLineAction::Run;
}

QString PathFromCommandLine(const QString& commandLine)
{
    QString path = platform::WithoutQuotes(commandLine);
    // The desktop hands discs over as addresses.
    if (path.startsWith(QLatin1String("file://"))) {
        const QUrl url(path);
        if (url.isValid() && url.isLocalFile())
            path = url.toLocalFile();
    } else if (path.startsWith(QLatin1String("cdda://"))) {
        const QString device = path.mid(7).section(u'/', 0, 0);
        if (!device.isEmpty())
            path = QStringLiteral("/dev/") + device;
    }
    if (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

QString AbsoluteFromStartFolder(const QString& path, const QString& startFolder)
{
    if (path.isEmpty() || path.startsWith(u'/') || startFolder.isEmpty())
        return path;
    // A scheme is letters (and digits, "+", "-", ".") before a colon that comes before any "/".
    const qsizetype colon = path.indexOf(u':');
    const qsizetype slash = path.indexOf(u'/');
    if (colon > 1 && (slash < 0 || colon < slash) && path.front().isLetter())
        return path;
    return QDir::cleanPath(startFolder + u'/' + path);
}

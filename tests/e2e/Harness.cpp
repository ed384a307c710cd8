#include "Harness.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <random>

namespace e2e {

namespace {

QProcessEnvironment EnvironmentFor(const QString& display)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // No desktop session: the tray is the X notification area of the virtual display.
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.remove(QStringLiteral("SESSION_MANAGER"));
    return environment;
}

} // namespace

QString RunTool(const QString& program, const QStringList& arguments, const QString& display, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(EnvironmentFor(display));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
    }
    return QString::fromUtf8(process.readAll());
}

namespace {

// The window owning the display's notification area ("0" for none); empty when the display
// cannot be reached.
QString TrayOwner(const QString& display)
{
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(X11PROBE_EXECUTABLE), {QStringLiteral("tray-owner")});
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        return {};
    return QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
}

} // namespace

VirtualDisplay::VirtualDisplay(bool withTray)
{
    // -noreset: by default the server resets when its last client leaves, and refuses
    // connections meanwhile. Numbers are picked here rather than by Xvfb: a server left running elsewhere can
    // hold a number without its lock file, and clients would reach that server instead of ours.
    std::mt19937 random(static_cast<unsigned>(QCoreApplication::applicationPid()) ^ std::random_device{}());
    for (int attempt = 0; attempt < 20 && name.isEmpty(); ++attempt) {
        const int number = 100 + static_cast<int>(random() % 800);
        const QString candidate = QStringLiteral(":%1").arg(number);
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)) || !TrayOwner(candidate).isEmpty())
            continue;
        server = std::make_unique<QProcess>();
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->setStandardOutputFile(QProcess::nullDevice());
        server->start(QStringLiteral("Xvfb"), {candidate, QStringLiteral("-screen"), QStringLiteral("0"),
                                               QStringLiteral("1024x768x24"), QStringLiteral("-noreset"),
                                               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        // A server that lost the number to another one ends at once.
        if (server->waitForStarted(10000) && WaitUntil([&] {
                return server->state() != QProcess::Running || !TrayOwner(candidate).isEmpty();
            }) &&
            server->state() == QProcess::Running)
            name = candidate;
        else
            Stop();
    }
    if (name.isEmpty() || !withTray)
        return;
    tray = std::make_unique<QProcess>();
    tray->setProcessEnvironment(EnvironmentFor(name));
    tray->start(QStringLiteral("trayer"),
                {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                 QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request")});
    // Programs started from now on find the notification area.
    if (!WaitUntil([&] {
            const QString owner = TrayOwner(name);
            return !owner.isEmpty() && owner != u"0";
        }))
        name.clear();
}

VirtualDisplay::~VirtualDisplay()
{
    Stop();
}

void VirtualDisplay::Stop()
{
    for (QProcess* process : {tray.get(), server.get()}) {
        if (process && process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(2000);
        }
    }
}

std::vector<Window> ProgramWindows(const QString& display)
{
    std::vector<Window> windows;
    const QString ids =
        RunTool(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("^sorlin$")}, display);
    for (const QString& line : ids.split(u'\n', Qt::SkipEmptyParts)) {
        const QString id = line.trimmed();
        if (id.isEmpty() || !id.front().isDigit())
            continue;
        if (!RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, display)
                 .contains(QLatin1String("IsViewable")))
            continue;
        const QString tree = RunTool(QStringLiteral("xwininfo"),
                                     {QStringLiteral("-id"), id, QStringLiteral("-children")}, display);
        Window window;
        window.id = id;
        window.title = RunTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id}, display);
        if (window.title.endsWith(u'\n'))
            window.title.chop(1); // titles may end in a blank
        // Without a window manager only tray icons are reparented, into the notification area.
        const QString parent = tree.section(QStringLiteral("Parent window id:"), 1).section(u'\n', 0, 0);
        window.inTray = !parent.contains(QLatin1String("(the root window)"));
        windows.push_back(window);
    }
    return windows;
}

std::vector<Window> MainWindows(const QString& display)
{
    std::vector<Window> main;
    for (const Window& window : ProgramWindows(display)) {
        if (!window.inTray && window.title.startsWith(QStringLiteral("Vimoﾌﾟﾚｰﾔ - ")))
            main.push_back(window);
    }
    return main;
}

int TrayIconCount(const QString& display)
{
    int count = 0;
    for (const Window& window : ProgramWindows(display))
        count += window.inTray ? 1 : 0;
    return count;
}

QRect WindowGeometry(const QString& display, const QString& id)
{
    const QString info = RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, display);
    const auto number = [&](const char* label) {
        const QRegularExpression pattern(QString::fromLatin1(label) + QStringLiteral(":\\s+(-?\\d+)"));
        return pattern.match(info).captured(1).toInt();
    };
    return QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
                 number("Height"));
}

void ClickWindow(const QString& display, const QString& id, int x, int y, int button)
{
    RunTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QStringLiteral("--window"), id, QString::number(x),
             QString::number(y), QStringLiteral("click"), QString::number(button)},
            display);
}

void DragInWindow(const QString& display, const QString& id, int x0, int y0, int x1, int y1)
{
    const auto at = [&id](int x, int y) {
        return QStringList{QStringLiteral("mousemove"), QStringLiteral("--window"), id,
                           QString::number(x),          QString::number(y),         QStringLiteral("sleep"),
                           QStringLiteral("0.2")};
    };
    RunTool(QStringLiteral("xdotool"),
            at(x0, y0) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1")} +
                at(x0, (y0 + y1) / 2) + at(x1, y1) +
                QStringList{QStringLiteral("mouseup"), QStringLiteral("1")},
            display);
}

void TypeKeys(const QString& display, const QStringList& keys)
{
    RunTool(QStringLiteral("xdotool"),
            QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100")} + keys,
            display);
}

void TypeText(const QString& display, const QString& text)
{
    RunTool(QStringLiteral("xdotool"),
            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}, display);
}

bool ShapeHas(const QString& display, const QString& id, int x, int y)
{
    return RunTool(QStringLiteral(X11PROBE_EXECUTABLE),
                   {QStringLiteral("shape-has"), id, QString::number(x), QString::number(y)}, display)
               .trimmed() == u"1";
}

void RequestClose(const QString& display, const QString& id)
{
    RunTool(QStringLiteral(X11PROBE_EXECUTABLE), {QStringLiteral("close"), id}, display);
}

ProgramRun::ProgramRun(const VirtualDisplay& on, const QStringList& arguments,
                       const QStringList& extraEnvironment, const QString& workingFolder)
    : display(on)
{
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    QProcessEnvironment environment = EnvironmentFor(display.Name());
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("sorlin.*.debug=true"));
    for (const QString& assignment : extraEnvironment)
        environment.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(SORLIN_EXECUTABLE), arguments);
    process.waitForStarted(10000);
}

ProgramRun::~ProgramRun()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool ProgramRun::WaitForExit(int timeoutMs)
{
    return WaitUntil([this] { return process.state() == QProcess::NotRunning; }, timeoutMs);
}

void ProgramRun::Signal(int signalNumber)
{
    if (process.processId() > 0)
        ::kill(static_cast<pid_t>(process.processId()), signalNumber);
}

QString ProgramRun::Output()
{
    output += QString::fromUtf8(process.readAll());
    return output;
}

QString ProgramRun::WaitForMainWindow(const QString& title, int timeoutMs)
{
    QString found;
    WaitUntil(
        [&] {
            for (const Window& window : MainWindows(display.Name())) {
                if (window.title == title) {
                    found = window.id;
                    return true;
                }
            }
            return process.state() == QProcess::NotRunning;
        },
        timeoutMs);
    return found;
}

QRegularExpressionMatch ProgramRun::WaitForLine(const QRegularExpression& pattern, qsizetype* from,
                                                int timeoutMs)
{
    QRegularExpressionMatch found;
    WaitUntil(
        [&] {
            const QString text = Output();
            for (qsizetype start = *from; start < text.size();) {
                const qsizetype end = text.indexOf(u'\n', start);
                if (end < 0)
                    break; // a line still being written
                const QRegularExpressionMatch match = pattern.match(text.mid(start, end - start));
                start = end + 1;
                if (match.hasMatch()) {
                    *from = start;
                    found = match;
                    return true;
                }
            }
            return process.state() == QProcess::NotRunning;
        },
        timeoutMs);
    return found;
}

qint64 ProgramRun::ChildPid(const QString& name) const
{
    const QString parent = QString::number(process.processId());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (command) state ppid ...: the command may hold blanks, so it is read up to its ')'.
        const QString line = QString::fromLocal8Bit(stat.readAll());
        const qsizetype open = line.indexOf(u'(');
        const qsizetype close = line.lastIndexOf(u')');
        if (open < 0 || close < open)
            continue;
        const QStringList rest = line.mid(close + 2).split(u' ');
        if (line.mid(open + 1, close - open - 1) == name.left(15) && rest.size() > 1 && rest[1] == parent)
            return entry.toLongLong();
    }
    return 0;
}

QRegularExpression Playing(const QString& title)
{
    return QRegularExpression(
        QStringLiteral("sorlin\\.display: .*\\b%1 \\| (\\d\\d:\\d\\d:\\d\\d)$").arg(title));
}

bool KeepsTicking(ProgramRun& run, const QRegularExpression& pattern, qsizetype* from)
{
    const QString first = run.WaitForLine(pattern, from).captured(1);
    const QString second = run.WaitForLine(pattern, from).captured(1);
    return !first.isEmpty() && !second.isEmpty() && first != second;
}

bool Terminate(ProgramRun& run)
{
    run.Signal(SIGTERM);
    return run.WaitForExit() && run.ExitedNormally() && run.ExitCode() == 0;
}

} // namespace e2e

#include "Harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

#include <csignal>

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

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(50);
    }
    return true;
}

VirtualDisplay::VirtualDisplay(bool withTray) : server(std::make_unique<QProcess>())
{
    server->setProcessChannelMode(QProcess::SeparateChannels);
    server->start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
    if (!server->waitForStarted(10000))
        return;
    QByteArray number;
    WaitUntil([&] {
        number += server->readAllStandardOutput();
        return number.contains('\n') || server->state() != QProcess::Running;
    });
    if (!number.contains('\n'))
        return;
    name = u':' + QString::fromLatin1(number.trimmed());
    if (!withTray)
        return;
    tray = std::make_unique<QProcess>();
    tray->setProcessEnvironment(EnvironmentFor(name));
    tray->start(QStringLiteral("trayer"),
                {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                 QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request")});
    // The tray is ready once its panel is on screen; it owns the tray selection by then.
    WaitUntil([&] {
        return RunTool(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^panel$")}, name)
            .contains(QRegularExpression(QStringLiteral("\\d")));
    });
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

void TypeKeys(const QString& display, const QStringList& keys)
{
    RunTool(QStringLiteral("xdotool"),
            QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100")} + keys,
            display);
}

void RequestClose(const QString& display, const QString& id)
{
    RunTool(QStringLiteral(XCLOSE_EXECUTABLE), {id}, display);
}

ProgramRun::ProgramRun(const VirtualDisplay& on, const QStringList& arguments,
                       const QStringList& extraEnvironment)
    : display(on)
{
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

} // namespace e2e

#pragma once
// End-to-end harness: a virtual X display (with a notification area), the real program
// started in it with a temporary home, and the X tools to find, click, type into and close
// its windows. Every wait is bounded.

#include "support/Wait.h"

#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TempHome;

namespace e2e {

// Runs `program` with `arguments` to its end (at most `timeoutMs`) and returns its output.
QString RunTool(const QString& program, const QStringList& arguments, const QString& display,
                int timeoutMs = 10000);

using testsupport::WaitUntil;

class VirtualDisplay
{
public:
    // Starts Xvfb; `withTray` also starts a notification area (trayer) on it.
    explicit VirtualDisplay(bool withTray = true);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool IsRunning() const { return !name.isEmpty(); }
    // Ends the display server, as when the desktop session ends.
    void Stop();
    const QString& Name() const { return name; }

private:
    std::unique_ptr<QProcess> server;
    std::unique_ptr<QProcess> tray;
    QString name;
};

struct Window
{
    QString id;
    QString title;
    bool inTray = false; // embedded in the notification area
};

// The program's windows on `display`: top-level windows and tray icons.
std::vector<Window> ProgramWindows(const QString& display);
std::vector<Window> MainWindows(const QString& display);
int TrayIconCount(const QString& display);
QRect WindowGeometry(const QString& display, const QString& id);
// Whether the window's shape holds its point (x, y).
bool ShapeHas(const QString& display, const QString& id, int x, int y);

void ClickWindow(const QString& display, const QString& id, int x, int y, int button);
// Presses the left button at (x0, y0) of the window, moves to (x1, y1) and lets go there.
void DragInWindow(const QString& display, const QString& id, int x0, int y0, int x1, int y1);
void TypeKeys(const QString& display, const QStringList& keys);
// Types `text` character by character into the focused window.
void TypeText(const QString& display, const QString& text);
// Asks the window to close, as a window manager's close button would.
void RequestClose(const QString& display, const QString& id);

// One run of the program.
class ProgramRun
{
public:
    // Started in `workingFolder` when one is given, else in the test's own.
    ProgramRun(const VirtualDisplay& display, const QStringList& arguments,
               const QStringList& extraEnvironment = {}, const QString& workingFolder = {});
    ~ProgramRun();

    bool WaitForExit(int timeoutMs = 20000);
    int ExitCode() const { return process.exitCode(); }
    bool ExitedNormally() const { return process.exitStatus() == QProcess::NormalExit; }
    void Signal(int signalNumber);
    // What the program printed so far (standard output and error).
    QString Output();
    // Waits for a main window titled `title` of this display.
    QString WaitForMainWindow(const QString& title, int timeoutMs = 20000);
    // Waits until the output from `*from` on holds a line matching `pattern`; moves `*from`
    // past that line and gives its match, empty when none came in time or the program ended.
    QRegularExpressionMatch WaitForLine(const QRegularExpression& pattern, qsizetype* from,
                                        int timeoutMs = 20000);
    qint64 Pid() const { return process.processId(); }
    // The process id of the program's child named `name`, 0 when it has none.
    qint64 ChildPid(const QString& name) const;

private:
    const VirtualDisplay& display;
    QProcess process;
    QString output;
};

// What the display shows while an item plays: its title and the time.
QRegularExpression Playing(const QString& title);
// Waits for two display lines in a row that both match `pattern` and show different times.
bool KeepsTicking(ProgramRun& run, const QRegularExpression& pattern, qsizetype* from);
// Ends the program as the desktop session would; true when it ended normally.
bool Terminate(ProgramRun& run);

} // namespace e2e

// Start-up, memory and idle-CPU benchmark: Sorlin against the smallest Qt Widgets window (and,
// for reference, the same window showing the clock's date and time in its Japanese face).
//   bench_startup [--sorlin PATH] [--minimal PATH] [--runs N] [--idle-seconds S] [--session-bus]
//                 [--later-starts]
// Needs an X display in DISPLAY. Every start gets a fresh empty home (and a runtime folder in
// memory, as on a desktop, when /dev/shm is there), so each Sorlin run is a first start with the
// default settings; with --later-starts each measured start follows a first one in the same home.
// Measured per program, runs interleaved:
//   first paint   CLOCK_MONOTONIC just before the start to the "first-paint <µs>" line the
//                 program prints (SORLIN_REPORT_FIRST_PAINT=1)
//   memory        VmRSS (/proc/<pid>/status) and Pss (/proc/<pid>/smaps_rollup) 2 s after it,
//                 and the RSS of the whole process tree (the program and every process it started)
//   idle CPU      utime+stime (/proc/<pid>/stat) of the process tree over an idle period, Sorlin
//                 against the minimal window running as a clock
// Exits 0 when everything could be measured, whether or not the goals are met.

#include "BenchSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

using bench::DescribeStatus;
using bench::Median;
using bench::NowUs;
using bench::Verdict;

std::optional<double> MilliSeconds(std::optional<double> seconds)
{
    return seconds ? std::optional<double>(*seconds * 1000.0) : std::nullopt;
}

constexpr int64_t kPaintTimeoutUs = 20'000'000;
constexpr int64_t kMemoryDelayUs = 2'000'000;
constexpr int64_t kExitTimeoutUs = 10'000'000;
constexpr int64_t kIdleSettleUs = 3'000'000;
constexpr double kPaintRatioGoal = 1.10;
constexpr double kRssGoalMiB = 35.0;
// The whole process tree against the minimal window.
constexpr double kTreeRssRatioGoal = 1.05;
// CPU times come in clock ticks (10 ms); allow a couple of them either way.
constexpr double kIdleToleranceMs = 20.0;
constexpr size_t kKeptOutputBytes = 4096;
constexpr decltype(statfs::f_type) kTmpfsMagic = 0x01021994;
// When other programs use more of the machine than this, they compete with the measured ones for
// the CPU and the disk, and the timings say more about them than about the programs.
constexpr double kBusyPercent = 5.0;

struct Program
{
    std::string name;
    std::string path;
    std::vector<std::string> arguments;
    // The reference program has no handler for SIGTERM and simply dies of it.
    bool diesOfSigterm = false;
};

// A started program: its process, its stderr and the home it runs in.
struct Child
{
    const Program* program = nullptr;
    pid_t pid = -1;
    int errorFd = -1;
    int64_t startUs = 0;
    std::optional<int64_t> paintUs;
    // The "startup-step <name> <µs>" lines, the first of each name, in their order.
    std::vector<std::pair<std::string, int64_t>> steps;
    std::string output;  // the last few KiB of stderr
    std::string pending; // stderr not yet split into lines
    bool outputClosed = false;
    bool reaped = false;
    int status = 0;
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<QTemporaryDir> runtime;

    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    ~Child()
    {
        if (pid > 0 && !reaped) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (errorFd >= 0)
            ::close(errorFd);
    }

    std::string Tail() const
    {
        std::string tail = output.size() > 600 ? output.substr(output.size() - 600) : output;
        while (!tail.empty() && tail.back() == '\n')
            tail.pop_back();
        return tail;
    }
};

bool IsInMemory(const QString& folder)
{
    struct statfs fileSystem = {};
    return ::statfs(QFile::encodeName(folder).constData(), &fileSystem) == 0 &&
           fileSystem.f_type == kTmpfsMagic;
}

// Where the runtime folders go: in memory, as a desktop's XDG_RUNTIME_DIR (/run/user/<uid>) is,
// when /dev/shm is there; else beside the homes. The program makes its single-instance socket
// there before its first paint, and a folder removed on a disk's file system can take
// milliseconds that no desktop would charge it.
QString RuntimeParent()
{
    static const QString parent =
        IsInMemory(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return parent;
}

// Whether the programs are started on the caller's session bus (--session-bus), as on a desktop.
bool onSessionBus = false;
// Each measured start comes after a first one in the same home (--later-starts).
bool laterStarts = false;

// The environment of a started program: ours, with a fresh home and no desktop session (the
// session bus only with --session-bus).
std::vector<std::string> ChildEnvironment(const QString& home, const QString& runtime)
{
    static const char* const kReplaced[] = {
        "HOME",
        "XDG_CONFIG_HOME",
        "XDG_DATA_HOME",
        "XDG_CACHE_HOME",
        "XDG_RUNTIME_DIR",
        "DBUS_SESSION_BUS_ADDRESS",
        "SESSION_MANAGER",
        "QT_QPA_PLATFORM",
    };
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string assignment = *entry;
        const std::string name = assignment.substr(0, assignment.find('='));
        // SORLIN_SCREENSHOT and the like would change what the program does.
        if (name.rfind("SORLIN_", 0) == 0)
            continue;
        if (onSessionBus && name == "DBUS_SESSION_BUS_ADDRESS") {
            environment.push_back(assignment);
            continue;
        }
        if (std::find_if(std::begin(kReplaced), std::end(kReplaced),
                         [&](const char* replaced) { return name == replaced; }) != std::end(kReplaced))
            continue;
        environment.push_back(assignment);
    }
    const std::string root = home.toStdString();
    environment.push_back("HOME=" + root);
    environment.push_back("XDG_CONFIG_HOME=" + root + "/.config");
    environment.push_back("XDG_DATA_HOME=" + root + "/.local/share");
    environment.push_back("XDG_CACHE_HOME=" + root + "/.cache");
    environment.push_back("XDG_RUNTIME_DIR=" + runtime.toStdString());
    environment.push_back("QT_QPA_PLATFORM=xcb");
    environment.push_back("SORLIN_REPORT_FIRST_PAINT=1");
    environment.push_back("SORLIN_REPORT_STARTUP=1");
    return environment;
}

// Starts `program` in a fresh home with stderr on a pipe. Returns an error text or "".
std::string Start(const Program& program, Child& child, std::unique_ptr<QTemporaryDir> reusedHome = nullptr)
{
    child.program = &program;
    child.home =
        reusedHome
            ? std::move(reusedHome)
            : std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/sorlin-bench-XXXXXX"));
    if (!child.home->isValid())
        return "cannot make a temporary home: " + child.home->errorString().toStdString();
    const QString home = child.home->path();
    for (const char* folder : {"/.config", "/.local/share", "/.cache"}) {
        if (!QDir().mkpath(home + QString::fromLatin1(folder)))
            return "cannot make " + (home + QString::fromLatin1(folder)).toStdString();
    }
    // QTemporaryDir makes it 0700, as a runtime folder must be.
    child.runtime =
        std::make_unique<QTemporaryDir>(RuntimeParent() + QStringLiteral("/sorlin-bench-run-XXXXXX"));
    if (!child.runtime->isValid())
        return "cannot make a runtime folder: " + child.runtime->errorString().toStdString();

    const std::vector<std::string> environment = ChildEnvironment(home, child.runtime->path());
    std::vector<char*> envp;
    for (const std::string& assignment : environment)
        envp.push_back(const_cast<char*>(assignment.c_str()));
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(program.path.c_str())};
    for (const std::string& argument : program.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::string("pipe: ") + std::strerror(errno);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);

    child.startUs = NowUs();
    const int error =
        posix_spawn(&child.pid, program.path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (error != 0) {
        child.pid = -1;
        ::close(fds[0]);
        return "cannot start " + program.path + ": " + std::strerror(error);
    }
    child.errorFd = fds[0];
    ::fcntl(child.errorFd, F_SETFL, O_NONBLOCK);
    return "";
}

// Takes what the program wrote to stderr; notes the first "first-paint <µs>" line.
void ReadOutput(Child& child)
{
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(child.errorFd, buffer, sizeof buffer);
        if (count > 0) {
            child.output.append(buffer, static_cast<size_t>(count));
            if (child.output.size() > 2 * kKeptOutputBytes)
                child.output.erase(0, child.output.size() - kKeptOutputBytes);
            child.pending.append(buffer, static_cast<size_t>(count));
            size_t end;
            while ((end = child.pending.find('\n')) != std::string::npos) {
                const std::string line = child.pending.substr(0, end);
                child.pending.erase(0, end + 1);
                long long us = 0;
                char name[64] = {};
                if (!child.paintUs && std::sscanf(line.c_str(), "first-paint %lld", &us) == 1)
                    child.paintUs = us;
                else if (std::sscanf(line.c_str(), "startup-step %63s %lld", name, &us) == 2 &&
                         std::none_of(child.steps.begin(), child.steps.end(),
                                      [&](const auto& step) { return step.first == name; }))
                    child.steps.emplace_back(name, us);
            }
            continue;
        }
        if (count == 0)
            child.outputClosed = true;
        else if (errno == EINTR)
            continue;
        return;
    }
}

// Waits until `untilUs`, reading the children's stderr so they never block on it; returns
// early once `done` holds.
template <typename Done> void Pause(const std::vector<Child*>& children, int64_t untilUs, Done done)
{
    for (;;) {
        if (done())
            return;
        const int64_t left = untilUs - NowUs();
        if (left <= 0)
            return;
        std::vector<pollfd> fds;
        std::vector<Child*> watched;
        for (Child* child : children) {
            if (child->errorFd >= 0 && !child->outputClosed) {
                fds.push_back({child->errorFd, POLLIN, 0});
                watched.push_back(child);
            }
        }
        // Once every stderr is closed, a short nap keeps waitpid() polling cheap.
        const int timeoutMs =
            static_cast<int>(std::min<int64_t>((left + 999) / 1000, fds.empty() ? 20 : 1000));
        const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
        if (ready < 0 && errno != EINTR)
            return;
        for (size_t i = 0; i < fds.size() && ready > 0; ++i) {
            if (fds[i].revents != 0)
                ReadOutput(*watched[i]);
        }
    }
}

void Pause(const std::vector<Child*>& children, int64_t untilUs)
{
    Pause(children, untilUs, [] { return false; });
}

bool Reap(Child& child)
{
    if (child.reaped)
        return true;
    const pid_t result = ::waitpid(child.pid, &child.status, WNOHANG);
    if (result == child.pid)
        child.reaped = true;
    return child.reaped;
}

// Waits for the first paint; "" when it came, otherwise why not.
std::string WaitForFirstPaint(Child& child)
{
    Pause({&child}, child.startUs + kPaintTimeoutUs, [&] { return child.paintUs || child.outputClosed; });
    if (child.paintUs)
        return "";
    if (child.outputClosed) {
        // Give the exit a moment to become visible to waitpid().
        Pause({&child}, NowUs() + 1'000'000, [&] { return Reap(child); });
        return "exited before its first paint";
    }
    return "did not paint within " + std::to_string(kPaintTimeoutUs / 1'000'000) + " s";
}

// Ends the program with SIGTERM as a session would. "" when it ended as it should.
std::string Stop(Child& child)
{
    if (Reap(child))
        return "had ended on its own with " + DescribeStatus(child.status);
    ::kill(child.pid, SIGTERM);
    Pause({&child}, NowUs() + kExitTimeoutUs, [&] { return Reap(child); });
    if (!child.reaped) {
        ::kill(child.pid, SIGKILL);
        ::waitpid(child.pid, &child.status, 0);
        child.reaped = true;
        return "did not end within " + std::to_string(kExitTimeoutUs / 1'000'000) + " s of SIGTERM";
    }
    const int status = child.status;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return "";
    if (child.program->diesOfSigterm && WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM)
        return "";
    return "ended with " + DescribeStatus(status) + " after SIGTERM";
}

// One "Name:   123 kB" value from a /proc file, in MiB.
std::optional<double> ProcValueMiB(pid_t pid, const char* file, const char* key)
{
    QFile proc(QStringLiteral("/proc/%1/%2").arg(pid).arg(QString::fromLatin1(file)));
    if (!proc.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : proc.readAll().split('\n')) {
        if (!line.startsWith(prefix))
            continue;
        bool ok = false;
        const long long kib = line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong(&ok);
        if (ok)
            return static_cast<double>(kib) / 1024.0;
    }
    return std::nullopt;
}

// CPU time of the whole machine and of this process with its ended children, to tell how
// much other programs ran during the measurements.
struct CpuUse
{
    double machineBusyMs = 0;
    double machineTotalMs = 0;
    double ownMs = 0;
};

CpuUse ReadCpuUse()
{
    CpuUse use;
    const bench::MachineCpu machine = bench::ReadMachineCpu();
    use.machineBusyMs = machine.busy * 1000.0;
    use.machineTotalMs = machine.total * 1000.0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        for (const timeval& time : {usage.ru_utime, usage.ru_stime})
            use.ownMs +=
                static_cast<double>(time.tv_sec) * 1000.0 + static_cast<double>(time.tv_usec) / 1000.0;
    }
    return use;
}

// The share of all cores other programs (the X server included) used since `before`.
double OtherProgramsPercent(const CpuUse& before)
{
    const CpuUse after = ReadCpuUse();
    const double total = after.machineTotalMs - before.machineTotalMs;
    if (total <= 0)
        return 0;
    const double other = (after.machineBusyMs - before.machineBusyMs) - (after.ownMs - before.ownMs);
    return std::max(0.0, 100.0 * other / total);
}

// `pid` and all its descendants, `pid` first.
std::vector<pid_t> ProcessTree(pid_t pid)
{
    std::vector<pid_t> tree{pid};
    for (size_t next = 0; next < tree.size() && tree.size() < 1000; ++next) {
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(tree[next]));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& word : children.readAll().simplified().split(' ')) {
            bool ok = false;
            const pid_t child = static_cast<pid_t>(word.toInt(&ok));
            if (ok && child > 0)
                tree.push_back(child);
        }
    }
    return tree;
}

// The RSS of `pid` and all its descendants, in MiB; the process count in `count`.
std::optional<double> TreeRssMiB(pid_t pid, int* count)
{
    const std::vector<pid_t> tree = ProcessTree(pid);
    std::optional<double> total = ProcValueMiB(pid, "status", "VmRSS");
    if (!total)
        return std::nullopt;
    for (size_t i = 1; i < tree.size(); ++i)
        *total += ProcValueMiB(tree[i], "status", "VmRSS").value_or(0);
    *count = static_cast<int>(tree.size());
    return total;
}

// The CPU time of `pid` and of the descendants it has now.
std::optional<double> TreeCpuSeconds(pid_t pid)
{
    const std::vector<pid_t> tree = ProcessTree(pid);
    std::optional<double> total = bench::ProcessCpuSeconds(pid);
    if (!total)
        return std::nullopt;
    for (size_t i = 1; i < tree.size(); ++i)
        *total += bench::ProcessCpuSeconds(tree[i]).value_or(0);
    return total;
}

struct RunResult
{
    double paintMs = 0;
    double rssMiB = 0;
    double pssMiB = 0;
    double treeRssMiB = 0;
    int processes = 0;
    // Each step's time from the start, in milliseconds, in the order reached.
    std::vector<std::pair<std::string, double>> stepMs;
};

struct Figures
{
    std::vector<double> paintMs;
    std::vector<double> rssMiB;
    std::vector<double> pssMiB;
    std::vector<double> treeRssMiB;
    std::vector<double> processes;
    std::vector<std::string> stepOrder;
    std::map<std::string, std::vector<double>> stepMs;
};

// Starts the program, waits for its first paint, reads its memory 2 s later and ends it.
// Returns the figures, or nothing after printing why not.
std::optional<RunResult> MeasureStart(const Program& program, const std::string& label)
{
    // A later start: the first one in the home runs to 2 s past its first paint (what the program
    // keeps for its next start is written by then) and ends.
    std::unique_ptr<QTemporaryDir> home;
    if (laterStarts) {
        Child first;
        std::string problem = Start(program, first);
        if (problem.empty())
            problem = WaitForFirstPaint(first);
        if (problem.empty())
            Pause({&first}, *first.paintUs + kMemoryDelayUs, [&] { return first.outputClosed; });
        if (first.pid > 0 && problem.empty())
            problem = Stop(first);
        if (!problem.empty()) {
            std::printf("  FAILED %s: %s's first start %s\n", label.c_str(), program.name.c_str(),
                        problem.c_str());
            return std::nullopt;
        }
        home = std::move(first.home);
    }
    Child child;
    std::string problem = Start(program, child, std::move(home));
    if (problem.empty())
        problem = WaitForFirstPaint(child);
    RunResult result;
    if (problem.empty()) {
        result.paintMs = static_cast<double>(*child.paintUs - child.startUs) / 1000.0;
        for (const auto& [name, us] : child.steps)
            result.stepMs.emplace_back(name, static_cast<double>(us - child.startUs) / 1000.0);
        Pause({&child}, *child.paintUs + kMemoryDelayUs, [&] { return child.outputClosed; });
        const std::optional<double> rss = ProcValueMiB(child.pid, "status", "VmRSS");
        const std::optional<double> pss = ProcValueMiB(child.pid, "smaps_rollup", "Pss");
        const std::optional<double> tree = TreeRssMiB(child.pid, &result.processes);
        if (!rss || !pss || !tree)
            problem = "memory could not be read from /proc (the program had ended?)";
        else {
            result.rssMiB = *rss;
            result.pssMiB = *pss;
            result.treeRssMiB = *tree;
        }
    }
    if (child.pid > 0) {
        const std::string stopped = Stop(child);
        if (problem.empty())
            problem = stopped;
        else if (!stopped.empty())
            problem += "; " + stopped;
    }
    if (problem.empty()) {
        std::printf("  %-8s %-19s first paint %6.1f ms   RSS %5.1f MiB   PSS %5.1f MiB   "
                    "tree RSS %5.1f MiB (%d process%s)\n",
                    label.c_str(), program.name.c_str(), result.paintMs, result.rssMiB, result.pssMiB,
                    result.treeRssMiB, result.processes, result.processes == 1 ? "" : "es");
        std::fflush(stdout);
        return result;
    }
    std::printf("  FAILED %s: %s %s\n", label.c_str(), program.name.c_str(), problem.c_str());
    if (const std::string tail = child.Tail(); !tail.empty())
        std::printf("    its stderr ended with:\n%s\n", tail.c_str());
    return std::nullopt;
}

std::string Range(const std::vector<double>& values)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f [%.1f–%.1f]", Median(values),
                  *std::min_element(values.begin(), values.end()),
                  *std::max_element(values.begin(), values.end()));
    return text;
}

using bench::AddLine;

struct Options
{
    Program sorlin;
    Program minimal;
    // The minimal window showing the clock's text in the clock's Japanese face: not a goal, the
    // figure that tells what of the difference is the face's alone.
    Program minimalDate;
    int runs = 10;
    int idleSeconds = 30;
};

std::optional<Options> ParseOptions(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures Sorlin's start-up (exec to first paint), memory and idle CPU against a minimal Qt "
        "window on the X display in DISPLAY."));
    parser.addHelpOption();
    const QCommandLineOption sorlinOption(QStringLiteral("sorlin"),
                                          QStringLiteral("The Sorlin executable (default: beside this one)."),
                                          QStringLiteral("path"));
    const QCommandLineOption minimalOption(
        QStringLiteral("minimal"),
        QStringLiteral("The minimal window executable (default: beside this one)."), QStringLiteral("path"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Starts of each program (default 10)."),
                                        QStringLiteral("n"), QStringLiteral("10"));
    const QCommandLineOption idleOption(QStringLiteral("idle-seconds"),
                                        QStringLiteral("Length of the idle CPU period (default 30)."),
                                        QStringLiteral("s"), QStringLiteral("30"));
    const QCommandLineOption busOption(
        QStringLiteral("session-bus"),
        QStringLiteral(
            "Start the programs on the session bus DBUS_SESSION_BUS_ADDRESS names, as on a desktop "
            "(default: without one)."));
    const QCommandLineOption laterOption(
        QStringLiteral("later-starts"),
        QStringLiteral(
            "Measure starts that follow a first start in the same home, as every start but the first "
            "on a desktop does (default: first starts, each in a fresh home)."));
    parser.addOptions({sorlinOption, minimalOption, runsOption, idleOption, busOption, laterOption});
    parser.process(app);
    onSessionBus = parser.isSet(busOption);
    laterStarts = parser.isSet(laterOption);
    if (onSessionBus && qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        std::fprintf(stderr,
                     "bench_startup: --session-bus needs DBUS_SESSION_BUS_ADDRESS (dbus-run-session)\n");
        return std::nullopt;
    }

    Options options;
    const QString folder = QCoreApplication::applicationDirPath() + u'/';
    const auto executable = [&](const QCommandLineOption& option, const char* name) {
        const QString path = parser.isSet(option) ? parser.value(option) : folder + QString::fromLatin1(name);
        return QFileInfo(path).absoluteFilePath().toStdString();
    };
    options.sorlin = {"sorlin", executable(sorlinOption, "sorlin"), {}, false};
    options.minimal = {"minimal window", executable(minimalOption, "bench_minimal_window"), {}, true};
    options.minimalDate = options.minimal;
    options.minimalDate.name = "minimal, clock text";
    options.minimalDate.arguments = {"--date"};
    bool okRuns = false;
    bool okIdle = false;
    options.runs = parser.value(runsOption).toInt(&okRuns);
    options.idleSeconds = parser.value(idleOption).toInt(&okIdle);
    if (!okRuns || options.runs < 1 || !okIdle || options.idleSeconds < 1) {
        std::fprintf(stderr, "bench_startup: --runs and --idle-seconds take a whole number of at least 1\n");
        return std::nullopt;
    }
    for (const Program* program : {&options.sorlin, &options.minimal}) {
        if (!QFileInfo(QString::fromStdString(program->path)).isExecutable()) {
            std::fprintf(stderr, "bench_startup: %s is not an executable file\n", program->path.c_str());
            return std::nullopt;
        }
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "bench_startup: DISPLAY is not set; the programs need an X display\n");
        return std::nullopt;
    }
    return options;
}

// First paint and memory; false when a run failed.
bool MeasureStartUp(const Options& options)
{
    std::printf("start-up: %d runs of each program, interleaved, each in a fresh home (after one warm-up "
                "start of each)\n",
                options.runs);
    std::fflush(stdout);
    // Brings both programs and Qt's libraries into the page cache; not counted.
    bool measured = true;
    for (const Program* program : {&options.sorlin, &options.minimal, &options.minimalDate})
        measured = MeasureStart(*program, "warm-up").has_value() && measured;

    Figures sorlin;
    Figures minimal;
    Figures minimalDate;
    for (int run = 0; run < options.runs; ++run) {
        // Rotate which program goes first, so none always follows another.
        std::array<std::pair<const Program*, Figures*>, 3> order{
            {{&options.sorlin, &sorlin}, {&options.minimal, &minimal}, {&options.minimalDate, &minimalDate}}};
        std::rotate(order.begin(), order.begin() + run % 3, order.end());
        for (const auto& [program, into] : order) {
            const std::optional<RunResult> result = MeasureStart(*program, "run " + std::to_string(run + 1));
            if (!result) {
                measured = false;
                continue;
            }
            Figures& figures = *into;
            figures.paintMs.push_back(result->paintMs);
            figures.rssMiB.push_back(result->rssMiB);
            figures.pssMiB.push_back(result->pssMiB);
            figures.treeRssMiB.push_back(result->treeRssMiB);
            figures.processes.push_back(result->processes);
            for (const auto& [name, ms] : result->stepMs) {
                if (!figures.stepMs.count(name))
                    figures.stepOrder.push_back(name);
                figures.stepMs[name].push_back(ms);
            }
        }
    }
    if (sorlin.paintMs.empty() || minimal.paintMs.empty()) {
        AddLine("first paint (ms)   no successful runs of %s",
                sorlin.paintMs.empty() ? "sorlin" : "the minimal window");
        return false;
    }

    const double ratio = Median(sorlin.paintMs) / Median(minimal.paintMs);
    AddLine("first paint (ms)   sorlin %s   minimal window %s   ratio %.2f (goal ≤ %.2f)   %s",
            Range(sorlin.paintMs).c_str(), Range(minimal.paintMs).c_str(), ratio, kPaintRatioGoal,
            Verdict(ratio <= kPaintRatioGoal));
    const double rss = Median(sorlin.rssMiB);
    AddLine("memory at 2 s      sorlin RSS %.1f MiB PSS %.1f MiB   minimal RSS %.1f MiB PSS %.1f MiB   "
            "(goal RSS ≤ %.0f MiB)   %s",
            rss, Median(sorlin.pssMiB), Median(minimal.rssMiB), Median(minimal.pssMiB), kRssGoalMiB,
            Verdict(rss <= kRssGoalMiB));
    const double treeRatio = Median(sorlin.treeRssMiB) / Median(minimal.treeRssMiB);
    AddLine("process tree at 2 s  sorlin RSS %.1f MiB (%.0f processes)   minimal RSS %.1f MiB   ratio %.2f "
            "(goal ≤ %.2f)   %s",
            Median(sorlin.treeRssMiB), Median(sorlin.processes), Median(minimal.treeRssMiB), treeRatio,
            kTreeRssRatioGoal, Verdict(treeRatio <= kTreeRssRatioGoal));
    if (!minimalDate.treeRssMiB.empty())
        AddLine(
            "  beside it          the minimal window showing the clock's date and time in its Japanese face: "
            "RSS %.1f MiB, first paint %.1f ms; sorlin's tree %.2f× that",
            Median(minimalDate.treeRssMiB), Median(minimalDate.paintMs),
            Median(sorlin.treeRssMiB) / Median(minimalDate.treeRssMiB));
    // The way to the first paint, step by step: when each step is reached (median ms from the
    // start) and what it took after the one before; the minimal window's few steps beside.
    if (!sorlin.stepOrder.empty()) {
        std::printf("start-up steps, median ms from exec (each step's own share):\n");
        double before = 0;
        for (const std::string& name : sorlin.stepOrder) {
            const double at = Median(sorlin.stepMs[name]);
            std::printf("  %-16s sorlin %6.1f (+%5.1f)", name.c_str(), at, at - before);
            if (minimal.stepMs.count(name))
                std::printf("   minimal window %6.1f", Median(minimal.stepMs[name]));
            std::printf("\n");
            before = at;
        }
        const double paint = Median(sorlin.paintMs);
        std::printf("  %-16s sorlin %6.1f (+%5.1f)   minimal window %6.1f\n", "first-paint", paint,
                    paint - before, Median(minimal.paintMs));
    }
    if (sorlin.paintMs.size() != static_cast<size_t>(options.runs) ||
        minimal.paintMs.size() != static_cast<size_t>(options.runs))
        AddLine("                   (medians of %zu sorlin and %zu minimal runs that succeeded)",
                sorlin.paintMs.size(), minimal.paintMs.size());
    std::fflush(stdout);
    return measured;
}

// Idle CPU of Sorlin against the minimal clock, both running at once; false when it could not
// be measured.
bool MeasureIdleCpu(const Options& options)
{
    Program clock = options.minimal;
    clock.name = "minimal clock";
    clock.arguments = {"--clock"};
    Child sorlin;
    Child minimal;
    std::vector<Child*> children{&sorlin, &minimal};
    // What went wrong, for each program.
    std::string problems[2];
    const auto note = [&](size_t index, const std::string& problem) {
        if (!problem.empty() && problems[index].empty())
            problems[index] = children[index]->program->name + " " + problem;
    };
    note(0, Start(options.sorlin, sorlin));
    note(1, Start(clock, minimal));
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i]->pid > 0)
            note(i, WaitForFirstPaint(*children[i]));
    }

    std::optional<double> before[2];
    std::optional<double> after[2];
    int64_t periodUs = 0;
    if (problems[0].empty() && problems[1].empty()) {
        Pause(children, NowUs() + kIdleSettleUs);
        const int64_t startUs = NowUs();
        for (size_t i = 0; i < children.size(); ++i)
            before[i] = MilliSeconds(TreeCpuSeconds(children[i]->pid));
        Pause(children, startUs + static_cast<int64_t>(options.idleSeconds) * 1'000'000);
        for (size_t i = 0; i < children.size(); ++i) {
            after[i] = MilliSeconds(TreeCpuSeconds(children[i]->pid));
            if (!before[i] || !after[i])
                note(i, "CPU times could not be read from /proc (had it ended?)");
        }
        periodUs = NowUs() - startUs;
    }
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i]->pid > 0)
            note(i, Stop(*children[i]));
    }
    if (!problems[0].empty() || !problems[1].empty()) {
        std::string both = problems[0];
        if (!problems[1].empty())
            both += (both.empty() ? "" : "; ") + problems[1];
        AddLine("idle CPU           FAILED: %s", both.c_str());
        for (size_t i = 0; i < children.size(); ++i) {
            if (const std::string tail = children[i]->Tail(); !problems[i].empty() && !tail.empty())
                std::printf("    %s stderr ended with:\n%s\n", children[i]->program->name.c_str(),
                            tail.c_str());
        }
        return false;
    }
    const double sorlinMs = *after[0] - *before[0];
    const double clockMs = *after[1] - *before[1];
    const double periodMs = static_cast<double>(periodUs) / 1000.0;
    AddLine("idle CPU over %d s sorlin %.0f ms (%.2f %%)   minimal clock %.0f ms (%.2f %%)   "
            "(goal sorlin ≤ clock + %.0f ms)   %s",
            options.idleSeconds, sorlinMs, 100.0 * sorlinMs / periodMs, clockMs, 100.0 * clockMs / periodMs,
            kIdleToleranceMs, Verdict(sorlinMs <= clockMs + kIdleToleranceMs));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = ParseOptions(app);
    if (!options)
        return 2;
    // A child that dies must not take us with it through a broken pipe.
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("sorlin:          %s\nminimal window:  %s\ndisplay:         %s\n",
                options->sorlin.path.c_str(), options->minimal.path.c_str(), qgetenv("DISPLAY").constData());
    // Where the homes are matters: the program writes and flushes files on its first start.
    const QString tempFolder = QDir::tempPath();
    std::printf("fresh homes in:  %s (%s; TMPDIR chooses)\n", qPrintable(tempFolder),
                IsInMemory(tempFolder) ? "tmpfs: writing to disk costs nothing there" : "on disk");
    std::printf("runtime folders: %s (%s)\n", qPrintable(RuntimeParent()),
                IsInMemory(RuntimeParent()) ? "tmpfs, as a desktop's XDG_RUNTIME_DIR" : "on disk");
    const CpuUse startUse = ReadCpuUse();
    bool measured = MeasureStartUp(*options);
    std::printf("idle CPU: both programs at once (the minimal one as a clock), %d s measured from 3 s after "
                "their first paint\n",
                options->idleSeconds);
    std::fflush(stdout);
    measured = MeasureIdleCpu(*options) && measured;
    const double otherPercent = OtherProgramsPercent(startUse);
    AddLine("other programs     used %.1f %% of the %ld cores meanwhile   %s", otherPercent,
            ::sysconf(_SC_NPROCESSORS_ONLN),
            otherPercent > kBusyPercent ? "machine busy: the timings above are skewed" : "machine quiet");
    std::printf("\n%s", bench::ResultLines().c_str());
    if (!measured) {
        std::printf("\nSome figures could not be measured (see FAILED above).\n");
        return 1;
    }
    return 0;
}

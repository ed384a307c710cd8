// Media playback benchmark: what playing a file through Sorlin's media engine costs, against
// the bare GStreamer pipeline and mpv playing the same file.
//   bench_media [--quick] [--runs N] [--play-runs N] [--variants] [--player PATH]
// Needs an X display in DISPLAY, gst-launch-1.0 and mpv. Makes its test media with
// gst-launch-1.0 in a temporary folder: a 60 s 44.1 kHz stereo mp3 and a 30 s 1280×720 25 fps
// H.264 mp4 with AAC audio (--quick: 10 s and 5 s). Every program runs in its own process,
// one at a time, and plays the whole file:
//   sorlin       bench_media_play FILE: the media engine, video painted in its video window
//   gst-launch   gst-launch-1.0 playbin with Sorlin's sinks (autoaudiosink; BGRx appsink):
//                what the pipeline alone costs, nothing painted
//   mpv          --ao=null --vo=null for the mp3, --vo=x11 for the mp4: painted on the same
//                display as Sorlin's video
// From wait4()'s rusage: CPU seconds (utime + stime) and peak memory (ru_maxrss). Then the
// open-to-playing latency: --runs short runs of bench_media_play --latency per file, from the
// "opened" line before the file is opened to the "playing" line when the position first passes 0.
// --variants adds rows that help tell where the cost lies: Sorlin with the video window hidden
// and mpv decoding the video without showing it.
// Exits 0 when everything could be measured, whether or not the goals are met.

#include "BenchSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using bench::DescribeStatus;
using bench::Median;
using bench::NowUs;
using bench::ProcessCpuSeconds;
using bench::Verdict;

constexpr double kAudioCpuRatioGoal = 1.10;
constexpr double kAudioRssGoalMiB = 57.0;
constexpr double kVideoCpuRatioGoal = 1.10;
constexpr double kAudioLatencyGoalMs = 150.0;
constexpr int kFramesPerSecond = 25;
// A player gets this long beyond the length of the file to end on its own.
constexpr int64_t kEndSlackUs = 60'000'000;
constexpr int64_t kLatencyTimeoutUs = 30'000'000;
constexpr int64_t kMakeMediaTimeoutUs = 600'000'000;
constexpr size_t kKeptOutputBytes = 4096;
// When other programs use more of the machine than this, they compete with the measured ones.
constexpr double kBusyPercent = 5.0;

double Seconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// The X server the programs paint on: SORLIN_XVFB_PID when set (tools/bench-media sets it for
// the display it starts), else the X server started for DISPLAY's number, else the only one.
std::optional<pid_t> FindXServer()
{
    bool ok = false;
    const pid_t given = qEnvironmentVariable("SORLIN_XVFB_PID").toInt(&ok);
    if (ok && given > 0 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(given)))
        return given;
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString number = display.mid(display.indexOf(u':')).section(u'.', 0, 0);
    std::vector<pid_t> servers;
    std::optional<pid_t> matching;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        const pid_t pid = entry.toInt(&ok);
        if (!ok)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const QByteArray name = comm.readAll().trimmed();
        if (name != "Xvfb" && name != "Xorg" && name != "X")
            continue;
        servers.push_back(pid);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().split('\0').contains(number.toLatin1()))
            matching = pid;
    }
    if (matching)
        return matching;
    if (servers.size() == 1)
        return servers.front();
    return std::nullopt;
}

double OwnCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// What other programs used of the machine while the programs ran: CPU seconds of all cores
// together, and the largest share of all cores during a whole-file run, in per cent.
double othersSeconds = 0;
double machineSeconds = 0;
double busiestOthers = 0;
constexpr double kShortestJudgedRunSeconds = 4.0;

struct Program
{
    std::string name;
    std::vector<std::string> argv; // argv[0] is the executable's path
};

// What one run of a program came to.
struct Outcome
{
    std::string problem; // empty when the program ran and ended as it should
    double userSeconds = 0;
    double systemSeconds = 0;
    double peakRssMiB = 0;
    double wallSeconds = 0;
    std::optional<double> xServerSeconds;
    double otherPercent = 0; // the share of all cores others used meanwhile
    std::optional<long long> openedUs;
    std::optional<long long> playingUs;
    std::optional<long> painted;
    std::string output; // the last few KiB of stderr

    double CpuSeconds() const { return userSeconds + systemSeconds; }

    std::string Tail() const
    {
        std::string tail = output.size() > 800 ? output.substr(output.size() - 800) : output;
        while (!tail.empty() && tail.back() == '\n')
            tail.pop_back();
        return tail;
    }
};

void TakeLine(const std::string& line, Outcome& outcome)
{
    long long value = 0;
    if (!outcome.openedUs && std::sscanf(line.c_str(), "opened %lld", &value) == 1)
        outcome.openedUs = value;
    else if (!outcome.playingUs && std::sscanf(line.c_str(), "playing %lld", &value) == 1)
        outcome.playingUs = value;
    else if (std::sscanf(line.c_str(), "painted %lld", &value) == 1)
        outcome.painted = static_cast<long>(value);
}

// Runs `program` to its end, at most `timeoutUs`, with stdin and stdout on /dev/null and
// stderr read here. The figures come from wait4()'s rusage.
Outcome Run(const Program& program, int64_t timeoutUs, std::optional<pid_t> xServer)
{
    Outcome outcome;
    std::vector<char*> argv;
    for (const std::string& argument : program.argv)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        outcome.problem = std::string("pipe: ") + std::strerror(errno);
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);

    const bench::MachineCpu machineBefore = bench::ReadMachineCpu();
    const double ownBefore = OwnCpuSeconds();
    const std::optional<double> xBefore = xServer ? ProcessCpuSeconds(*xServer) : std::nullopt;
    const int64_t startUs = NowUs();
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (error != 0) {
        ::close(fds[0]);
        outcome.problem = "cannot start " + program.argv[0] + ": " + std::strerror(error);
        return outcome;
    }
    const int errorFd = fds[0];
    ::fcntl(errorFd, F_SETFL, O_NONBLOCK);

    std::string pending;
    bool outputOpen = true;
    const auto readOutput = [&] {
        char buffer[4096];
        for (;;) {
            const ssize_t count = ::read(errorFd, buffer, sizeof buffer);
            if (count > 0) {
                outcome.output.append(buffer, static_cast<size_t>(count));
                if (outcome.output.size() > 2 * kKeptOutputBytes)
                    outcome.output.erase(0, outcome.output.size() - kKeptOutputBytes);
                pending.append(buffer, static_cast<size_t>(count));
                size_t end;
                while ((end = pending.find('\n')) != std::string::npos) {
                    TakeLine(pending.substr(0, end), outcome);
                    pending.erase(0, end + 1);
                }
                continue;
            }
            if (count == 0)
                outputOpen = false;
            else if (errno == EINTR)
                continue;
            return;
        }
    };

    int status = 0;
    rusage usage{};
    bool ended = false;
    bool killed = false;
    while (!ended) {
        if (!killed && NowUs() - startUs > timeoutUs) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        // The stderr pipe wakes us when there is output; once it is closed, a short nap keeps
        // the wait4() polling cheap.
        pollfd fd{errorFd, POLLIN, 0};
        if (outputOpen) {
            if (::poll(&fd, 1, 20) > 0)
                readOutput();
        } else {
            ::usleep(20'000);
        }
        const pid_t result = ::wait4(pid, &status, WNOHANG, &usage);
        if (result == pid)
            ended = true;
        else if (result < 0 && errno != EINTR) {
            outcome.problem = std::string("wait4: ") + std::strerror(errno);
            ::close(errorFd);
            return outcome;
        }
    }
    const int64_t endUs = NowUs();
    readOutput();
    ::close(errorFd);
    if (!pending.empty())
        TakeLine(pending, outcome);

    outcome.userSeconds = Seconds(usage.ru_utime);
    outcome.systemSeconds = Seconds(usage.ru_stime);
    outcome.peakRssMiB = static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
    outcome.wallSeconds = static_cast<double>(endUs - startUs) / 1e6;
    double xSeconds = 0;
    if (const std::optional<double> xAfter = xServer ? ProcessCpuSeconds(*xServer) : std::nullopt;
        xBefore && xAfter) {
        outcome.xServerSeconds = *xAfter - *xBefore;
        xSeconds = *outcome.xServerSeconds;
    }
    const bench::MachineCpu machineAfter = bench::ReadMachineCpu();
    const double total = machineAfter.total - machineBefore.total;
    const double others = (machineAfter.busy - machineBefore.busy) - outcome.CpuSeconds() - xSeconds -
                          (OwnCpuSeconds() - ownBefore);
    outcome.otherPercent = total > 0 ? std::max(0.0, 100.0 * others / total) : 0;
    othersSeconds += std::max(0.0, others);
    machineSeconds += std::max(0.0, total);
    // Over a short run the clock ticks /proc/stat counts in make the share too coarse to judge.
    if (outcome.wallSeconds >= kShortestJudgedRunSeconds)
        busiestOthers = std::max(busiestOthers, outcome.otherPercent);

    if (killed)
        outcome.problem = "did not end within " + std::to_string(timeoutUs / 1'000'000) + " s";
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        outcome.problem = "ended with " + DescribeStatus(status);
    return outcome;
}

std::vector<std::string> Words(const char* text)
{
    std::vector<std::string> words;
    for (const QString& word : QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts))
        words.push_back(word.toStdString());
    return words;
}

// gst-launch-1.0 with the pipeline `before` location=PATH `after`; "" when it made the file.
std::string MakeMedia(const std::string& gstLaunch, const char* before, const QString& path,
                      const std::string& after)
{
    Program program{"gst-launch-1.0", {gstLaunch, "-q"}};
    for (const std::string& word : Words(before))
        program.argv.push_back(word);
    // One argument even if the path holds blanks: gst-launch-1.0 escapes them.
    program.argv.push_back("location=" + QFile::encodeName(path).toStdString());
    for (const std::string& word : Words(after.c_str()))
        program.argv.push_back(word);
    const Outcome outcome = Run(program, kMakeMediaTimeoutUs, std::nullopt);
    if (!outcome.problem.empty())
        return outcome.problem + (outcome.output.empty() ? "" : ": " + outcome.Tail());
    if (QFileInfo(path).size() <= 0)
        return "it wrote nothing";
    return "";
}

struct Media
{
    QString path;
    int seconds = 0;
    bool video = false;
};

std::string MakeAudio(const std::string& gstLaunch, const Media& media)
{
    const int buffers = (media.seconds * 44100 + 1023) / 1024;
    const std::string source = "audiotestsrc num-buffers=" + std::to_string(buffers) +
                               " samplesperbuffer=1024 freq=440 ! audio/x-raw,rate=44100,channels=2 ! "
                               "audioconvert ! lamemp3enc target=bitrate cbr=true bitrate=192 ! id3v2mux ! "
                               "filesink";
    return MakeMedia(gstLaunch, source.c_str(), media.path, "");
}

std::string MakeVideo(const std::string& gstLaunch, const Media& media)
{
    const int frames = media.seconds * kFramesPerSecond;
    const int buffers = (media.seconds * 44100 + 1023) / 1024;
    // 8-bit 4:2:0 (High profile) as nearly all H.264 is: left to choose, x264enc takes
    // videotestsrc's 4:4:4 and makes a 10-bit 4:4:4 stream that is far dearer to decode and convert.
    const std::string sources =
        "videotestsrc num-buffers=" + std::to_string(frames) +
        " pattern=ball ! video/x-raw,format=I420,width=1280,height=720,framerate=25/1 ! "
        "x264enc speed-preset=veryfast key-int-max=50 ! h264parse ! queue ! mux. "
        "audiotestsrc num-buffers=" +
        std::to_string(buffers) +
        " samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! audioresample ! "
        "avenc_aac ! aacparse ! queue ! mux.";
    return MakeMedia(gstLaunch, "mp4mux name=mux ! filesink", media.path, sources);
}

using bench::AddLine;

struct Options
{
    std::string player;
    std::string gstLaunch;
    std::string mpv;
    bool quick = false;
    bool variants = false;
    int latencyRuns = 5;
    int playRuns = 1;
};

std::optional<Options> ParseOptions(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures the CPU, peak memory and open-to-playing latency of playing an mp3 and an mp4 through "
        "Sorlin's media engine, against gst-launch-1.0 and mpv playing the same files on the X display in "
        "DISPLAY."));
    parser.addHelpOption();
    const QCommandLineOption quickOption(QStringLiteral("quick"),
                                         QStringLiteral("Short media (10 s mp3, 5 s mp4), to try it out."));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Open-to-playing runs per file (default 5)."),
                                        QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption playRunsOption(
        QStringLiteral("play-runs"),
        QStringLiteral("Whole-file runs of each program per file, medians reported (default 1)."),
        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption variantsOption(
        QStringLiteral("variants"),
        QStringLiteral("Also play the mp4 with Sorlin's video window hidden and with mpv showing nothing."));
    const QCommandLineOption playerOption(
        QStringLiteral("player"),
        QStringLiteral("The bench_media_play executable (default: beside this one)."),
        QStringLiteral("path"));
    parser.addOptions({quickOption, runsOption, playRunsOption, variantsOption, playerOption});
    parser.process(app);

    Options options;
    options.quick = parser.isSet(quickOption);
    options.variants = parser.isSet(variantsOption);
    bool okRuns = false;
    bool okPlayRuns = false;
    options.latencyRuns = parser.value(runsOption).toInt(&okRuns);
    options.playRuns = parser.value(playRunsOption).toInt(&okPlayRuns);
    if (!okRuns || options.latencyRuns < 1 || !okPlayRuns || options.playRuns < 1) {
        std::fprintf(stderr, "bench_media: --runs and --play-runs take a whole number of at least 1\n");
        return std::nullopt;
    }
    const QString player = parser.isSet(playerOption)
                               ? parser.value(playerOption)
                               : QCoreApplication::applicationDirPath() + QStringLiteral("/bench_media_play");
    options.player = QFileInfo(player).absoluteFilePath().toStdString();
    if (!QFileInfo(player).isExecutable()) {
        std::fprintf(stderr, "bench_media: %s is not an executable file\n", options.player.c_str());
        return std::nullopt;
    }
    options.gstLaunch = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).toStdString();
    options.mpv = QStandardPaths::findExecutable(QStringLiteral("mpv")).toStdString();
    if (options.gstLaunch.empty() || options.mpv.empty()) {
        std::fprintf(stderr, "bench_media: gst-launch-1.0 and mpv must be on the PATH "
                             "(Debian packages gstreamer1.0-tools and mpv)\n");
        return std::nullopt;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "bench_media: DISPLAY is not set; the video is shown on an X display\n");
        return std::nullopt;
    }
    return options;
}

// The medians of a program's whole-file runs.
struct Row
{
    std::string name;
    std::vector<Outcome> runs;

    double Cpu() const
    {
        return Pick([](const Outcome& o) { return o.CpuSeconds(); });
    }
    // The user and system parts of the median CPU time: those of the run (or the mean of the
    // two runs) in the middle by CPU time, so that they add up to it.
    double User() const
    {
        return MiddleByCpu([](const Outcome& o) { return o.userSeconds; });
    }
    double System() const
    {
        return MiddleByCpu([](const Outcome& o) { return o.systemSeconds; });
    }
    double Rss() const
    {
        return Pick([](const Outcome& o) { return o.peakRssMiB; });
    }
    double Wall() const
    {
        return Pick([](const Outcome& o) { return o.wallSeconds; });
    }
    double Other() const
    {
        return Pick([](const Outcome& o) { return o.otherPercent; });
    }
    std::optional<double> XServer() const
    {
        for (const Outcome& outcome : runs) {
            if (!outcome.xServerSeconds)
                return std::nullopt;
        }
        return Pick([](const Outcome& o) { return *o.xServerSeconds; });
    }

    template <typename Figure> double MiddleByCpu(Figure figure) const
    {
        if (runs.empty())
            return 0;
        std::vector<const Outcome*> sorted;
        for (const Outcome& outcome : runs)
            sorted.push_back(&outcome);
        std::sort(sorted.begin(), sorted.end(),
                  [](const Outcome* a, const Outcome* b) { return a->CpuSeconds() < b->CpuSeconds(); });
        const size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? figure(*sorted[middle])
                                 : (figure(*sorted[middle - 1]) + figure(*sorted[middle])) / 2;
    }

    template <typename Figure> double Pick(Figure figure) const
    {
        std::vector<double> values;
        for (const Outcome& outcome : runs)
            values.push_back(figure(outcome));
        return Median(values);
    }
};

void PrintRun(const char* label, const Program& program, const Outcome& outcome)
{
    if (!outcome.problem.empty()) {
        std::printf("  FAILED %s %s: %s\n", label, program.name.c_str(), outcome.problem.c_str());
        if (const std::string tail = outcome.Tail(); !tail.empty())
            std::printf("    its stderr ended with:\n%s\n", tail.c_str());
    } else {
        std::printf("  %-4s %-42s CPU %6.2f s (user %.2f + sys %.2f)   peak RSS %6.1f MiB   wall %5.1f s",
                    label, program.name.c_str(), outcome.CpuSeconds(), outcome.userSeconds,
                    outcome.systemSeconds, outcome.peakRssMiB, outcome.wallSeconds);
        if (outcome.xServerSeconds)
            std::printf("   X server %.2f s", *outcome.xServerSeconds);
        if (outcome.painted)
            std::printf("   painted %ld", *outcome.painted);
        std::printf("   others %.1f %%\n", outcome.otherPercent);
    }
    std::fflush(stdout);
}

// Plays `media` with each program `runs` times, interleaved; the rows hold the runs that
// succeeded. False when a run failed.
bool PlayAll(const char* label, const Media& media, const std::vector<Program>& programs, int runs,
             std::optional<pid_t> xServer, std::vector<Row>& rows)
{
    bool measured = true;
    rows.clear();
    for (const Program& program : programs)
        rows.push_back({program.name, {}});
    const int64_t timeoutUs = static_cast<int64_t>(media.seconds) * 1'000'000 + kEndSlackUs;
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i < programs.size(); ++i) {
            const Outcome outcome = Run(programs[i], timeoutUs, xServer);
            PrintRun(label, programs[i], outcome);
            if (outcome.problem.empty())
                rows[i].runs.push_back(outcome);
            else
                measured = false;
        }
    }
    return measured;
}

void AddHeader()
{
    AddLine("      %-44s %8s %15s %13s %8s %10s %8s", "", "CPU s", "(user + sys)", "peak RSS MiB", "wall s",
            "X server s", "others");
}

void AddRow(const Row& row, const std::string& note = {})
{
    if (row.runs.empty()) {
        AddLine("      %-44s FAILED (no run ended as it should)", row.name.c_str());
        return;
    }
    char xServer[32] = "–";
    if (const std::optional<double> seconds = row.XServer())
        std::snprintf(xServer, sizeof xServer, "%.2f", *seconds);
    char split[48];
    std::snprintf(split, sizeof split, "(%.2f + %.2f)", row.User(), row.System());
    AddLine("      %-44s %8.2f %15s %13.1f %8.1f %10s %6.1f %%%s", row.name.c_str(), row.Cpu(), split,
            row.Rss(), row.Wall(), xServer, row.Other(), note.c_str());
}

// Open-to-playing latency of `media`: one warm-up run, then `runs` measured ones.
bool MeasureLatency(const char* label, const Options& options, const Media& media, bool withGoal)
{
    const Program program{"sorlin --latency",
                          {options.player, "--latency", QFile::encodeName(media.path).toStdString()}};
    std::vector<double> latencies;
    bool measured = true;
    for (int run = 0; run <= options.latencyRuns; ++run) {
        const Outcome outcome = Run(program, kLatencyTimeoutUs, std::nullopt);
        std::string problem = outcome.problem;
        if (problem.empty() && (!outcome.openedUs || !outcome.playingUs))
            problem = "printed no \"opened\" and \"playing\" lines";
        if (!problem.empty()) {
            std::printf("  FAILED %s open to playing, run %d: %s\n", label, run, problem.c_str());
            if (const std::string tail = outcome.Tail(); !tail.empty())
                std::printf("    its stderr ended with:\n%s\n", tail.c_str());
            measured = false;
            continue;
        }
        const double ms = static_cast<double>(*outcome.playingUs - *outcome.openedUs) / 1000.0;
        std::printf("  %-4s open to playing %s %6.1f ms\n", label, run == 0 ? "(warm-up)" : "         ", ms);
        std::fflush(stdout);
        if (run > 0)
            latencies.push_back(ms);
    }
    if (latencies.empty()) {
        AddLine("%-4s  open to playing: FAILED (no run succeeded)", label);
        return false;
    }
    const double median = Median(latencies);
    char line[256];
    std::snprintf(line, sizeof line, "%-4s  open to playing  sorlin median %6.1f ms [%.1f–%.1f] of %zu runs",
                  label, median, *std::min_element(latencies.begin(), latencies.end()),
                  *std::max_element(latencies.begin(), latencies.end()), latencies.size());
    if (withGoal)
        AddLine("%s   (goal < %.0f ms)   %s", line, kAudioLatencyGoalMs,
                Verdict(median < kAudioLatencyGoalMs));
    else
        AddLine("%s   (no goal; for comparison)", line);
    return measured;
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
    // Sorlin's video window must go to the display, as mpv's does.
    qputenv("QT_QPA_PLATFORM", "xcb");

    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/sorlin-media-bench-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "bench_media: cannot make a temporary folder: %s\n",
                     qPrintable(folder.errorString()));
        return 1;
    }
    const Media audio{folder.filePath(QStringLiteral("tone.mp3")), options->quick ? 10 : 60, false};
    const Media video{folder.filePath(QStringLiteral("clip.mp4")), options->quick ? 5 : 30, true};
    const std::optional<pid_t> xServer = FindXServer();

    std::printf("player:          %s\ngst-launch-1.0:  %s\nmpv:             %s\ndisplay:         %s "
                "(X server %s)\ncores:           %ld\n",
                options->player.c_str(), options->gstLaunch.c_str(), options->mpv.c_str(),
                qgetenv("DISPLAY").constData(),
                xServer ? ("pid " + std::to_string(*xServer)).c_str() : "not found, its CPU is not shown",
                ::sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("making the test media in %s%s\n", qPrintable(folder.path()),
                options->quick ? " (--quick: shortened)" : "");
    std::fflush(stdout);
    for (const auto& [media, make] : {std::pair{&audio, &MakeAudio}, std::pair{&video, &MakeVideo}}) {
        if (const std::string problem = make(options->gstLaunch, *media); !problem.empty()) {
            std::fprintf(stderr, "bench_media: making %s failed: %s\n", qPrintable(media->path),
                         problem.c_str());
            return 1;
        }
    }

    // Making the media is not measured.
    othersSeconds = 0;
    machineSeconds = 0;
    busiestOthers = 0;

    const std::string audioPath = QFile::encodeName(audio.path).toStdString();
    const std::string videoPath = QFile::encodeName(video.path).toStdString();
    const auto uri = [](const Media& media) {
        return "uri=" + QUrl::fromLocalFile(media.path).toString(QUrl::FullyEncoded).toStdString();
    };
    // Sorlin's sinks: playbin's audio goes to autoaudiosink, its video to a BGRx appsink. Nobody
    // takes the frames here, so the appsink must not wait for that at the end of the stream.
    const std::vector<std::string> sinks{
        "audio-sink=autoaudiosink",
        "video-sink=videoconvert ! video/x-raw,format=BGRx ! appsink sync=true max-buffers=2 drop=true "
        "wait-on-eos=false"};
    const auto gstLaunch = [&](const char* name, const Media& media) {
        Program program{name, {options->gstLaunch, "-q", "playbin", uri(media)}};
        program.argv.insert(program.argv.end(), sinks.begin(), sinks.end());
        return program;
    };
    const auto mpv = [&](const char* name, const char* videoOutput, const std::string& path) {
        return Program{name, {options->mpv, "--no-config", "--ao=null", videoOutput, "--no-terminal", path}};
    };

    bool measured = true;
    char heading[256];

    std::printf("mp3: each program plays the whole %d s file, %d time(s), one at a time\n", audio.seconds,
                options->playRuns);
    std::fflush(stdout);
    const std::vector<Program> audioPrograms{
        {"sorlin (bench_media_play)", {options->player, audioPath}},
        gstLaunch("gst-launch-1.0 playbin, same sinks", audio),
        mpv("mpv --ao=null --vo=null", "--vo=null", audioPath),
    };
    std::vector<Row> audioRows;
    measured = PlayAll("mp3", audio, audioPrograms, options->playRuns, xServer, audioRows) && measured;
    std::snprintf(heading, sizeof heading, "mp3   %d s, 44.1 kHz stereo, 192 kb/s CBR", audio.seconds);
    AddLine("%s", heading);
    AddHeader();
    for (const Row& row : audioRows)
        AddRow(row);
    if (!audioRows[0].runs.empty() && (!audioRows[1].runs.empty() || !audioRows[2].runs.empty())) {
        const Row* leanest = nullptr;
        for (const Row* reference : {&audioRows[1], &audioRows[2]}) {
            if (!reference->runs.empty() && (!leanest || reference->Cpu() < leanest->Cpu()))
                leanest = reference;
        }
        const double ratio = audioRows[0].Cpu() / std::max(leanest->Cpu(), 0.001);
        AddLine(
            "      CPU        sorlin %.2f s / leanest reference %.2f s (%s) = %.2f×   (goal ≤ %.2f×)   %s",
            audioRows[0].Cpu(), leanest->Cpu(), leanest->name.c_str(), ratio, kAudioCpuRatioGoal,
            Verdict(ratio <= kAudioCpuRatioGoal));
    } else {
        AddLine("      CPU ratio  not measured");
    }
    if (!audioRows[0].runs.empty()) {
        const double rss = audioRows[0].Rss();
        AddLine(
            "      peak RSS   sorlin %.1f MiB (gst-launch %.1f MiB, mpv %.1f MiB)   (goal < %.0f MiB)   %s",
            rss, audioRows[1].runs.empty() ? 0.0 : audioRows[1].Rss(),
            audioRows[2].runs.empty() ? 0.0 : audioRows[2].Rss(), kAudioRssGoalMiB,
            Verdict(rss < kAudioRssGoalMiB));
    }

    std::printf("mp4: each program plays the whole %d s file, %d time(s), one at a time\n", video.seconds,
                options->playRuns);
    std::fflush(stdout);
    std::vector<Program> videoPrograms{
        {"sorlin (bench_media_play)", {options->player, videoPath}},
        gstLaunch("gst-launch-1.0 playbin, appsink (no paint)", video),
        mpv("mpv --ao=null --vo=x11", "--vo=x11", videoPath),
    };
    if (options->variants) {
        videoPrograms.push_back({"sorlin, video window hidden", {options->player, "--hidden", videoPath}});
        videoPrograms.push_back(mpv("mpv --ao=null --vo=null (no paint)", "--vo=null", videoPath));
    }
    std::vector<Row> videoRows;
    measured = PlayAll("mp4", video, videoPrograms, options->playRuns, xServer, videoRows) && measured;
    const int frames = video.seconds * kFramesPerSecond;
    std::snprintf(heading, sizeof heading,
                  "mp4   %d s, 1280×720 25 fps H.264 High 4:2:0 (%d frames) + AAC 44.1 kHz stereo",
                  video.seconds, frames);
    AddLine("%s", heading);
    AddHeader();
    for (const Row& row : videoRows) {
        std::string note;
        if (!row.runs.empty() && row.runs.front().painted)
            note = "   painted " + std::to_string(*row.runs.front().painted) + " times";
        AddRow(row, note);
    }
    if (!videoRows[0].runs.empty() && !videoRows[2].runs.empty()) {
        const double ratio = videoRows[0].Cpu() / std::max(videoRows[2].Cpu(), 0.001);
        AddLine("      CPU        sorlin %.2f s / mpv x11 %.2f s = %.2f×   (goal ≤ %.2f×)   %s",
                videoRows[0].Cpu(), videoRows[2].Cpu(), ratio, kVideoCpuRatioGoal,
                Verdict(ratio <= kVideoCpuRatioGoal));
    } else {
        AddLine("      CPU ratio  not measured");
    }

    std::printf("open to playing: %d runs per file after one warm-up run\n", options->latencyRuns);
    std::fflush(stdout);
    measured = MeasureLatency("mp3", *options, audio, true) && measured;
    measured = MeasureLatency("mp4", *options, video, false) && measured;

    AddLine("others: the share of all %ld cores other programs used during a run (this benchmark and the X "
            "server not counted)",
            ::sysconf(_SC_NPROCESSORS_ONLN));
    const double averageOthers = machineSeconds > 0 ? 100.0 * othersSeconds / machineSeconds : 0;
    AddLine("        %.1f %% on average, at most %.1f %% during a whole-file run   %s", averageOthers,
            busiestOthers,
            std::max(averageOthers, busiestOthers) > kBusyPercent
                ? "machine busy: the figures above are skewed"
                : "machine quiet");
    std::printf("\n%s", bench::ResultLines().c_str());
    if (!measured) {
        std::printf("\nSome figures could not be measured (see FAILED above).\n");
        return 1;
    }
    return 0;
}

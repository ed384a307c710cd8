// The folder scan against find(1) on the same tree: 100,000 empty files in 1,000 folders, or
// with --flat in one folder, made once in a temporary folder. Runs alternate (find, scan, find,
// scan …) after one warm-up of each, so both meet the same caches; the medians and their ratio
// are printed.
//   bench_scan [--runs N] [--flat]
//
// find runs as a child with its output on /dev/null and is timed from the outside, from
// spawn to exit; its start-up (find on an empty folder, measured the same way) is printed
// too and taken off for the net ratio. The scan is timed around FolderScanner::Scan in this
// process. CPU figures: the child's rusage for find, this thread's CPU clock for the scan.

#include "BenchSupport.h"
#include "player/FolderScan.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kFiles = 100000;
int folders = 1000;
int filesPerFolder = kFiles / 1000;

struct Timing
{
    double wallMs = 0;
    double cpuMs = 0;
};

bool MakeTree(const std::string& root)
{
    char path[4096];
    for (int folder = 0; folder < folders; ++folder) {
        std::snprintf(path, sizeof path, "%s/album %04d", root.c_str(), folder);
        if (::mkdir(path, 0755) != 0)
            return false;
        for (int file = 0; file < filesPerFolder; ++file) {
            std::snprintf(path, sizeof path, "%s/album %04d/track %06d.mp3", root.c_str(), folder, file);
            const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd < 0)
                return false;
            ::close(fd);
        }
    }
    return true;
}

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// find DIR -type f > /dev/null, timed from spawn to exit; a negative wall time when it failed.
Timing RunFind(const std::string& folder)
{
    std::vector<char*> argv{const_cast<char*>("find"), const_cast<char*>(folder.c_str()),
                            const_cast<char*>("-type"), const_cast<char*>("f"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    Timing timing;
    const int64_t start = bench::NowUs();
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        timing.wallMs = -1;
        return timing;
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        timing.wallMs = -1;
        return timing;
    }
    timing.wallMs = static_cast<double>(bench::NowUs() - start) / 1e3;
    timing.cpuMs = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return timing;
}

Timing RunScan(const QString& folder, qsizetype* count)
{
    FolderScanner scanner;
    QStringList items;
    bool found = false;
    int current = -1;
    Timing timing;
    const double cpuStart = ThreadCpuMs();
    const int64_t start = bench::NowUs();
    scanner.Scan(folder, &items, &found, &current, QString(), false);
    timing.wallMs = static_cast<double>(bench::NowUs() - start) / 1e3;
    timing.cpuMs = ThreadCpuMs() - cpuStart;
    *count = items.size();
    return timing;
}

struct Series
{
    std::vector<double> wall;
    std::vector<double> cpu;
    void Add(const Timing& timing)
    {
        wall.push_back(timing.wallMs);
        cpu.push_back(timing.cpuMs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 9;
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--runs" && i + 1 < arguments.size())
            runs = std::max(1, arguments[i + 1].toInt());
        if (arguments[i] == u"--flat") {
            folders = 1;
            filesPerFolder = kFiles;
        }
    }

    QTemporaryDir temporary;
    const QString treePath = temporary.filePath(QStringLiteral("tree"));
    const QString emptyPath = temporary.filePath(QStringLiteral("empty"));
    const std::string tree = QFile::encodeName(treePath).toStdString();
    const std::string empty = QFile::encodeName(emptyPath).toStdString();
    std::printf("making %d files in %d folders below %s …\n", kFiles, folders,
                QFile::encodeName(temporary.path()).constData());
    std::fflush(stdout);
    if (!temporary.isValid() || ::mkdir(tree.c_str(), 0755) != 0 || ::mkdir(empty.c_str(), 0755) != 0 ||
        !MakeTree(tree)) {
        std::fprintf(stderr, "could not make the tree: %s\n", std::strerror(errno));
        return 1;
    }

    qsizetype count = 0;
    if (RunFind(tree).wallMs < 0) {
        std::fprintf(stderr, "find did not run\n");
        return 1;
    }
    RunScan(treePath, &count);
    if (count != kFiles) {
        std::fprintf(stderr, "the scan found %lld files\n", static_cast<long long>(count));
        return 1;
    }

    Series find, scan, startUp;
    for (int i = 0; i < runs; ++i) {
        find.Add(RunFind(tree));
        scan.Add(RunScan(treePath, &count));
        startUp.Add(RunFind(empty));
    }
    const double findWall = bench::Median(find.wall);
    const double scanWall = bench::Median(scan.wall);
    const double startWall = bench::Median(startUp.wall);
    const double netFind = findWall - startWall;
    std::printf("find DIR -type f > /dev/null: median %.1f ms wall, %.1f ms CPU of %d\n", findWall,
                bench::Median(find.cpu), runs);
    std::printf("  of which start-up (find on an empty folder): %.1f ms wall\n", startWall);
    std::printf("FolderScanner::Scan: median %.1f ms wall, %.1f ms CPU of %d\n", scanWall,
                bench::Median(scan.cpu), runs);
    std::printf("scan / find: %.2f x (wall), %.2f x without find's start-up (goal <= 1.0 x): %s\n",
                scanWall / findWall, scanWall / netFind, bench::Verdict(scanWall <= netFind));
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB (with the list of %d names)\n", usage.ru_maxrss / 1024.0,
                kFiles);
    return 0;
}

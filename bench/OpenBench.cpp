// Open-to-playing of one file, opened again and again in one process, as the player opens one
// item after another: the first open (which, with a media process, starts it) apart from the
// ones after it.
//   bench_open [--opens N] [--started] FILE
// With --started the media process is started, and has answered, before the first open: as a
// play finds it once something started it ahead (or, in earlier revisions, the clock's disc
// check); it prints the time the start and the first answer took. Prints one line per open and a
// summary:
//   first   <ms>
//   later   median <ms> [min–max] of N-1
// An open is timed from just before CMedia::OpenMedia to the moment the position, polled every
// millisecond after Play, first passes 0; the item is closed before the next open. Built from
// this one source against any revision of the engines (tools/bench-open builds it for an
// earlier one too), so it uses nothing but the engine's interface and, for --started, the media
// process's where the build links it.

#include "media/Media.h"
#include "platform/MessageBox.h"
#ifdef SORLIN_BENCH_MEDIA_PROCESS // set where the build links the media process's interface
#include "platform/proxy/MediaProcess.h"
#endif

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

long long NowUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

int Usage()
{
    std::fprintf(stderr, "usage: bench_open [--opens N] [--started] FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int opens = 21;
    bool started = false;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--opens") == 0 && i + 1 < argc)
            opens = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--started") == 0)
            started = true;
        else if (argv[i][0] == '-' || file)
            return Usage();
        else
            file = argv[i];
    }
    if (!file || opens < 2)
        return Usage();
    const QString path = QFileInfo(QString::fromLocal8Bit(file)).absoluteFilePath();
    platform::SetMessageBoxObserver([](const QString& text, int) {
        std::fprintf(stderr, "bench_open: %s\n", qPrintable(text));
        return platform::kIdOk;
    });

    if (started) {
#ifdef SORLIN_BENCH_MEDIA_PROCESS
        QByteArray answer;
        QString error;
        const long long asked = NowUs();
        if (!platform::MediaProcess::Instance().Call(platform::ipc::Op::LivePipelines, 0, {}, &answer, 10000,
                                                     platform::MediaProcess::Start::IfNeeded, &error)) {
            std::fprintf(stderr, "bench_open: the media process did not start: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("started %7.2f ms\n", static_cast<double>(NowUs() - asked) / 1000.0);
#else
        std::fprintf(stderr, "bench_open: --started needs the media process's interface\n");
        return 2;
#endif
    }

    QObject owner;
    CMedia engine;
    std::vector<double> later;
    double first = 0;
    for (int open = 0; open < opens; ++open) {
        const long long start = NowUs();
        if (!engine.OpenMedia(&owner, path, nullptr) || !engine.Play()) {
            std::fprintf(stderr, "bench_open: cannot play %s\n", qPrintable(path));
            return 1;
        }
        QElapsedTimer waited;
        waited.start();
        while (engine.GetPosition() <= 0) {
            if (waited.elapsed() > 10000) {
                std::fprintf(stderr, "bench_open: %s did not start playing\n", qPrintable(path));
                return 1;
            }
            QCoreApplication::processEvents();
            QThread::usleep(1000);
        }
        const double ms = static_cast<double>(NowUs() - start) / 1000.0;
        std::printf("open %2d  %7.2f ms\n", open + 1, ms);
        if (open == 0)
            first = ms;
        else
            later.push_back(ms);
        engine.Close();
    }
    std::sort(later.begin(), later.end());
    const size_t n = later.size();
    const double median = n % 2 ? later[n / 2] : (later[n / 2 - 1] + later[n / 2]) / 2;
    std::printf("first   %7.2f ms\nlater   median %7.2f ms [%.2f–%.2f] of %zu\n", first, median,
                later.front(), later.back(), n);
    return 0;
}

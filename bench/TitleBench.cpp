// Cost of reading display titles from tagged files against the cost of merely touching them:
// 2,000 MP3 files with an ID3v2.3 tag (TIT2, padding) before a few KB of audio bytes. Each run
// times (a) opening every file and reading its first 1 KiB, the I/O floor, and (b) ProbeTitle
// on every file; the runs alternate and their medians are compared.
//   bench_titles [--files N] [--runs N]

#include "BenchSupport.h"
#include "TaggedMp3.h"
#include "media/TitleProbe.h"
#include "support/Id3Tags.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

using bench::Argument;
using bench::TaggedFile;
using bench::TitleOf;

// Opens every file and reads its first 1 KiB; returns the bytes read, so nothing is optimised away.
int64_t ReadHeads(const std::vector<QByteArray>& paths)
{
    int64_t total = 0;
    char head[1024];
    for (const QByteArray& path : paths) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const ssize_t got = ::read(fd, head, sizeof head);
        total += got > 0 ? got + head[got - 1] : 0;
        ::close(fd);
    }
    return total;
}

// Probes every file; returns the number of titles that came out wrong.
int ProbeAll(const QStringList& paths)
{
    int wrong = 0;
    for (qsizetype i = 0; i < paths.size(); ++i)
        wrong += ProbeTitle(paths[i]) != TitleOf(static_cast<int>(i));
    return wrong;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int files = Argument(arguments, QStringLiteral("--files"), 2000);
    const int runs = Argument(arguments, QStringLiteral("--runs"), 9);

    QTemporaryDir folder;
    QStringList paths;
    std::vector<QByteArray> nativePaths;
    int64_t bytes = 0;
    for (int i = 0; i < files; ++i) {
        const QString path = folder.filePath(QStringLiteral("%1.mp3").arg(i, 4, 10, QLatin1Char('0')));
        const QByteArray file = TaggedFile(i);
        if (!id3_tags::WriteFile(path, file)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        bytes += file.size();
        paths << path;
        nativePaths.push_back(QFile::encodeName(path));
    }

    // Both measurements find the files in the page cache: one untimed pass of each first.
    int64_t sink = ReadHeads(nativePaths);
    if (ProbeAll(paths) != 0) {
        std::fprintf(stderr, "ProbeTitle did not give the titles that were written\n");
        return 1;
    }

    std::vector<double> floorMs, probeMs;
    for (int run = 0; run < runs; ++run) {
        const int64_t start = bench::NowUs();
        sink += ReadHeads(nativePaths);
        const int64_t middle = bench::NowUs();
        const int wrong = ProbeAll(paths);
        const int64_t end = bench::NowUs();
        if (wrong != 0) {
            std::fprintf(stderr, "%d titles came out wrong\n", wrong);
            return 1;
        }
        floorMs.push_back((middle - start) / 1000.0);
        probeMs.push_back((end - middle) / 1000.0);
    }

    const double floor = bench::Median(floorMs);
    const double probe = bench::Median(probeMs);
    const double ratio = floor > 0 ? probe / floor : 0;
    std::printf("%d tagged MP3 files (%.1f MB), medians of %d runs (checksum %lld)\n", files, bytes / 1e6,
                runs, static_cast<long long>(sink % 1000));
    std::printf("open + read first 1 KiB (floor): %8.2f ms  %6.2f us/file\n", floor, floor * 1000 / files);
    std::printf("ProbeTitle:                      %8.2f ms  %6.2f us/file\n", probe, probe * 1000 / files);
    std::printf("ratio %.2f x the floor (goal <= 4 x): %s\n", ratio, bench::Verdict(ratio <= 4.0));
    return 0;
}

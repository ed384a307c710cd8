// bench_download: a large file fetched over loopback into the cache by the player's download,
// against dd copying the same bytes to a file on the same disk in the same run.
//
//   bench_download [--mib N] [--runs N] [--folder DIR]
//
// The served file is written first (so both read it from the page cache); each run then copies
// it once with dd (conv=fsync, as the download's file is synced when it takes its name) and once
// through CMediaPlayer::Download (carried out by the media process) with the cache off. Goals:
// the download at least 0.8 times dd's speed, and its slowest run no more than 1.5 times its
// median.

#include "BenchSupport.h"
#include "player/MediaPlayer.h"
#include "support/HttpServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool WriteSource(const QString& path, qint64 mib)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, '\0');
    for (qint64 i = 0; i < mib; ++i) {
        for (int j = 0; j < block.size(); j += 64)
            block[j] = static_cast<char>(i * 31 + j);
        if (file.write(block) != block.size())
            return false;
    }
    return file.flush();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 mib = 1024;
    int runs = 5;
    QString folder = QDir::currentPath();
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == u"--mib")
            mib = args[++i].toLongLong();
        else if (args[i] == u"--runs")
            runs = args[++i].toInt();
        else if (args[i] == u"--folder")
            folder = args[++i];
    }
    QTemporaryDir dir(folder + QStringLiteral("/bench-download-XXXXXX"));
    const QString served = dir.filePath(QStringLiteral("served"));
    const QString cache = dir.filePath(QStringLiteral("cache"));
    QDir().mkpath(served);
    QDir().mkpath(cache);
    const QString source = served + QStringLiteral("/big.raw");
    std::printf("writing %lld MiB to %s\n", static_cast<long long>(mib), qPrintable(source));
    if (!WriteSource(source, mib)) {
        std::fprintf(stderr, "could not write the served file\n");
        return 1;
    }
    testsupport::HttpServer server(served);
    if (!server.Start()) {
        std::fprintf(stderr, "the test server did not start\n");
        return 1;
    }

    QWidget owner;
    CMediaPlayer player;
    player.Init(&owner, cache);
    CMediaPlayer::PlaySettings play;
    play.keepDownloads = false;
    player.ApplyPlaySettings(play, true);
    const QString address = server.Url(QStringLiteral("big.raw"));
    const QString target = player.Network().CacheName(address);
    const QString ddTarget = cache + QStringLiteral("/dd.out");

    std::vector<double> dd, download;
    const double bytes = static_cast<double>(mib) * (1 << 20);
    for (int run = 0; run < runs; ++run) {
        int64_t start = bench::NowUs();
        const int ddStatus = QProcess::execute(QStringLiteral("dd"),
                                               {QStringLiteral("if=") + source,
                                                QStringLiteral("of=") + ddTarget, QStringLiteral("bs=1M"),
                                                QStringLiteral("conv=fsync"), QStringLiteral("status=none")});
        dd.push_back((bench::NowUs() - start) / 1e6);
        QFile::remove(ddTarget);
        start = bench::NowUs();
        const bool ok = player.Download(address, target);
        download.push_back((bench::NowUs() - start) / 1e6);
        const qint64 size = QFileInfo(target).size();
        QFile::remove(target);
        if (ddStatus != 0 || !ok || size != static_cast<qint64>(bytes)) {
            std::fprintf(stderr, "run %d failed (dd %d, download %d, %lld bytes)\n", run + 1, ddStatus, ok,
                         static_cast<long long>(size));
            return 1;
        }
        std::printf("run %d: dd %.2f s (%.0f MiB/s), download %.2f s (%.0f MiB/s)\n", run + 1, dd.back(),
                    mib / dd.back(), download.back(), mib / download.back());
    }
    const double ddMedian = bench::Median(dd);
    const double downloadMedian = bench::Median(download);
    const double slowest = *std::max_element(download.begin(), download.end());
    const double ratio = ddMedian / downloadMedian;
    std::printf("\n%lld MiB over loopback into the cache, %d runs\n", static_cast<long long>(mib), runs);
    std::printf("dd median %.2f s (%.0f MiB/s); download median %.2f s (%.0f MiB/s)\n", ddMedian,
                mib / ddMedian, downloadMedian, mib / downloadMedian);
    std::printf("download speed / dd speed: %.2f (goal >= 0.8) %s\n", ratio, ratio >= 0.8 ? "met" : "MISSED");
    std::printf("slowest / median download: %.2f (goal <= 1.5) %s\n", slowest / downloadMedian,
                slowest / downloadMedian <= 1.5 ? "met" : "MISSED");
    return 0;
}

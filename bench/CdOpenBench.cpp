// Open-to-playing time of an audio CD image through the CD engine: the image is opened (track
// table read), its first track started, and the clock stops when the device reports a position
// past the track's start. Prints each run and the median.
//   bench_cd_open [--runs N] [--tracks N]

#include "BenchSupport.h"
#include "media/MCICD.h"
#include "support/CdImages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int runs = 7;
    int trackCount = 20;
    const QStringList arguments = QApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == u"--runs")
            runs = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == u"--tracks")
            trackCount = std::clamp(arguments[i + 1].toInt(), 1, 99);
    }

    QTemporaryDir folder;
    const QString image =
        cd_images::Write(folder.path(), QStringLiteral("disc"),
                         std::vector<cd_images::Track>(trackCount, {cd_images::Seconds(3)}));
    if (image.isEmpty()) {
        std::fprintf(stderr, "cannot write the test image\n");
        return 1;
    }
    std::printf("image: %d tracks of 3 s, .cue + .bin\n", trackCount);

    std::vector<double> openMs;
    std::vector<double> playingMs;
    for (int run = 0; run <= runs; ++run) {
        CMCICD cd{platform::DriveTable()};
        QObject window;
        QElapsedTimer clock;
        clock.start();
        if (!cd.OpenDisc(&window, image + QStringLiteral("/TRACK01.CDA"), false)) {
            std::fprintf(stderr, "the image did not open\n");
            return 1;
        }
        const double opened = clock.nsecsElapsed() / 1e6;
        cd.PlayTrack(1, 0);
        int track = 0;
        while (cd.GetTrackPosition(&track) <= 0 && clock.elapsed() < 10000)
            QTest::qWait(1);
        const double playing = clock.nsecsElapsed() / 1e6;
        cd.CloseDisc();
        if (run == 0) {
            std::printf("  warm-up  open %.1f ms  playing %.1f ms\n", opened, playing);
            continue;
        }
        std::printf("  run %d    open %.1f ms  playing %.1f ms\n", run, opened, playing);
        openMs.push_back(opened);
        playingMs.push_back(playing);
    }
    std::printf("open (track table read)   median %.1f ms of %d runs\n", bench::Median(openMs), runs);
    std::printf("open to playing           median %.1f ms of %d runs\n", bench::Median(playingMs), runs);
    return 0;
}

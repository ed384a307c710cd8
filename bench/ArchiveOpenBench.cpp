// Opening a 100 MB member of a zip through the player, as the window opens it: the time from the
// command to the first sound (the member's position past zero), and the longest gap between two
// beats of a 10 ms timer on the window's thread meanwhile, i.e. the longest the clock and the
// window's painting stood still (goal: no gap over 100 ms). The member is a WAV of noise, deflated.
//   bench_archive_open [--runs N]
// Needs the archive plug-in and sorlin-media beside it; runs on any Qt platform (offscreen is
// enough).

#include "BenchSupport.h"
#include "player/MediaPlayer.h"
#include "plugins/TestArchives.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr size_t kMemberBytes = size_t(100) << 20;
constexpr double kGapGoalMs = 100;
constexpr int kBeatMs = 10;
constexpr int kSoundBoundMs = 120000;

// A PCM WAV header for `dataBytes` of 16-bit stereo at 44.1 kHz.
std::string WavHeader(uint32_t dataBytes)
{
    std::string header;
    const auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    const auto put16 = [&](uint16_t v) {
        header.push_back(static_cast<char>(v & 0xff));
        header.push_back(static_cast<char>(v >> 8));
    };
    header += "RIFF";
    put32(36 + dataBytes);
    header += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(2);
    put32(44100);
    put32(44100 * 4);
    put16(4);
    put16(16);
    header += "data";
    put32(dataBytes);
    return header;
}

struct Run
{
    double firstSoundMs = -1;
    double longestGapMs = 0;
};

Run OpenOnce(const QString& zip, const QString& cache, const QString& pluginFolder)
{
    QWidget owner;
    CMediaPlayer player;
    player.Init(&owner, cache);
    CMediaPlayer::DisplaySettings display;
    display.stillWindow = false;
    display.pluginFolder = pluginFolder;
    player.ApplyDisplaySettings(display);
    player.SetItems({zip}, false, QString());

    Run run;
    QElapsedTimer sinceBeat;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(kBeatMs);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        run.longestGapMs = std::max(run.longestGapMs, static_cast<double>(sinceBeat.nsecsElapsed()) / 1e6);
        sinceBeat.restart();
    });
    beat.start();
    sinceBeat.start();
    const int64_t start = bench::NowUs();
    if (!player.OpenForward(ForwardFrom::kStart)) {
        std::fprintf(stderr, "the member did not open\n");
        return run;
    }
    QElapsedTimer bound;
    bound.start();
    while (bound.elapsed() < kSoundBoundMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, kBeatMs);
        if (player.GetPosition() > 0) {
            run.firstSoundMs = static_cast<double>(bench::NowUs() - start) / 1e3;
            break;
        }
    }
    beat.stop();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int runs = 3;
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == u"--runs")
            runs = std::max(1, arguments[i + 1].toInt());
    }
    const QString pluginFolder = QCoreApplication::applicationDirPath();
    if (!QFile::exists(QDir(pluginFolder).filePath(QStringLiteral("axarchive.spi")))) {
        std::fprintf(stderr, "axarchive.spi is not beside the program\n");
        return 1;
    }
    QTemporaryDir folder;
    const uint32_t dataBytes = static_cast<uint32_t>(kMemberBytes - 44);
    const std::string wav = WavHeader(dataBytes) + testarchives::Bytes(dataBytes, 11);
    const std::string zipBytes = testarchives::Pack(testarchives::Format::Zip, {{"album/long take.wav", wav}},
                                                    "zip:compression-level=1");
    const QString zip = folder.filePath(QStringLiteral("big.zip"));
    QFile file(zip);
    if (zipBytes.empty() || !file.open(QIODevice::WriteOnly) ||
        file.write(zipBytes.data(), qint64(zipBytes.size())) != qint64(zipBytes.size())) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(zip));
        return 1;
    }
    file.close();

    std::vector<double> sounds;
    std::vector<double> gaps;
    for (int i = 0; i < runs; ++i) {
        const QString cache = folder.filePath(QStringLiteral("cache%1").arg(i));
        QDir().mkpath(cache);
        const Run run = OpenOnce(zip, cache, pluginFolder);
        if (run.firstSoundMs < 0) {
            std::fprintf(stderr, "no sound within %d ms\n", kSoundBoundMs);
            return 1;
        }
        sounds.push_back(run.firstSoundMs);
        gaps.push_back(run.longestGapMs);
    }
    const double worstGap = *std::max_element(gaps.begin(), gaps.end());
    std::printf("archive member of %zu MB, %d opens: first sound median %.0f ms; longest frame gap median "
                "%.0f ms, worst %.0f ms (goal <= %.0f ms: %s)\n",
                kMemberBytes >> 20, runs, bench::Median(sounds), bench::Median(gaps), worstGap, kGapGoalMs,
                bench::Verdict(worstGap <= kGapGoalMs));
    return 0;
}

// The archive plug-in (axarchive.spi, loaded from beside this program as the program loads it)
// on a zip of 10,000 small members: GetArchiveInfo again and again, the first call apart from
// the median and the slowest (goal: under 200 ms each), against `unzip -l` on the same zip (goal:
// at most 1.5 times as long) and against a zip of 1,000 such members (goal: at most 11 times as
// long, as near linear as the tools); then one member of 100 MB extracted to memory, deflated and
// stored (goal: under a second). The archives are written once, by libarchive, in a temporary
// folder.
//   bench_archive [--runs N]

#include "BenchSupport.h"
#include "platform/proxy/ArchiveProxy.h"
#include "platform/susie/SusiePlugin.h"
#include "plugins/TestArchives.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kMembers = 10000;
constexpr size_t kBigMemberBytes = size_t(100) << 20;
constexpr int kFewMembers = 1000;
constexpr double kListingGoalMs = 200;
constexpr double kUnzipRatioGoal = 1.5;
constexpr double kGrowthGoal = 11;
constexpr double kExtractGoalMs = 1000;

bool WriteFile(const QString& path, const std::string& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

double ElapsedMs(int64_t startUs)
{
    return static_cast<double>(bench::NowUs() - startUs) / 1e3;
}

// Lists `path` `runs` times; prints the first, median and slowest call and gives the median.
bool MeasureListing(const platform::SusiePlugin& plugin, const QByteArray& path, int runs, size_t expected,
                    double* medianMs)
{
    std::vector<double> times;
    size_t members = 0;
    for (int run = 0; run < runs; ++run) {
        void* listing = nullptr;
        const int64_t start = bench::NowUs();
        const int code = plugin.getArchiveInfo(path.constData(), 0, SPI_INPUT_FILE, &listing);
        times.push_back(ElapsedMs(start));
        if (code != SPI_SUCCESS || !listing) {
            std::fprintf(stderr, "GetArchiveInfo failed: %d\n", code);
            return false;
        }
        members = 0;
        for (const auto* record = static_cast<const SpiFileInfo*>(listing); record->method[0]; ++record)
            ++members;
        std::free(listing);
    }
    const double first = times.front();
    const double median = bench::Median(times);
    const double slowest = *std::max_element(times.begin(), times.end());
    std::printf(
        "GetArchiveInfo, zip of %zu members, %d calls: first %.1f ms, median %.1f ms, slowest %.1f ms "
        "(goal < %.0f ms: %s)\n",
        members, runs, first, median, slowest, kListingGoalMs, bench::Verdict(slowest < kListingGoalMs));
    *medianMs = median;
    return members == expected;
}

// `unzip -l` on `path`, `runs` times; the median in ms, or a negative number without unzip.
double MeasureUnzipListing(const QString& path, int runs)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QProcess unzip;
        unzip.setStandardOutputFile(QProcess::nullDevice());
        const int64_t start = bench::NowUs();
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-l"), path});
        if (!unzip.waitForFinished(60000) || unzip.exitStatus() != QProcess::NormalExit ||
            unzip.exitCode() != 0)
            return -1;
        times.push_back(ElapsedMs(start));
    }
    return bench::Median(times);
}

// The window's listing of `path`: the plug-ins of this program's folder asked through the media
// process, as the player lists an archive; `runs` times after one warm-up call (which starts the
// media process). The median in ms, or a negative number when a call failed.
double MeasureWindowListing(const QString& path, int runs, size_t expected)
{
    platform::ArchiveProxy proxy;
    const QString folder = QCoreApplication::applicationDirPath() + u'/';
    std::vector<double> times;
    for (int run = -1; run < runs; ++run) {
        QString pluginFile;
        std::vector<platform::ArchiveMember> members;
        const int64_t start = bench::NowUs();
        const platform::ArchiveListing listing = proxy.List(folder, path, 100000, &pluginFile, &members);
        const double ms = ElapsedMs(start);
        if (listing != platform::ArchiveListing::kListed || members.size() != expected)
            return -1;
        if (run >= 0)
            times.push_back(ms);
    }
    return bench::Median(times);
}

// Small members as an album collection has them: a few hundred bytes to a few KiB each.
bool WriteAlbums(const QString& path, int count)
{
    std::vector<testarchives::Entry> members;
    members.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "album %03d/track %02d.mp3", i / 100, i % 100);
        members.emplace_back(name, testarchives::Bytes(size_t(200 + (i * 37) % 4000), uint32_t(i)));
    }
    return WriteFile(path, testarchives::Pack(testarchives::Format::Zip, members));
}

// Extracts the only member of `path` to memory and checks it against `expected`.
bool MeasureExtraction(const platform::SusiePlugin& plugin, const QByteArray& path,
                       const std::string& expected, const char* kind)
{
    void* block = nullptr;
    const int64_t start = bench::NowUs();
    const int code = plugin.getFile(path.constData(), 0, &block,
                                    unsigned(SPI_INPUT_FILE) | unsigned(SPI_OUTPUT_MEMORY), nullptr, 0);
    const double ms = ElapsedMs(start);
    if (code != SPI_SUCCESS || !block) {
        std::fprintf(stderr, "GetFile failed: %d\n", code);
        return false;
    }
    const bool same = std::memcmp(block, expected.data(), expected.size()) == 0;
    std::free(block);
    std::printf("GetFile to memory, one %zu MB member, %s: %.0f ms (goal < %.0f ms: %s)%s\n",
                expected.size() >> 20, kind, ms, kExtractGoalMs, bench::Verdict(ms < kExtractGoalMs),
                same ? "" : " WRONG BYTES");
    return same;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 20;
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == u"--runs")
            runs = std::max(1, arguments[i + 1].toInt());
    }

    const platform::SusiePlugin plugin(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("axarchive.spi")));
    if (!plugin.IsLoaded() || !plugin.getArchiveInfo || !plugin.getFile) {
        std::fprintf(stderr, "axarchive.spi is not beside the program\n");
        return 1;
    }
    QTemporaryDir folder;

    const QString many = folder.filePath(QStringLiteral("many.zip"));
    const QString few = folder.filePath(QStringLiteral("few.zip"));
    if (!WriteAlbums(many, kMembers) || !WriteAlbums(few, kFewMembers)) {
        std::fprintf(stderr, "could not write the zips in %s\n", qPrintable(folder.path()));
        return 1;
    }
    double manyMs = 0;
    double fewMs = 0;
    if (!MeasureListing(plugin, QFile::encodeName(few), runs, kFewMembers, &fewMs) ||
        !MeasureListing(plugin, QFile::encodeName(many), runs, kMembers, &manyMs))
        return 1;
    std::printf("the plug-in's listing from %d to %d members: %.1f times as long (goal <= %.0f: %s)\n",
                kFewMembers, kMembers, manyMs / fewMs, kGrowthGoal,
                bench::Verdict(manyMs / fewMs <= kGrowthGoal));
    const double unzipMs = MeasureUnzipListing(many, runs);
    if (unzipMs > 0)
        std::printf(
            "unzip -l, %d members: median %.1f ms; the plug-in's listing %.2f times as long (goal <= %.1f: "
            "%s)\n",
            kMembers, unzipMs, manyMs / unzipMs, kUnzipRatioGoal,
            bench::Verdict(manyMs / unzipMs <= kUnzipRatioGoal));
    else
        std::printf("unzip -l could not be run: no comparison\n");
    const double windowFewMs = MeasureWindowListing(few, runs, kFewMembers);
    const double windowManyMs = MeasureWindowListing(many, runs, kMembers);
    if (windowFewMs <= 0 || windowManyMs <= 0) {
        std::fprintf(stderr, "the window's listing through the media process failed\n");
        return 1;
    }
    std::printf(
        "the window's listing (through the media process), median: %d members %.1f ms, %d members %.1f ms, "
        "%.1f times as long (goal <= %.0f: %s)\n",
        kFewMembers, windowFewMs, kMembers, windowManyMs, windowManyMs / windowFewMs, kGrowthGoal,
        bench::Verdict(windowManyMs / windowFewMs <= kGrowthGoal));
    if (unzipMs > 0)
        std::printf(
            "the window's listing of %d members against unzip -l: %.2f times as long (goal <= %.1f: %s)\n",
            kMembers, windowManyMs / unzipMs, kUnzipRatioGoal,
            bench::Verdict(windowManyMs / unzipMs <= kUnzipRatioGoal));

    const std::string big = testarchives::Bytes(kBigMemberBytes, 7);
    const struct
    {
        testarchives::Format format;
        const char* kind;
        const char* options;
    } kinds[] = {{testarchives::Format::Zip, "deflated", "zip:compression-level=1"},
                 {testarchives::Format::ZipStored, "stored", nullptr}};
    for (const auto& kind : kinds) {
        const QString path = folder.filePath(QStringLiteral("big.zip"));
        if (!WriteFile(path, testarchives::Pack(kind.format, {{"big.bin", big}}, kind.options))) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        if (!MeasureExtraction(plugin, QFile::encodeName(path), big, kind.kind))
            return 1;
    }
    return 0;
}

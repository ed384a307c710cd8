// The archive plug-in (axarchive.spi, loaded from beside this program as the program loads it)
// on a zip of 10,000 small members: GetArchiveInfo again and again, the first call apart from
// the median and the slowest (goal: under 200 ms each); then one member of 100 MB extracted to
// memory, deflated and stored (goal: under a second). The archives are written once, by
// libarchive, in a temporary folder.
//   bench_archive [--runs N]

#include "BenchSupport.h"
#include "platform/susie/SusiePlugin.h"
#include "plugins/TestArchives.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
constexpr double kListingGoalMs = 200;
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

// Lists `path` `runs` times; prints the first, median and slowest call.
bool MeasureListing(const platform::SusiePlugin& plugin, const QByteArray& path, int runs)
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
    return members == size_t(kMembers);
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

    // Small members as an album collection has them: a few hundred bytes to a few KiB each.
    std::vector<testarchives::Entry> members;
    members.reserve(kMembers);
    for (int i = 0; i < kMembers; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "album %03d/track %02d.mp3", i / 100, i % 100);
        members.emplace_back(name, testarchives::Bytes(size_t(200 + (i * 37) % 4000), uint32_t(i)));
    }
    const QString many = folder.filePath(QStringLiteral("many.zip"));
    if (!WriteFile(many, testarchives::Pack(testarchives::Format::Zip, members))) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(many));
        return 1;
    }
    if (!MeasureListing(plugin, QFile::encodeName(many), runs))
        return 1;

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

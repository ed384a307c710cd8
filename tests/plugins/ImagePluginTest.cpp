#include "ProgressLog.h"
#include "TestPictures.h"
#include "platform/susie/SusiePlugin.h"
#include "support/Fifo.h"
#include "support/Spawn.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

using namespace testpictures;

// A decoded picture copied out of the plug-in's blocks, which are freed at once.
struct Picture
{
    int code = -100;
    bool pointersNull = false; // both out pointers were null when GetPicture returned
    QByteArray info;
    QByteArray pixels;

    qint32 Field(int offset, int bytes = 4) const
    {
        quint32 value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = (value << 8) | static_cast<unsigned char>(info[offset + i]);
        return bytes == 2 ? qint32(qint16(value)) : qint32(value);
    }
    int Width() const { return Field(4); }
    int Height() const { return Field(8); }
    int RowBytes() const { return (Width() * 3 + 3) & ~3; }
    // Blue, green, red of the pixel `y` rows from the top.
    std::vector<int> Bgr(int x, int y) const
    {
        const qsizetype at = qsizetype(Height() - 1 - y) * RowBytes() + 3 * x;
        return {static_cast<unsigned char>(pixels[at]), static_cast<unsigned char>(pixels[at + 1]),
                static_cast<unsigned char>(pixels[at + 2])};
    }
};

std::vector<int> BgrOf(QRgb colour)
{
    return {qBlue(colour), qGreen(colour), qRed(colour)};
}

// Every pixel a colour of its own, so that a flipped or shifted row shows.
QRgb PatternColour(int x, int y)
{
    return qRgb(10 + 40 * x, 20 + 70 * y, 250 - 30 * x - 10 * y);
}

QImage Pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, PatternColour(x, y));
    }
    return image;
}

QByteArray RandomBytes(int size)
{
    std::mt19937 random(12345);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xff);
    return bytes;
}

class ImagePluginTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(plugin.IsLoaded());
        ASSERT_TRUE(plugin.getPluginInfo && plugin.isSupported && plugin.getPicture);
    }

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
            << name.toStdString();
        return path;
    }

    QString Info(int number, int length = 256)
    {
        QByteArray buffer(length, '\0');
        const int written = plugin.getPluginInfo(number, buffer.data(), length);
        return written > 0 ? QString::fromUtf8(buffer.left(written)) : QString();
    }

    // IsSupported with a descriptor probe; the descriptor's position must be left alone.
    bool SupportedByDescriptor(const QString& path)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        EXPECT_GE(fd, 0);
        const off_t position = ::lseek(fd, 3, SEEK_SET);
        const bool supported = plugin.isSupported(QFile::encodeName(path).constData(), fd) != 0;
        EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), position) << "the probe moved the descriptor";
        ::close(fd);
        return supported;
    }

    // IsSupported with a buffer probe: the file's start, zero-padded to 2 KiB.
    bool SupportedByBuffer(const QString& path, const QByteArray& bytes)
    {
        QByteArray start = bytes.left(2048);
        start.resize(2048, '\0');
        return plugin.isSupported(QFile::encodeName(path).constData(),
                                  reinterpret_cast<intptr_t>(start.data())) != 0;
    }

    Picture Get(const char* buffer, intptr_t length, unsigned flag, SpiProgressCallback progress = nullptr,
                intptr_t data = 0)
    {
        void* info = reinterpret_cast<void*>(0x1); // must be overwritten
        void* pixels = reinterpret_cast<void*>(0x1);
        Picture picture;
        picture.code = plugin.getPicture(buffer, length, flag, &info, &pixels, progress, data);
        picture.pointersNull = !info && !pixels;
        if (picture.code == SPI_SUCCESS && info && pixels) {
            picture.info = QByteArray(static_cast<const char*>(info), 40);
            picture.pixels = QByteArray(static_cast<const char*>(pixels), picture.Field(20));
        }
        if (picture.code == SPI_SUCCESS) {
            std::free(info);
            std::free(pixels);
        }
        return picture;
    }

    Picture GetFile(const QString& path, intptr_t offset = 0, SpiProgressCallback progress = nullptr,
                    intptr_t data = 0)
    {
        const QByteArray name = QFile::encodeName(path);
        return Get(name.constData(), offset, SPI_INPUT_FILE, progress, data);
    }

    Picture GetMemory(const QByteArray& bytes, SpiProgressCallback progress = nullptr, intptr_t data = 0)
    {
        return Get(bytes.constData(), bytes.size(), SPI_INPUT_MEMORY, progress, data);
    }

    // A pattern picture as 24-bit rows, bottom-up, blue-green-red, padded to 4 bytes.
    static void ExpectPattern(const Picture& picture, int width, int height)
    {
        ASSERT_EQ(picture.code, SPI_SUCCESS);
        EXPECT_EQ(picture.Field(0), 40);
        EXPECT_EQ(picture.Width(), width);
        EXPECT_EQ(picture.Height(), height);
        EXPECT_EQ(picture.Field(12, 2), 1);
        EXPECT_EQ(picture.Field(14, 2), 24);
        EXPECT_EQ(picture.Field(16), 0);
        EXPECT_EQ(picture.Field(20), picture.RowBytes() * height);
        ASSERT_EQ(picture.pixels.size(), picture.RowBytes() * height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(picture.Bgr(x, y), BgrOf(PatternColour(x, y))) << x << "," << y;
            for (int pad = width * 3; pad < picture.RowBytes(); ++pad)
                EXPECT_EQ(picture.pixels[y * picture.RowBytes() + pad], '\0') << "padding of row " << y;
        }
    }

    QTemporaryDir dir;
    platform::SusiePlugin plugin{QStringLiteral(SORLIN_TEST_IMAGE_PLUGIN)};
};

TEST_F(ImagePluginTest, TellsItsVersionNameAndFileTypes)
{
    EXPECT_EQ(plugin.Version(), QStringLiteral("00IN"));
    EXPECT_FALSE(plugin.IsArchivePlugin());
    EXPECT_FALSE(Info(1).isEmpty());
    const QStringList patterns = Info(2).split(u';');
    for (const char* pattern : {"*.png", "*.jpg", "*.jpeg", "*.gif"})
        EXPECT_TRUE(patterns.contains(QLatin1String(pattern))) << pattern;
    EXPECT_FALSE(patterns.contains(QStringLiteral("*.bmp")));
    EXPECT_FALSE(Info(3).isEmpty());
    EXPECT_EQ(Info(4), QString());
    EXPECT_EQ(Info(-1), QString());

    // A short buffer gets what fits and no terminator.
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(plugin.getPluginInfo(0, small, 2), 2);
    EXPECT_EQ(QByteArray(small, 4), QByteArray("00xx"));
    EXPECT_EQ(plugin.getPluginInfo(0, small, 0), 0);
}

TEST_F(ImagePluginTest, RecognisesPicturesByTheirContent)
{
    const QImage image = Pattern(5, 3);
    const struct
    {
        const char* name; // names that say nothing of the content
        QByteArray bytes;
    } pictures[] = {
        {"picture.dat", Encoded(image, "png")},
        {"photo", Encoded(image, "jpg")},
        {"anim.txt", Gif(2, 2, {0xff0000ffu, 0xffff0000u}, {0, 1, 1, 0})},
        {"raw.img", Encoded(image, "ppm")}, // another format Qt reads, in its binary kind
    };
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.name);
        ASSERT_FALSE(picture.bytes.isEmpty());
        const QString path = Write(QString::fromLatin1(picture.name), picture.bytes);
        EXPECT_TRUE(SupportedByDescriptor(path));
        EXPECT_TRUE(SupportedByBuffer(path, picture.bytes));
    }
}

TEST_F(ImagePluginTest, RefusesBmpTextNoiseAndEmptyFiles)
{
    const QImage image = Pattern(5, 3);
    const struct
    {
        const char* name;
        QByteArray bytes;
    } others[] = {
        {"picture.bmp", Encoded(image, "bmp")},
        {"list.m3u", "#EXTM3U\n#EXTINF:123,Artist - Title\n/music/song.mp3\n"},
        {"p5.m3u", "P5 - Live.mp3\nP6 Encore.mp3\n"}, // a netpbm signature, but text
        {"plain.ppm", "P3\n2 1\n255\n255 0 0 0 255 0\n"},
        {"note.txt", "P6 12 3 255 was the room; bring 4 copies\n"}, // a whole binary PPM header
        {"icon.xpm", Encoded(image, "xpm")},
        {"noise.png", RandomBytes(4096)},
        {"empty.png", QByteArray()},
    };
    for (const auto& other : others) {
        SCOPED_TRACE(other.name);
        const QString path = Write(QString::fromLatin1(other.name), other.bytes);
        EXPECT_FALSE(SupportedByDescriptor(path));
        EXPECT_FALSE(SupportedByBuffer(path, other.bytes));
        const Picture picture = GetFile(path);
        EXPECT_EQ(picture.code, SPI_UNKNOWN_FORMAT);
        EXPECT_TRUE(picture.pointersNull);
    }
}

TEST_F(ImagePluginTest, DecodesBottomUpBlueGreenRedRowsPaddedToFourBytes)
{
    for (const int width : {3, 5, 4}) {
        SCOPED_TRACE(width);
        const QByteArray png = Encoded(Pattern(width, 3), "png");
        const QString path = Write(QStringLiteral("pattern%1.png").arg(width), png);
        ExpectPattern(GetFile(path), width, 3);
        ExpectPattern(GetMemory(png), width, 3);
        // The same picture after 128 bytes of something else.
        const QString packed = Write(QStringLiteral("packed%1.bin").arg(width), RandomBytes(128) + png);
        ExpectPattern(GetFile(packed, 128), width, 3);
    }
}

TEST_F(ImagePluginTest, DecodesGifAndJpeg)
{
    const std::vector<QRgb> palette = {qRgb(255, 0, 0), qRgb(0, 128, 255), qRgb(1, 2, 3), qRgb(250, 250, 0)};
    const std::vector<int> indices = {0, 1, 2, 3, 0, 3, 2, 1, 0, 0, 1, 1, 2, 2, 3};
    const Picture gif = GetMemory(Gif(5, 3, palette, indices));
    ASSERT_EQ(gif.code, SPI_SUCCESS);
    ASSERT_EQ(gif.Width(), 5);
    ASSERT_EQ(gif.Height(), 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(gif.Bgr(x, y), BgrOf(palette[size_t(indices[size_t(y * 5 + x)])])) << x << "," << y;
    }

    // JPEG is lossy: large flat areas keep their colour closely.
    QImage halves(32, 32, QImage::Format_RGB32);
    halves.fill(qRgb(200, 40, 20));
    for (int y = 16; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            halves.setPixel(x, y, qRgb(20, 60, 220));
    }
    const Picture jpeg = GetFile(Write(QStringLiteral("halves.jpg"), Encoded(halves, "jpg")));
    ASSERT_EQ(jpeg.code, SPI_SUCCESS);
    ASSERT_EQ(jpeg.Width(), 32);
    ASSERT_EQ(jpeg.Height(), 32);
    const std::vector<int> top = jpeg.Bgr(4, 4);
    const std::vector<int> bottom = jpeg.Bgr(4, 28);
    const std::vector<int> wantTop = BgrOf(qRgb(200, 40, 20));
    const std::vector<int> wantBottom = BgrOf(qRgb(20, 60, 220));
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_NEAR(top[size_t(channel)], wantTop[size_t(channel)], 8) << channel;
        EXPECT_NEAR(bottom[size_t(channel)], wantBottom[size_t(channel)], 8) << channel;
    }
}

TEST_F(ImagePluginTest, ComposesTransparencyOverBlack)
{
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 255, 255, 0));  // transparent
    image.setPixel(1, 0, qRgba(200, 100, 50, 128)); // half
    image.setPixel(2, 0, qRgba(10, 20, 30, 255));   // opaque
    const Picture picture = GetMemory(Encoded(image, "png"));
    ASSERT_EQ(picture.code, SPI_SUCCESS);
    EXPECT_EQ(picture.Bgr(0, 0), (std::vector<int>{0, 0, 0}));
    const std::vector<int> half = picture.Bgr(1, 0);
    EXPECT_NEAR(half[0], 25, 1);
    EXPECT_NEAR(half[1], 50, 1);
    EXPECT_NEAR(half[2], 100, 1);
    EXPECT_EQ(picture.Bgr(2, 0), (std::vector<int>{30, 20, 10}));
}

TEST_F(ImagePluginTest, BrokenAndUnreadableInputGiveErrorCodes)
{
    const QByteArray png = Encoded(Noise(64, 64), "png");
    const QByteArray cut = png.left(png.size() / 2);
    const QString cutPath = Write(QStringLiteral("cut.png"), cut);
    EXPECT_TRUE(SupportedByDescriptor(cutPath)); // its start is a PNG's
    const struct
    {
        const char* what;
        Picture picture;
        int code;
    } cases[] = {
        {"cut file", GetFile(cutPath), SPI_BROKEN_DATA},
        {"cut memory", GetMemory(cut), SPI_BROKEN_DATA},
        {"noise in memory", GetMemory(RandomBytes(5000)), SPI_UNKNOWN_FORMAT},
        {"no bytes", GetMemory(QByteArray()), SPI_UNKNOWN_FORMAT},
        {"missing file", GetFile(dir.filePath(QStringLiteral("missing.png"))), SPI_READ_ERROR},
        {"a folder", GetFile(dir.path()), SPI_READ_ERROR},
        {"offset past the end", GetFile(Write(QStringLiteral("whole.png"), png), png.size() + 1),
         SPI_READ_ERROR},
        {"offset into the middle", GetFile(dir.filePath(QStringLiteral("whole.png")), 9), SPI_UNKNOWN_FORMAT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.picture.code, c.code);
        EXPECT_TRUE(c.picture.pointersNull);
    }
}

TEST_F(ImagePluginTest, PipesAndDevicesAreRefusedWithoutWaiting)
{
    const QString fifo = testsupport::MakeFifo(dir.filePath(QStringLiteral("pipe.png")));
    ASSERT_FALSE(fifo.isEmpty());
    Picture picture;
    EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { picture = GetFile(fifo); }))
        << "the plug-in waited for a writer";
    EXPECT_EQ(picture.code, SPI_READ_ERROR);
    EXPECT_TRUE(picture.pointersNull);

    // Read as a file, /dev/zero would be a picture of no bytes: an unknown format, not a read error.
    const QString zero = dir.filePath(QStringLiteral("zero.png"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const Picture device = GetFile(zero);
    EXPECT_EQ(device.code, SPI_READ_ERROR);
    EXPECT_TRUE(device.pointersNull);
}

TEST_F(ImagePluginTest, RefusesOversizedPicturesFromTheirHeader)
{
    const QByteArray small = Encoded(Pattern(1, 1), "png");
    const struct
    {
        quint32 width;
        quint32 height;
    } sizes[] = {{100000, 100000}, {16385, 1}, {1, 20000}, {16000, 16000}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        const QByteArray claim = PngClaimingSize(small, size.width, size.height);
        const QString path = Write(QStringLiteral("huge.png"), claim);
        EXPECT_TRUE(SupportedByDescriptor(path));
        const Picture picture = GetFile(path);
        EXPECT_EQ(picture.code, SPI_NO_MEMORY);
        EXPECT_TRUE(picture.pointersNull);
    }
    // A correct header that lies about less than the bound is merely broken.
    EXPECT_EQ(GetMemory(PngClaimingSize(small, 300, 300)).code, SPI_BROKEN_DATA);
    // The longest side taken is read.
    const Picture wide = GetMemory(Encoded(Pattern(1, 1).scaled(16384, 2), "png"));
    ASSERT_EQ(wide.code, SPI_SUCCESS);
    EXPECT_EQ(wide.Width(), 16384);
    EXPECT_EQ(wide.Bgr(16383, 1), BgrOf(PatternColour(0, 0)));
}

TEST_F(ImagePluginTest, ProgressIsReportedAndCanStopDecoding)
{
    const QByteArray png = Encoded(Pattern(7, 200), "png");
    ProgressLog full;
    ASSERT_EQ(GetMemory(png, RecordProgress, reinterpret_cast<intptr_t>(&full)).code, SPI_SUCCESS);
    ASSERT_GE(full.calls.size(), 3u);
    EXPECT_EQ(full.calls.front().first, 0);
    EXPECT_EQ(full.calls.back().first, full.calls.back().second);
    for (size_t i = 1; i < full.calls.size(); ++i)
        EXPECT_LE(full.calls[i - 1].first, full.calls[i].first);

    // Stopping at any report, the last one included, leaves nothing behind.
    for (int stopAt = 0; stopAt < int(full.calls.size()); ++stopAt) {
        SCOPED_TRACE(stopAt);
        ProgressLog log;
        log.stopAt = stopAt;
        const Picture picture =
            GetFile(Write(QStringLiteral("p.png"), png), 0, RecordProgress, reinterpret_cast<intptr_t>(&log));
        EXPECT_EQ(picture.code, SPI_ABORTED);
        EXPECT_TRUE(picture.pointersNull);
        EXPECT_EQ(int(log.calls.size()), stopAt + 1);
    }
}

TEST_F(ImagePluginTest, WorksInAProcessWithoutQtApplication)
{
    const QImage image = Pattern(5, 3);
    const QStringList files = {
        Write(QStringLiteral("a.png"), Encoded(image, "png")),
        Write(QStringLiteral("b.gif"), Gif(2, 1, {qRgb(9, 99, 199), qRgb(0, 0, 0)}, {0, 1})),
        Write(QStringLiteral("c.jpg"), Encoded(image.scaled(40, 40), "jpg")),
        Write(QStringLiteral("d.bmp"), Encoded(image, "bmp")),
    };
    testsupport::SpawnOptions separate;
    separate.mergeErrors = false;
    separate.timeoutMs = 60000;
    const testsupport::Spawned run =
        testsupport::Spawn(QStringLiteral(SORLIN_TEST_NOAPP_DECODER),
                           QStringList{QStringLiteral(SORLIN_TEST_IMAGE_PLUGIN)} + files, separate);
    ASSERT_TRUE(run.finished);
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QStringList lines = QString::fromLatin1(run.output).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    const QRgb corner = PatternColour(0, 0);
    EXPECT_EQ(lines[0],
              QStringLiteral("1 0 5 3 %1 %2 %3").arg(qBlue(corner)).arg(qGreen(corner)).arg(qRed(corner)));
    EXPECT_EQ(lines[1], QStringLiteral("1 0 2 1 199 99 9"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("1 0 40 40 "))) << lines[2].toStdString();
    EXPECT_EQ(lines[3], QStringLiteral("0 %1 0 0 0 0 0").arg(SPI_UNKNOWN_FORMAT));
    EXPECT_EQ(lines[4], QStringLiteral("application 0"));
}

// A PNG picture, the usual skin background, is known by its signature and read by Qt's own
// reader: no image plug-in of Qt's (nor the JPEG library behind one) is loaded for it. A JPEG
// picture does load Qt's JPEG plug-in, which shows the count sees them.
TEST_F(ImagePluginTest, APngLoadsNoneOfQtsImagePlugIns)
{
    const QImage image = Pattern(5, 3);
    const auto decode = [&](const QString& file) {
        testsupport::SpawnOptions separate;
        separate.mergeErrors = false;
        separate.timeoutMs = 60000;
        const testsupport::Spawned run =
            testsupport::Spawn(QStringLiteral(SORLIN_TEST_NOAPP_DECODER),
                               {QStringLiteral(SORLIN_TEST_IMAGE_PLUGIN), file}, separate);
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        return QString::fromLatin1(run.output).split(u'\n', Qt::SkipEmptyParts);
    };
    const QStringList png = decode(Write(QStringLiteral("a.png"), Encoded(image, "png")));
    ASSERT_EQ(png.size(), 3);
    EXPECT_TRUE(png[0].startsWith(QStringLiteral("1 0 5 3 "))) << png[0].toStdString();
    EXPECT_EQ(png[2].toStdString(), "qt-image-plugins 0");

    const QStringList jpeg = decode(Write(QStringLiteral("c.jpg"), Encoded(image.scaled(40, 40), "jpg")));
    ASSERT_EQ(jpeg.size(), 3);
    EXPECT_TRUE(jpeg[0].startsWith(QStringLiteral("1 0 40 40 "))) << jpeg[0].toStdString();
    EXPECT_NE(jpeg[2].toStdString(), "qt-image-plugins 0");
}

} // namespace

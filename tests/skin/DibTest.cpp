#include "skin/Dib.h"
#include "Bmp.h"
#include "support/Fifo.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <tuple>

#include <gtest/gtest.h>

namespace {

class DibTest : public ::testing::Test
{
protected:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(bmp::Write(path, bytes));
        return path;
    }
    // A plug-in folder holding the test plug-ins named in `names`.
    QString PluginFolder(const QStringList& names)
    {
        const QString folder = dir.filePath(QStringLiteral("plugins"));
        QDir().mkpath(folder);
        for (const QString& name : names)
            EXPECT_TRUE(QFile::copy(QStringLiteral(SORLIN_TEST_PLUGIN_DIR) + name, folder + u'/' + name))
                << name.toStdString();
        return folder;
    }
    QTemporaryDir dir;
};

TEST_F(DibTest, BitmapsLoadWithTheirColoursSizeAndRowOrder)
{
    bmp::Spec spec;
    spec.width = 5; // rows padded to 16 bytes
    spec.height = 3;
    spec.colour = [](int x, int y) { return qRgb(10 * x, 100 + y, 200); };
    CDib dib;
    ASSERT_TRUE(dib.Load(Write(QStringLiteral("a.bmp"), bmp::File(spec))));
    EXPECT_EQ(dib.SourceRect(), QRect(0, 0, 5, 3));
    EXPECT_FALSE(dib.IsTopDown());
    // Colours come back red in the lowest byte, read from blue-green-red bytes, top row first.
    EXPECT_EQ(dib.PixelColor(4, 0), RGB(40, 100, 200));
    EXPECT_EQ(dib.PixelColor(1, 2), RGB(10, 102, 200));
    EXPECT_EQ(dib.PixelColor(5, 0), 0u);
    EXPECT_EQ(dib.PixelColor(0, -1), 0u);
    EXPECT_EQ(dib.Image().pixel(4, 0), qRgb(40, 100, 200));

    // An 8-bit top-down picture has a palette; the pixel reader does not read it.
    bmp::Spec indexed;
    indexed.bitCount = 8;
    indexed.topDown = true;
    indexed.palette = {qRgb(255, 0, 0), qRgb(0, 0, 255)};
    indexed.index = [](int x, int) { return x % 2; };
    CDib eight;
    ASSERT_TRUE(eight.Load(Write(QStringLiteral("b.BMP"), bmp::File(indexed))));
    EXPECT_TRUE(eight.IsTopDown());
    EXPECT_EQ(eight.SourceRect(), QRect(0, 0, 4, 4));
    EXPECT_EQ(eight.Palette(), (QVector<QRgb>{qRgb(255, 0, 0), qRgb(0, 0, 255)}));
    EXPECT_EQ(eight.PixelColor(0, 0), 0u);
    EXPECT_EQ(eight.Image().pixel(1, 3), qRgb(0, 0, 255));

    // Drawn at its own size, the top-down picture is the right way up.
    QImage canvas(4, 4, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    EXPECT_TRUE(eight.Draw(painter, QRect(0, 0, 4, 4), false));
    painter.end();
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(1, 0), qRgb(0, 0, 255));
}

TEST_F(DibTest, CoverKeepsTheAspectAndCentres)
{
    EXPECT_EQ(CDib::CoverSource(QSize(200, 100), QSize(100, 100)), QRect(50, 0, 100, 100));
    EXPECT_EQ(CDib::CoverSource(QSize(100, 200), QSize(100, 100)), QRect(0, 50, 100, 100));
    EXPECT_EQ(CDib::CoverSource(QSize(50, 50), QSize(100, 100)), QRect(0, 0, 50, 50));
    EXPECT_EQ(CDib::CoverSource(QSize(0, 0), QSize(7, 7)), QRect());
    // However long and thin the picture, the part stays inside it and is at least a pixel.
    EXPECT_EQ(CDib::CoverSource(QSize(1, 30000000), QSize(1920, 1080)), QRect(0, 14999999, 1, 1));
    EXPECT_EQ(CDib::CoverSource(QSize(2147483647, 1), QSize(1, 2147483647)), QRect(1073741823, 0, 1, 1));

    bmp::Spec wide;
    wide.width = 200;
    wide.height = 100;
    wide.colour = [](int x, int) { return x < 100 ? qRgb(255, 0, 0) : qRgb(0, 255, 0); };
    CDib dib;
    ASSERT_TRUE(dib.Load(Write(QStringLiteral("wide.bmp"), bmp::File(wide))));
    QImage canvas(100, 100, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    ASSERT_TRUE(dib.Draw(painter, QRect(0, 0, 100, 100), true));
    painter.end();
    // The middle of the picture is in the middle of the square; its ends are cut.
    EXPECT_EQ(qRed(canvas.pixel(40, 50)), 255);
    EXPECT_EQ(qGreen(canvas.pixel(60, 50)), 255);
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 0, 0));
}

TEST_F(DibTest, APictureDrawnAtOneSizeThenAnotherLooksAsIfDrawnAfresh)
{
    // The background is drawn smoothed at the window's size at every paint, and at another size
    // when the window changes: each looks as a picture loaded for that size alone does.
    bmp::Spec spec;
    spec.width = 120;
    spec.height = 80;
    spec.colour = [](int x, int y) { return qRgb(x * 2, y * 3, (x + y) & 0xff); };
    const QString file = Write(QStringLiteral("back.bmp"), bmp::File(spec));
    const auto draw = [](const CDib& dib, QSize size, bool keepAspect) {
        QImage canvas(size, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        EXPECT_TRUE(dib.Draw(painter, QRect(QPoint(), size), keepAspect));
        return canvas;
    };
    CDib kept;
    ASSERT_TRUE(kept.Load(file));
    const struct
    {
        QSize size;
        bool keepAspect;
    } paints[] = {{{60, 40}, false}, {{60, 40}, false}, {{120, 80}, false}, {{60, 40}, true},
                  {{90, 90}, true},  {{120, 80}, true}, {{60, 40}, false}};
    for (const auto& paint : paints) {
        CDib fresh;
        ASSERT_TRUE(fresh.Load(file));
        EXPECT_EQ(draw(kept, paint.size, paint.keepAspect), draw(fresh, paint.size, paint.keepAspect))
            << paint.size.width() << "x" << paint.size.height() << (paint.keepAspect ? " kept" : "");
    }
}

TEST_F(DibTest, BrokenBitmapsAreRefusedAndTheOldPictureStays)
{
    bmp::Spec spec;
    spec.colour = [](int, int) { return qRgb(1, 2, 3); };
    const QByteArray good = bmp::File(spec);
    CDib dib;
    ASSERT_TRUE(dib.Load(Write(QStringLiteral("good.bmp"), good)));

    QByteArray hugeSize = good;
    bmp::SetLe32(hugeSize, 2, 0xfffffff0u);
    QByteArray truncated = good.left(good.size() - 10);
    bmp::SetLe32(truncated, 2, static_cast<quint32>(good.size()));
    QByteArray badHeader = good;
    bmp::SetLe32(badHeader, 14, 7);
    QByteArray notBm = good;
    notBm[0] = 'X';
    const QByteArray cases[] = {hugeSize, truncated, badHeader, notBm, QByteArray("BM"), QByteArray()};
    int n = 0;
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(dib.Load(Write(QStringLiteral("bad%1.bmp").arg(n++), bytes)));
        EXPECT_EQ(dib.SourceRect(), QRect(0, 0, 4, 4));
        EXPECT_EQ(dib.PixelColor(0, 0), RGB(1, 2, 3));
    }
    EXPECT_FALSE(dib.Load(dir.filePath(QStringLiteral("missing.bmp"))));

    // Headers whose sizes cannot be drawn or read load, but give no picture and no pixels.
    const auto withSize = [&](int width, int height, int bits) {
        QByteArray bytes = good;
        bmp::SetLe32(bytes, 18, static_cast<quint32>(width));
        bmp::SetLe32(bytes, 22, static_cast<quint32>(height));
        bytes[28] = static_cast<char>(bits);
        return bytes;
    };
    for (const QByteArray& bytes : {withSize(0, 0, 24), withSize(100000, 100000, 24), withSize(-5, 4, 24),
                                    withSize(4, 4, 99), withSize(60000, 60000, 32)}) {
        CDib odd;
        odd.Load(Write(QStringLiteral("odd.bmp"), bytes));
        EXPECT_EQ(odd.PixelColor(1, 1), 0u);
        QImage canvas(8, 8, QImage::Format_RGB32);
        QPainter painter(&canvas);
        odd.Draw(painter, QRect(0, 0, 8, 8), true); // must not read outside the block
    }

    // Run-length data is drawn by the image reader and never read by the pixel reader.
    QByteArray rle = bmp::File([] {
        bmp::Spec s;
        s.bitCount = 8;
        s.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        return s;
    }());
    rle[14 + 16] = 1; // compression: run-length 8
    CDib compressed;
    compressed.Load(Write(QStringLiteral("rle.bmp"), rle));
    EXPECT_EQ(compressed.PixelColor(0, 0), 0u);

    // A small run-length file may claim any size: past 16384 a side or 256 MiB decoded it is
    // refused before anything is decoded, and the picture shown stays.
    const std::tuple<int, int, bool> claims[] = {{60000, 60000, false},
                                                 {16385, 1, false},
                                                 {1, 16385, false},
                                                 {16384, 16384, false},
                                                 {16384, 4096, true}};
    for (const auto& [width, height, taken] : claims) {
        QByteArray claim = rle;
        bmp::SetLe32(claim, 18, static_cast<quint32>(width));
        bmp::SetLe32(claim, 22, static_cast<quint32>(height));
        EXPECT_EQ(dib.Load(Write(QStringLiteral("claim.bmp"), claim)), taken) << width << "x" << height;
        if (!taken) {
            EXPECT_EQ(dib.SourceRect(), QRect(0, 0, 4, 4));
        }
        ASSERT_TRUE(dib.Load(dir.filePath(QStringLiteral("good.bmp"))));
    }
}

TEST_F(DibTest, PlaylistsAreNeverPicturesAndBitmapNamesNeverGoToPlugIns)
{
    CDib dib;
    dib.SetPluginFolder(PluginFolder({QStringLiteral("stubimage.spi")}));
    bmp::Spec spec;
    EXPECT_FALSE(dib.Load(Write(QStringLiteral("list.m3u"), bmp::File(spec))));
    EXPECT_FALSE(dib.Load(Write(QStringLiteral("list.M3U"), QByteArray("FAKEIMG1 anything"))));
    EXPECT_TRUE(dib.IsEmpty());
    // A .bmp that is really another format fails: the plug-ins are not asked.
    EXPECT_FALSE(dib.Load(Write(QStringLiteral("fake.bmp"), QByteArray("FAKEIMG1 anything"))));
    // Any other name with a bitmap inside loads through the fallback.
    EXPECT_TRUE(dib.Load(Write(QStringLiteral("picture.dat"), bmp::File(spec))));
}

TEST_F(DibTest, PlugInsAreAskedByFileThenByMemory)
{
    CDib dib;
    dib.SetPluginFolder(PluginFolder({QStringLiteral("stubimage.spi"), QStringLiteral("stubarchive.spi")}));
    QByteArray macHeader(128, 'j');

    ASSERT_TRUE(dib.Load(Write(QStringLiteral("a.fake"), QByteArray("FAKEIMG1 data"))));
    EXPECT_EQ(dib.SourceRect(), QRect(0, 0, 2, 1));
    EXPECT_EQ(dib.PixelColor(0, 0), RGB(255, 0, 0)) << "by file, from its start";

    ASSERT_TRUE(dib.Load(Write(QStringLiteral("b.fake"), macHeader + "FAKEIMG1 data")));
    EXPECT_EQ(dib.PixelColor(1, 0), RGB(0, 0, 255)) << "by file, after a 128-byte header";

    ASSERT_TRUE(dib.Load(Write(QStringLiteral("c.memonly"), QByteArray("FAKEIMG1 data"))));
    EXPECT_EQ(dib.PixelColor(0, 0), RGB(0, 255, 0)) << "from memory";
    ASSERT_TRUE(dib.Load(Write(QStringLiteral("d.memonly"), macHeader + "FAKEIMG1 data")));
    EXPECT_EQ(dib.PixelColor(0, 0), RGB(0, 255, 0)) << "from memory, after a 128-byte header";

    // Nothing takes it, and it is no bitmap: the archive plug-in, which takes everything,
    // is never asked for a picture.
    EXPECT_FALSE(dib.Load(Write(QStringLiteral("e.fake"), QByteArray("something else entirely"))));
    EXPECT_EQ(dib.PixelColor(0, 0), RGB(0, 255, 0));
}

TEST_F(DibTest, PipesAreRefusedWithoutWaitingAndThePictureStays)
{
    CDib dib;
    dib.SetPluginFolder(PluginFolder({QStringLiteral("stubimage.spi")}));
    ASSERT_TRUE(dib.Load(Write(QStringLiteral("a.fake"), QByteArray("FAKEIMG1 data"))));
    // A bitmap name is read as a bitmap, any other goes to the plug-ins first.
    for (const char* name : {"pipe.bmp", "pipe.fake"}) {
        SCOPED_TRACE(name);
        const QString fifo = testsupport::MakeFifo(dir.filePath(QString::fromLatin1(name)));
        ASSERT_FALSE(fifo.isEmpty());
        bool loaded = true;
        EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { loaded = dib.Load(fifo); }))
            << "the picture loader waited for a writer";
        EXPECT_FALSE(loaded);
        EXPECT_EQ(dib.SourceRect(), QRect(0, 0, 2, 1));
        EXPECT_EQ(dib.PixelColor(0, 0), RGB(255, 0, 0));
    }
}

TEST_F(DibTest, PhotosLoadThroughTheProgramsImagePlugIn)
{
    QImage photo(40, 30, QImage::Format_RGB32);
    photo.fill(qRgb(250, 10, 10));
    const QString jpeg = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(photo.save(jpeg, "JPEG", 95));

    CDib without;
    without.SetPluginFolder(PluginFolder({}));
    EXPECT_FALSE(without.Load(jpeg)) << "no plug-in, and no bitmap either";

    const QString folder = dir.filePath(QStringLiteral("program"));
    QDir().mkpath(folder);
    ASSERT_TRUE(QFile::copy(QStringLiteral(SORLIN_IMAGE_PLUGIN), folder + QStringLiteral("/ifqtimage.spi")));
    CDib dib;
    dib.SetPluginFolder(folder);
    ASSERT_TRUE(dib.Load(jpeg));
    EXPECT_EQ(dib.SourceRect(), QRect(0, 0, 40, 30));
    const COLORREF centre = dib.PixelColor(20, 15);
    EXPECT_GT(centre & 0xff, 230u);
    EXPECT_LT((centre >> 8) & 0xff, 30u);
}

TEST_F(DibTest, ModulesThatAreNotPlugInsAreSkipped)
{
    const QString folder = dir.filePath(QStringLiteral("mixed"));
    QDir().mkpath(folder);
    bmp::Write(folder + QStringLiteral("/garbage.spi"), QByteArray(300, '\x7f'));
    bmp::Write(folder + QStringLiteral("/empty.spi"), QByteArray());
    QDir().mkpath(folder + QStringLiteral("/folder.spi"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SORLIN_TEST_PLUGIN_DIR "stubimage.spi"),
                            folder + QStringLiteral("/z.spi")));
    CDib dib;
    dib.SetPluginFolder(folder);
    ASSERT_TRUE(dib.Load(Write(QStringLiteral("a.fake"), QByteArray("FAKEIMG1 data"))));
    EXPECT_EQ(dib.PixelColor(0, 0), RGB(255, 0, 0));
}

} // namespace

#include "skin/ClassicSkinArchive.h"
#include "Bmp.h"
#include "platform/susie/ArchiveAccess.h"
#include "plugins/TestArchives.h"
#include "skin/ClassicSkin.h"
#include "skin/Dib.h"
#include "support/Fifo.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Members = std::vector<std::pair<QString, QByteArray>>;

// Writes `members` (name, bytes) in this order as the zip `path`.
bool WriteZip(const QString& path, const Members& members)
{
    std::vector<testarchives::Entry> entries;
    for (const auto& [name, bytes] : members)
        entries.emplace_back(name.toStdString(), bytes.toStdString());
    const std::string zip = testarchives::Pack(testarchives::Format::Zip, entries);
    QFile file(path);
    return !zip.empty() && file.open(QIODevice::WriteOnly) &&
           file.write(zip.data(), static_cast<qint64>(zip.size())) == static_cast<qint64>(zip.size());
}

QByteArray Bitmap(int width, int height, QRgb colour)
{
    bmp::Spec spec;
    spec.width = width;
    spec.height = height;
    spec.bitCount = 8;
    spec.palette = {qRgb(0, 0, 0), colour};
    spec.index = [](int, int) { return 1; };
    return bmp::File(spec);
}

class ClassicSkinArchiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        // The temporary folders of the composition go to a folder of the test's own, where
        // anything left over shows.
        oldTemp = qgetenv("TMPDIR");
        ASSERT_TRUE(QDir().mkpath(Temp()));
        qputenv("TMPDIR", QFile::encodeName(Temp()));
    }
    void TearDown() override
    {
        if (oldTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTemp);
    }
    QString Temp() const { return work.filePath(QStringLiteral("tmp")); }
    QString Path(const char* name) const { return work.filePath(QLatin1String(name)); }
    bool NothingLeftInTemp() const
    {
        return QDir(Temp())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
            .isEmpty();
    }

    const QByteArray main = Bitmap(275, 116, qRgb(200, 0, 0));
    const QByteArray eq = Bitmap(275, 116, qRgb(0, 200, 0));
    const QByteArray titlebar = Bitmap(275, 14, qRgb(9, 9, 9));
    const QByteArray buttons = Bitmap(136, 36, qRgb(0, 0, 200));
    const QString plugins = QStringLiteral(SORLIN_ARCHIVE_PLUGIN_DIR);
    // The plug-ins in this process: the player's way through the media process has tests of its own.
    platform::LocalArchives archives;
    QTemporaryDir work;
    QByteArray oldTemp;
};

TEST_F(ClassicSkinArchiveTest, ArchivesAreKnownByTheirExtension)
{
    for (const char* name : {"a.wsz", "B.WSZ", "c.Wsz", "d.zip.wsz"})
        EXPECT_TRUE(IsClassicSkinArchive(Path(name))) << name;
    for (const char* name : {"a.zip", "a.wsz.bmp", "wsz", "a_wsz", "a.wsz/"})
        EXPECT_FALSE(IsClassicSkinArchive(Path(name))) << name;
    // A folder is a folder, whatever its name.
    ASSERT_TRUE(QDir().mkpath(Path("skin.wsz")));
    EXPECT_FALSE(IsClassicSkinArchive(Path("skin.wsz")));
}

TEST_F(ClassicSkinArchiveTest, AnArchiveComposesLikeTheFolderOfItsPictures)
{
    const QString folder = Path("folder");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const auto& [name, bytes] : Members{
             {"main.bmp", main}, {"eqmain.bmp", eq}, {"titlebar.bmp", titlebar}, {"cbuttons.bmp", buttons}})
        ASSERT_TRUE(bmp::Write(folder + u'/' + name, bytes));
    CDib fromFolder;
    ASSERT_TRUE(ComposeClassicSkin(fromFolder, folder, true));

    // In a folder of the zip, with names as Windows writes them, among other files; of two
    // members named main.bmp the first is taken.
    const QString archive = Path("Skin.WSZ");
    ASSERT_TRUE(WriteZip(archive, {{"readme.txt", "a skin"},
                                   {"My Skin/Main.bmp.txt", "not this one"},
                                   {"My Skin/Main.bmp", main},
                                   {"My Skin/TITLEBAR.BMP", titlebar},
                                   {"My Skin/EqMain.Bmp", eq},
                                   {"My Skin/CButtons.bmp", buttons},
                                   {"Other/main.bmp", Bitmap(275, 116, qRgb(1, 1, 1))}}));
    CDib fromArchive;
    ASSERT_TRUE(ComposeClassicSkinArchive(fromArchive, archive, archives, plugins, true));
    EXPECT_EQ(fromArchive.Block(), fromFolder.Block());
    ASSERT_TRUE(ComposeClassicSkin(fromFolder, folder, false));
    ASSERT_TRUE(ComposeClassicSkinArchive(fromArchive, archive, archives, plugins, false));
    EXPECT_EQ(fromArchive.Block(), fromFolder.Block());

    // PNG members count as the pictures too.
    QImage png(136, 36, QImage::Format_RGB32);
    png.fill(qRgb(1, 250, 1));
    ASSERT_TRUE(png.save(folder + QStringLiteral("/cbuttons.png"), "PNG"));
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/cbuttons.bmp")));
    QFile pngFile(folder + QStringLiteral("/cbuttons.png"));
    ASSERT_TRUE(pngFile.open(QIODevice::ReadOnly));
    const QString withPng = Path("png.wsz");
    ASSERT_TRUE(WriteZip(withPng, {{"main.bmp", main},
                                   {"eqmain.bmp", eq},
                                   {"titlebar.bmp", titlebar},
                                   {"CBUTTONS.PNG", pngFile.readAll()}}));
    ASSERT_TRUE(ComposeClassicSkin(fromFolder, folder, true));
    ASSERT_TRUE(ComposeClassicSkinArchive(fromArchive, withPng, archives, plugins, true));
    EXPECT_EQ(fromArchive.Block(), fromFolder.Block());
    EXPECT_EQ(fromArchive.Image().pixel(16, 88), qRgb(1, 250, 1));
    EXPECT_TRUE(NothingLeftInTemp());
}

TEST_F(ClassicSkinArchiveTest, ArchivesWithoutAUsableSkinLeaveThePictureAsItWas)
{
    const Members skin = {
        {"main.bmp", main}, {"eqmain.bmp", eq}, {"titlebar.bmp", titlebar}, {"cbuttons.bmp", buttons}};
    const QString good = Path("good.wsz");
    ASSERT_TRUE(WriteZip(good, skin));
    CDib dib;
    ASSERT_TRUE(ComposeClassicSkinArchive(dib, good, archives, plugins, true));
    const QByteArray composed = dib.Block();

    // The equalizer may be missing; the title bar may not.
    const QString noEq = Path("noeq.wsz");
    ASSERT_TRUE(WriteZip(noEq, {skin[0], skin[2], skin[3]}));
    CDib withoutEq;
    EXPECT_TRUE(ComposeClassicSkinArchive(withoutEq, noEq, archives, plugins, true));
    const QString noTitlebar = Path("notitlebar.wsz");
    ASSERT_TRUE(WriteZip(noTitlebar, {skin[0], skin[1], skin[3]}));
    EXPECT_FALSE(ComposeClassicSkinArchive(dib, noTitlebar, archives, plugins, true));
    EXPECT_EQ(dib.Block(), composed);

    // A file that is no zip, one that is not there, a named pipe, and a plug-in folder without an
    // archive plug-in.
    const QString text = Path("text.wsz");
    ASSERT_TRUE(bmp::Write(text, QByteArray("main.bmp titlebar.bmp cbuttons.bmp").repeated(100)));
    EXPECT_FALSE(ComposeClassicSkinArchive(dib, text, archives, plugins, true));
    EXPECT_FALSE(ComposeClassicSkinArchive(dib, Path("missing.wsz"), archives, plugins, true));
    const QString fifo = testsupport::MakeFifo(Path("pipe.wsz"));
    ASSERT_FALSE(fifo.isEmpty());
    bool fromFifo = true;
    EXPECT_TRUE(testsupport::ReturnsPromptly(
        fifo, [&] { fromFifo = ComposeClassicSkinArchive(dib, fifo, archives, plugins, true); }));
    EXPECT_FALSE(fromFifo);
    const QString noPlugins = Path("noplugins");
    ASSERT_TRUE(QDir().mkpath(noPlugins));
    EXPECT_FALSE(ComposeClassicSkinArchive(dib, good, archives, noPlugins, true));
    EXPECT_EQ(dib.Block(), composed);

    // A picture over 8 MiB is not taken, though its bitmap (with trailing bytes) would compose.
    const QByteArray padded = main + QByteArray(8 << 20, '\0');
    const QString folder = Path("padded");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const auto& [name, bytes] : Members{{"main.bmp", padded}, skin[2], skin[3]})
        ASSERT_TRUE(bmp::Write(folder + u'/' + name, bytes));
    CDib fromFolder;
    EXPECT_TRUE(ComposeClassicSkin(fromFolder, folder, true));
    const QString large = Path("large.wsz");
    ASSERT_TRUE(WriteZip(large, {{"main.bmp", padded}, skin[2], skin[3]}));
    EXPECT_FALSE(ComposeClassicSkinArchive(dib, large, archives, plugins, true));
    EXPECT_EQ(dib.Block(), composed);
    EXPECT_TRUE(NothingLeftInTemp());
}

} // namespace

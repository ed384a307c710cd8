#include "skin/DecodedPictures.h"
#include "skin/Dib.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

namespace {

// A picture users have: a PNG with a gradient, put in place as an editor saves (a new file
// renamed over the old).
bool SavePicture(const QString& path, int shade)
{
    QImage image(64, 40, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 4 + shade) & 0xff, (y * 6) & 0xff, shade));
    const QString staged = path + QStringLiteral(".new.png");
    return image.save(staged, "PNG") && std::rename(qPrintable(staged), qPrintable(path)) == 0;
}

class DecodedPicturesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(plugins()));
        SetPlugin(true);
        decoded.SetFolder(dir.filePath(QStringLiteral("decoded")));
        ASSERT_TRUE(SavePicture(picture, 10));
    }

    QString plugins() const { return dir.filePath(QStringLiteral("plugins")); }
    // The image plug-in in the plug-in folder, or not: without it nothing can decode the picture.
    void SetPlugin(bool present)
    {
        const QString file = plugins() + QStringLiteral("/ifqtimage.spi");
        if (present)
            ASSERT_TRUE(QFile::exists(file) || QFile::copy(QStringLiteral(SORLIN_IMAGE_PLUGIN), file));
        else
            ASSERT_TRUE(!QFile::exists(file) || QFile::remove(file));
    }

    // Loads the picture with `variant` into a fresh bitmap; its block, or empty when none loaded.
    QByteArray Load(const QString& variant = QStringLiteral("v"))
    {
        CDib dib;
        const bool loaded = decoded.Load(dib, picture, variant, [&](CDib& into) {
            into.SetPluginFolder(plugins());
            return into.Load(picture);
        });
        return loaded ? dib.Block() : QByteArray();
    }

    // Waits for the entry to be written after a decode.
    bool EntryWritten(const QString& variant = QStringLiteral("v"))
    {
        return testsupport::WaitUntil([&] { return QFile::exists(decoded.EntryFile(picture, variant)); },
                                      20000);
    }

    QTemporaryDir dir;
    QString picture = dir.filePath(QStringLiteral("back.png"));
    DecodedPictures decoded;
};

TEST_F(DecodedPicturesTest, TheNextLoadTakesTheEntryWhileThePictureStaysTheSame)
{
    const QByteArray first = Load();
    ASSERT_FALSE(first.isEmpty());
    ASSERT_TRUE(EntryWritten());
    // Nothing could decode the picture now: what loads comes from the entry, and is the same.
    SetPlugin(false);
    EXPECT_EQ(Load(), first);
    EXPECT_TRUE(Load(QStringLiteral("another plug-in folder")).isEmpty()) << "an entry of another variant";
}

TEST_F(DecodedPicturesTest, AnEntryThatNoLongerMatchesOrIsDamagedIsNeverShown)
{
    const QString entry = decoded.EntryFile(picture, QStringLiteral("v"));
    const struct
    {
        const char* what;
        std::function<void()> spoil;
    } cases[] = {
        {"the picture changed", [&] { ASSERT_TRUE(SavePicture(picture, 200)); }},
        {"a byte of its pixels flipped",
         [&] {
             QFile file(entry);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             QByteArray bytes = file.readAll();
             bytes[bytes.size() - 100] = static_cast<char>(bytes[bytes.size() - 100] ^ 0x40);
             ASSERT_TRUE(file.seek(0) && file.write(bytes) == bytes.size());
         }},
        {"cut short", [&] { ASSERT_TRUE(QFile(entry).resize(QFile(entry).size() / 2)); }},
        {"another picture's entry in its place",
         [&] {
             const QString other = dir.filePath(QStringLiteral("other.png"));
             ASSERT_TRUE(SavePicture(other, 90));
             CDib dib;
             ASSERT_TRUE(decoded.Load(dib, other, QStringLiteral("v"), [&](CDib& into) {
                 into.SetPluginFolder(plugins());
                 return into.Load(other);
             }));
             const QString otherEntry = decoded.EntryFile(other, QStringLiteral("v"));
             ASSERT_TRUE(testsupport::WaitUntil([&] { return QFile::exists(otherEntry); }, 20000));
             ASSERT_TRUE(QFile::remove(entry) && QFile::copy(otherEntry, entry));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetPlugin(true);
        QFile::remove(entry);
        ASSERT_FALSE(Load().isEmpty());
        ASSERT_TRUE(EntryWritten());
        c.spoil();
        // Without a plug-in only the entry could give a picture: it gives none.
        SetPlugin(false);
        EXPECT_TRUE(Load().isEmpty());
        // With it, the picture as it is now, decoded again, and an entry made for it anew.
        SetPlugin(true);
        CDib now;
        now.SetPluginFolder(plugins());
        ASSERT_TRUE(now.Load(picture));
        EXPECT_EQ(Load(), now.Block());
        ASSERT_TRUE(testsupport::WaitUntil(
            [&] {
                SetPlugin(false);
                const bool taken = Load() == now.Block();
                SetPlugin(true);
                return taken;
            },
            20000))
            << "no entry was made again";
    }
}

} // namespace

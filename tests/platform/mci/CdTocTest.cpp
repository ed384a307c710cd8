#include "platform/mci/CdToc.h"
#include "platform/DiscProbe.h"
#include "support/CdImages.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace platform::mci;
using cd_images::Format;
using cd_images::Seconds;
using cd_images::Track;

class CdTocTest : public ::testing::Test
{
protected:
    QString Image(const std::vector<Track>& tracks, Format format = Format::BinCue,
                  const QString& name = QStringLiteral("disc"))
    {
        const QString image = cd_images::Write(dir.path(), name, tracks, format);
        EXPECT_FALSE(image.isEmpty());
        return image;
    }
    QTemporaryDir dir;
};

TEST_F(CdTocTest, EveryImageFormatGivesTheSameTable)
{
    const std::vector<Track> tracks{{Seconds(2)}, {Seconds(1.5)}, {Seconds(3)}};
    for (Format format : {Format::BinCue, Format::WavCue, Format::Toc}) {
        SCOPED_TRACE(static_cast<int>(format));
        QString error;
        const auto toc =
            ReadCdToc(Image(tracks, format, QStringLiteral("f%1").arg(static_cast<int>(format))), &error);
        ASSERT_TRUE(toc) << error.toStdString();
        ASSERT_EQ(toc->TrackCount(), 3);
        EXPECT_EQ(toc->tracks[0].startSector, 0);
        EXPECT_EQ(toc->tracks[1].startSector, 150);
        EXPECT_EQ(toc->tracks[2].startSector, 262);
        EXPECT_EQ(toc->tracks[2].sectors, 225);
        EXPECT_EQ(toc->leadOutSector, 487);
        EXPECT_TRUE(toc->tracks[1].audio);
        // The disc's address places the first track two seconds in.
        EXPECT_EQ(SectorToMs(toc->tracks[0].startSector), 2000);
        EXPECT_EQ(SectorToMs(toc->tracks[1].startSector), 4000);
        EXPECT_EQ(toc->TrackAt(261)->number, 2);
        EXPECT_EQ(toc->TrackAt(487), nullptr);
    }
}

TEST_F(CdTocTest, IdentityFollowsTheLayoutOnly)
{
    const QString first = Image({{Seconds(2)}, {Seconds(3)}}, Format::BinCue, QStringLiteral("a"));
    const QString same = Image({{Seconds(2)}, {Seconds(3)}}, Format::Toc, QStringLiteral("b"));
    const QString longer = Image({{Seconds(2)}, {Seconds(3.5)}}, Format::BinCue, QStringLiteral("c"));
    const QString moved = Image({{Seconds(3)}, {Seconds(2)}}, Format::BinCue, QStringLiteral("d"));
    const QString withData = Image({{Seconds(2)}, {Seconds(3), false}}, Format::BinCue, QStringLiteral("e"));

    const QString identity = ReadCdToc(first)->Identity();
    EXPECT_EQ(identity.size(), 16);
    EXPECT_TRUE(QByteArray::fromHex(identity.toLatin1()).size() == 8) << identity.toStdString();
    EXPECT_EQ(ReadCdToc(first)->Identity(), identity);
    EXPECT_EQ(ReadCdToc(same)->Identity(), identity);
    EXPECT_NE(ReadCdToc(longer)->Identity(), identity);
    EXPECT_NE(ReadCdToc(moved)->Identity(), identity);
    EXPECT_NE(ReadCdToc(withData)->Identity(), identity);
}

TEST_F(CdTocTest, DataTracksAreTold)
{
    const auto mixed = ReadCdToc(Image({{Seconds(1), false}, {Seconds(2)}, {Seconds(1), false}}));
    ASSERT_TRUE(mixed);
    EXPECT_FALSE(mixed->tracks[0].audio);
    EXPECT_TRUE(mixed->tracks[1].audio);
    EXPECT_TRUE(mixed->HasAudio());
    const auto dataOnly = ReadCdToc(Image({{Seconds(2), false}}, Format::BinCue, QStringLiteral("data")));
    ASSERT_TRUE(dataOnly);
    EXPECT_FALSE(dataOnly->HasAudio());
}

TEST_F(CdTocTest, BrokenImagesAreRefusedWithAReason)
{
    const std::vector<Track> tracks{{Seconds(2)}, {Seconds(2)}, {Seconds(2)}};
    QString error;

    const QString missingData = Image(tracks, Format::BinCue, QStringLiteral("missing"));
    QFile::remove(cd_images::DataFile(missingData));
    EXPECT_FALSE(ReadCdToc(missingData, &error));
    EXPECT_FALSE(error.isEmpty());

    // The data file ends inside the second track, though the sheet lists a third.
    const QString shortData = Image(tracks, Format::BinCue, QStringLiteral("short"));
    QFile data(cd_images::DataFile(shortData));
    ASSERT_TRUE(data.resize(2352 * 200));
    error.clear();
    EXPECT_FALSE(ReadCdToc(shortData, &error));
    EXPECT_FALSE(error.isEmpty());

    const QString garbage = dir.path() + QStringLiteral("/garbage.cue");
    QFile sheet(garbage);
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write("this is not a cue sheet\n\x01\x02\xff TRACK 99 SOMETHING\n");
    sheet.close();
    EXPECT_FALSE(ReadCdToc(garbage, &error));
    EXPECT_FALSE(ReadCdToc(dir.path() + QStringLiteral("/none.cue"), &error));
    // WAVE sheets: a track past the end of its file, a file that is not CD audio, a type of
    // file that is not read.
    const QString wave = Image(tracks, Format::WavCue, QStringLiteral("wave"));
    QFile waveData(cd_images::DataFile(wave, Format::WavCue));
    ASSERT_TRUE(waveData.resize(44 + 2352 * 200));
    error.clear();
    EXPECT_FALSE(ReadCdToc(wave, &error));
    EXPECT_TRUE(error.contains(u"track 3")) << error.toStdString();
    const QString mono = Image(tracks, Format::WavCue, QStringLiteral("mono"));
    QFile monoData(cd_images::DataFile(mono, Format::WavCue));
    ASSERT_TRUE(monoData.open(QIODevice::ReadWrite));
    monoData.seek(22);
    monoData.write(QByteArray("\x01\x00", 2));
    monoData.close();
    error.clear();
    EXPECT_FALSE(ReadCdToc(mono, &error));
    EXPECT_TRUE(error.contains(u"CD audio")) << error.toStdString();
    QFile aiff(dir.path() + QStringLiteral("/aiff.cue"));
    ASSERT_TRUE(aiff.open(QIODevice::WriteOnly));
    aiff.write("FILE \"a.aiff\" AIFF\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    aiff.close();
    EXPECT_FALSE(ReadCdToc(aiff.fileName(), &error));
    EXPECT_FALSE(ReadCdToc(QString(), &error));
}

TEST(CdTocTimes, MillisecondsAndSectorsConvertBothWays)
{
    EXPECT_EQ(SectorToMs(-150), 0);
    EXPECT_EQ(SectorToMs(75), 3000);
    EXPECT_EQ(MsToSector(3000), 75);
    EXPECT_EQ(MsToSector(2010), 0); // inside the first sector
    EXPECT_EQ(MsToSector(2013), 1); // where the second one starts, rounded down
    for (int sector : {0, 1, 2, 74, 1000, 333333})
        EXPECT_EQ(MsToSector(SectorToMs(sector)), sector) << sector;
    EXPECT_TRUE(platform::IsCdImageDrive(QStringLiteral("/x/Disc.CUE")));
    EXPECT_TRUE(platform::IsCdImageDrive(QStringLiteral("/x/disc.toc")));
    EXPECT_FALSE(platform::IsCdImageDrive(QStringLiteral("/x/disc.iso")));
}

} // namespace

#include "platform/Drives.h"
#include "platform/DiscProbe.h"
#include "platform/PathSplit.h"

#include "TestSupport.h"
#include "support/Fifo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace platform;
using testsupport::WriteFile;

TEST(ParseMountTableTest, SplitsFieldsAndUndoesOctalEscapes)
{
    const auto entries = ParseMountTable("/dev/sda1 / ext4 rw,relatime 0 0\n"
                                         "\n"
                                         "/dev/sr0 /media/user/My\\040Disc iso9660 ro,nosuid 0 0\n"
                                         "/dev/loop3 /mnt/tab\\011back\\134slash udf ro 0 0\n"
                                         "/dev/sdb1 /media/\xE6\x97\xA5\xE6\x9C\xAC/ vfat rw 0 0\n"
                                         "# not a mount\n"
                                         "broken-line\n"
                                         "/dev/sr1 /media/cut\\04 iso9660 ro 0 0");
    ASSERT_EQ(entries.size(), 5u);
    const struct
    {
        const char* device;
        QString mountPoint;
        const char* fsType;
    } expected[] = {
        {"/dev/sda1", "/", "ext4"},
        {"/dev/sr0", "/media/user/My Disc", "iso9660"},
        {"/dev/loop3", "/mnt/tab\tback\\slash", "udf"},
        {"/dev/sdb1", QStringLiteral("/media/日本"), "vfat"},
        {"/dev/sr1", "/media/cut\\04", "iso9660"},
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].device, QString::fromLatin1(expected[i].device));
        EXPECT_EQ(entries[i].mountPoint, expected[i].mountPoint);
        EXPECT_EQ(entries[i].fsType, QString::fromLatin1(expected[i].fsType));
        EXPECT_TRUE(entries[i].imageFile.isEmpty());
    }
}

TEST(ParseCdromInfoTest, ListsDrivesInNaturalOrder)
{
    const QByteArray info = "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n"
                            "\n"
                            "drive name:\t\tsr10\tsr2\tsr1\tsr0\n"
                            "drive speed:\t\t24\t24\t24\t24\n";
    EXPECT_EQ(ParseCdromInfo(info), (QStringList{"/dev/sr0", "/dev/sr1", "/dev/sr2", "/dev/sr10"}));
    EXPECT_EQ(ParseCdromInfo("drive name:\tsr0\n", "/x/dev"), QStringList{"/x/dev/sr0"});
    EXPECT_TRUE(ParseCdromInfo("CD-ROM information\n\ndrive name:\n").isEmpty());
}

// Two drives, sr0 mounted, a loop-mounted image and image files in a temporary folder.
class DriveTableTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        tmp = dir.path();
        ASSERT_FALSE(WriteFile(tmp + "/disc.cue", "FILE \"disc.bin\" BINARY\n").isEmpty());
        ASSERT_FALSE(WriteFile(tmp + "/film.iso", QByteArray(4096, '\0')).isEmpty());
        ASSERT_TRUE(QDir().mkpath(tmp + "/folder.iso"));
        ASSERT_FALSE(WriteFile(tmp + "/dev/sr5", {}).isEmpty());
        ASSERT_TRUE(QFile::link(tmp + "/dev/sr5", tmp + "/dev/cdrom"));
        drives = DriveTable({"/dev/sr0", "/dev/sr1", tmp + "/dev/sr5"},
                            {{"/dev/sda1", "/", "ext4", {}},
                             {"/dev/sr0", "/media/cd", "iso9660", {}},
                             {"/dev/sdb1", "/media/cd/usb", "vfat", {}},
                             {"/dev/loop0", "/media/img", "iso9660", tmp + "/film.iso"},
                             {tmp + "/dev/cdrom", "/media/linked", "udf", {}}});
    }

    QTemporaryDir dir;
    QString tmp;
    DriveTable drives;
};

TEST_F(DriveTableTest, FindsTheDrivePartOfPaths)
{
    const struct
    {
        QString path;
        QString drive;
    } cases[] = {
        {"/dev/sr0", "/dev/sr0"},
        {"/dev/sr0/TRACK05.CDA", "/dev/sr0"},
        {"/dev/sr1/TRACK01.CDA", "/dev/sr1"},
        {"/dev/sr01", ""},
        {"/media/cd", "/dev/sr0"},
        {"/media/cd/MUSIC/song.mp3", "/dev/sr0"},
        {"/media/cd2/song.mp3", ""},    // a sibling, not below the mount point
        {"/media/cd/usb/song.mp3", ""}, // the deepest mount wins: a stick inside the disc's folder
        {"/media/img/VIDEO_TS/VTS_01_0.IFO", tmp + "/film.iso"},
        {"/media/linked/a.mp3", tmp + "/dev/sr5"}, // mounted through a symbolic link to the drive
        {tmp + "/disc.cue", tmp + "/disc.cue"},
        {tmp + "/disc.cue/TRACK01.CDA", tmp + "/disc.cue"},
        {tmp + "/film.iso/VIDEO_TS/VTS_01_0.IFO", tmp + "/film.iso"},
        {tmp + "/missing.cue/TRACK01.CDA", ""},
        {tmp + "/folder.iso/a.mp3", ""},
        {"/home/user/music/a.mp3", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(drives.DrivePart(c.path), c.drive) << c.path.toStdString();
}

TEST_F(DriveTableTest, DriveRootIsTheMountPointWhenMounted)
{
    EXPECT_EQ(drives.DriveRoot("/dev/sr0"), u"/media/cd");
    EXPECT_EQ(drives.DriveRoot("/dev/sr1"), u"/dev/sr1");
    EXPECT_EQ(drives.DriveRoot(tmp + "/film.iso"), u"/media/img");
    EXPECT_EQ(drives.DriveRoot(tmp + "/dev/sr5"), u"/media/linked");
    EXPECT_EQ(drives.DriveRoot(tmp + "/disc.cue"), tmp + "/disc.cue");
    EXPECT_EQ(drives.MountPointOf("/dev/sr1"), QString());
}

TEST_F(DriveTableTest, SplitPathPartsJoinBackToThePath)
{
    const struct
    {
        QString path, drive, root, dir, name, ext;
    } cases[] = {
        {"/dev/sr0", "/dev/sr0", "/dev/sr0", "", "", ""},
        {"/dev/sr0/TRACK05.CDA", "/dev/sr0", "/dev/sr0", "/", "TRACK05", ".CDA"},
        {"/media/cd", "/dev/sr0", "/media/cd", "", "", ""},
        {"/media/cd/MUSIC/song.v2.mp3", "/dev/sr0", "/media/cd", "/MUSIC/", "song.v2", ".mp3"},
        {"/media/img/VIDEO_TS/VTS_01_0.IFO", tmp + "/film.iso", "/media/img", "/VIDEO_TS/", "VTS_01_0",
         ".IFO"},
        {tmp + "/disc.cue/TRACK01.CDA", tmp + "/disc.cue", tmp + "/disc.cue", "/", "TRACK01", ".CDA"},
        {"/home/user/.hidden", "", "", "/home/user/", "", ".hidden"},
        {"/home/user/music/", "", "", "/home/user/music/", "", ""},
        {"/home/user.d/README", "", "", "/home/user.d/", "README", ""},
        {"/home/user/archive.tar.gz", "", "", "/home/user/", "archive.tar", ".gz"},
        {"/home/user/dot.", "", "", "/home/user/", "dot", "."},
        {"relative.txt", "", "", "", "relative", ".txt"},
        {"/", "", "", "/", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const PathParts parts = SplitPath(c.path, drives);
        EXPECT_EQ(parts.root + parts.dir + parts.name + parts.ext, c.path);
        EXPECT_EQ(parts.drive, c.drive);
        EXPECT_EQ(parts.root, c.root);
        EXPECT_EQ(parts.dir, c.dir);
        EXPECT_EQ(parts.name, c.name);
        EXPECT_EQ(parts.ext, c.ext);
    }
}

TEST(FindPathIgnoringCaseTest, FindsADiscsNamesInAnyCaseAndPrefersTheExactOne)
{
    QTemporaryDir disc;
    ASSERT_TRUE(QDir(disc.path()).mkpath(QStringLiteral("mpegav")));
    QFile(disc.filePath(QStringLiteral("mpegav/avseq01.dat"))).open(QIODevice::WriteOnly);
    QFile(disc.filePath(QStringLiteral("Autorun.Inf"))).open(QIODevice::WriteOnly);
    EXPECT_EQ(platform::FindPathIgnoringCase(disc.path(), QStringLiteral("MPEGAV/AVSEQ01.DAT")),
              disc.filePath(QStringLiteral("mpegav/avseq01.dat")));
    EXPECT_EQ(platform::FindPathIgnoringCase(disc.path(), QStringLiteral("AUTORUN.INF")),
              disc.filePath(QStringLiteral("Autorun.Inf")));
    EXPECT_TRUE(platform::FindPathIgnoringCase(disc.path(), QStringLiteral("MPEGAV/AVSEQ02.DAT")).isEmpty());
    EXPECT_TRUE(platform::FindPathIgnoringCase(disc.path(), QString()).isEmpty());
    EXPECT_TRUE(
        platform::FindPathIgnoringCase(disc.filePath(QStringLiteral("none")), QStringLiteral("x")).isEmpty());

    // Where two names differ only in case, the one written as asked is taken.
    ASSERT_TRUE(QDir(disc.path()).mkpath(QStringLiteral("MPEGAV")));
    QFile(disc.filePath(QStringLiteral("MPEGAV/AVSEQ01.DAT"))).open(QIODevice::WriteOnly);
    EXPECT_EQ(platform::FindPathIgnoringCase(disc.path(), QStringLiteral("MPEGAV/AVSEQ01.DAT")),
              disc.filePath(QStringLiteral("MPEGAV/AVSEQ01.DAT")));
}

TEST(DriveTableFromSystemTest, ReadsDrivesMountsAndLoopBackingFiles)
{
    QTemporaryDir root;
    const QString sys = root.path();
    WriteFile(sys + "/proc/sys/dev/cdrom/info", "CD-ROM information\n\ndrive name:\t\tsr1\tsr0\n");
    WriteFile(sys + "/proc/self/mounts", "/dev/sda1 / ext4 rw 0 0\n"
                                         "/dev/sr0 /media/u/MY\\040DISC iso9660 ro 0 0\n"
                                         "/dev/loop0 /media/u/IMG iso9660 ro 0 0\n"
                                         "/dev/loop1 /mnt/plain ext4 rw 0 0\n");
    WriteFile(sys + "/sys/block/loop0/loop/backing_file", "/home/u/film.iso\n");

    const DriveTable drives = DriveTable::FromSystem(sys);
    EXPECT_EQ(drives.OpticalDrives(), (QStringList{"/dev/sr0", "/dev/sr1"}));
    EXPECT_EQ(drives.FirstOpticalDrive(), u"/dev/sr0");
    EXPECT_EQ(drives.DrivePart("/media/u/MY DISC/a.mp3"), u"/dev/sr0");
    EXPECT_EQ(drives.DrivePart("/media/u/IMG/VIDEO_TS"), u"/home/u/film.iso");
    EXPECT_EQ(drives.DriveRoot("/home/u/film.iso"), u"/media/u/IMG");
    EXPECT_EQ(drives.DrivePart("/mnt/plain/x"), QString());

    QTemporaryDir empty;
    const DriveTable none = DriveTable::FromSystem(empty.path());
    EXPECT_TRUE(none.OpticalDrives().isEmpty());
    EXPECT_EQ(none.FirstOpticalDrive(), QString());
    EXPECT_EQ(none.DrivePart("/dev/sr0"), QString());
}

// Disc images built here: ISO 9660 volume descriptors from sector 16 on.
struct Descriptor
{
    unsigned char type;
    QByteArray volumeId; // 32 bytes are written, blank-padded
    QByteArray escapes;  // for supplementary descriptors
};

QByteArray Sector(const Descriptor& d)
{
    QByteArray sector(2048, '\0');
    sector[0] = static_cast<char>(d.type);
    sector.replace(1, 5, "CD001");
    sector[6] = 1;
    sector.replace(40, 32, d.volumeId.leftJustified(32, ' ', true));
    sector.replace(88, d.escapes.size(), d.escapes);
    return sector;
}

QByteArray JolietId(const QString& label)
{
    QByteArray id;
    for (QChar c : label.leftJustified(16, u' ', true))
        id.append(static_cast<char>(c.unicode() >> 8)).append(static_cast<char>(c.unicode() & 0xFF));
    return id;
}

// `rawSectors`: 2352-byte sectors with the 2048 data bytes at offset 16, as in a .bin file.
QByteArray Image(const std::vector<Descriptor>& descriptors, bool rawSectors = false)
{
    std::vector<QByteArray> data(16, QByteArray(2048, '\0'));
    for (const Descriptor& d : descriptors)
        data.push_back(Sector(d));
    data.resize(data.size() + 4, QByteArray(2048, '\0'));
    QByteArray image;
    for (const QByteArray& sector : data) {
        if (rawSectors) {
            QByteArray header = QByteArray(1, '\0') + QByteArray(10, '\xFF') + QByteArray(1, '\0');
            header += QByteArray("\0\2\0\1", 4); // address and mode 1
            image += header + sector + QByteArray(2352 - 16 - 2048, '\0');
        } else {
            image += sector;
        }
    }
    return image;
}

const Descriptor kPrimary{1, "MY_DISC", {}};
const Descriptor kTerminator{255, {}, {}};

class VolumeLabelTest : public testing::Test
{
protected:
    QString Label(const QString& name, const QByteArray& bytes)
    {
        return ReadVolumeLabel(WriteFile(dir.filePath(name), bytes), drives, dir.filePath("by-label"));
    }

    QTemporaryDir dir;
    DriveTable drives;
};

TEST_F(VolumeLabelTest, ReadsThePrimaryVolumeIdentifier)
{
    EXPECT_EQ(Label("disc.iso", Image({kPrimary, kTerminator})), u"MY_DISC");
    const QByteArray full = "ABCDEFGHIJKLMNOPQRSTUVWXYZ_12345";
    EXPECT_EQ(Label("full.iso", Image({{1, full, {}}, kTerminator})), QString::fromLatin1(full));
}

TEST_F(VolumeLabelTest, JolietWinsOverThePrimaryLabel)
{
    const QString joliet = QStringLiteral("日本のディスク");
    EXPECT_EQ(Label("joliet.iso", Image({kPrimary, {2, JolietId(joliet), "%/E"}, kTerminator})), joliet);
    // A supplementary descriptor without Joliet escapes is not Joliet.
    EXPECT_EQ(Label("other.iso", Image({kPrimary, {2, JolietId(joliet), "   "}, kTerminator})), u"MY_DISC");
    // Nothing after the terminator counts.
    EXPECT_EQ(Label("late.iso", Image({kPrimary, kTerminator, {2, JolietId(joliet), "%/E"}})), u"MY_DISC");
}

TEST_F(VolumeLabelTest, ReadsRawSectorsThroughACueSheet)
{
    const QByteArray bin = Image({{1, "AUDIO_AND_DATA", {}}, kTerminator}, true);
    WriteFile(dir.filePath("my disc.bin"), bin);
    EXPECT_EQ(Label("disc.cue", "REM comment\r\nFILE \"my disc.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n"
                                "    INDEX 01 00:00:00\r\n"),
              u"AUDIO_AND_DATA");
    EXPECT_EQ(Label("raw.bin", bin), u"AUDIO_AND_DATA");
}

TEST_F(VolumeLabelTest, NoDescriptorsGiveNoLabel)
{
    EXPECT_EQ(Label("zeros.iso", QByteArray(64 * 1024, '\0')), QString());
    EXPECT_EQ(Label("short.iso", QByteArray(100, 'x')), QString());
    EXPECT_EQ(Label("nofile.cue", "FILE \"absent.bin\" BINARY\n"), QString());
    EXPECT_EQ(ReadVolumeLabel(QString(), drives), QString());
    EXPECT_EQ(ReadVolumeLabel(dir.filePath("absent.iso"), drives), QString());
}

TEST_F(VolumeLabelTest, PipesAreRefusedWithoutWaiting)
{
    // The image itself, a cue sheet, and the data file a cue sheet names.
    const QString iso = testsupport::MakeFifo(dir.filePath("pipe.iso"));
    const QString cue = testsupport::MakeFifo(dir.filePath("pipe.cue"));
    const QString bin = testsupport::MakeFifo(dir.filePath("pipe.bin"));
    ASSERT_FALSE(iso.isEmpty() || cue.isEmpty() || bin.isEmpty());
    const QString sheet = WriteFile(dir.filePath("sheet.cue"), "FILE \"pipe.bin\" BINARY\n");
    const struct
    {
        QString drive;
        QString fifo;
    } cases[] = {{iso, iso}, {cue, cue}, {sheet, bin}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.drive.toStdString());
        QString label = QStringLiteral("unset");
        EXPECT_TRUE(testsupport::ReturnsPromptly(c.fifo, [&] { label = ReadVolumeLabel(c.drive, drives); }))
            << "the label reader waited for a writer";
        EXPECT_EQ(label, QString());
    }
}

TEST_F(VolumeLabelTest, AMountedDiscThatCannotBeReadUsesTheSystemsLabel)
{
    const QString device = WriteFile(dir.filePath("dev/sr0"), {});
    QDir().mkpath(dir.filePath("by-label"));
    ASSERT_TRUE(QFile::link(device, dir.filePath("by-label/My\\x20Disc\\x2fOne")));
    ASSERT_TRUE(QFile::link(dir.filePath("dev/other"), dir.filePath("by-label/Other")));

    EXPECT_EQ(ReadVolumeLabel(device, drives, dir.filePath("by-label")), QString()); // not mounted
    drives = DriveTable({device}, {{device, "/media/disc", "udf", {}}});
    EXPECT_EQ(ReadVolumeLabel(device, drives, dir.filePath("by-label")), u"My Disc/One");
}

TEST(ProbeDriveTest, TellsADiscFromItsAbsenceWithoutReadingIt)
{
    QTemporaryDir dir;
    const QString at = dir.path() + u'/';
    const struct
    {
        const char* name;
        QByteArray contents; // empty: not made here
        DiscInDrive expected;
    } cases[] = {
        {"audio.cue", "FILE \"audio.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n",
         DiscInDrive::kAudio},
        {"mixed.CUE", "file \"m.bin\" binary\n track 01 mode1/2352\n index 01 00:00:00\n track 02 audio\n",
         DiscInDrive::kAudio},
        {"late.cue", "TRACK 01 MODE1/2352\nTRACK 02 MODE1/2352\nTRACK 03 AUDIO\n", DiscInDrive::kData},
        {"data.cue", "FILE \"d.bin\" BINARY\n  TRACK 01 MODE2/2352\n", DiscInDrive::kData},
        {"cdrdao.toc", "CD_DA\n// a comment\nTRACK AUDIO\nFILE \"a.bin\" 0 00:02:00\n", DiscInDrive::kAudio},
        {"empty.cue", "REM nothing here\n", DiscInDrive::kNone},
        {"nero.nrg", QByteArray(64, '\0'), DiscInDrive::kAudio},
        {"missing.cue", {}, DiscInDrive::kNone},
        // A plain file or a folder is no device: nothing is asked of it.
        {"disc.iso", QByteArray(2048, 'x'), DiscInDrive::kNone},
        {"folder", {}, DiscInDrive::kNone},
    };
    ASSERT_TRUE(QDir().mkpath(at + QStringLiteral("folder")));
    for (const auto& c : cases) {
        if (!c.contents.isEmpty())
            WriteFile(at + QLatin1String(c.name), c.contents);
        EXPECT_EQ(ProbeDrive(at + QLatin1String(c.name)), c.expected) << c.name;
    }
    EXPECT_EQ(ProbeDrive(QString()), DiscInDrive::kNone);
    EXPECT_EQ(ProbeDrive(QStringLiteral("/dev/null")), DiscInDrive::kNone) << "not a block device";

    // A pipe, named as an image or as a device, is not opened: nothing waits for a writer.
    for (const char* name : {"pipe.cue", "sr9"}) {
        const QString fifo = testsupport::MakeFifo(at + QLatin1String(name));
        ASSERT_FALSE(fifo.isEmpty());
        DiscInDrive found = DiscInDrive::kAudio;
        EXPECT_TRUE(testsupport::ReturnsPromptly(fifo, [&] { found = ProbeDrive(fifo); })) << name;
        EXPECT_EQ(found, DiscInDrive::kNone) << name;
    }
}

} // namespace

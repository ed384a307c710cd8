#include "app/Settings.h"
#include "app/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kFolder = QStringLiteral("/opt/sorlin/");

class SettingsTest : public ::testing::Test
{
protected:
    QString FilePath() const { return dir.filePath(QStringLiteral("Sorlin.conf")); }

    // Loads settings from a file holding exactly `ini`.
    AppSettings LoadFrom(const QByteArray& ini)
    {
        QFile file(FilePath());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(ini);
        file.close();
        SettingsStore store(FilePath());
        return LoadSettings(store, kFolder);
    }

    QString SavedValue(const QString& key) const
    {
        SettingsStore store(FilePath());
        return store.ReadString(key.section(u'/', 0, 0), key.section(u'/', 1), QStringLiteral("<missing>"));
    }

    QTemporaryDir dir;
};

TEST_F(SettingsTest, FreshProfileHasTheDocumentedDefaults)
{
    SettingsStore store(FilePath());
    const AppSettings s = LoadSettings(store, kFolder);
    EXPECT_EQ(s, AppSettings::Defaults(kFolder));

    EXPECT_FALSE(s.border);
    EXPECT_EQ(s.topmost, 1);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.y, 0);
    EXPECT_EQ(s.w, 179);
    EXPECT_EQ(s.h, 179);
    EXPECT_EQ(s.color, 0x99FF66);
    EXPECT_EQ(s.thema, QStringLiteral("/opt/sorlin/Sorlin.ini"));
    EXPECT_EQ(s.plugIn, kFolder);
    EXPECT_TRUE(s.useThema);
    EXPECT_EQ(s.fontFaceName, QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(s.fontHeight, -16);
    EXPECT_EQ(s.fontWeight, 400);
    EXPECT_TRUE(s.autoPlay);
    EXPECT_TRUE(s.subPicture);
    EXPECT_TRUE(s.dvdAudioFirst);
    EXPECT_TRUE(s.downloadCache);
    EXPECT_EQ(s.lastTrack, 1);
    EXPECT_EQ(s.countDown, 180000);
    EXPECT_EQ(s.countMax, 0);

    const CTimerEntry& first = s.timers[0];
    EXPECT_EQ(first.hour, kAnyHour);
    EXPECT_EQ(first.hour2, kAnyHour);
    EXPECT_EQ(first.launch, QStringLiteral("/opt/sorlin/Chimes.wav"));
    EXPECT_EQ(first.exec, 1);
    for (int n = 1; n < kAlarmTimerEntry; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(s.timers[n].hour, 0);
        EXPECT_TRUE(s.timers[n].launch.isEmpty());
        EXPECT_EQ(s.timers[n].exec, 0);
    }
    EXPECT_EQ(s.timers[kAlarmTimerEntry].hour, 0);
    EXPECT_EQ(s.timers[kAlarmTimerEntry].launch, QStringLiteral("/opt/sorlin/Chimes.wav"));
    EXPECT_EQ(s.timers[kAlarmTimerEntry].exec, 1);
}

TEST_F(SettingsTest, FlagsAreReadByTheirOwnRule)
{
    const AppSettings s = LoadFrom("[Play]\nAutoPlay=2\nRepeat=2\nDvdDecode=7\nCCCDFirst=2\nRandom=-1\n"
                                   "DVDAUDIOFirst=0\nDownloadCache=5\n"
                                   "[Position]\nMATCH=2\nBORDER=5\nUseThema=3\nDispString=1\nDSFirst=9\n"
                                   "StillWindow=0\nBTN_SHOW=2\nTOPMOST=7\n"
                                   "[Font]\nItalic=257\n");
    EXPECT_FALSE(s.autoPlay);  // only 1 is on
    EXPECT_TRUE(s.repeat);     // any non-zero is on
    EXPECT_EQ(s.dvdDecode, 0); // out of range
    EXPECT_FALSE(s.cccdFirst);
    EXPECT_TRUE(s.random);
    EXPECT_FALSE(s.dvdAudioFirst);
    EXPECT_FALSE(s.downloadCache);
    EXPECT_FALSE(s.match);
    EXPECT_TRUE(s.border);
    EXPECT_FALSE(s.useThema);
    EXPECT_TRUE(s.dispString);
    EXPECT_TRUE(s.dsFirst);
    EXPECT_FALSE(s.stillWindow);
    EXPECT_EQ(s.btnShow, 2); // kept raw; drawing asks for exactly 1
    EXPECT_EQ(s.topmost, 7);
    EXPECT_EQ(s.fontItalic, 1); // one byte
}

TEST_F(SettingsTest, DecodeModeKeepsOnlyTheFourModes)
{
    for (int mode = -2; mode <= 5; ++mode) {
        SCOPED_TRACE(mode);
        const AppSettings s = LoadFrom(QStringLiteral("[Play]\nDvdDecode=%1\n").arg(mode).toUtf8());
        EXPECT_EQ(s.dvdDecode, mode >= 0 && mode <= 3 ? mode : 0);
    }
    EXPECT_EQ(DvdDecodeFlags(0, 0), 1);
    EXPECT_EQ(DvdDecodeFlags(1, 0), 2);
    EXPECT_EQ(DvdDecodeFlags(2, 1), 4 | 256);
    EXPECT_EQ(DvdDecodeFlags(3, 0), 8);
}

TEST_F(SettingsTest, ValuesOfTheWrongKindReadAsDefaults)
{
    const AppSettings s =
        LoadFrom("[Position]\nW=abc\nH=\nX=12px\nY=-40\nCOLOR=4294967295\nWaitTime=99999999999\n"
                 "Back=@ByteArray(xyz)\n"
                 "[Play]\nLastPos=1e3\nPlayList=/music/a, b.m3u\n"
                 "[Program]\nCountDown=\"60000\"\n");
    EXPECT_EQ(s.w, 179);
    EXPECT_EQ(s.h, 179);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.y, -40);
    EXPECT_EQ(s.color, -1); // a 32-bit value read modulo 2^32
    EXPECT_EQ(s.waitTime, 1);
    EXPECT_TRUE(s.back.isEmpty());
    EXPECT_EQ(s.lastPos, 0);
    EXPECT_EQ(s.playList, QStringLiteral("/music/a, b.m3u"));
    EXPECT_EQ(s.countDown, 60000);
}

TEST_F(SettingsTest, GarbageFileGivesDefaultsWhereItCannotBeRead)
{
    static const char kGarbage[] =
        "\x00\xff\xfe[[[\n===\n[Position\nW=\x80\x81\n[Play]\nRepeat=1\n\xc3\x28\n";
    const QByteArray garbage(kGarbage, sizeof kGarbage - 1);
    const AppSettings s = LoadFrom(garbage);
    EXPECT_EQ(s.w, 179);
    EXPECT_TRUE(s.repeat);
    EXPECT_TRUE(s.autoPlay);
}

TEST_F(SettingsTest, TimerEntriesReadHourAsAnyAndHour2FromHour)
{
    const AppSettings s = LoadFrom(
        "[Program0]\nHour=-1\n[Program1]\nHour=7\n[Program2]\nHour=65535\nHour2=3\n"
        "[Program3]\nYear=2026\nMonth=12\nDay=7\nHour=9\nMin=30\nSec=15\nLaunch=\\\"/bin/x\\\"\nExec=1\n");
    EXPECT_EQ(s.timers[0].hour, kAnyHour);
    EXPECT_EQ(s.timers[0].hour2, kAnyHour);
    EXPECT_EQ(s.timers[1].hour, 7);
    EXPECT_EQ(s.timers[1].hour2, 7);
    EXPECT_EQ(s.timers[2].hour, kAnyHour);
    EXPECT_EQ(s.timers[2].hour2, 3);
    const CTimerEntry& t = s.timers[3];
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 7);
    EXPECT_EQ(t.minute, 30);
    EXPECT_EQ(t.second, 15);
    EXPECT_EQ(t.launch, QStringLiteral("\"/bin/x\""));
    EXPECT_EQ(t.exec, 1);
}

TEST_F(SettingsTest, EverythingSavedReadsBackTheSame)
{
    AppSettings s = AppSettings::Defaults(kFolder);
    s.dvdDecode = 3;
    s.dvdDecodeNoVPE = 1;
    s.ccOn = true;
    s.subPicture = false;
    s.lastPos = 123456;
    s.lastUpc = QStringLiteral("ＤＩＳＣ 01");
    s.drive = QStringLiteral("/dev/sr1");
    s.playList = QStringLiteral("/music/a, b \"c\".m3u");
    s.autoPlay = false;
    s.repeat = true;
    s.border = true;
    s.x = -20;
    s.y = 40;
    s.w = 300;
    s.h = 200;
    s.color = 0xD09FDB;
    s.btnShow = 0;
    s.thema = QStringLiteral("/skins/私の.ini");
    s.fontHeight = -24;
    s.fontItalic = 1;
    s.fontFaceName = QStringLiteral("IPAGothic");
    s.timers[0].hour = kAnyHour;
    s.timers[0].launch = QStringLiteral("\"/opt/sorlin/Chimes.wav\""); // saved quoted, so read back quoted
    s.timers[4] = CTimerEntry{2027, 1, 0, 2, 3, 4, 5, 0, 6, QStringLiteral("\"/usr/bin/xclock\""), 1};
    s.timers[kAlarmTimerEntry].launch = QStringLiteral("\"/sounds/bell.wav\"");
    s.programSelect = 4;
    s.countDown = 5000;
    s.countMax = 1;
    {
        SettingsStore store(FilePath());
        ASSERT_TRUE(SaveSettings(store, s));
    }
    SettingsStore store(FilePath());
    EXPECT_EQ(LoadSettings(store, kFolder), s);
    EXPECT_EQ(SavedValue(QStringLiteral("Program0/Hour")), QStringLiteral("65535"));
    EXPECT_EQ(SavedValue(QStringLiteral("Play/AutoPlay")), QStringLiteral("0"));
    EXPECT_EQ(SavedValue(QStringLiteral("Position/BORDER")), QStringLiteral("1"));
}

TEST_F(SettingsTest, LaunchIsSavedQuoted)
{
    struct Case
    {
        const char* launch;
        const char* saved;
    };
    const Case cases[] = {
        {"", ""},
        {"/usr/bin/xclock", "\"/usr/bin/xclock\""},
        {"\"/usr/bin/xclock\"", "\"/usr/bin/xclock\""},
        {"\"/usr/bin/xclock", "\"\"/usr/bin/xclock\""},
        {"/usr/bin/xclock\"", "\"/usr/bin/xclock\"\""},
        {"\"", "\""},
        {"/a b/c d.wav", "\"/a b/c d.wav\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.launch);
        EXPECT_EQ(QuoteLaunch(QString::fromUtf8(c.launch)), QString::fromUtf8(c.saved));
    }

    // The unquoted default of entry 0 goes to the file quoted, and reads back quoted.
    {
        SettingsStore store(FilePath());
        ASSERT_TRUE(SaveSettings(store, AppSettings::Defaults(kFolder)));
    }
    EXPECT_EQ(SavedValue(QStringLiteral("Program0/Launch")), QStringLiteral("\"/opt/sorlin/Chimes.wav\""));
    EXPECT_EQ(SavedValue(QStringLiteral("Program1/Launch")), QString());
}

} // namespace

// Play items parsed once: the parts the player and the engines take from an item's string, for
// the kinds of item a list holds.

#include "media/PlayItem.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const PlayItem& item, std::ostream* out)
{
    *out << "{" << item.path.toStdString() << ", " << item.extension.toStdString() << ", drive "
         << item.drive.toStdString() << ", track " << item.cdTrack << ", title " << item.dvdTitle
         << ", chapter " << item.dvdChapter << ", ifo " << item.dvdIfo.toStdString() << ", name "
         << item.name.toStdString() << ", suffix " << item.suffix.toStdString() << "}";
}

namespace {

TEST(PlayItemTest, EachKindOfItemGivesItsParts)
{
    const platform::DriveTable drives(
        {QStringLiteral("/dev/sr0")},
        {{QStringLiteral("/dev/sr0"), QStringLiteral("/media/u/DISC"), QStringLiteral("udf"), QString()}});
    const struct
    {
        const char* text;
        PlayItem parsed;
    } cases[] = {
        // A CD track on the drive itself, quoted as the settings write it.
        {"\"/dev/sr0/Track05.cda\"",
         {"/dev/sr0/Track05.cda", ".CDA", "/dev/sr0", 5, 0, 0, "", "Track05", ".cda"}},
        // A chapter of a mounted disc.
        {"/media/u/DISC/VIDEO_TS/VIDEO_TS_02_011.IFO",
         {"/media/u/DISC/VIDEO_TS/VIDEO_TS_02_011.IFO", ".IFO", "/dev/sr0", 0, 2, 11,
          "/media/u/DISC/VIDEO_TS/VIDEO_TS.IFO", "VIDEO_TS_02_011", ".IFO"}},
        // The disc's own IFO names no chapter.
        {"/media/u/DISC/VIDEO_TS/VIDEO_TS.IFO",
         {"/media/u/DISC/VIDEO_TS/VIDEO_TS.IFO", ".IFO", "/dev/sr0", 0, 0, 0,
          "/media/u/DISC/VIDEO_TS/VIDEO_TS.IFO", "VIDEO_TS", ".IFO"}},
        {"/media/u/DISC/VIDEO_TS/VTS01.IFO",
         {"/media/u/DISC/VIDEO_TS/VTS01.IFO", ".IFO", "/dev/sr0", 0, 0, 0, "", "VTS01", ".IFO"}},
        // Files, with names as users have them: spaces, kanji, dots, no extension.
        {"/home/u/音楽/01 - Intro.mp3",
         {"/home/u/音楽/01 - Intro.mp3", ".MP3", "", 0, 0, 0, "", "01 - Intro", ".mp3"}},
        {"/home/u/v.2/clip.final.Ogg",
         {"/home/u/v.2/clip.final.Ogg", ".OGG", "", 0, 0, 0, "", "clip.final", ".Ogg"}},
        {"/home/u/README", {"/home/u/README", "", "", 0, 0, 0, "", "README", ""}},
        {"/home/u/say \"hi\".wav", {"/home/u/say \"hi\".wav", ".WAV", "", 0, 0, 0, "", "say \"hi\"", ".wav"}},
        // A network address and an archive's member are strings of their own.
        {"http://127.0.0.1:8080/list/a.mp3",
         {"http://127.0.0.1:8080/list/a.mp3", ".MP3", "", 0, 0, 0, "", "a", ".mp3"}},
        {"dir/Track07.cda", {"dir/Track07.cda", ".CDA", "", 7, 0, 0, "", "Track07", ".cda"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlayItem::Parse(QString::fromUtf8(c.text), drives), c.parsed) << c.text;
}

} // namespace

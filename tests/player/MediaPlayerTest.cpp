#include "player/MediaPlayer.h"
#include "media/VideoWindow.h"
#include "platform/ipc/MciCodes.h"
#include "platform/proxy/DvdGraphProxy.h"
#include "platform/proxy/MediaProcess.h"
#include "plugins/TestArchives.h"
#include "res/StringTable.h"
#include "support/CdImages.h"
#include "support/DvdDisc.h"
#include "support/Id3Tags.h"
#include "support/MediaFiles.h"
#include "support/PlayerScene.h"
#include "support/Wait.h"

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <memory>

#include <gtest/gtest.h>

namespace {

using testsupport::WaitUntil;

// The main window's part: the CD device's end of play goes to the player.
class Owner : public QWidget
{
public:
    CMediaPlayer* player = nullptr;
    // Graph events go to the player as they come, as the main window hands them on.
    bool takeGraphEvents = false;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != platform::WindowMessageEvent::Type())
            return;
        const auto* m = static_cast<platform::WindowMessageEvent*>(event);
        if (m->message == platform::MM_MCINOTIFY && player)
            player->OnCDNotify(m->wParam, m->lParam);
        if (m->message == platform::WM_GRAPH_EVENT && player && takeGraphEvents)
            player->HandleGraphEvent();
    }
};

class MediaPlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        player.Init(&owner, dir.path());
        owner.player = &player;
        CMediaPlayer::DisplaySettings display;
        display.stillWindow = false; // still images replace the main window's image
        display.waitTime = 1;
        player.ApplyDisplaySettings(display);
        CMediaPlayer::PlaySettings play;
        play.showTags = false;
        player.ApplyPlaySettings(play, true);
    }
    QString Picture(const QString& name, QRgb colour = qRgb(10, 20, 30))
    {
        QImage picture(8, 6, QImage::Format_RGB888);
        picture.fill(colour);
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(picture.save(path, "BMP"));
        return path;
    }
    QString Text(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString Tick(bool stopAtEnd = false)
    {
        QString display;
        bool stop = stopAtEnd;
        player.Tick(&display, &stop, false, 400);
        return display;
    }

    QTemporaryDir dir;
    Owner owner;
    CMediaPlayer player{platform::DriveTable()};
};

TEST_F(MediaPlayerTest, SourcesBecomeItemLists)
{
    const QString a = Picture(QStringLiteral("a.bmp"));
    player.SetItems({a}, false, a);
    EXPECT_EQ(player.Items(), QStringList{a});
    EXPECT_EQ(player.SourceFlags(), kSourceFile);
    EXPECT_TRUE(player.ResumeTargetFound()) << "the one file is the resume target";
    player.SetItems({a}, false, QStringLiteral("/other"));
    EXPECT_FALSE(player.ResumeTargetFound());

    player.SetItems({dir.filePath(QStringLiteral("missing.mp3"))}, false, QString());
    EXPECT_TRUE(player.Items().isEmpty());
    EXPECT_EQ(player.Current(), -1);

    const QString link = Text(QStringLiteral("shortcut.lnk"), "x");
    player.SetItems({link}, false, QString());
    EXPECT_EQ(player.Items(), QStringList{link});
    EXPECT_EQ(player.SourceFlags(), 0) << "a .LNK source has no flag";

    // A folder is scanned: files first, then sub-folders; the resume target is met.
    const QString b = Picture(QStringLiteral("tree/b.bmp"));
    const QString c = Picture(QStringLiteral("tree/sub/c.bmp"));
    Text(QStringLiteral("tree/Thumbs.db"), "x");
    player.SetItems({dir.filePath(QStringLiteral("tree"))}, false, c);
    EXPECT_EQ(player.Items(), (QStringList{b, c}));
    EXPECT_EQ(player.SourceFlags(), kSourceFolder);
    EXPECT_TRUE(player.ResumeTargetFound());
    EXPECT_EQ(player.Current(), 1);

    // A playlist: comments, relative lines and folders in place.
    const QString list = Text(QStringLiteral("list.m3u"), "#EXTM3U\na.bmp\ntree\n\nnone.bmp\n");
    player.SetItems({list}, false, QString());
    EXPECT_EQ(player.Items(), (QStringList{a, b, c}));
    EXPECT_EQ(player.SourceFlags(), kSourcePlaylist);
    EXPECT_EQ(player.Current(), 0);

    // Random order: a permutation, and the resume target is given up.
    QStringList many;
    for (int i = 0; i < 30; ++i)
        many << Picture(QStringLiteral("many/%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
    CMediaPlayer::PlaySettings play = player.GetPlaySettings();
    play.random = true;
    player.ApplyPlaySettings(play, true);
    player.SetItems({dir.filePath(QStringLiteral("many"))}, false, many[5]);
    EXPECT_EQ(player.Items().size(), 30);
    QStringList sorted = player.Items();
    sorted.sort();
    EXPECT_EQ(sorted, many);
    EXPECT_FALSE(player.ResumeTargetFound());
    EXPECT_EQ(player.Current(), 0);
}

TEST_F(MediaPlayerTest, WalkingTheListWithAndWithoutRepeat)
{
    const QString a = Picture(QStringLiteral("w/a.bmp"), qRgb(255, 0, 0));
    const QString b = Picture(QStringLiteral("w/b.bmp"), qRgb(0, 255, 0));
    const QString c = Picture(QStringLiteral("w/c.bmp"), qRgb(0, 0, 255));
    player.SetItems({dir.filePath(QStringLiteral("w"))}, false, QString());
    ASSERT_EQ(player.Items().size(), 3);
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    EXPECT_EQ(player.GetKind(), ItemKind::kStillImage);
    EXPECT_EQ(player.GetState().Get(), PlayerState::kPlaying);
    EXPECT_EQ(player.CurrentItem(), player.Items()[0]);
    EXPECT_EQ(player.BackgroundImage().SourceRect().size(), QSize(8, 6))
        << "the picture replaces the window's image";
    EXPECT_TRUE(player.HasNext());
    EXPECT_FALSE(player.HasPrevious());

    player.Next();
    player.Next();
    EXPECT_EQ(player.Current(), 2);
    EXPECT_FALSE(player.HasNext());
    // At the end without repeat: closed, and the CD resume values back to the start.
    player.Next();
    EXPECT_EQ(player.Current(), -1);
    EXPECT_EQ(player.GetKind(), ItemKind::kNone);
    EXPECT_EQ(player.Track(), 1);
    EXPECT_EQ(player.Position(), 0);

    // With repeat the first item comes again, and Previous at the first goes to the last.
    CMediaPlayer::PlaySettings play = player.GetPlaySettings();
    play.repeat = true;
    player.ApplyPlaySettings(play, true);
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    player.Next();
    player.Next();
    player.Next();
    EXPECT_EQ(player.Current(), 0);
    player.Previous();
    EXPECT_EQ(player.Current(), 2);

    play.repeat = false;
    player.ApplyPlaySettings(play, true);
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    player.Previous();
    EXPECT_EQ(player.Current(), 0) << "without repeat nothing further";
    EXPECT_EQ(player.GetKind(), ItemKind::kNone);

    player.SelectItem(b);
    EXPECT_EQ(player.CurrentItem(), b);
    (void)a;
    (void)c;
}

TEST_F(MediaPlayerTest, ItemsThatVanishedAreSkipped)
{
    const QString a = Picture(QStringLiteral("v/a.bmp"));
    const QString gone = Picture(QStringLiteral("v/gone.bmp"));
    const QString c = Picture(QStringLiteral("v/c.bmp"));
    player.SetItems({a, gone, c}, false, QString());
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    ASSERT_TRUE(QFile::remove(gone));
    player.Next();
    EXPECT_EQ(player.CurrentItem(), c);
    EXPECT_EQ(player.GetKind(), ItemKind::kStillImage);
}

TEST_F(MediaPlayerTest, LongTitlesScrollOneCharacterPerTick)
{
    QFont font;
    font.setPixelSize(12);
    player.SetDisplayFont(font);
    const QString title = QStringLiteral("A very long title that will never fit the display");
    const QString first = player.ScrollTitle(title, 60);
    const QString second = player.ScrollTitle(title, 60);
    EXPECT_LT(first.size(), title.size());
    EXPECT_TRUE(title.startsWith(first));
    EXPECT_EQ(second, title.mid(1, second.size()));
    EXPECT_EQ(player.ScrollTitle(QStringLiteral("Short"), 2000), QStringLiteral("Short"))
        << "a title that fits stays whole";
}

// A cell is half the font's widest character and a full-width character takes two, so a
// Japanese title never runs past the display; a Latin font whose narrow characters are wider
// than half its widest one is held to the width as well.
TEST_F(MediaPlayerTest, ScrolledTitlesStayWithinTheWidthInEveryFont)
{
    const QString japanese = QStringLiteral("とても長い日本語の曲名がここに続きます・第二楽章");
    const QString mixed = QStringLiteral("Symphony No.9 交響曲第九番 ニ短調 Op.125 — WWWWWWWWWW");
    const QString latin = QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW mmmmmmmmmmmmmmmmmmm");
    for (const char* family : {"IPAGothic", "IPAPGothic", "DejaVu Sans Mono", "DejaVu Sans"}) {
        QFont font(QString::fromLatin1(family));
        font.setPixelSize(16);
        const QFontMetrics metrics(font);
        for (const QString& title : {japanese, mixed, latin}) {
            CMediaPlayer fresh(platform::DriveTable{});
            fresh.SetDisplayFont(font);
            for (int width : {60, 150, 233}) {
                for (int step = 0; step < title.size() + 4; ++step) {
                    const QString shown = fresh.ScrollTitle(title, width);
                    ASSERT_LE(metrics.horizontalAdvance(shown), width)
                        << family << " " << width << " " << shown.toStdString();
                }
            }
        }
    }
}

TEST_F(MediaPlayerTest, StillImagesRunAsASlideShowForwardsAndBackwards)
{
    for (int i = 0; i < 3; ++i)
        Picture(QStringLiteral("show/%1.bmp").arg(i));
    CMediaPlayer::DisplaySettings display = player.GetDisplaySettings();
    display.waitTime = 3;
    player.ApplyDisplaySettings(display);
    player.SetItems({dir.filePath(QStringLiteral("show"))}, false, QString());
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    const QString first = player.CurrentItem();
    // The picture stays while the counter goes 0, 1, 2, 3 (two seconds of ticks), then the
    // next one opens.
    QStringList shown;
    for (int tick = 0; tick < 3; ++tick) {
        shown << Tick();
        EXPECT_EQ(player.CurrentItem(), first) << tick;
    }
    EXPECT_TRUE(shown.last().endsWith(QStringLiteral("00:00:03"))) << shown.last().toStdString();
    Tick();
    EXPECT_NE(player.CurrentItem(), first);
    EXPECT_EQ(player.Current(), 1);

    // After the last-item command the show runs backwards.
    ASSERT_TRUE(player.OpenBackward(BackwardFrom::kLastItem));
    EXPECT_EQ(player.Current(), 2);
    for (int tick = 0; tick < 4; ++tick)
        Tick();
    EXPECT_EQ(player.Current(), 1);

    // waitTime 0 keeps the picture until the user moves on.
    display.waitTime = 0;
    player.ApplyDisplaySettings(display);
    for (int tick = 0; tick < 10; ++tick)
        Tick();
    EXPECT_EQ(player.Current(), 1);
}

TEST(MediaPlayerText, RateMarksAndTimes)
{
    EXPECT_EQ(PlayerDisplay::RateText(2.0), u"[FF x2]");
    EXPECT_EQ(PlayerDisplay::RateText(0.25), u"[FF x1/4]");
    EXPECT_EQ(PlayerDisplay::RateText(-1.0), u"[REW x1]");
    EXPECT_EQ(PlayerDisplay::RateText(-0.25), u"[REW x1/4]");
    EXPECT_EQ(PlayerDisplay::RateText(1.0), QString());
    EXPECT_EQ(CMediaPlayer::GetExtensionKind(QStringLiteral("/d/x.cda")), ItemKind::kCdTrack);
    EXPECT_EQ(CMediaPlayer::GetExtensionKind(QStringLiteral("/d/VIDEO_TS/VIDEO_TS_01_001.IFO")),
              ItemKind::kDvd);
    EXPECT_EQ(CMediaPlayer::GetExtensionKind(QStringLiteral("/d/MPEGAV/AVSEQ01.DAT")), ItemKind::kVideoCd);
    EXPECT_EQ(CMediaPlayer::GetExtensionKind(QStringLiteral("/d/readme.TXT")), ItemKind::kDocument);
    EXPECT_EQ(CMediaPlayer::GetExtensionKind(QStringLiteral("/d/setup.exe")), ItemKind::kShell);
    EXPECT_EQ(CMediaPlayer::GetExtensionKind(QStringLiteral("/d/song.mp3")), ItemKind::kNone);
}

TEST_F(MediaPlayerTest, TitlesOfItems)
{
    EXPECT_EQ(player.GetItemTitle(QStringLiteral("/music/song.mp3"), false), QStringLiteral(" song.mp3"));
    EXPECT_EQ(player.GetItemTitle(QStringLiteral("/x/Player.exe"), false), QStringLiteral("COPY CONTROL CD"));
    EXPECT_EQ(player.GetItemTitle(QStringLiteral("/x/START.EXE"), false), QStringLiteral("Label Gate CD"));
    const QString image = cd_images::Write(dir.path(), QStringLiteral("disc"), {{cd_images::Seconds(1)}});
    EXPECT_EQ(player.GetItemTitle(image + QStringLiteral("/TRACK05.CDA"), true),
              image + QStringLiteral(" ﾄﾗｯｸ 05"));
    const QString iso = Text(QStringLiteral("dvd.iso"), QByteArray(4096, '\0'));
    EXPECT_EQ(player.GetItemTitle(iso + QStringLiteral("/VIDEO_TS/VIDEO_TS_02_015.IFO"), true),
              iso + QStringLiteral(" V ﾀｲﾄﾙ02 ﾁｬﾌﾟﾀｰ015"));
    EXPECT_EQ(player.GetItemTitle(iso + QStringLiteral("/AUDIO_TS/AUDIO_TS_01_002.IFO"), true),
              iso + QStringLiteral(" A ﾀｲﾄﾙ01 ﾁｬﾌﾟﾀｰ002"));
}

TEST_F(MediaPlayerTest, MediaFilesPlayShowTheirTimeAndMoveOnAtTheirEnd)
{
    const QString first = media_files::MakeTone(dir.path(), QStringLiteral("wav"), 1.0);
    ASSERT_FALSE(first.isEmpty());
    const QString second = dir.filePath(QStringLiteral("second.wav"));
    ASSERT_TRUE(QFile::copy(first, second));
    player.SetItems({first, second}, false, QString());
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    EXPECT_EQ(player.GetKind(), ItemKind::kMediaFile);
    EXPECT_EQ(player.GetState().Get(), PlayerState::kPlaying);
    EXPECT_TRUE(Tick().contains(QStringLiteral("\n00:00:0")));
    // DVD choices made meanwhile are the ones the next disc opens with.
    player.Dvd().SetDecodeMode(3);
    player.Dvd().SetClosedCaption(true);
    EXPECT_EQ(player.DvdEngine().DecodeFlags(), 3);
    EXPECT_TRUE(player.DvdEngine().ClosedCaptions());
    ASSERT_TRUE(WaitUntil([&] {
        Tick();
        return player.Current() == 1;
    }));
    EXPECT_EQ(player.CurrentItem(), second);
    // The last one ends the list: closed.
    ASSERT_TRUE(WaitUntil([&] {
        Tick();
        return player.GetKind() == ItemKind::kNone;
    }));
    EXPECT_EQ(player.GetState().Get(), PlayerState::kClosed);
}

TEST_F(MediaPlayerTest, AMediaFilesElementsShowTheirProperties)
{
    const QString song = media_files::MakeTone(dir.path(), QStringLiteral("wav"), 5.0);
    ASSERT_FALSE(song.isEmpty());
    player.SetItems({song}, false, QString());
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    QStringList names;
    int count = 0;
    player.GetFilterNames(&names, &count);
    ASSERT_GT(count, 0);
    // The dialog is modal: note its caption and close it.
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shown = dialog->windowTitle();
            dialog->reject();
        }
    });
    closer.start(20);
    player.ShowFilterProperties(0);
    EXPECT_EQ(shown, names.front());
    shown.clear();
    player.ShowFilterProperties(count); // beyond the last element: nothing
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MediaPlayerTest, ACdImageAsTheDrivePlaysTrackAfterTrack)
{
    const QString image =
        cd_images::Write(dir.path(), QStringLiteral("cd"),
                         {{cd_images::Seconds(1)}, {cd_images::Seconds(1.2)}, {cd_images::Seconds(1)}});
    player.SetItems({image}, false, QString());
    ASSERT_EQ(player.Items().size(), 3);
    EXPECT_EQ(player.Items()[1], image + QStringLiteral("/TRACK02.CDA"));
    EXPECT_EQ(player.SourceFlags(), kSourceFolder);
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    EXPECT_EQ(player.GetKind(), ItemKind::kCdTrack);
    EXPECT_EQ(player.Track(), 1);
    EXPECT_FALSE(player.Identity().isEmpty());
    QString display;
    ASSERT_TRUE(WaitUntil([&] {
        display = Tick();
        return !display.isEmpty();
    }));
    EXPECT_TRUE(display.startsWith(QStringLiteral("ﾄﾗｯｸ 01\n00:00:0"))) << display.toStdString();
    ASSERT_TRUE(WaitUntil([&] {
        Tick();
        return player.Track() == 2;
    }));
    EXPECT_EQ(player.CurrentItem(), image + QStringLiteral("/TRACK02.CDA"));
    EXPECT_EQ(player.GetKind(), ItemKind::kCdTrack);
}

TEST_F(MediaPlayerTest, TaggedFilesAreNamedByTheirTags)
{
    CMediaPlayer::PlaySettings play = player.GetPlaySettings();
    play.showTags = true;
    player.ApplyPlaySettings(play, true);
    const QString tagged = dir.filePath(QStringLiteral("tagged.mp3"));
    ASSERT_TRUE(id3_tags::WriteFile(
        tagged,
        id3_tags::Tag(3, id3_tags::Frame(3, "TIT2", id3_tags::TextBody("夜の歌"))) + id3_tags::Audio(2048)));
    EXPECT_EQ(player.GetItemTitle(tagged, false), QStringLiteral("夜の歌"));
    const QString plain = dir.filePath(QStringLiteral("plain.mp3"));
    ASSERT_TRUE(id3_tags::WriteFile(plain, id3_tags::Audio(4096)));
    EXPECT_EQ(player.GetItemTitle(plain, false), QStringLiteral(" plain"))
        << "the name without its extension";
}

TEST_F(MediaPlayerTest, ACdResumesOnlyWhenItIsTheSameDisc)
{
    const QString image =
        cd_images::Write(dir.path(), QStringLiteral("resume"),
                         {{cd_images::Seconds(1)}, {cd_images::Seconds(4)}, {cd_images::Seconds(1)}});
    player.SetItems({image}, false, QString());
    const QString identity = PlayerScene(player).Cd().GetIdentity();
    ASSERT_FALSE(identity.isEmpty());

    CMediaPlayer::PlaySettings play = player.GetPlaySettings();
    play.identity = identity;
    play.track = 2;
    play.position = 1500;
    play.autoPlay = true;
    player.ApplyPlaySettings(play, true);
    player.SetItems({image}, false, QString());
    EXPECT_TRUE(player.ResumeTargetFound());
    EXPECT_EQ(player.Current(), 1);
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    EXPECT_EQ(player.Track(), 2);
    int track = 0;
    EXPECT_GE(PlayerScene(player).Cd().GetTrackPosition(&track), 1400)
        << "playing starts at the stored place";

    // Another disc starts at its first track.
    play.identity = QStringLiteral("0123456789ABCDEF");
    player.ApplyPlaySettings(play, true);
    player.SetItems({image}, false, QString());
    EXPECT_FALSE(player.ResumeTargetFound());
    EXPECT_EQ(player.Current(), 0);
}

TEST_F(MediaPlayerTest, DiscsComeAndGoWithTheDoor)
{
    const QString image = cd_images::Write(dir.path(), QStringLiteral("door"),
                                           {{cd_images::Seconds(2)}, {cd_images::Seconds(2)}});
    CMediaPlayer::PlaySettings play = player.GetPlaySettings();
    play.drive = image;
    play.source = image;
    play.autoPlay = true;
    player.ApplyPlaySettings(play, true);
    player.OpenSource(image);
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    ASSERT_EQ(player.GetKind(), ItemKind::kCdTrack);

    // Eject: stopped, closed, idle, and the door open.
    player.Eject();
    EXPECT_EQ(player.GetState().Get(), PlayerState::kIdle);
    EXPECT_EQ(player.GetKind(), ItemKind::kNone);
    EXPECT_TRUE(player.Playing()) << "the door's state";
    EXPECT_FALSE(player.CheckDisc(true));
    EXPECT_EQ(player.GetState().Get(), PlayerState::kIdle);

    // The door closes again: with autoPlay the disc plays from its first track.
    player.Eject();
    EXPECT_EQ(player.GetKind(), ItemKind::kCdTrack);
    EXPECT_EQ(player.GetState().Get(), PlayerState::kPlaying);
    EXPECT_EQ(player.Current(), 0);
}

TEST_F(MediaPlayerTest, StillImagesCanHaveAWindowOfTheirOwn)
{
    CMediaPlayer::DisplaySettings display = player.GetDisplaySettings();
    display.stillWindow = true;
    player.ApplyDisplaySettings(display);
    const QString picture = Picture(QStringLiteral("own/p.bmp"));
    EXPECT_EQ(player.ShowImage(picture), ItemKind::kStillImage);
    ASSERT_TRUE(player.StillWindow().IsCreated());
    EXPECT_TRUE(player.StillWindow().Window()->isVisible());
    EXPECT_TRUE(player.BackgroundImage().IsEmpty()) << "the main window's image stays";
    EXPECT_EQ(player.ShowImage(Text(QStringLiteral("own/not.bmp"), "no picture")), ItemKind::kNone);
    EXPECT_FALSE(player.StillWindow().IsCreated());
}

// What one list met of the session's resume item is not carried into the next: a disc listed
// after a list that met it (and was not played) starts at its first chapter.
TEST_F(MediaPlayerTest, ADiscListedAfterAnotherListStartsAtItsFirstItem)
{
    const QString a = Picture(QStringLiteral("a.bmp"));
    const QString b = Picture(QStringLiteral("b.bmp"));
    player.SetItems({a, b}, false, b);
    ASSERT_TRUE(player.ResumeTargetFound());
    const QString disc = media_files::DvdDisc();
    ASSERT_FALSE(disc.isEmpty());
    player.SetItems({disc}, false, b);
    ASSERT_EQ(player.GetKind(), ItemKind::kDvd);
    ASSERT_FALSE(player.Items().isEmpty());
    EXPECT_FALSE(player.ResumeTargetFound());
    EXPECT_EQ(player.Current(), 0);
    EXPECT_TRUE(player.OpenForward(ForwardFrom::kStart));
    EXPECT_EQ(player.CurrentItem(), player.Items().front());
}

TEST_F(MediaPlayerTest, TheListFollowsTheDvdsOwnChapterChange)
{
    const QString disc = media_files::DvdDisc();
    ASSERT_FALSE(disc.isEmpty());
    player.SetItems({disc}, false, QString());
    ASSERT_FALSE(player.Items().isEmpty());
    EXPECT_EQ(player.GetKind(), ItemKind::kDvd);
    const QString chapterOne = player.DvdEngine().BuildItemName(1, 1);
    const QString chapterTwo = player.DvdEngine().BuildItemName(1, 2);
    ASSERT_TRUE(player.Items().contains(chapterTwo));
    player.SelectItem(chapterOne);
    ASSERT_EQ(player.CurrentItem(), chapterOne);
    // The disc shows its menu first: once it stands still with its first button selected, that
    // button plays title 1, and the chapter asked for follows.
    ASSERT_TRUE(WaitUntil([&] {
        Tick();
        return player.DvdEngine().GetDomain() == platform::DvdDomain::kVideoManagerMenu &&
               player.DvdEngine().IsStill() && player.DvdEngine().Dvd() &&
               player.DvdEngine().Dvd()->SelectedButton() == 1 &&
               (player.Dvd().GetValidUops() & platform::kUopSelectOrActivateButton) == 0;
    }));
    player.Navigate(NavigationKey::kEnter, 0.5);
    // The disc plays on into chapter 2 by itself: the list's current item follows.
    ASSERT_TRUE(WaitUntil(
        [&] {
            Tick();
            return player.CurrentItem() == chapterTwo;
        },
        30000));
    EXPECT_EQ(player.GetKind(), ItemKind::kDvd);
}

} // namespace

namespace {

TEST_F(MediaPlayerTest, AnItemWhoseMediaProcessDiesIsPassedOverAndTheNextOnePlays)
{
    owner.takeGraphEvents = true;
    QDir().mkpath(dir.filePath(QStringLiteral("list")));
    const QString first =
        media_files::MakeTone(dir.filePath(QStringLiteral("list")), QStringLiteral("ogg"), 20);
    const QString second =
        media_files::MakeTone(dir.filePath(QStringLiteral("list")), QStringLiteral("wav"), 20);
    ASSERT_FALSE(first.isEmpty() || second.isEmpty());
    player.SetItems({first, second}, false, QString());
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    ASSERT_EQ(player.CurrentItem(), first);
    ASSERT_TRUE(WaitUntil([&] {
        Tick();
        return player.Position() > 300;
    }));
    platform::MediaProcess& process = platform::MediaProcess::Instance();
    const qint64 crashed = process.Pid();
    ASSERT_EQ(::kill(static_cast<pid_t>(crashed), SIGKILL), 0);

    // The first item ends with its error, and the list goes on in a media process of its own.
    EXPECT_TRUE(WaitUntil([&] {
        Tick();
        return player.CurrentItem() == second && player.Position() > 300;
    })) << player.CurrentItem().toStdString();
    EXPECT_NE(process.Pid(), crashed);
    EXPECT_TRUE(player.GetState().IsPlaying());
}

TEST_F(MediaPlayerTest, DiscsMountedWithLowerCaseNamesAreKnownByTheirFiles)
{
    // A Video CD: its stream folder is what plays.
    const QString vcd = dir.filePath(QStringLiteral("vcd"));
    const QString made = media_files::MakeVideoCD(vcd, 1.0);
    ASSERT_FALSE(made.isEmpty());
    ASSERT_TRUE(QDir(vcd).rename(QStringLiteral("MPEGAV/AVSEQ01.DAT"), QStringLiteral("MPEGAV/avseq01.dat")));
    ASSERT_TRUE(QDir(vcd).rename(QStringLiteral("MPEGAV"), QStringLiteral("mpegav")));
    player.SetItems({vcd}, false, QString());
    EXPECT_EQ(player.GetKind(), ItemKind::kVideoCd);
    EXPECT_EQ(player.Items(), QStringList{vcd + QStringLiteral("/mpegav/avseq01.dat")});

    // AUTORUN.INF names the disc's own program.
    const QString launcher = Text(QStringLiteral("cd/autorun.inf"), "[autorun]\nopen=start.exe\n");
    const QString cd = QFileInfo(launcher).absolutePath();
    player.SetItems({cd}, false, QString());
    EXPECT_EQ(player.Items(), QStringList{cd + QStringLiteral("/start.exe")});
    EXPECT_EQ(player.GetKind(), ItemKind::kDiscLauncher);

    // A DVD's IFO file.
    const QString ifo = Text(QStringLiteral("dvd/video_ts/video_ts.ifo"), "x");
    QString found;
    EXPECT_TRUE(CDVDMedia::FindIfo(dir.filePath(QStringLiteral("dvd")), &found, true));
    EXPECT_EQ(found, ifo);
}

// A classic skin of one-coloured PNG pictures, zipped as a .wsz file: the zip `path`.
bool WriteSkinArchive(const QString& path, QRgb main, QRgb eq, QRgb buttons)
{
    const struct
    {
        const char* name;
        QSize size;
        QRgb colour;
    } pictures[] = {{"skin/Main.png", {275, 116}, main},
                    {"skin/EqMain.png", {275, 116}, eq},
                    {"skin/TitleBar.png", {275, 14}, main},
                    {"skin/CButtons.png", {136, 36}, buttons}};
    std::vector<testarchives::Entry> entries;
    for (const auto& picture : pictures) {
        QImage image(picture.size, QImage::Format_RGB32);
        image.fill(picture.colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
            return false;
        entries.emplace_back(picture.name, bytes.toStdString());
    }
    const std::string zip = testarchives::Pack(testarchives::Format::Zip, entries);
    QFile file(path);
    return !zip.empty() && file.open(QIODevice::WriteOnly) &&
           file.write(zip.data(), static_cast<qint64>(zip.size())) == static_cast<qint64>(zip.size());
}

TEST_F(MediaPlayerTest, AClassicSkinArchiveBecomesTheBackground)
{
    const QString skin = dir.filePath(QStringLiteral("Classic.WSZ"));
    ASSERT_TRUE(WriteSkinArchive(skin, qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200)));
    // Without an archive plug-in in the plug-in folder the archive is no picture.
    CMediaPlayer::DisplaySettings display = player.GetDisplaySettings();
    display.pluginFolder = dir.filePath(QStringLiteral("no plug-ins"));
    ASSERT_TRUE(QDir().mkpath(display.pluginFolder));
    player.ApplyDisplaySettings(display);
    EXPECT_FALSE(player.SetBackgroundImage(skin));
    EXPECT_TRUE(player.BackgroundImage().IsEmpty());

    display.pluginFolder = QStringLiteral(SORLIN_ARCHIVE_PLUGIN_DIR);
    player.ApplyDisplaySettings(display);
    ASSERT_TRUE(player.SetBackgroundImage(skin));
    EXPECT_EQ(player.GetDisplaySettings().backgroundImage, skin);
    const CDib& background = player.BackgroundImage();
    EXPECT_EQ(background.SourceRect(), QRect(0, 0, 275, 232));
    // The equalizer on top unless folderImage puts the main panel first.
    EXPECT_EQ(background.Image().pixel(0, 0), qRgb(0, 200, 0));
    EXPECT_EQ(background.Image().pixel(0, 116), qRgb(200, 0, 0));
    EXPECT_EQ(background.Image().pixel(16, 116 + 88), qRgb(0, 0, 200));
    display.folderImage = true;
    player.ApplyDisplaySettings(display);
    ASSERT_TRUE(player.SetBackgroundImage(skin));
    EXPECT_EQ(player.BackgroundImage().Image().pixel(0, 0), qRgb(200, 0, 0));
    EXPECT_EQ(player.BackgroundImage().Image().pixel(136, 89), qRgb(0, 0, 200));
}

TEST_F(MediaPlayerTest, TheCursorHidesOverAnyFullScreenVideoAndComesBack)
{
    const QString clip = media_files::MakeVideo(dir.path(), QStringLiteral("mp4"), 5.0, 320, 240);
    ASSERT_FALSE(clip.isEmpty());
    player.SetItems({clip}, false, QString());
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    ASSERT_NE(player.FileEngine().Window(), nullptr);
    player.SetFullScreen(true);
    player.ShowCursor(true);
    EXPECT_EQ(player.FileEngine().Window()->cursor().shape(), Qt::BlankCursor) << "over a file";
    player.ShowCursor(false);
    EXPECT_EQ(player.FileEngine().Window()->cursor().shape(), Qt::ArrowCursor);
    player.Close(false);

    const QString disc = media_files::DvdDisc();
    ASSERT_FALSE(disc.isEmpty());
    player.SetItems({disc}, false, QString());
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    ASSERT_EQ(player.GetKind(), ItemKind::kDvd);
    ASSERT_NE(player.DvdEngine().Window(), nullptr);
    player.ShowCursor(true);
    EXPECT_EQ(player.DvdEngine().Window()->cursor().shape(), Qt::BlankCursor) << "over a disc";
    player.ShowCursor(false);
    EXPECT_EQ(player.DvdEngine().Window()->cursor().shape(), Qt::ArrowCursor);
}

} // namespace

// Archives as sources through the archive plug-in built with the program: their members as
// items, a member written into the cache when it opens, resuming at a member, the bounds on
// listings and members, what is no archive, and an archive downloaded from a server.

#include "platform/MessageBox.h"
#include "platform/proxy/ArchiveProxy.h"
#include "platform/proxy/MediaProcess.h"
#include "player/MediaPlayer.h"
#include "player/ProgressDlg.h"
#include "plugins/TestArchives.h"
#include "res/StringTable.h"
#include "support/HttpServer.h"
#include "support/Id3Tags.h"
#include "support/MediaFiles.h"
#include "support/PlayerScene.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using testarchives::Entry;
using testarchives::Format;
using testarchives::Pack;
using testing::HasSubstr;

std::string Bytes(const QByteArray& bytes)
{
    return bytes.toStdString();
}

class ArchiveSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        cache = dir.filePath(QStringLiteral("cache"));
        ASSERT_TRUE(QDir().mkpath(cache));
        player.Init(&owner, cache);
        UsePlugins(QFileInfo(QStringLiteral(SORLIN_TEST_ARCHIVE_PLUGIN)).absolutePath());
        CMediaPlayer::PlaySettings play;
        play.showTags = false;
        player.ApplyPlaySettings(play, true);
        platform::SetMessageBoxObserver([this](const QString& text, int) {
            messages << text;
            return platform::kIdOk;
        });
        const QString tone = media_files::MakeTone(dir.path(), QStringLiteral("wav"), 0.5);
        ASSERT_FALSE(tone.isEmpty());
        QFile file(tone);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        toneBytes = file.readAll();
    }
    void TearDown() override { platform::SetMessageBoxObserver(nullptr); }

    void UsePlugins(const QString& folder)
    {
        CMediaPlayer::DisplaySettings display;
        display.stillWindow = false;
        display.pluginFolder = folder;
        player.ApplyDisplaySettings(display);
    }
    QString Write(const QString& name, const std::string& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }
    // A playable member: the tone, with `tag` in front so that each member differs.
    std::string Tone(const char* tag) const { return Bytes(toneBytes) + tag; }
    QByteArray Read(const QString& path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Everything below the cache folder, with the folders' names.
    QStringList CacheTree() const
    {
        QStringList all;
        QDir root(cache);
        for (const QFileInfo& info :
             root.entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
            all << info.fileName();
            if (info.isDir())
                for (const QString& inner : QDir(info.filePath()).entryList(QDir::Files | QDir::Hidden))
                    all << info.fileName() + u'/' + inner;
        }
        return all;
    }

    QTemporaryDir dir;
    QString cache;
    QWidget owner;
    CMediaPlayer player;
    QStringList messages;
    QByteArray toneBytes;
};

TEST_F(ArchiveSourceTest, AZipBecomesItsMembersAndEachOpensFromItsOwnCopyInTheCache)
{
    const QString zip =
        Write(QStringLiteral("music.zip"),
              Pack(Format::Zip, {Entry("a/same.mp3", Tone("A")), Entry("b/same.mp3", Tone("B")),
                                 Entry("empty/", {}, testarchives::EntryKind::Directory),
                                 Entry("x/y/z/deep.wav", Tone("D")), Entry("../x.mp3", Tone("X"))}));
    player.SetItems({zip}, false, QString());
    EXPECT_EQ(player.Items(), (QStringList{QStringLiteral("a/same.mp3"), QStringLiteral("b/same.mp3"),
                                           QStringLiteral("x/y/z/deep.wav"), QStringLiteral("../x.mp3")}));
    EXPECT_EQ(player.SourceFlags() & (kSourceArchive | kSourceFile), kSourceArchive);
    EXPECT_TRUE(player.Archive().IsOpen());
    EXPECT_EQ(player.Current(), 0);

    // "../x.mp3" is written inside the cache, never beside it.
    QWidget* video = nullptr;
    PlayerScene(player).SetKind(player.OpenItem(QStringLiteral("../x.mp3"), false, &video));
    EXPECT_EQ(player.GetKind(), ItemKind::kMediaFile);
    const QString first = player.Archive().ExtractedFile();
    EXPECT_TRUE(first.startsWith(cache + u'/'));
    EXPECT_EQ(Read(first), QByteArray::fromStdString(Tone("X")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("x.mp3"))));

    // Members of the same name in different folders are each their own; the one opened before
    // goes when the next comes.
    PlayerScene(player).SetKind(player.OpenItem(QStringLiteral("a/same.mp3"), false, &video));
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_EQ(Read(player.Archive().ExtractedFile()), QByteArray::fromStdString(Tone("A")));
    PlayerScene(player).SetKind(player.OpenItem(QStringLiteral("b/same.mp3"), false, &video));
    EXPECT_EQ(Read(player.Archive().ExtractedFile()), QByteArray::fromStdString(Tone("B")));
    EXPECT_EQ(CacheTree(), (QStringList{QStringLiteral("archive"), QStringLiteral("archive/same.mp3")}));

    // Closing the item removes its copy.
    player.Close(false);
    EXPECT_EQ(CacheTree(), QStringList{QStringLiteral("archive")});
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

// A member that does not play leaves no copy behind either: not when the list is replaced, not
// when the player ends.
TEST_F(ArchiveSourceTest, AMemberThatDoesNotPlayLeavesNoCopyBehind)
{
    const QString zip =
        Write(QStringLiteral("odd.zip"),
              Pack(Format::Zip, {Entry("notes.mp3", "no sound here\n"), Entry("song.wav", Tone("S"))}));
    for (const bool replaced : {true, false}) {
        SCOPED_TRACE(replaced ? "replaced" : "ended");
        auto other = std::make_unique<CMediaPlayer>();
        CMediaPlayer& used = replaced ? player : *other;
        used.Init(&owner, cache);
        CMediaPlayer::DisplaySettings display;
        display.stillWindow = false;
        display.pluginFolder = QFileInfo(QStringLiteral(SORLIN_TEST_ARCHIVE_PLUGIN)).absolutePath();
        used.ApplyDisplaySettings(display);
        used.SetItems({zip}, false, QString());
        QWidget* video = nullptr;
        EXPECT_EQ(used.OpenItem(QStringLiteral("notes.mp3"), false, &video), ItemKind::kNone);
        ASSERT_EQ(CacheTree(), (QStringList{QStringLiteral("archive"), QStringLiteral("archive/notes.mp3")}));
        if (replaced)
            used.SetItems({dir.filePath(QStringLiteral("elsewhere"))}, false, QString());
        else
            other.reset();
        EXPECT_EQ(CacheTree(), QStringList{QStringLiteral("archive")});
    }
}

// The plug-ins run in the media process: one that stalls, hangs or crashes costs the member, not
// the window. The window goes on while a member is written out; a large one shows "中断", which
// stops it; and the list goes on.
TEST_F(ArchiveSourceTest, APluginThatStallsHangsOrCrashesCostsOnlyTheMember)
{
    UsePlugins(QStringLiteral(SORLIN_TRICK_PLUGIN_DIR));
    player.SetItems({Write(QStringLiteral("odd.trick"), "any bytes")}, false, QString());
    ASSERT_EQ(player.Items(), (QStringList{QStringLiteral("endless.wav"), QStringLiteral("silent.wav"),
                                           QStringLiteral("crash.wav"), QStringLiteral("fine.wav")}));
    platform::MediaProcess& process = platform::MediaProcess::Instance();

    // A beat on the window's thread: it sees the player busy with a member, and the dialog.
    bool beatWhileBusy = false;
    QStringList dialogs;
    bool abortShown = false;
    QTimer beat;
    beat.setInterval(20);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        if (player.GetState().Is(PlayerState::kDownloading))
            beatWhileBusy = true;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CProgressDlg*>(widget);
            if (!dialog || !dialog->isVisible() || dialog->IsAborted())
                continue;
            dialogs << dialog->TitleText() + u' ' + dialog->MessageText();
            if (abortShown)
                dialog->Item<QAbstractButton>(CProgressDlg::kAbortButton)->click(); // "中断"
        }
    });
    beat.start();
    const auto open = [&](const char* name) {
        beatWhileBusy = false;
        dialogs.clear();
        messages.clear();
        QWidget* video = nullptr;
        return player.OpenItem(QLatin1String(name), false, &video);
    };

    // A large member shows the dialog, whose "中断" stops it without a message; the media process
    // stays.
    abortShown = true;
    EXPECT_EQ(open("endless.wav"), ItemKind::kNone);
    const qint64 pid = process.Pid();
    EXPECT_NE(pid, 0);
    EXPECT_TRUE(beatWhileBusy);
    EXPECT_EQ(dialogs.value(0), QStringLiteral("書庫から取り出し endless.wavを書庫から取り出し中です。"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    EXPECT_EQ(CacheTree(), QStringList{QStringLiteral("archive")});

    // One that hangs is given up when it has said nothing for the bound; one that crashes its
    // process fails at once. Each with a message, each leaving nothing behind.
    abortShown = false;
    player.SetArchiveAccess(std::make_unique<platform::ArchiveProxy>(1500));
    for (const auto& [name, hangs] : {std::pair{"silent.wav", true}, std::pair{"crash.wav", false}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(open(name), ItemKind::kNone);
        // The window went on while it waited (a crash may end it sooner than a beat comes).
        EXPECT_TRUE(beatWhileBusy || !hangs);
        EXPECT_TRUE(dialogs.isEmpty()) << "a small member shows no dialog";
        ASSERT_EQ(messages.size(), 1);
        EXPECT_THAT(messages[0].toStdString(), HasSubstr("書庫から取り出せませんでした"));
        EXPECT_NE(process.Pid(), pid);
        EXPECT_EQ(CacheTree(), QStringList{QStringLiteral("archive")});
    }

    // The list goes on: the next member plays from its copy, through a new media process.
    EXPECT_EQ(open("fine.wav"), ItemKind::kMediaFile);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    EXPECT_EQ(CacheTree(), (QStringList{QStringLiteral("archive"), QStringLiteral("archive/fine.wav")}));
    EXPECT_TRUE(process.IsRunning());
}

TEST_F(ArchiveSourceTest, TheListResumesAtTheMemberPlayedLast)
{
    const QString zip =
        Write(QStringLiteral("music.zip"),
              Pack(Format::Zip, {Entry("a/one.mp3", Tone("1")), Entry("b/two.mp3", Tone("2"))}));
    player.SetItems({zip}, false, QStringLiteral("b/two.mp3"));
    EXPECT_TRUE(player.ResumeTargetFound());
    EXPECT_EQ(player.Current(), 1);
    player.SetItems({zip}, false, QStringLiteral("two.mp3"));
    EXPECT_FALSE(player.ResumeTargetFound());
    EXPECT_EQ(player.Current(), 0);
}

TEST_F(ArchiveSourceTest, SevenZipTarGzAndADataIsoAreListedToo)
{
    const std::vector<Entry> entries{Entry("disc/one.wav", Tone("1")), Entry("two.wav", Tone("2"))};
    for (const auto& [format, name] : {std::pair{Format::SevenZip, QStringLiteral("music.7z")},
                                       std::pair{Format::TarGz, QStringLiteral("music.tar.gz")},
                                       std::pair{Format::Iso, QStringLiteral("music.iso")}}) {
        player.SetItems({Write(name, Pack(format, entries))}, false, QString());
        EXPECT_EQ(player.Items(), (QStringList{QStringLiteral("disc/one.wav"), QStringLiteral("two.wav")}))
            << name.toStdString();
        EXPECT_EQ(player.SourceFlags(), kSourceArchive) << name.toStdString();
    }
    // An iso that holds no media lists what it holds; each member is only a file.
    player.SetItems(
        {Write(QStringLiteral("papers.iso"), Pack(Format::Iso, {Entry("doc/readme.txt", "hello\n")}))}, false,
        QString());
    EXPECT_EQ(player.Items(), QStringList{QStringLiteral("doc/readme.txt")});
}

TEST_F(ArchiveSourceTest, KnownMediaNamesAndFolderWithoutArchivePluginsStayOneFile)
{
    const std::string zip = Pack(Format::Zip, {Entry("a.wav", Tone("A")), Entry("b.wav", Tone("B"))});
    // An .mp3 is never offered to the archive plug-ins, even when it is a zip.
    const QString named = Write(QStringLiteral("really.mp3"), zip);
    player.SetItems({named}, false, QString());
    EXPECT_EQ(player.Items(), QStringList{named});
    EXPECT_EQ(player.SourceFlags(), kSourceFile);

    // With only the image plug-in in the folder, a zip stays one file.
    const QString zipFile = Write(QStringLiteral("music.zip"), zip);
    QTemporaryDir images;
    ASSERT_TRUE(QFile::copy(QFileInfo(QStringLiteral(SORLIN_TEST_ARCHIVE_PLUGIN)).absolutePath() +
                                QStringLiteral("/ifqtimage.spi"),
                            images.filePath(QStringLiteral("ifqtimage.spi"))));
    UsePlugins(images.path());
    player.SetItems({zipFile}, false, QString());
    EXPECT_EQ(player.Items(), QStringList{zipFile});
    EXPECT_EQ(player.SourceFlags(), kSourceFile);
    EXPECT_FALSE(player.Archive().IsOpen());

    // The same zip with the archive plug-in back: its members (the check above could fail).
    UsePlugins(QFileInfo(QStringLiteral(SORLIN_TEST_ARCHIVE_PLUGIN)).absolutePath());
    player.SetItems({zipFile}, false, QString());
    EXPECT_EQ(player.Items(), (QStringList{QStringLiteral("a.wav"), QStringLiteral("b.wav")}));
}

TEST_F(ArchiveSourceTest, WhatIsNoArchiveStaysOneFileWithoutAMessage)
{
    std::string broken = Pack(Format::Zip, {Entry("a.wav", Tone("A")), Entry("b.wav", Tone("B"))});
    broken.resize(broken.size() / 2);
    for (const auto& [name, bytes] :
         {std::pair{QStringLiteral("broken.zip"), broken},
          std::pair{QStringLiteral("notes.xyz"), std::string("plain words\n")},
          std::pair{QStringLiteral("fake.zip"), std::string("PK\x03\x04garbage", 11)},
          std::pair{QStringLiteral("empty.zip"), std::string()}}) {
        const QString path = Write(name, bytes);
        player.SetItems({path}, false, QString());
        EXPECT_EQ(player.Items(), QStringList{path}) << name.toStdString();
        EXPECT_EQ(player.SourceFlags(), kSourceFile) << name.toStdString();
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
}

TEST_F(ArchiveSourceTest, ListingsAndMembersPastTheirBoundsAreRefusedWithAMessage)
{
    std::vector<Entry> many;
    many.reserve(ArchiveSource::kMaxMembers + 1);
    for (int i = 0; i <= ArchiveSource::kMaxMembers; ++i)
        many.emplace_back(std::to_string(i));
    player.SetItems({Write(QStringLiteral("many.zip"), Pack(Format::ZipStored, many))}, false, QString());
    EXPECT_TRUE(player.Items().isEmpty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_THAT(messages[0].toStdString(), HasSubstr("書庫の項目が多すぎます"));
    EXPECT_THAT(messages[0].toStdString(), HasSubstr(std::to_string(ArchiveSource::kMaxMembers)));

    // A member that claims 4 GiB is listed but never taken out.
    messages.clear();
    player.SetItems({Write(QStringLiteral("claim.zip"), testarchives::Zip64Claiming(uint64_t(4) << 30))},
                    false, QString());
    ASSERT_EQ(player.Items(), QStringList{QStringLiteral("claim.bin")});
    QWidget* video = nullptr;
    EXPECT_EQ(player.OpenItem(QStringLiteral("claim.bin"), false, &video), ItemKind::kNone);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_THAT(messages[0].toStdString(), HasSubstr("書庫の項目が大きすぎます"));
    EXPECT_TRUE(player.Archive().ExtractedFile().isEmpty());
    EXPECT_EQ(CacheTree(), QStringList{QStringLiteral("archive")});
}

TEST_F(ArchiveSourceTest, AMembersTitleIsReadFromATemporaryCopy)
{
    const QByteArray tagged =
        id3_tags::Tag(3, id3_tags::Frame(3, "TIT2", id3_tags::TextBody("Inside Song"))) +
        id3_tags::Audio(4000);
    const QString zip =
        Write(QStringLiteral("tagged.zip"), Pack(Format::Zip, {Entry("t/song.mp3", tagged.toStdString())}));
    player.SetItems({zip}, false, QString());
    ASSERT_EQ(player.Items(), QStringList{QStringLiteral("t/song.mp3")});
    EXPECT_EQ(player.GetItemTitle(QStringLiteral("t/song.mp3"), true), QStringLiteral("Inside Song"));
    // The copy is gone again, and nothing else was written.
    EXPECT_TRUE(CacheTree().filter(QStringLiteral("__")).isEmpty()) << CacheTree().join(u' ').toStdString();
    // The member is read once: its title stays while the archive is the source.
    ASSERT_TRUE(QFile::remove(zip));
    EXPECT_EQ(player.GetItemTitle(QStringLiteral("t/song.mp3"), true), QStringLiteral("Inside Song"));
}

TEST_F(ArchiveSourceTest, ADownloadedArchiveStaysWhileItIsTheSourceEvenWithoutTheCache)
{
    Write(QStringLiteral("music.zip"),
          Pack(Format::Zip, {Entry("songs/a.wav", Tone("A")), Entry("songs/b.wav", Tone("B"))}));
    testsupport::HttpServer server(dir.path());
    ASSERT_TRUE(server.Start());
    CMediaPlayer::PlaySettings play;
    play.showTags = false;
    play.keepDownloads = false;
    player.ApplyPlaySettings(play, true);

    player.SetItems({server.Url(QStringLiteral("music.zip"))}, false, QString());
    ASSERT_EQ(player.Items(), (QStringList{QStringLiteral("songs/a.wav"), QStringLiteral("songs/b.wav")}));
    const QString copy = player.Network().SourceCopy();
    ASSERT_TRUE(QFileInfo::exists(copy));

    // Stopping closes the item; the list still reads its members from the archive's copy.
    QWidget* video = nullptr;
    PlayerScene(player).SetKind(player.OpenItem(QStringLiteral("songs/a.wav"), false, &video));
    ASSERT_EQ(player.GetKind(), ItemKind::kMediaFile);
    player.Close(false);
    EXPECT_TRUE(QFileInfo::exists(copy));
    PlayerScene(player).SetKind(player.OpenItem(QStringLiteral("songs/b.wav"), false, &video));
    EXPECT_EQ(player.GetKind(), ItemKind::kMediaFile);
    EXPECT_EQ(Read(player.Archive().ExtractedFile()), QByteArray::fromStdString(Tone("B")));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();

    // The copy goes with the list: when another source replaces it, or the list is forgotten.
    player.SetItems({Write(QStringLiteral("local.zip"), Pack(Format::Zip, {Entry("c.wav", Tone("C"))}))},
                    false, QString());
    EXPECT_FALSE(QFileInfo::exists(copy));
    player.SetItems({server.Url(QStringLiteral("music.zip"))}, false, QString());
    ASSERT_TRUE(QFileInfo::exists(copy));
    player.Close(false);
    player.Forget();
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(CacheTree(), (QStringList{QStringLiteral("archive"), QStringLiteral("cacheindex.ini")}));
}

} // namespace

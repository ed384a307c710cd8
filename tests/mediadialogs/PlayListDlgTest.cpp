// The playlist editor offscreen, on a folder of real tones: its lines, the Delete and Insert
// keys, saving and opening M3U lists, playing and stopping a line, and what closing it leaves
// the controller with.

#include "mediadialogs/PlayListDlg.h"
#include "platform/MessageBox.h"
#include "player/MediaPlayer.h"
#include "player/Playlist.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/ButtonEx.h"
#include "skin/ListBoxEx.h"
#include "support/MediaFiles.h"
#include "support/Modal.h"
#include "support/PlayerScene.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using testsupport::ChooseFile;
using testsupport::WhenModal;

class PlayListDlgTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // Three short tones, made once: a.wav, b.wav, c.wav.
        folder = new QTemporaryDir;
        const QString tone = media_files::MakeTone(folder->path(), QStringLiteral("wav"), 30.0);
        ASSERT_FALSE(tone.isEmpty());
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            ASSERT_TRUE(QFile::copy(tone, folder->filePath(QString::fromLatin1(name))));
        ASSERT_TRUE(QFile::remove(tone));
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }
    void TearDown() override { platform::SetMessageBoxObserver(nullptr); }

    static QString Music() { return folder->path(); }
    static QString Tone(const char* name) { return folder->filePath(QString::fromLatin1(name)); }
    static QStringList Lines(CPLayListDlg& dialog)
    {
        QStringList lines;
        const CListBoxEx* list = dialog.Item<CListBoxEx>(CPLayListDlg::kList);
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
    static void Key(CPLayListDlg& dialog, Qt::Key key)
    {
        QTest::keyClick(dialog.GetDlgItem(CPLayListDlg::kList), key);
    }
    static void Drag(CPLayListDlg& dialog, int from, int to)
    {
        auto* list = dialog.Item<CListBoxEx>(CPLayListDlg::kList);
        QTest::mousePress(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(from)).center());
        list->setCurrentRow(to);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {},
                            list->visualItemRect(list->item(to)).center());
    }
    // The folder as the controller lists it (in the folder's own order): its items and their
    // names, as the lines show them.
    void OpenMusic()
    {
        player.SetItems({Music()}, false, QString());
        order = player.Items();
        ASSERT_EQ(order.size(), 3);
        names.clear();
        for (const QString& item : order)
            names << QFileInfo(item).fileName();
    }
    QStringList NamesThenEmpty(std::initializer_list<int> at) const
    {
        QStringList lines;
        for (int i : at)
            lines << names[i];
        return lines << QString();
    }
    static QString PlayCaption(CPLayListDlg& dialog)
    {
        return dialog.Item<CButtonEx>(CPLayListDlg::kPlay)->text();
    }

    static QTemporaryDir* folder;
    QTemporaryDir dir;
    CMediaPlayer player{platform::DriveTable()};
    QStringList order;
    QStringList names;
};

QTemporaryDir* PlayListDlgTest::folder = nullptr;

TEST_F(PlayListDlgTest, AFolderShowsItsItemsRelativeToItWithTheEmptyLineLast)
{
    OpenMusic();
    ASSERT_TRUE(player.OpenForward(ForwardFrom::kStart));
    ASSERT_TRUE(player.GetState().CanStop()) << "the first tone plays";
    CPLayListDlg dialog(player);
    dialog.show();
    EXPECT_EQ(dialog.TitleText(), u"ﾌﾟﾚｲﾘｽﾄ");
    EXPECT_EQ(Lines(dialog), NamesThenEmpty({0, 1, 2}));
    EXPECT_EQ(dialog.Base(), Music() + u'/');
    EXPECT_EQ(dialog.Item<QLineEdit>(CPLayListDlg::kSource)->text(), Music());
    EXPECT_FALSE(dialog.GetDlgItem(CPLayListDlg::kSource)->isEnabled());
    EXPECT_TRUE(dialog.GetDlgItem(CPLayListDlg::kSave)->isEnabled());
    // The item playing is selected although its line is shown relative; it was closed.
    EXPECT_EQ(dialog.Item<CListBoxEx>(CPLayListDlg::kList)->currentRow(), 0);
    EXPECT_FALSE(player.GetState().CanStop());
    EXPECT_TRUE(dialog.Reloads());
    EXPECT_EQ(dialog.ItemOf(2), order[2]);
    EXPECT_EQ(dialog.ItemOf(3), QString());

    dialog.SetCurrentItem(order[1]);
    EXPECT_EQ(dialog.Item<CListBoxEx>(CPLayListDlg::kList)->currentRow(), 1);
}

TEST_F(PlayListDlgTest, DeleteAndInsertKeepTheEmptyLineLast)
{
    OpenMusic();
    CPLayListDlg dialog(player);
    dialog.show();
    auto* list = dialog.Item<CListBoxEx>(CPLayListDlg::kList);

    list->setCurrentRow(3);
    Key(dialog, Qt::Key_Delete); // the empty line stays
    EXPECT_EQ(Lines(dialog).size(), 4);
    EXPECT_FALSE(dialog.GetDlgItem(CPLayListDlg::kPlay)->isEnabled());

    list->setCurrentRow(1);
    Key(dialog, Qt::Key_Delete);
    EXPECT_EQ(Lines(dialog), NamesThenEmpty({0, 2}));
    EXPECT_EQ(list->currentRow(), 0) << "the line before the deleted one";
    EXPECT_TRUE(dialog.Edited());

    // Insert asks for a file and puts it before the caret line, relative under the folder.
    const auto answered =
        WhenModal<QFileDialog>([this](QFileDialog* browse) { ChooseFile(browse, order[1]); });
    list->setCurrentRow(1);
    Key(dialog, Qt::Key_Insert);
    ASSERT_TRUE(*answered);
    EXPECT_EQ(Lines(dialog), NamesThenEmpty({0, 1, 2}));
    EXPECT_EQ(list->currentRow(), 2);

    for (int i = 0; i < 3; ++i) {
        list->setCurrentRow(0);
        Key(dialog, Qt::Key_Delete);
    }
    EXPECT_EQ(Lines(dialog), QStringList{QString()}) << "the only real line deleted";
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_FALSE(dialog.GetDlgItem(CPLayListDlg::kPlay)->isEnabled());
}

TEST_F(PlayListDlgTest, AReorderedListIsSavedAndReadBackRelativeToItsFolder)
{
    OpenMusic();
    CPLayListDlg dialog(player);
    dialog.show();
    Drag(dialog, 2, 0);
    EXPECT_EQ(Lines(dialog), NamesThenEmpty({2, 0, 1}));

    const QString saved = folder->filePath(QStringLiteral("order.m3u"));
    const auto answered = WhenModal<QFileDialog>([&](QFileDialog* browse) {
        EXPECT_EQ(browse->acceptMode(), QFileDialog::AcceptSave);
        ChooseFile(browse, saved);
    });
    dialog.Item<CButtonEx>(CPLayListDlg::kSave)->click();
    ASSERT_TRUE(*answered);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), names[2] + u'\n' + names[0] + u'\n' + names[1] + u'\n')
        << "lines relative to the list's folder";
    EXPECT_EQ(player.Source(), saved);
    EXPECT_EQ(player.Items(), (QStringList{order[2], order[0], order[1]}));
    EXPECT_EQ(dialog.Item<QLineEdit>(CPLayListDlg::kSource)->text(), saved);
    EXPECT_EQ(Lines(dialog), NamesThenEmpty({2, 0, 1}));
    EXPECT_FALSE(dialog.Edited());
    ASSERT_TRUE(QFile::remove(saved));

    // Closing after a save reopens the source: the dialog ends with OK.
    dialog.reject();
    EXPECT_EQ(dialog.result(), res::kIdOk);
}

TEST_F(PlayListDlgTest, ASaveThatFailsIsReportedAndChangesNothing)
{
    OpenMusic();
    CPLayListDlg dialog(player);
    dialog.show();
    QStringList shown;
    platform::SetMessageBoxObserver([&](const QString& text, int) {
        shown << text;
        return platform::kIdOk;
    });
    // The folder chosen becomes a file before the list is written: not even root can write there.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("lists")));
    const QString nowhere = dir.filePath(QStringLiteral("lists/list.m3u"));
    const auto answered = WhenModal<QFileDialog>([&](QFileDialog* browse) {
        ChooseFile(browse, nowhere);
        QDir(dir.path()).rmdir(QStringLiteral("lists"));
        QFile(dir.filePath(QStringLiteral("lists"))).open(QIODevice::WriteOnly);
    });
    dialog.Item<CButtonEx>(CPLayListDlg::kSave)->click();
    ASSERT_TRUE(*answered);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(u"保存できませんでした。"));
    EXPECT_EQ(player.Source(), Music());
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(PlayListDlgTest, OpeningAListThatCannotBeReadOrHoldsNothingKeepsTheLines)
{
    OpenMusic();
    CPLayListDlg dialog(player);
    dialog.show();
    QStringList shown;
    platform::SetMessageBoxObserver([&](const QString& text, int) {
        shown << text;
        return platform::kIdOk;
    });
    // One that holds no line to play, and one that is no file at all any more.
    const QString empty = dir.filePath(QStringLiteral("empty.m3u"));
    QFile(empty).open(QIODevice::WriteOnly);
    const QString gone = dir.filePath(QStringLiteral("gone.m3u"));
    QFile(gone).open(QIODevice::WriteOnly);
    for (const QString& chosen : {empty, gone}) {
        const auto answered = WhenModal<QFileDialog>([&](QFileDialog* browse) {
            ChooseFile(browse, chosen);
            // Taken away between the choice and the reading.
            if (chosen == gone)
                QFile::remove(gone);
        });
        dialog.Item<CButtonEx>(CPLayListDlg::kOpen)->click();
        ASSERT_TRUE(*answered);
    }
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].startsWith(u"再生できる項目がありません。"));
    EXPECT_TRUE(shown[1].startsWith(u"開けませんでした。"));
    EXPECT_EQ(Lines(dialog), NamesThenEmpty({0, 1, 2}));
    EXPECT_EQ(player.Source(), Music());

    // A good list replaces the lines and is reopened when the dialog closes.
    const QString list = dir.filePath(QStringLiteral("two.m3u"));
    ASSERT_TRUE(SavePlaylist(list, {Tone("b.wav"), Tone("a.wav")}));
    const auto answered = WhenModal<QFileDialog>([&](QFileDialog* browse) { ChooseFile(browse, list); });
    dialog.Item<CButtonEx>(CPLayListDlg::kOpen)->click();
    ASSERT_TRUE(*answered);
    EXPECT_EQ(Lines(dialog), (QStringList{Tone("b.wav"), Tone("a.wav"), QString()}))
        << "lines outside the list's folder";
    EXPECT_EQ(dialog.Item<QLineEdit>(CPLayListDlg::kSource)->text(), list);
    dialog.reject();
    EXPECT_EQ(dialog.result(), res::kIdOk);
    EXPECT_EQ(player.Source(), list);
}

TEST_F(PlayListDlgTest, ThePlayButtonPlaysTheLineAndStopsItAgain)
{
    OpenMusic();
    CPLayListDlg dialog(player);
    dialog.show();
    EXPECT_FALSE(dialog.Reloads());
    dialog.Item<CListBoxEx>(CPLayListDlg::kList)->setCurrentRow(1);
    EXPECT_EQ(PlayCaption(dialog), u"再生");
    dialog.Item<CButtonEx>(CPLayListDlg::kPlay)->click();
    EXPECT_TRUE(player.GetState().CanStop());
    EXPECT_EQ(player.CurrentItem(), order[1]);
    EXPECT_EQ(PlayCaption(dialog), u"停止");

    // Another line shows "再生"; back on the playing one, the button stops it.
    dialog.Item<CListBoxEx>(CPLayListDlg::kList)->setCurrentRow(0);
    EXPECT_EQ(PlayCaption(dialog), u"再生");
    dialog.Item<CListBoxEx>(CPLayListDlg::kList)->setCurrentRow(1);
    EXPECT_EQ(PlayCaption(dialog), u"停止");
    dialog.Item<CButtonEx>(CPLayListDlg::kPlay)->click();
    EXPECT_FALSE(player.GetState().CanStop());
    EXPECT_EQ(PlayCaption(dialog), u"再生");

    // After playing, closing reopens the folder.
    dialog.reject();
    EXPECT_EQ(dialog.result(), res::kIdOk);
    EXPECT_EQ(player.Items(), order);
    EXPECT_FALSE(player.GetState().CanStop());
}

TEST_F(PlayListDlgTest, ClosingHandsOverChangedLinesAndOtherwiseCancels)
{
    OpenMusic();
    {
        CPLayListDlg untouched(player);
        untouched.show();
        untouched.reject();
        EXPECT_EQ(untouched.result(), res::kIdCancel);
    }
    CPLayListDlg dialog(player);
    dialog.show();
    Drag(dialog, 2, 0);
    // A file dropped from elsewhere goes before the empty line, as it is.
    QMimeData data;
    const QString other = dir.filePath(QStringLiteral("other.wav"));
    ASSERT_TRUE(QFile::copy(Tone("a.wav"), other));
    data.setUrls({QUrl::fromLocalFile(other)});
    QWidget* viewport = dialog.Item<CListBoxEx>(CPLayListDlg::kList)->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &drop);
    EXPECT_EQ(Lines(dialog), (QStringList{names[2], names[0], names[1], other, QString()}));
    dialog.reject();
    EXPECT_EQ(dialog.result(), res::kIdOk);
    EXPECT_EQ(player.Items(), (QStringList{order[2], order[0], order[1], other}));
}

TEST_F(PlayListDlgTest, ArchiveAndNetworkListsCannotBeSaved)
{
    PlayerScene scene(player);
    for (const int flags : {kSourceArchive, kSourceDownloaded}) {
        scene.SetList({QStringLiteral("/x/music.zip/one.mp3"), QStringLiteral("/x/music.zip/two.mp3")}, 0);
        scene.SetSource(QStringLiteral("/x/music.zip"), flags);
        CPLayListDlg dialog(player);
        dialog.show();
        EXPECT_FALSE(dialog.GetDlgItem(CPLayListDlg::kSave)->isEnabled()) << flags;
        EXPECT_EQ(Lines(dialog).size(), 3);
        // Their lines are never handed on as files either.
        Drag(dialog, 1, 0);
        dialog.reject();
        EXPECT_EQ(dialog.result(), res::kIdCancel) << flags;
    }
}

TEST_F(PlayListDlgTest, OnlyTheWidthChanges)
{
    OpenMusic();
    CPLayListDlg dialog(player);
    dialog.show();
    const QSize start = dialog.size();
    auto* list = dialog.GetDlgItem(CPLayListDlg::kList);
    const int margin = list->x();
    dialog.resize(start.width() + 200, start.height() + 200);
    EXPECT_EQ(dialog.size(), QSize(start.width() + 200, start.height()));
    EXPECT_EQ(list->width(), dialog.width() - 2 * margin);
    EXPECT_EQ(dialog.GetDlgItem(CPLayListDlg::kSource)->width(), dialog.width() - 2 * margin);
}

} // namespace

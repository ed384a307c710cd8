// The play settings dialog offscreen: every value shown and read back, numbers read as numbers,
// the drive offered from the drives found and taken as typed, the start item in titles or
// names.

#include "mediadialogs/CDSetDlg.h"
#include "res/DialogTemplates.h"
#include "skin/ButtonEx.h"
#include "support/Modal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure output for the settings compared whole.
void PrintTo(const CMediaPlayer::PlaySettings& v, std::ostream* out)
{
    *out << "{autoPlay " << v.autoPlay << ", track " << v.track << ", position " << v.position
         << ", identity " << v.identity.toStdString() << ", drive " << v.drive.toStdString() << ", source "
         << v.source.toStdString() << ", currentItem " << v.currentItem.toStdString() << ", repeat "
         << v.repeat << ", showTags " << v.showTags << ", random " << v.random << ", title " << v.title
         << ", chapter " << v.chapter << ", cccdFirst " << v.cccdFirst << ", dvdAudioFirst "
         << v.dvdAudioFirst << ", keepDownloads " << v.keepDownloads << "}";
}

namespace {

using testsupport::ChooseFile;
using testsupport::WhenModal;

class CDSetDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Files whose names differ from their titles only by the folder and extension.
        for (const char* name : {"one.wav", "two.wav", "three.wav"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            items << file.fileName();
        }
        // The controller shows names with their extensions while it is not set to titles.
        CMediaPlayer::PlaySettings names;
        names.showTags = false;
        player.ApplyPlaySettings(names, true);
        values.autoPlay = false;
        values.track = 3;
        values.position = 61000;
        values.identity = QStringLiteral("VOLUME_1");
        values.drive = QStringLiteral("/dev/sr1");
        values.source = dir.path();
        values.currentItem = items[1];
        values.repeat = true;
        values.showTags = false;
        values.random = true;
        values.title = 4;
        values.cccdFirst = true;
        values.dvdAudioFirst = false;
        values.keepDownloads = false;
    }
    QStringList Entries(CCDSetDlg& dialog)
    {
        QStringList entries;
        auto* list = dialog.Item<QComboBox>(CCDSetDlg::kStartItem);
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        return entries;
    }

    QTemporaryDir dir;
    QStringList items;
    CMediaPlayer player{platform::DriveTable()};
    CMediaPlayer::PlaySettings values;
    const QStringList drives{QStringLiteral("/dev/sr0"), QStringLiteral("/dev/sr1")};
};

TEST_F(CDSetDlgTest, OkWithoutChangesGivesBackEveryValue)
{
    CCDSetDlg dialog(player, items, values, drives);
    dialog.show();
    EXPECT_EQ(dialog.TitleText(), u"再生設定");
    auto* drive = dialog.Item<QComboBox>(CCDSetDlg::kDrive);
    EXPECT_EQ(drive->currentText(), u"/dev/sr1");
    EXPECT_EQ(drive->count(), 2);
    EXPECT_EQ(drive->itemText(0), u"/dev/sr0");
    EXPECT_EQ(dialog.Item<QLineEdit>(CCDSetDlg::kPosition)->text(), u"61000");
    EXPECT_EQ(dialog.Item<QLineEdit>(CCDSetDlg::kDvdTrack)->text(), u"4");
    EXPECT_EQ(dialog.Item<QComboBox>(CCDSetDlg::kStartItem)->currentIndex(), 1);
    dialog.Item<CButtonEx>(res::kIdOk)->click();
    ASSERT_EQ(dialog.result(), res::kIdOk);

    EXPECT_EQ(dialog.Values(), values);
}

TEST_F(CDSetDlgTest, EditedValuesAreReadBackAndTheDriveAsTyped)
{
    CCDSetDlg dialog(player, items, values, drives);
    dialog.show();
    for (int id : {CCDSetDlg::kAutoPlay, CCDSetDlg::kRepeat, CCDSetDlg::kRandom, CCDSetDlg::kCccdFirst,
                   CCDSetDlg::kDvdAudioFirst, CCDSetDlg::kDownloadCache})
        dialog.Item<QCheckBox>(id)->click();
    // An image file keeps its case: Linux names are case-sensitive.
    dialog.Item<QComboBox>(CCDSetDlg::kDrive)->setCurrentText(QStringLiteral("/home/u/Discs/Album.cue"));
    dialog.Item<QLineEdit>(CCDSetDlg::kPosition)->setText(QStringLiteral("start"));
    dialog.Item<QLineEdit>(CCDSetDlg::kCdTrack)->setText(QStringLiteral("7曲目"));
    dialog.Item<QLineEdit>(CCDSetDlg::kDvdTrack)->setText(QString());
    dialog.Item<QLineEdit>(CCDSetDlg::kIdentity)->setText(QStringLiteral("OTHER"));
    dialog.Item<QComboBox>(CCDSetDlg::kStartItem)->setCurrentIndex(2);
    dialog.accept();

    CMediaPlayer::PlaySettings edited = values;
    edited.drive = QStringLiteral("/home/u/Discs/Album.cue");
    edited.position = 0;
    edited.track = 7;
    edited.title = 0;
    edited.identity = QStringLiteral("OTHER");
    edited.currentItem = items[2];
    for (bool* flag : {&edited.autoPlay, &edited.repeat, &edited.random, &edited.cccdFirst,
                       &edited.dvdAudioFirst, &edited.keepDownloads})
        *flag = !*flag;
    EXPECT_EQ(dialog.Values(), edited);

    // Cleared, the drive is the first optical drive, which the owner decides.
    CCDSetDlg cleared(player, items, values, drives);
    cleared.show();
    cleared.Item<QComboBox>(CCDSetDlg::kDrive)->setCurrentText(QStringLiteral("  "));
    cleared.accept();
    EXPECT_EQ(cleared.Values().drive, QString());
}

TEST_F(CDSetDlgTest, TheStartItemListFollowsTheTitleBoxAndKeepsItsChoice)
{
    CCDSetDlg dialog(player, items, values, drives);
    dialog.show();
    // The entries are the controller's titles of the items, in the form the box asks for.
    const auto titlesOf = [this](bool showTags) {
        QStringList titles;
        for (const QString& item : items)
            titles << player.GetItemTitle(item, showTags);
        return titles;
    };
    ASSERT_NE(titlesOf(false), titlesOf(true));
    EXPECT_EQ(Entries(dialog), titlesOf(false));
    auto* titles = dialog.Item<QCheckBox>(CCDSetDlg::kTitles);
    titles->click();
    EXPECT_EQ(Entries(dialog), titlesOf(true));
    EXPECT_EQ(dialog.Item<QComboBox>(CCDSetDlg::kStartItem)->currentIndex(), 1);
    titles->click();
    EXPECT_EQ(Entries(dialog), titlesOf(false));
    EXPECT_EQ(dialog.Item<QComboBox>(CCDSetDlg::kStartItem)->currentIndex(), 1);

    // With no entry chosen the item given stays.
    values.currentItem = QStringLiteral("/elsewhere/x.wav");
    CCDSetDlg none(player, items, values, drives);
    none.show();
    EXPECT_EQ(none.Item<QComboBox>(CCDSetDlg::kStartItem)->currentIndex(), -1);
    none.accept();
    EXPECT_EQ(none.Values().currentItem, u"/elsewhere/x.wav");
}

TEST_F(CDSetDlgTest, BrowseFillsThePlaylistAndCancelReadsNothing)
{
    const QString list = dir.filePath(QStringLiteral("list.m3u"));
    QFile(list).open(QIODevice::WriteOnly);
    CCDSetDlg dialog(player, items, values, drives);
    dialog.show();
    const auto answered = WhenModal<QFileDialog>([&](QFileDialog* browse) { ChooseFile(browse, list); });
    dialog.Item<CButtonEx>(CCDSetDlg::kBrowse)->click();
    ASSERT_TRUE(*answered);
    EXPECT_EQ(dialog.Item<QLineEdit>(CCDSetDlg::kPlaylist)->text(), list);
    dialog.Item<QLineEdit>(CCDSetDlg::kPosition)->setText(QStringLiteral("5"));
    dialog.reject();
    EXPECT_EQ(dialog.result(), res::kIdCancel);
    EXPECT_EQ(dialog.Values().source, values.source);
    EXPECT_EQ(dialog.Values().position, values.position);
}

} // namespace

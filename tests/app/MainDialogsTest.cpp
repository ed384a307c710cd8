// The main window's dialogs: each opens with the skin's colours from its command, the timer
// and alarm dialogs hold the schedule back while they show, OK writes the settings and the
// position settings apply at once; About can end the program for the removal of its settings;
// a missing help text is reported; the display's titles fit its width.

#include "MainWindowFixture.h"
#include "app/AboutDlg.h"
#include "app/Commands.h"
#include "app/DisplayFont.h"
#include "app/Messages.h"
#include "clock/AlarmDlg.h"
#include "clock/CustomFontDialog.h"
#include "clock/LaunchDlg.h"
#include "clock/PosDialog.h"
#include "mediadialogs/CDSetDlg.h"
#include "mediadialogs/PlayListDlg.h"
#include "platform/MessageBox.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/ButtonEx.h"
#include "skin/ListBoxEx.h"
#include "support/MainWindowScene.h"
#include "support/MediaFiles.h"
#include "support/Modal.h"
#include "support/Wait.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

namespace {

using testsupport::WaitUntil;
using testsupport::WhenModal;

class MainDialogsTest : public MainWindowFixture
{
protected:
    void TearDown() override { platform::SetMessageBoxObserver(nullptr); }

    // A program the schedule can start: it adds a line to `marker` each time it runs.
    QString Script()
    {
        const QString path =
            home.WriteFile(QStringLiteral("bin/mark.sh"), "#!/bin/sh\necho run >> \"$HOME/marker\"\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    }
    int Saved(const char* section, const char* key)
    {
        return SettingsStore(home.SettingsFile())
            .ReadInt(QString::fromLatin1(section), QString::fromLatin1(key), -1);
    }
    QString SavedText(const char* section, const char* key)
    {
        return SettingsStore(home.SettingsFile())
            .ReadString(QString::fromLatin1(section), QString::fromLatin1(key), QString());
    }
    // Waits until `dialog` has ticked `count` more times.
    static bool Ticks(TickCounter& counter, int count)
    {
        const int target = counter.ticks + count;
        return WaitUntil([&] { return counter.ticks >= target; }, 10000);
    }
};

TEST_F(MainDialogsTest, TheTimerDialogHoldsTheScheduleBackAndOkKeepsTheEntryShownLast)
{
    const QString script = Script();
    WriteSettings(
        "[Play]\nAutoPlay=2\n[Program]\nSelect=3\n[Program0]\nHour=-1\nMin=0\nSec=0\nExec=1\nLaunch=" +
        script.toUtf8() + "\n");
    CSorlinDlg::Environment env = Environment();
    QDateTime now(QDate(2026, 12, 7), QTime(9, 0, 0)); // entry 1 is due
    env.now = [&now] { return now; };
    CSorlinDlg dialog(std::move(env), false);
    TickCounter counter(&dialog);
    RunModal(dialog, [&] {
        const auto answered = WhenModal<CLaunchDlg>([&](CLaunchDlg* timer) {
            EXPECT_EQ(timer->GetColours().base, dialog.Face().Skin().Definition().baseColour);
            EXPECT_EQ(timer->GetColours().buttonOn, dialog.Face().Skin().Definition().buttonOnColour);
            EXPECT_EQ(timer->Item<QComboBox>(CLaunchDlg::kSelector)->currentIndex(), 3);
            EXPECT_EQ(timer->Item<QComboBox>(CLaunchDlg::kSelector)->count(), 50);
            // Ticks go on while it shows, and start nothing.
            EXPECT_TRUE(Ticks(counter, 3));
            EXPECT_TRUE(dialog.AlarmPlayer().Items().isEmpty());
            timer->Item<QComboBox>(CLaunchDlg::kSelector)->setCurrentIndex(5);
            timer->Item<CButtonEx>(res::kIdOk)->click();
        });
        dialog.OnCommand(ID_TIMER);
        ASSERT_TRUE(*answered);
        EXPECT_EQ(Saved("Program", "Select"), 5) << "written at OK";
        // The schedule runs again: the entry due now starts.
        EXPECT_TRUE(WaitUntil([&] { return dialog.AlarmPlayer().Items() == QStringList{script}; }, 10000));
        dialog.EndDialog(IDOK);
    });
}

TEST_F(MainDialogsTest, CancelInTheTimerOrAlarmDialogAlsoLetsTheScheduleRunAgain)
{
    const QString script = Script();
    WriteSettings(
        "[Play]\nAutoPlay=2\n[Program]\nSelect=0\n[Program0]\nHour=-1\nMin=0\nSec=0\nExec=1\nLaunch=" +
        script.toUtf8() + "\n");
    CSorlinDlg::Environment env = Environment();
    QDateTime now(QDate(2026, 12, 7), QTime(9, 0, 0));
    env.now = [&now] { return now; };
    CSorlinDlg dialog(std::move(env), false);
    TickCounter counter(&dialog);
    RunModal(dialog, [&] {
        auto answered = WhenModal<CAlarmDlg>([&](CAlarmDlg* alarm) {
            EXPECT_TRUE(Ticks(counter, 2));
            alarm->Item<QLineEdit>(CAlarmDlg::kSeconds)->setText(QStringLiteral("1"));
            alarm->Item<CButtonEx>(res::kIdCancel)->click();
        });
        dialog.OnCommand(ID_STOPWATCH_SETTINGS);
        ASSERT_TRUE(*answered);
        EXPECT_TRUE(WaitUntil([&] { return dialog.AlarmPlayer().Items() == QStringList{script}; }, 10000));

        now = QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0));
        answered = WhenModal<CLaunchDlg>([&](CLaunchDlg* timer) {
            // The entry on screen is changed and dropped: the entry stored keeps its program.
            timer->Item<QLineEdit>(CLaunchDlg::kProgram)->setText(QStringLiteral("/nowhere"));
            timer->reject();
        });
        dialog.OnCommand(ID_TIMER);
        ASSERT_TRUE(*answered);
        EXPECT_TRUE(Ticks(counter, 2));
        EXPECT_EQ(dialog.Settings().timers[0].launch, script);
        EXPECT_EQ(dialog.Settings().countDown, 180000);
        dialog.EndDialog(IDOK);
    });
}

TEST_F(MainDialogsTest, TheAlarmDialogsOkStoresItsThreeValues)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    CSorlinDlg dialog(Environment(), false);
    RunModal(dialog, [&] {
        const auto answered = WhenModal<CAlarmDlg>([&](CAlarmDlg* alarm) {
            EXPECT_EQ(alarm->Item<QLineEdit>(CAlarmDlg::kSeconds)->text(), u"180");
            alarm->Item<QCheckBox>(CAlarmDlg::kCountDown)->setChecked(true);
            alarm->Item<QLineEdit>(CAlarmDlg::kSeconds)->setText(QStringLiteral("5"));
            alarm->Item<QLineEdit>(CAlarmDlg::kProgram)->setText(QStringLiteral("/tmp/bell.wav"));
            alarm->Item<CButtonEx>(res::kIdOk)->click();
        });
        dialog.OnCommand(ID_STOPWATCH_SETTINGS);
        ASSERT_TRUE(*answered);
        EXPECT_EQ(Saved("Program", "CountDown"), 5000);
        EXPECT_EQ(Saved("Program", "CountMax"), 1);
        EXPECT_EQ(SavedText("Program50", "Launch"), u"\"/tmp/bell.wav\""); // written in quotes
        dialog.EndDialog(IDOK);
    });
}

TEST_F(MainDialogsTest, PositionSettingsApplyAtOnceAndAreWritten)
{
    const QString skin = home.WriteFile(QStringLiteral("skins/small.ini"), "[Position]\nBaseSize=120,60\n");
    WriteSettings("[Play]\nAutoPlay=2\n[Position]\nUseThema=0\nX=30\nY=40\nW=200\nH=150\nTOPMOST=1\n");
    CSorlinDlg dialog(Environment(), false);
    RunModal(dialog, [&] {
        const int lineHeight = dialog.Face().Skin().LineHeight();
        auto answered = WhenModal<CPosDialog>([&](CPosDialog* position) {
            EXPECT_EQ(position->Item<QLineEdit>(CPosDialog::kWidth)->text(), u"200");
            EXPECT_TRUE(position->GetDlgItem(CPosDialog::kWidth)->isEnabled());
            position->Item<QLineEdit>(CPosDialog::kX)->setText(QStringLiteral("70"));
            position->Item<QLineEdit>(CPosDialog::kWidth)->setText(QStringLiteral("260"));
            position->Item<QLineEdit>(CPosDialog::kHeight)->setText(QStringLiteral("120"));
            position->Item<QCheckBox>(CPosDialog::kTopmost)->setChecked(false);
            position->Item<QCheckBox>(CPosDialog::kDispString)->setChecked(false);
            const auto font = WhenModal<CCustomFontDialog>([](CCustomFontDialog* chooser) {
                QFont bigger(QStringLiteral("IPAGothic"));
                bigger.setPointSize(24);
                chooser->setCurrentFont(bigger);
                chooser->accept();
            });
            position->Item<CButtonEx>(CPosDialog::kFont)->click();
            EXPECT_TRUE(*font);
            position->Item<CButtonEx>(res::kIdOk)->click();
        });
        dialog.OnCommand(ID_POSITION_SETTINGS);
        ASSERT_TRUE(*answered);
        EXPECT_EQ(dialog.geometry(), QRect(70, 40, 260, 120));
        EXPECT_FALSE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_FALSE(dialog.Face().ShowText());
        EXPECT_GT(dialog.Face().Skin().LineHeight(), lineHeight) << "the new font is measured";
        EXPECT_EQ(Saved("Position", "W"), 260);
        EXPECT_EQ(Saved("Position", "X"), 70);
        EXPECT_EQ(Saved("Position", "DispString"), 0);
        EXPECT_EQ(Saved("Position", "TOPMOST"), 0);
        EXPECT_EQ(Saved("Font", "Height"), -32);

        // A skin switched on decides the size.
        answered = WhenModal<CPosDialog>([&](CPosDialog* position) {
            position->Item<QCheckBox>(CPosDialog::kUseThema)->click();
            EXPECT_FALSE(position->GetDlgItem(CPosDialog::kWidth)->isEnabled());
            position->Item<QLineEdit>(CPosDialog::kThema)->setText(skin);
            position->accept();
        });
        dialog.OnCommand(ID_POSITION_SETTINGS);
        ASSERT_TRUE(*answered);
        EXPECT_EQ(dialog.size(), QSize(120, 60));
        EXPECT_EQ(SavedText("Position", "Thema"), skin);

        // Cancel changes nothing.
        answered = WhenModal<CPosDialog>([&](CPosDialog* position) {
            position->Item<QLineEdit>(CPosDialog::kX)->setText(QStringLiteral("500"));
            position->reject();
        });
        dialog.OnCommand(ID_POSITION_SETTINGS);
        ASSERT_TRUE(*answered);
        EXPECT_EQ(dialog.pos(), QPoint(70, 40));

        // Without the skin, a size that is no number leaves a window that can still be seen.
        answered = WhenModal<CPosDialog>([&](CPosDialog* position) {
            position->Item<QCheckBox>(CPosDialog::kUseThema)->click();
            position->Item<QLineEdit>(CPosDialog::kWidth)->setText(QStringLiteral("wide"));
            position->Item<QLineEdit>(CPosDialog::kHeight)->setText(QString());
            position->accept();
        });
        dialog.OnCommand(ID_POSITION_SETTINGS);
        ASSERT_TRUE(*answered);
        EXPECT_EQ(dialog.size(), QSize(32, 32));
        EXPECT_EQ(Saved("Position", "W"), 32);
        dialog.EndDialog(IDOK);
    });
}

TEST_F(MainDialogsTest, RemovingTheSettingsFromAboutAsksAndEndsTheWindow)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    QStringList asked;
    int answer = platform::kIdNo;
    platform::SetMessageBoxObserver([&](const QString& text, int) {
        asked << text;
        return answer;
    });
    CSorlinDlg dialog(Environment(), false);
    const int result = RunModal(dialog, [&] {
        auto answered = WhenModal<CAboutDlg>([&](CAboutDlg* about) {
            EXPECT_EQ(about->TitleText(), u"ﾊﾞｰｼﾞｮﾝ情報");
            EXPECT_TRUE(about->Item<QLabel>(CAboutDlg::kProductLine)->text().contains(u"Vimoﾌﾟﾚｰﾔ"));
            about->Item<CButtonEx>(CAboutDlg::kDeleteSettings)->click(); // No: it stays
            EXPECT_TRUE(about->isVisible());
            about->Item<CButtonEx>(res::kIdOk)->click();
        });
        dialog.OnCommand(ID_APP_ABOUT);
        ASSERT_TRUE(*answered);
        ASSERT_EQ(asked, QStringList{res::LoadString(res::kStrConfirmDeleteSettings)});

        answer = platform::kIdYes;
        answered = WhenModal<CAboutDlg>(
            [](CAboutDlg* about) { about->Item<CButtonEx>(CAboutDlg::kDeleteSettings)->click(); });
        dialog.OnCommand(ID_APP_ABOUT);
        ASSERT_TRUE(*answered);
    });
    EXPECT_EQ(result, kResultDeleteSettings);
}

TEST_F(MainDialogsTest, ALineMovedToTheTopInThePlaylistEditorPlaysFirst)
{
    const QString folder = home.Path() + QStringLiteral("/music");
    QDir().mkpath(folder);
    const QString tone = media_files::MakeTone(folder, QStringLiteral("wav"), 20);
    ASSERT_FALSE(tone.isEmpty());
    for (const char* name : {"x.wav", "y.wav"})
        ASSERT_TRUE(QFile::copy(tone, folder + u'/' + QString::fromLatin1(name)));
    WriteSettings("[Play]\nAutoPlay=2\n");
    CSorlinDlg dialog(Environment(), false);
    RunModal(dialog, [&] {
        MainWindowScene::Player(dialog).SetItems({folder}, false, QString());
        const QStringList order = dialog.Player().Items();
        ASSERT_EQ(order.size(), 3);
        const auto answered = WhenModal<CPLayListDlg>([&](CPLayListDlg* editor) {
            EXPECT_EQ(editor->GetColours().base, dialog.Face().Skin().Definition().baseColour);
            auto* list = editor->Item<CListBoxEx>(CPLayListDlg::kList);
            QTest::mousePress(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(2)).center());
            list->setCurrentRow(0);
            QTest::mouseRelease(list->viewport(), Qt::LeftButton, {},
                                list->visualItemRect(list->item(0)).center());
            editor->Item<CButtonEx>(res::kIdCancel)->click(); // "閉じる"
        });
        dialog.OnCommand(ID_PLAYLIST);
        ASSERT_TRUE(*answered);
        EXPECT_EQ(dialog.Player().CurrentItem(), order[2]) << "the line moved to the top plays";
        EXPECT_TRUE(dialog.Player().GetState().IsPlaying());
        EXPECT_EQ(dialog.Player().Items(), (QStringList{order[2], order[0], order[1]}));
        dialog.EndDialog(IDOK);
    });
}

TEST_F(MainDialogsTest, ThePlaylistEditorFollowsTheItemPlaying)
{
    const QString folder = home.Path() + QStringLiteral("/short");
    QDir().mkpath(folder);
    const QString tone = media_files::MakeTone(folder, QStringLiteral("wav"), 1.0);
    ASSERT_FALSE(tone.isEmpty());
    ASSERT_TRUE(QFile::copy(tone, folder + QStringLiteral("/next.wav")));
    WriteSettings("[Play]\nAutoPlay=2\n");
    CSorlinDlg dialog(Environment(), false);
    RunModal(
        dialog,
        [&] {
            MainWindowScene::Player(dialog).SetItems({folder}, false, QString());
            const QStringList order = dialog.Player().Items();
            ASSERT_EQ(order.size(), 2);
            int followed = -1;
            const auto answered = WhenModal<CPLayListDlg>([&](CPLayListDlg* editor) {
                auto* list = editor->Item<CListBoxEx>(CPLayListDlg::kList);
                EXPECT_NE(list->currentRow(), 1) << "the second line is not chosen yet";
                // The one-second first item ends while the editor shows, and the next one plays.
                MainWindowScene::Player(dialog).OpenForward(ForwardFrom::kStart);
                WaitUntil([&] { return list->currentRow() == 1; }, 15000);
                followed = list->currentRow();
                editor->reject();
            });
            dialog.OnCommand(ID_PLAYLIST);
            ASSERT_TRUE(*answered);
            EXPECT_EQ(followed, 1);
            EXPECT_EQ(dialog.Player().CurrentItem(), order[1]);
            dialog.EndDialog(IDOK);
        },
        30000);
}

TEST_F(MainDialogsTest, ThePlaySettingsAreAppliedWrittenAndReadAgainAtTheNextStart)
{
    const QString list = home.WriteFile(QStringLiteral("lists/a.m3u"), "#EXTM3U\n");
    WriteSettings("[Play]\nAutoPlay=2\nDrive=/dev/sr7\n");
    const QString drives = QStringLiteral("/dev/sr7");
    {
        CSorlinDlg dialog(Environment(), false);
        RunModal(dialog, [&] {
            const auto answered = WhenModal<CCDSetDlg>([&](CCDSetDlg* play) {
                EXPECT_EQ(play->Item<QComboBox>(CCDSetDlg::kDrive)->currentText(), drives);
                EXPECT_FALSE(play->Item<QCheckBox>(CCDSetDlg::kAutoPlay)->isChecked());
                for (int id :
                     {CCDSetDlg::kAutoPlay, CCDSetDlg::kRepeat, CCDSetDlg::kRandom, CCDSetDlg::kCccdFirst,
                      CCDSetDlg::kDvdAudioFirst, CCDSetDlg::kDownloadCache, CCDSetDlg::kTitles})
                    play->Item<QCheckBox>(id)->click();
                play->Item<QComboBox>(CCDSetDlg::kDrive)->setCurrentText(QStringLiteral("/home/u/Disc.cue"));
                play->Item<QLineEdit>(CCDSetDlg::kIdentity)->setText(QStringLiteral("MY_DISC"));
                play->Item<QLineEdit>(CCDSetDlg::kCdTrack)->setText(QStringLiteral("5"));
                play->Item<QLineEdit>(CCDSetDlg::kDvdTrack)->setText(QStringLiteral("3"));
                play->Item<QLineEdit>(CCDSetDlg::kPosition)->setText(QStringLiteral("42000"));
                play->Item<QLineEdit>(CCDSetDlg::kPlaylist)->setText(list);
                play->Item<CButtonEx>(res::kIdOk)->click();
            });
            dialog.OnCommand(ID_PLAY_SETTINGS);
            ASSERT_TRUE(*answered);
            EXPECT_TRUE(dialog.windowTitle().endsWith(u" - /home/u/Disc.cue"));
            EXPECT_EQ(MainWindowScene::Player(dialog).GetPlaySettings().source, list);
            EXPECT_EQ(Saved("Play", "Repeat"), 1) << "written at OK";
            dialog.EndDialog(IDOK);
        });
    }
    const AppSettings again =
        LoadSettings(SettingsStore(home.SettingsFile()), QStringLiteral("/opt/sorlin/"));
    EXPECT_TRUE(again.autoPlay);
    EXPECT_TRUE(again.repeat);
    EXPECT_TRUE(again.random);
    EXPECT_FALSE(again.title);
    EXPECT_TRUE(again.cccdFirst);
    EXPECT_FALSE(again.dvdAudioFirst);
    EXPECT_FALSE(again.downloadCache);
    EXPECT_EQ(again.drive, u"/home/u/Disc.cue");
    EXPECT_EQ(again.lastUpc, u"MY_DISC");
    EXPECT_EQ(again.lastTrack, 5);
    EXPECT_EQ(again.lastTrackDVD, 3);
    EXPECT_EQ(again.lastPos, 42000);
    EXPECT_EQ(again.playList, list);
}

TEST(AboutDlgTest, TheLinksUnderlineUnderThePointerAndOpenTheirTargetsByPointerOrKey)
{
    QStringList opened;
    CAboutDlg about([&](const QString& target) {
        opened << target;
        return true;
    });
    about.show();
    auto* home = about.Item<QLabel>(CAboutDlg::kHomePageLink);
    auto* mail = about.Item<QLabel>(CAboutDlg::kMailLink);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(home, &enter);
    EXPECT_TRUE(home->font().underline());
    EXPECT_FALSE(mail->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(home, &leave);
    EXPECT_FALSE(home->font().underline());

    for (QLabel* link : {home, mail}) {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(link, &release);
    }
    // From the keyboard: the dialog starts at OK, not at a link; Tab reaches them, Enter opens.
    EXPECT_EQ(about.focusWidget(), about.GetDlgItem(res::kIdOk));
    QTest::keyClick(home, Qt::Key_Return);
    QTest::keyClick(mail, Qt::Key_Space);
    const QString mailTo = QStringLiteral("mailto:") + CAboutDlg::MailAddress();
    EXPECT_EQ(opened, (QStringList{CAboutDlg::HomePage(), mailTo, CAboutDlg::HomePage(), mailTo}));
}

TEST_F(MainDialogsTest, AMissingHelpTextIsReported)
{
    WriteSettings("[Play]\nAutoPlay=2\n");
    QStringList shown;
    platform::SetMessageBoxObserver([&](const QString& text, int) {
        shown << text;
        return platform::kIdOk;
    });
    CSorlinDlg dialog(Environment(), false);
    RunModal(dialog, [&] {
        dialog.OnCommand(ID_HISTORY);
        dialog.EndDialog(IDOK);
    });
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(u"ﾌｧｲﾙが見つかりません。"));
    EXPECT_TRUE(shown[0].endsWith(u"/opt/sorlin/history.txt"));
}

TEST_F(MainDialogsTest, ALongJapaneseTitleScrollsWithinTheDisplaysWidth)
{
    WriteSettings("[Play]\nAutoPlay=2\n[Font]\nFaceName=ＭＳ ゴシック\nHeight=-16\n");
    CSorlinDlg dialog(Environment(), false);
    RunModal(dialog, [&] {
        const QFontMetrics metrics(MakeDisplayFont(dialog.Settings()));
        const QString title = QStringLiteral("とても長い日本語の曲名がここに続きます・第二楽章");
        constexpr int kWidth = 150;
        for (int step = 0; step < 40; ++step) {
            const QString shown = MainWindowScene::Player(dialog).ScrollTitle(title, kWidth);
            EXPECT_LE(metrics.horizontalAdvance(shown), kWidth) << step << " " << shown.toStdString();
            if (step == 0) {
                EXPECT_GE(metrics.horizontalAdvance(shown), kWidth / 2) << "the width is used";
            }
        }
        dialog.EndDialog(IDOK);
    });
}

} // namespace

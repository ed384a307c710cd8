// The clock's dialogs offscreen: the timer dialog's entries shown and stored, the alarm's
// values, the position settings' round trip and skin rule, and the font chooser's record.

#include "clock/AlarmDlg.h"
#include "clock/CustomFontDialog.h"
#include "clock/LaunchDlg.h"
#include "clock/PosDialog.h"
#include "res/DialogTemplates.h"
#include "skin/ButtonEx.h"
#include "support/Modal.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <array>

namespace {

using testsupport::ChooseFile;
using testsupport::WhenModal;

class LaunchDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Entry 1: fixed fields and an open hour range; entry 2: nothing the lists can show.
        table[0] = CTimerEntry{2026, 12, 0, 31, 9, 0, kEvery, 0, kEvery, QStringLiteral("\"/bin/true\""), 1};
        table[1] = CTimerEntry{0, 13, 0, 40, 24, 60, 99, 0, 30, QStringLiteral("chime.wav"), 0};
    }
    QComboBox* List(CLaunchDlg& dialog, int id) { return dialog.Item<QComboBox>(id); }
    QLineEdit* Edit(CLaunchDlg& dialog, int id) { return dialog.Item<QLineEdit>(id); }

    std::array<CTimerEntry, 51> table{};
};

TEST_F(LaunchDlgTest, AnEntryIsShownRowByRow)
{
    CLaunchDlg dialog(table, 50, 0);
    dialog.show();
    EXPECT_EQ(dialog.TitleText(), u"ﾀｲﾏｰ設定");
    EXPECT_EQ(List(dialog, CLaunchDlg::kSelector)->count(), 50);
    EXPECT_EQ(List(dialog, CLaunchDlg::kSelector)->itemText(49), u"50");
    EXPECT_EQ(List(dialog, CLaunchDlg::kMonth)->itemText(0), u"毎月");
    EXPECT_EQ(List(dialog, CLaunchDlg::kSecond)->itemText(0), u"毎秒");
    EXPECT_EQ(List(dialog, CLaunchDlg::kHourTo)->count(), 25);
    EXPECT_TRUE(dialog.GetDlgItem(CLaunchDlg::kPlay)->isHidden());

    EXPECT_EQ(Edit(dialog, CLaunchDlg::kYear)->text(), u"2026");
    EXPECT_EQ(List(dialog, CLaunchDlg::kMonth)->currentText(), u"12");
    EXPECT_EQ(List(dialog, CLaunchDlg::kDay)->currentText(), u"31");
    EXPECT_EQ(List(dialog, CLaunchDlg::kHour)->currentText(), u"9");
    EXPECT_EQ(List(dialog, CLaunchDlg::kHourTo)->currentText(), u"毎時");
    EXPECT_EQ(List(dialog, CLaunchDlg::kMinute)->currentText(), u"0");
    EXPECT_EQ(List(dialog, CLaunchDlg::kSecond)->currentText(), u"毎秒");
    EXPECT_EQ(Edit(dialog, CLaunchDlg::kProgram)->text(), u"\"/bin/true\"");
    EXPECT_TRUE(dialog.Item<QCheckBox>(CLaunchDlg::kExec)->isChecked());
}

TEST_F(LaunchDlgTest, ValuesTheListsCannotShowBecomeEvery)
{
    CLaunchDlg dialog(table, 50, 1);
    dialog.show();
    for (int id : {CLaunchDlg::kMonth, CLaunchDlg::kDay, CLaunchDlg::kHour, CLaunchDlg::kHourTo,
                   CLaunchDlg::kMinute, CLaunchDlg::kSecond})
        EXPECT_EQ(List(dialog, id)->currentIndex(), 0) << id;
    EXPECT_EQ(table[1].month, 0);
    EXPECT_EQ(table[1].day, 0);
    EXPECT_EQ(table[1].hour, kEvery);
    EXPECT_EQ(table[1].hour2, kEvery);
    EXPECT_EQ(table[1].minute, kEvery);
    EXPECT_EQ(table[1].second, kEvery);
    EXPECT_FALSE(dialog.Item<QCheckBox>(CLaunchDlg::kExec)->isChecked());
}

TEST_F(LaunchDlgTest, OkStoresTheEntryOnScreenAndReadsTheYearAsANumber)
{
    CLaunchDlg dialog(table, 50, 1);
    dialog.show();
    Edit(dialog, CLaunchDlg::kYear)->setText(QStringLiteral("2027年"));
    List(dialog, CLaunchDlg::kMonth)->setCurrentIndex(3);
    List(dialog, CLaunchDlg::kHour)->setCurrentIndex(1);    // 0 o'clock
    List(dialog, CLaunchDlg::kHourTo)->setCurrentIndex(24); // 23 o'clock
    List(dialog, CLaunchDlg::kSecond)->setCurrentIndex(60); // 59
    Edit(dialog, CLaunchDlg::kProgram)->setText(QStringLiteral("/usr/bin/xmessage"));
    dialog.Item<QCheckBox>(CLaunchDlg::kExec)->setChecked(true);
    dialog.Item<CButtonEx>(res::kIdOk)->click();

    EXPECT_EQ(dialog.result(), res::kIdOk);
    EXPECT_EQ(dialog.Index(), 1);
    const CTimerEntry& entry = table[1];
    EXPECT_EQ(entry.year, 2027);
    EXPECT_EQ(entry.month, 3);
    EXPECT_EQ(entry.hour, 0);
    EXPECT_EQ(entry.hour2, 23);
    EXPECT_EQ(entry.second, 59);
    EXPECT_EQ(entry.minute, kEvery);
    EXPECT_EQ(entry.launch, u"/usr/bin/xmessage");
    EXPECT_EQ(entry.exec, 1);

    for (const auto& [typed, year] : {std::pair{"abc", 0}, std::pair{"-5", 0}, std::pair{"99999", 65535}}) {
        CLaunchDlg again(table, 50, 1);
        again.show();
        Edit(again, CLaunchDlg::kYear)->setText(QString::fromUtf8(typed));
        again.accept();
        EXPECT_EQ(table[1].year, year) << typed;
    }
}

TEST_F(LaunchDlgTest, CancelKeepsEntriesStoredByChangingTheSelectorOnly)
{
    CLaunchDlg dialog(table, 50, 0);
    dialog.show();
    Edit(dialog, CLaunchDlg::kYear)->setText(QStringLiteral("2030"));
    List(dialog, CLaunchDlg::kSelector)->setCurrentIndex(1); // stores entry 1
    EXPECT_EQ(table[0].year, 2030);
    EXPECT_EQ(Edit(dialog, CLaunchDlg::kProgram)->text(), u"chime.wav");
    Edit(dialog, CLaunchDlg::kProgram)->setText(QStringLiteral("changed.wav"));
    dialog.Item<CButtonEx>(res::kIdCancel)->click();

    EXPECT_EQ(dialog.result(), res::kIdCancel);
    EXPECT_EQ(table[0].year, 2030);
    EXPECT_EQ(table[1].launch, u"chime.wav");
}

TEST_F(LaunchDlgTest, AnIndexOutsideTheListStartsAtTheFirstEntry)
{
    CLaunchDlg dialog(table, 50, 77);
    dialog.show();
    EXPECT_EQ(dialog.Index(), 0);
    EXPECT_EQ(List(dialog, CLaunchDlg::kSelector)->currentIndex(), 0);
    EXPECT_EQ(Edit(dialog, CLaunchDlg::kYear)->text(), u"2026");
}

TEST_F(LaunchDlgTest, BrowseStartsAtTheProgramWithoutItsQuotesAndTakesTheChoice)
{
    QTemporaryDir dir;
    const QString start = dir.filePath(QStringLiteral("start.sh"));
    const QString chosen = dir.filePath(QStringLiteral("chosen.sh"));
    for (const QString& path : {start, chosen}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    table[0].launch = u'"' + start + u'"';
    CLaunchDlg dialog(table, 50, 0);
    dialog.show();
    QString offered;
    auto answered = WhenModal<QFileDialog>([&](QFileDialog* browse) {
        offered = browse->selectedFiles().value(0);
        ChooseFile(browse, chosen);
    });
    dialog.Item<CButtonEx>(CLaunchDlg::kBrowse)->click();
    ASSERT_TRUE(*answered);
    EXPECT_EQ(offered, start);
    EXPECT_EQ(Edit(dialog, CLaunchDlg::kProgram)->text(), chosen);

    // Cancelling the browse leaves the text alone.
    answered = WhenModal<QFileDialog>([](QFileDialog* browse) { browse->reject(); });
    dialog.Item<CButtonEx>(CLaunchDlg::kBrowse)->click();
    ASSERT_TRUE(*answered);
    EXPECT_EQ(Edit(dialog, CLaunchDlg::kProgram)->text(), chosen);
}

TEST(AlarmDlgTest, TheValuesAreShownAndReadBackAsNumbers)
{
    CAlarmDlg dialog(QStringLiteral("/tmp/alarm.wav"), 1, 180500);
    dialog.show();
    EXPECT_EQ(dialog.TitleText(), u"ｱﾗｰﾑ設定");
    EXPECT_TRUE(dialog.Item<QCheckBox>(CAlarmDlg::kCountDown)->isChecked());
    EXPECT_EQ(dialog.Item<QLineEdit>(CAlarmDlg::kSeconds)->text(), u"180");
    EXPECT_EQ(dialog.Item<QLineEdit>(CAlarmDlg::kProgram)->text(), u"/tmp/alarm.wav");

    dialog.Item<QCheckBox>(CAlarmDlg::kCountDown)->setChecked(false);
    dialog.Item<QLineEdit>(CAlarmDlg::kSeconds)->setText(QStringLiteral("90秒"));
    dialog.Item<QLineEdit>(CAlarmDlg::kProgram)->setText(QStringLiteral("/tmp/other.wav"));
    dialog.Item<CButtonEx>(res::kIdOk)->click();
    EXPECT_EQ(dialog.result(), res::kIdOk);
    EXPECT_EQ(dialog.CountDown(), 0);
    EXPECT_EQ(dialog.SetTime(), 90000);
    EXPECT_EQ(dialog.Program(), u"/tmp/other.wav");

    for (const auto& [typed, ms] :
         {std::pair{"abc", 0}, std::pair{"-30", 0}, std::pair{"99999999999", 2147483000}}) {
        CAlarmDlg again(QString(), 0, 0);
        again.show();
        again.Item<QLineEdit>(CAlarmDlg::kSeconds)->setText(QString::fromUtf8(typed));
        QTest::keyClick(again.GetDlgItem(CAlarmDlg::kSeconds), Qt::Key_Return); // Enter is OK
        EXPECT_EQ(again.result(), res::kIdOk);
        EXPECT_EQ(again.SetTime(), ms) << typed;
    }

    CAlarmDlg cancelled(QStringLiteral("/tmp/alarm.wav"), 1, 180000);
    cancelled.show();
    cancelled.Item<QLineEdit>(CAlarmDlg::kSeconds)->setText(QStringLiteral("5"));
    QTest::keyClick(cancelled.GetDlgItem(CAlarmDlg::kSeconds), Qt::Key_Escape); // Esc is Cancel
    EXPECT_EQ(cancelled.result(), res::kIdCancel);
    EXPECT_EQ(cancelled.SetTime(), 180000);
}

class PosDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        values.window = QRect(10, 20, 183, 185);
        values.plugIn = QStringLiteral("/opt/plugins");
        values.waitTime = 3;
        values.thema = QStringLiteral("/skins/a.ini");
        values.back = QStringLiteral("/pictures/b.png");
        values.colour = 0x123456;
        values.font = FontRecord{-20, 700, 1, QStringLiteral("ＭＳ ゴシック")};
    }
    PositionValues values;
};

TEST_F(PosDialogTest, OkWithoutChangesGivesBackTheSameValues)
{
    CPosDialog dialog(values, QSize(4, 6));
    dialog.show();
    EXPECT_EQ(dialog.TitleText(), u"座標設定");
    EXPECT_EQ(dialog.Item<QLineEdit>(CPosDialog::kWidth)->text(), u"179");
    EXPECT_EQ(dialog.Item<QLineEdit>(CPosDialog::kHeight)->text(), u"179");
    EXPECT_EQ(dialog.Item<QLineEdit>(CPosDialog::kX)->text(), u"10");
    dialog.Item<CButtonEx>(res::kIdOk)->click();
    EXPECT_EQ(dialog.result(), res::kIdOk);
    EXPECT_EQ(dialog.Values(), values);
}

TEST_F(PosDialogTest, EditedValuesAreReadBack)
{
    CPosDialog dialog(values, QSize(0, 0));
    dialog.show();
    dialog.Item<QCheckBox>(CPosDialog::kUseThema)->click(); // off: size and picture are free
    dialog.Item<QLineEdit>(CPosDialog::kX)->setText(QStringLiteral("-40"));
    dialog.Item<QLineEdit>(CPosDialog::kWidth)->setText(QStringLiteral("300px"));
    dialog.Item<QLineEdit>(CPosDialog::kHeight)->setText(QStringLiteral("high"));
    dialog.Item<QLineEdit>(CPosDialog::kWaitTime)->setText(QStringLiteral("7"));
    dialog.Item<QLineEdit>(CPosDialog::kBack)->setText(QStringLiteral("/pictures/c.jpg"));
    for (int id : {CPosDialog::kTopmost, CPosDialog::kBorder, CPosDialog::kDsFirst, CPosDialog::kStillWindow,
                   CPosDialog::kMatch, CPosDialog::kBtnShow, CPosDialog::kDispString})
        dialog.Item<QCheckBox>(id)->click();
    dialog.accept();

    const PositionValues& got = dialog.Values();
    EXPECT_EQ(got.window, QRect(-40, 20, 300, 0));
    EXPECT_EQ(got.waitTime, 7);
    EXPECT_EQ(got.back, u"/pictures/c.jpg");
    EXPECT_FALSE(got.useThema);
    EXPECT_EQ(got.topmost, !values.topmost);
    EXPECT_EQ(got.border, !values.border);
    EXPECT_EQ(got.dsFirst, !values.dsFirst);
    EXPECT_EQ(got.stillWindow, !values.stillWindow);
    EXPECT_EQ(got.match, !values.match);
    EXPECT_EQ(got.btnShow, !values.btnShow);
    EXPECT_EQ(got.dispString, !values.dispString);
    EXPECT_EQ(got.plugIn, values.plugIn);
    EXPECT_EQ(got.thema, values.thema);
}

TEST_F(PosDialogTest, WithTheSkinInUseSizeAndPictureCannotBeEdited)
{
    CPosDialog dialog(values, QSize(0, 0));
    dialog.show();
    const int locked[] = {CPosDialog::kWidth, CPosDialog::kHeight, CPosDialog::kBack,
                          CPosDialog::kBackBrowse};
    for (int id : locked)
        EXPECT_FALSE(dialog.GetDlgItem(id)->isEnabled()) << id;
    EXPECT_TRUE(dialog.GetDlgItem(CPosDialog::kX)->isEnabled());
    dialog.Item<QCheckBox>(CPosDialog::kUseThema)->click();
    for (int id : locked)
        EXPECT_TRUE(dialog.GetDlgItem(id)->isEnabled()) << id;
    dialog.Item<QCheckBox>(CPosDialog::kUseThema)->click();
    EXPECT_FALSE(dialog.GetDlgItem(CPosDialog::kWidth)->isEnabled());
}

TEST_F(PosDialogTest, ColourAndFontComeFromTheirChoosers)
{
    CPosDialog dialog(values, QSize(0, 0));
    dialog.show();
    auto answered = WhenModal<QColorDialog>([](QColorDialog* chooser) {
        chooser->setCurrentColor(QColor(0x11, 0x22, 0x33));
        chooser->accept();
    });
    dialog.Item<CButtonEx>(CPosDialog::kColour)->click();
    ASSERT_TRUE(*answered);

    FontRecord offered;
    answered = WhenModal<CCustomFontDialog>([&](CCustomFontDialog* chooser) {
        offered = chooser->Record();
        QFont font(QStringLiteral("IPAPGothic"));
        font.setPointSize(18);
        font.setWeight(QFont::Normal);
        chooser->setCurrentFont(font);
        chooser->accept();
    });
    dialog.Item<CButtonEx>(CPosDialog::kFont)->click();
    ASSERT_TRUE(*answered);
    dialog.accept();

    EXPECT_EQ(offered, values.font);
    EXPECT_EQ(dialog.Values().colour, 0x332211u); // red in the lowest byte
    EXPECT_EQ(dialog.Values().font, (FontRecord{-24, 400, 0, QStringLiteral("IPAPGothic")}));
}

TEST(CustomFontDialogTest, TheRecordRoundTripsAndTheEffectsAreLeftOut)
{
    const FontRecord record{-16, 400, 0, QStringLiteral("ＭＳ ゴシック")};
    CCustomFontDialog dialog(record);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), u"ﾌｫﾝﾄの指定");
    EXPECT_EQ(dialog.currentFont().family(), u"IPAGothic");
    EXPECT_EQ(dialog.Record(), record);
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        if (!group->findChildren<QCheckBox*>().isEmpty()) {
            EXPECT_FALSE(group->isVisible());
        }
    }
    // A positive height (a cell height) survives too.
    const FontRecord cell{20, 700, 1, QStringLiteral("IPAPGothic")};
    EXPECT_EQ(CCustomFontDialog(cell).Record(), cell);
}

} // namespace

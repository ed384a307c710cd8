#include "AlarmDlg.h"

#include "platform/NumberText.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/FileDialogs.h"

#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>
#include <climits>

CAlarmDlg::CAlarmDlg(const QString& alarmProgram, int countDownFlag, int setTimeMs, QWidget* parent)
    : CDialogEx(res::kDialogAlarm, parent), program(alarmProgram), countDown(countDownFlag),
      setTime(setTimeMs)
{}

void CAlarmDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    Item<QCheckBox>(kCountDown)->setChecked(countDown != 0);
    Item<QLineEdit>(kSeconds)->setText(QString::number(setTime / 1000));
    Item<QLineEdit>(kProgram)->setText(program);
    connect(Item<QAbstractButton>(kBrowse), &QAbstractButton::clicked, this, [this] {
        auto* edit = Item<QLineEdit>(kProgram);
        const QString chosen =
            BrowseForFile(this, edit->text(), res::kStrLaunchFilter, res::kStrExeDefaultExt);
        if (!chosen.isEmpty())
            edit->setText(chosen);
    });
}

void CAlarmDlg::accept()
{
    countDown = Item<QCheckBox>(kCountDown)->isChecked() ? 1 : 0;
    // A time that is no number is 0 (no alarm); one below zero or past what the milliseconds
    // can hold is taken at that bound rather than wrapping round.
    const int seconds =
        std::clamp(platform::LeadingInt(Item<QLineEdit>(kSeconds)->text()), 0, INT_MAX / 1000);
    setTime = seconds * 1000;
    program = Item<QLineEdit>(kProgram)->text();
    CDialogEx::accept();
}

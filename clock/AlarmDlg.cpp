#include "AlarmDlg.h"

#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/FileDialogs.h"

#include <QAbstractButton>

#include <algorithm>
#include <climits>

CAlarmDlg::CAlarmDlg(const QString& alarmProgram, int countDownFlag, int setTimeMs, QWidget* parent)
    : CDialogEx(res::kDialogAlarm, parent), program(alarmProgram), countDown(countDownFlag),
      setTime(setTimeMs)
{}

void CAlarmDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    CheckDlgButton(kCountDown, countDown != 0);
    SetDlgItemInt(kSeconds, setTime / 1000);
    SetDlgItemText(kProgram, program);
    connect(Item<QAbstractButton>(kBrowse), &QAbstractButton::clicked, this, [this] {
        const QString chosen =
            BrowseForFile(this, GetDlgItemText(kProgram), res::kStrLaunchFilter, res::kStrExeDefaultExt);
        if (!chosen.isEmpty())
            SetDlgItemText(kProgram, chosen);
    });
}

void CAlarmDlg::accept()
{
    countDown = IsDlgButtonChecked(kCountDown) ? 1 : 0;
    // A time that is no number is 0 (no alarm); one below zero or past what the milliseconds
    // can hold is taken at that bound rather than wrapping round.
    const int seconds = std::clamp(GetDlgItemInt(kSeconds), 0, INT_MAX / 1000);
    setTime = seconds * 1000;
    program = GetDlgItemText(kProgram);
    CDialogEx::accept();
}

#pragma once
// CAlarmDlg: the stopwatch settings ("ｱﾗｰﾑ設定"): count down or up, the alarm's time in whole
// seconds, and the program or sound the alarm starts.

#include "skin/DialogEx.h"

class CAlarmDlg : public CDialogEx
{
    Q_OBJECT
public:
    static constexpr int kCountDown = 1018;
    static constexpr int kSeconds = 1019;
    static constexpr int kProgram = 1007;
    static constexpr int kBrowse = 1008;

    // `setTime` in milliseconds; a non-zero `countDown` counts down from it.
    CAlarmDlg(const QString& program, int countDown, int setTime, QWidget* parent = nullptr);

    // After OK: what the user chose.
    const QString& Program() const { return program; }
    int CountDown() const { return countDown; }
    int SetTime() const { return setTime; }

    void accept() override;

protected:
    void OnInitDialog() override;

private:
    QString program;
    int countDown;
    int setTime;
};

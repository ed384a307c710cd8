#pragma once
// CLaunchDlg: the timer dialog ("ﾀｲﾏｰ設定"). Shows one entry of the timer table at a time and
// edits the table in place: an entry is stored when another one is chosen and on OK, so
// Cancel drops only the entry on screen.

#include "TimerEntry.h"
#include "skin/DialogEx.h"

#include <span>

class CLaunchDlg : public CDialogEx
{
    Q_OBJECT
public:
    // Control ids of the layout.
    static constexpr int kSelector = 1009;
    static constexpr int kExec = 1011;
    static constexpr int kPlay = 1013; // hidden, without effect
    static constexpr int kYear = 1001;
    static constexpr int kMonth = 1010;
    static constexpr int kDay = 1012;
    static constexpr int kHour = 1014;
    static constexpr int kHourTo = 1017;
    static constexpr int kMinute = 1015;
    static constexpr int kSecond = 1016;
    static constexpr int kProgram = 1007;
    static constexpr int kBrowse = 1008;

    // Edits the first `count` entries of `table`, starting with entry `index` (0 when out of
    // range). The table must outlive the dialog.
    CLaunchDlg(std::span<CTimerEntry> table, int count, int index, QWidget* parent = nullptr);

    // The entry shown last: after OK it is the one to select next time.
    int Index() const { return current; }

    void accept() override;

protected:
    void OnInitDialog() override;

private:
    void ShowEntry(int index);
    void StoreEntry(int index);
    void OnSelectorChanged(int row);
    void OnBrowse();

    std::span<CTimerEntry> table;
    int count;
    int current;
};

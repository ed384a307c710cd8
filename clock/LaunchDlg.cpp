#include "LaunchDlg.h"

#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/FileDialogs.h"

#include <QAbstractButton>
#include <QComboBox>

#include <algorithm>

namespace {

// How a field sits in its list: month and day rows are their values (row 0, "every", is 0);
// the others are one row further down (row 0 is 65535, "every").
struct ListField
{
    int id;
    uint16_t CTimerEntry::*field;
    int offset;
};

constexpr ListField kListFields[] = {
    {CLaunchDlg::kMonth, &CTimerEntry::month, 0},   {CLaunchDlg::kDay, &CTimerEntry::day, 0},
    {CLaunchDlg::kHour, &CTimerEntry::hour, 1},     {CLaunchDlg::kHourTo, &CTimerEntry::hour2, 1},
    {CLaunchDlg::kMinute, &CTimerEntry::minute, 1}, {CLaunchDlg::kSecond, &CTimerEntry::second, 1},
};

} // namespace

CLaunchDlg::CLaunchDlg(std::span<CTimerEntry> entries, int entryCount, int index, QWidget* parent)
    : CDialogEx(res::kDialogLaunch, parent), table(entries),
      count(std::clamp(entryCount, 0, static_cast<int>(entries.size()))), current(index)
{}

void CLaunchDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    auto* selector = Item<QComboBox>(kSelector);
    for (int n = 1; n <= count; ++n)
        selector->addItem(QString::number(n));
    if (current < 0 || current >= count)
        current = 0;
    selector->setCurrentIndex(count > 0 ? current : -1);
    ShowEntry(current);
    connect(selector, &QComboBox::currentIndexChanged, this, &CLaunchDlg::OnSelectorChanged);
    connect(Item<QAbstractButton>(kBrowse), &QAbstractButton::clicked, this, &CLaunchDlg::OnBrowse);
}

void CLaunchDlg::ShowEntry(int index)
{
    if (index < 0 || index >= count)
        return;
    CTimerEntry& entry = table[index];
    SetDlgItemInt(kYear, entry.year);
    for (const ListField& list : kListFields) {
        auto* box = Item<QComboBox>(list.id);
        const int row = entry.*list.field + list.offset;
        if (row >= 0 && row < box->count()) {
            box->setCurrentIndex(row);
        } else {
            // A value the list cannot show becomes "every".
            entry.*list.field = list.offset == 0 ? 0 : kEvery;
            box->setCurrentIndex(0);
        }
    }
    SetDlgItemText(kProgram, entry.launch);
    CheckDlgButton(kExec, entry.exec == 1);
}

void CLaunchDlg::StoreEntry(int index)
{
    if (index < 0 || index >= count)
        return;
    CTimerEntry& entry = table[index];
    // Text that is no number is year 0, every year.
    entry.year = static_cast<uint16_t>(std::clamp(GetDlgItemInt(kYear), 0, 65535));
    for (const ListField& list : kListFields) {
        const int row = Item<QComboBox>(list.id)->currentIndex();
        if (row >= 0)
            entry.*list.field = static_cast<uint16_t>(row - list.offset);
    }
    entry.launch = GetDlgItemText(kProgram);
    entry.exec = IsDlgButtonChecked(kExec) ? 1 : 0;
}

void CLaunchDlg::OnSelectorChanged(int row)
{
    if (row < 0 || row == current)
        return;
    StoreEntry(current);
    current = row;
    ShowEntry(current);
}

void CLaunchDlg::OnBrowse()
{
    const QString chosen =
        BrowseForFile(this, GetDlgItemText(kProgram), res::kStrLaunchFilter, res::kStrExeDefaultExt);
    if (!chosen.isEmpty())
        SetDlgItemText(kProgram, chosen);
}

void CLaunchDlg::accept()
{
    StoreEntry(current);
    CDialogEx::accept();
}

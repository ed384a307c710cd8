#include "CDSetDlg.h"

#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/FileDialogs.h"

#include <QAbstractButton>
#include <QComboBox>

CCDSetDlg::CCDSetDlg(CMediaPlayer& player, QStringList itemList, const CMediaPlayer::PlaySettings& initial,
                     QStringList opticalDrives, QWidget* parent)
    : CDialogEx(res::kDialogPlaySettings, parent), controller(player), items(std::move(itemList)),
      values(initial), drives(std::move(opticalDrives))
{}

void CCDSetDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    auto* drive = Item<QComboBox>(kDrive);
    drive->addItems(drives);
    drive->setCurrentText(values.drive);
    SetDlgItemText(kIdentity, values.identity);
    SetDlgItemInt(kCdTrack, values.track);
    SetDlgItemInt(kPosition, values.position);
    CheckDlgButton(kAutoPlay, values.autoPlay);
    SetDlgItemText(kPlaylist, values.source);
    FillItems(values.showTags);
    CheckDlgButton(kRepeat, values.repeat);
    CheckDlgButton(kTitles, values.showTags);
    CheckDlgButton(kRandom, values.random);
    CheckDlgButton(kCccdFirst, values.cccdFirst);
    CheckDlgButton(kDvdAudioFirst, values.dvdAudioFirst);
    SetDlgItemInt(kDvdTrack, values.title);
    CheckDlgButton(kDownloadCache, values.keepDownloads);

    connect(Item<QAbstractButton>(kTitles), &QAbstractButton::clicked, this, [this](bool on) {
        if (on != values.showTags) {
            values.showTags = on;
            FillItems(on);
        }
    });
    connect(Item<QAbstractButton>(kBrowse), &QAbstractButton::clicked, this, [this] {
        const QString chosen = BrowseForFile(this, GetDlgItemText(kPlaylist), res::kStrPlaylistFilter,
                                             res::kStrPlaylistDefaultExt);
        if (!chosen.isEmpty())
            SetDlgItemText(kPlaylist, chosen);
    });
}

void CCDSetDlg::FillItems(bool showTags)
{
    auto* list = Item<QComboBox>(kStartItem);
    list->clear();
    int selected = -1;
    for (qsizetype i = 0; i < items.size(); ++i) {
        list->addItem(controller.GetItemTitle(items[i], showTags));
        if (items[i] == values.currentItem)
            selected = static_cast<int>(i);
    }
    list->setCurrentIndex(selected);
}

void CCDSetDlg::accept()
{
    values.drive = GetDlgItemText(kDrive).trimmed();
    values.identity = GetDlgItemText(kIdentity);
    values.track = GetDlgItemInt(kCdTrack);
    values.position = GetDlgItemInt(kPosition);
    values.autoPlay = IsDlgButtonChecked(kAutoPlay);
    values.source = GetDlgItemText(kPlaylist);
    if (const int row = Item<QComboBox>(kStartItem)->currentIndex(); row >= 0 && row < items.size())
        values.currentItem = items[row];
    values.repeat = IsDlgButtonChecked(kRepeat);
    values.showTags = IsDlgButtonChecked(kTitles);
    values.random = IsDlgButtonChecked(kRandom);
    values.cccdFirst = IsDlgButtonChecked(kCccdFirst);
    values.dvdAudioFirst = IsDlgButtonChecked(kDvdAudioFirst);
    values.title = GetDlgItemInt(kDvdTrack);
    values.keepDownloads = IsDlgButtonChecked(kDownloadCache);
    CDialogEx::accept();
}

#include "CDSetDlg.h"

#include "platform/NumberText.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/FileDialogs.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

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
    Item<QLineEdit>(kIdentity)->setText(values.identity);
    Item<QLineEdit>(kCdTrack)->setText(QString::number(values.track));
    Item<QLineEdit>(kPosition)->setText(QString::number(values.position));
    Item<QCheckBox>(kAutoPlay)->setChecked(values.autoPlay);
    Item<QLineEdit>(kPlaylist)->setText(values.source);
    FillItems(values.showTags);
    Item<QCheckBox>(kRepeat)->setChecked(values.repeat);
    Item<QCheckBox>(kTitles)->setChecked(values.showTags);
    Item<QCheckBox>(kRandom)->setChecked(values.random);
    Item<QCheckBox>(kCccdFirst)->setChecked(values.cccdFirst);
    Item<QCheckBox>(kDvdAudioFirst)->setChecked(values.dvdAudioFirst);
    Item<QLineEdit>(kDvdTrack)->setText(QString::number(values.title));
    Item<QCheckBox>(kDownloadCache)->setChecked(values.keepDownloads);

    connect(Item<QAbstractButton>(kTitles), &QAbstractButton::clicked, this, [this](bool on) {
        if (on != values.showTags) {
            values.showTags = on;
            FillItems(on);
        }
    });
    connect(Item<QAbstractButton>(kBrowse), &QAbstractButton::clicked, this, [this] {
        auto* playlist = Item<QLineEdit>(kPlaylist);
        const QString chosen =
            BrowseForFile(this, playlist->text(), res::kStrPlaylistFilter, res::kStrPlaylistDefaultExt);
        if (!chosen.isEmpty())
            playlist->setText(chosen);
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
    const auto number = [this](int id) { return platform::LeadingInt(Item<QLineEdit>(id)->text()); };
    const auto checked = [this](int id) { return Item<QCheckBox>(id)->isChecked(); };
    values.drive = Item<QComboBox>(kDrive)->currentText().trimmed();
    values.identity = Item<QLineEdit>(kIdentity)->text();
    values.track = number(kCdTrack);
    values.position = number(kPosition);
    values.autoPlay = checked(kAutoPlay);
    values.source = Item<QLineEdit>(kPlaylist)->text();
    if (const int row = Item<QComboBox>(kStartItem)->currentIndex(); row >= 0 && row < items.size())
        values.currentItem = items[row];
    values.repeat = checked(kRepeat);
    values.showTags = checked(kTitles);
    values.random = checked(kRandom);
    values.cccdFirst = checked(kCccdFirst);
    values.dvdAudioFirst = checked(kDvdAudioFirst);
    values.title = number(kDvdTrack);
    values.keepDownloads = checked(kDownloadCache);
    CDialogEx::accept();
}

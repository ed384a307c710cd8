#include "PlayListDlg.h"

#include "platform/MessageBox.h"
#include "platform/PathSplit.h"
#include "player/MediaPlayer.h"
#include "player/Playlist.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/FileDialogs.h"
#include "skin/ListBoxEx.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QKeyEvent>

namespace {

// Lines of these sources are paths the list shows relative to its folder.
constexpr int kRelativeSources = kSourceFile | kSourcePlaylist | kSourceFolder;
// These sources cannot be written to a playlist.
constexpr int kUnsavedSources = kSourceArchive | kSourceDownloaded;
// A list with none of these came as it is (files chosen together): it is its own source.
constexpr int kAnySource = kSourceFile | kSourcePlaylist | kSourceFolder | kSourceArchive | kSourceDownloaded;

} // namespace

CPLayListDlg::CPLayListDlg(CMediaPlayer& player, QWidget* parent)
    : CDialogEx(res::kDialogPlaylist, parent), controller(player)
{}

CListBoxEx* CPLayListDlg::List() const
{
    return Item<CListBoxEx>(kList);
}

void CPLayListDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    // What plays is closed while the list is edited, and opened again when the dialog closes.
    reload = controller.GetState().CanStop();
    if (reload)
        controller.Close(false);
    CListBoxEx* list = List();
    margin = list->x();
    list->installEventFilter(this);
    connect(list, &QListWidget::currentRowChanged, this, &CPLayListDlg::UpdatePlayButton);
    connect(list, &CListBoxEx::Changed, this, [this] {
        edited = true;
        UpdatePlayButton();
    });
    connect(Item<QAbstractButton>(kOpen), &QAbstractButton::clicked, this, &CPLayListDlg::OnOpen);
    connect(Item<QAbstractButton>(kSave), &QAbstractButton::clicked, this, &CPLayListDlg::OnSave);
    connect(Item<QAbstractButton>(kPlay), &QAbstractButton::clicked, this, &CPLayListDlg::OnPlay);
    Fill();
}

void CPLayListDlg::Fill()
{
    QString currentItem;
    const QStringList items = controller.GetItems(&currentItem, &sourcePath, &sourceFlags);
    // Files chosen together leave the controller's source as it was before them: that source is
    // no longer what plays, and the list itself is what comes back when the dialog closes.
    ownItems.clear();
    ownCurrent.clear();
    if (!(sourceFlags & kAnySource) && !items.isEmpty()) {
        sourcePath.clear();
        ownItems = items;
        ownCurrent = currentItem;
    }
    if (sourceFlags & kSourceFolder)
        base = sourcePath + u'/';
    else if (sourceFlags & kUnsavedSources)
        base = sourcePath;
    else
        base = platform::SplitPath(sourcePath, platform::DriveTable()).Folder();
    Item<QAbstractButton>(kSave)->setEnabled(!(sourceFlags & kUnsavedSources));
    SetDlgItemText(kSource, sourcePath);

    CListBoxEx* list = List();
    list->SetBasePrefix(sourceFlags & kRelativeSources ? base : QString());
    QStringList lines;
    lines.reserve(items.size() + 1);
    int selected = -1;
    for (const QString& item : items) {
        // The full item is compared: a line shown relative still finds the item playing.
        if (item == currentItem)
            selected = static_cast<int>(lines.size());
        lines << LineOf(item);
    }
    lines << QString(); // where new lines go
    list->clear();
    list->addItems(lines);
    list->setCurrentRow(selected);
    edited = false;
    UpdatePlayButton();
}

QString CPLayListDlg::LineOf(const QString& item) const
{
    if ((sourceFlags & kRelativeSources) && !base.isEmpty() && item.startsWith(base))
        return item.mid(base.size());
    return item;
}

QString CPLayListDlg::ItemOf(int line) const
{
    const QListWidgetItem* row = List()->item(line);
    if (!row || line == List()->count() - 1 || row->text().isEmpty())
        return QString();
    const QString text = row->text();
    // A line with a scheme ("http://...") or a complete path stands for itself.
    const bool complete = platform::HasDrive(text) || text.section(u'/', 0, 0).contains(u':');
    if (sourceFlags & kRelativeSources)
        return complete ? text : base + text;
    return text;
}

void CPLayListDlg::SetCurrentItem(const QString& item)
{
    const QString line = LineOf(item);
    CListBoxEx* list = List();
    for (int i = 0; i + 1 < list->count(); ++i) {
        if (list->item(i)->text() == line) {
            list->setCurrentRow(i);
            return;
        }
    }
}

void CPLayListDlg::UpdatePlayButton()
{
    CListBoxEx* list = List();
    const int row = list->currentRow();
    auto* play = Item<QAbstractButton>(kPlay);
    play->setEnabled(row >= 0 && row != list->count() - 1);
    play->setText(res::LoadString(row >= 0 && row == playingIndex && controller.GetState().CanStop()
                                      ? res::kStrStopCaption
                                      : res::kStrPlayCaption));
}

bool CPLayListDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == List() && event->type() == QEvent::KeyPress &&
        OnListKey(static_cast<QKeyEvent*>(event)->key()))
        return true;
    return CDialogEx::eventFilter(watched, event);
}

bool CPLayListDlg::OnListKey(int key)
{
    CListBoxEx* list = List();
    const int row = list->currentRow();
    // Enter plays (or stops) the line, as the play button does, rather than pressing the first
    // button of the dialog.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        OnPlay();
        return true;
    }
    if (key == Qt::Key_Delete) {
        if (row < 0 || row == list->count() - 1)
            return false;
        delete list->takeItem(row);
        edited = true;
        if (playingIndex == row)
            playingIndex = -1;
        else if (playingIndex > row)
            --playingIndex;
        list->setCurrentRow(std::max(row - 1, 0));
        UpdatePlayButton();
        return true;
    }
    if (key == Qt::Key_Insert) {
        const QString path = BrowseForFile(this, QString(), res::kStrLaunchFilter, res::kStrExeDefaultExt);
        if (!path.isEmpty()) {
            const int at = std::max(row, 0);
            list->insertItem(at, LineOf(path));
            edited = true;
            if (playingIndex >= at)
                ++playingIndex;
            list->setCurrentRow(at + 1);
            UpdatePlayButton();
        }
        return true;
    }
    return false;
}

void CPLayListDlg::OnOpen()
{
    const QString path = BrowseForFile(this, sourcePath, res::kStrPlaylistFilter, res::kStrPlaylistDefaultExt,
                                       res::kStrOpenPlaylistTitle);
    if (path.isEmpty())
        return;
    // A list that cannot be read, or holds nothing to play, leaves the one shown as it is.
    // Asked without opening it: opening a pipe would wait for a writer.
    if (const QFileInfo info(path); !info.isFile() || !info.isReadable()) {
        platform::ShowMessageBox(this, res::LoadString(res::kStrCannotOpen).arg(path));
        return;
    }
    if (ReadPlaylistEntries(path).isEmpty()) {
        platform::ShowMessageBox(this, res::LoadString(res::kStrNothingToPlay).arg(path));
        return;
    }
    controller.OpenSource(path);
    playingIndex = -1;
    reload = true;
    Fill();
}

void CPLayListDlg::OnSave()
{
    const QString path = BrowseForSaveFile(this, sourcePath, res::kStrPlaylistFilter,
                                           res::kStrPlaylistDefaultExt, res::kStrSavePlaylistTitle);
    if (path.isEmpty())
        return;
    const QStringList items = EditedItems();
    if (items.isEmpty())
        return;
    // The file is written whole or not at all; the list on screen stays when it fails.
    if (!SavePlaylist(path, items)) {
        platform::ShowMessageBox(this, res::LoadString(res::kStrCannotSave).arg(path));
        return;
    }
    controller.OpenSource(path);
    controller.Close(false);
    playingIndex = -1;
    reload = true;
    Fill();
}

void CPLayListDlg::OnPlay()
{
    const int line = List()->currentRow();
    const QString item = ItemOf(line);
    if (item.isEmpty())
        return;
    if (line != playingIndex)
        controller.Close(false);
    if (controller.GetState().CanStop()) {
        // The line is playing: the button stops it.
        controller.Close(false);
        UpdatePlayButton();
        return;
    }
    if (sourceFlags & kSourceArchive) {
        controller.OpenSource(sourcePath);
        controller.SelectItem(item);
    } else {
        controller.OpenSource(item);
        controller.OpenForward(ForwardFrom::kStart);
    }
    // The controller's list is now the one line: the source comes back when the dialog closes.
    reload = true;
    if (controller.GetState().CanStop())
        playingIndex = line;
    else
        controller.Close(false);
    UpdatePlayButton();
}

QStringList CPLayListDlg::EditedItems() const
{
    QStringList items;
    // Lines of an archive or a download name nothing outside their source.
    if (sourceFlags & kUnsavedSources)
        return items;
    for (int line = 0; line + 1 < List()->count(); ++line) {
        if (const QString item = ItemOf(line); !item.isEmpty())
            items << item;
    }
    return items;
}

void CPLayListDlg::reject()
{
    // Lines the user changed are what plays next, rather than lost with the dialog.
    if (const QStringList items = EditedItems(); edited && !items.isEmpty()) {
        controller.SetItems(items, false, QString());
        done(res::kIdOk);
        return;
    }
    if (reload) {
        if (!ownItems.isEmpty())
            controller.SetItems(ownItems, false, ownCurrent);
        else
            controller.OpenSource(sourcePath);
        done(res::kIdOk);
        return;
    }
    CDialogEx::reject();
}

void CPLayListDlg::done(int result)
{
    controller.Close(false);
    CDialogEx::done(result);
}

void CPLayListDlg::resizeEvent(QResizeEvent* event)
{
    CDialogEx::resizeEvent(event);
    if (margin > 0) {
        for (int id : {kList, kSource}) {
            QWidget* control = GetDlgItem(id);
            control->resize(width() - 2 * margin, control->height());
        }
    }
}

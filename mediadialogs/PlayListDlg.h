#pragma once
// CPLayListDlg: the playlist editor ("ﾌﾟﾚｲﾘｽﾄ"). Shows the controller's items one a line (relative
// to the source's folder where they lie under it) with an empty line last for inserting; lines
// are deleted with Delete, inserted with Insert or by dropping files, reordered by dragging;
// "参照..." opens an M3U list, "保存..." writes one, "再生"/"停止" (or Enter) plays or stops the
// chosen line.
// Works entirely through the main window's controller. Closing it after lines were changed and
// not saved hands the edited lines to the controller as its items; after a save, an open or a
// play it has the controller reopen the source, or take the list back when it had no source of
// its own (files chosen together). Either way it ends with OK, so that the owner plays the
// controller's current item; otherwise it ends cancelled.

#include "skin/DialogEx.h"

#include <QStringList>

class CListBoxEx;
class CMediaPlayer;

class CPLayListDlg : public CDialogEx
{
    Q_OBJECT
public:
    static constexpr int kList = 1034;
    static constexpr int kSource = 1054;
    static constexpr int kOpen = 1008;
    static constexpr int kSave = 1009;
    static constexpr int kPlay = 1055;

    CPLayListDlg(CMediaPlayer& controller, QWidget* parent = nullptr);

    // The controller moved on to `item`: its line is selected.
    void SetCurrentItem(const QString& item);
    // The item a line stands for, as the controller opens it ("" for the empty last line).
    QString ItemOf(int line) const;
    const QString& Base() const { return base; }
    bool Reloads() const { return reload; }
    // The lines were changed since the list was last filled.
    bool Edited() const { return edited; }

    void reject() override;
    // Whatever the dialog played is closed with it.
    void done(int result) override;

protected:
    void OnInitDialog() override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill();
    // The play button: enabled for a real line, "停止" while that line plays.
    void UpdatePlayButton();
    bool OnListKey(int key);
    void OnOpen();
    void OnSave();
    void OnPlay();
    CListBoxEx* List() const;
    // The line `item` is shown as.
    QString LineOf(const QString& item) const;
    // The items the lines stand for, without the empty ones.
    QStringList EditedItems() const;

    CMediaPlayer& controller;
    int sourceFlags = 0;
    bool reload = false;
    bool edited = false;
    int margin = 0;
    int playingIndex = -1;
    QString sourcePath;
    QString base;
    // A list without a source of its own (files chosen together) and its item playing: what
    // the controller gets back when the dialog closes.
    QStringList ownItems;
    QString ownCurrent;
};

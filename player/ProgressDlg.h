#pragma once
// CProgressDlg: the modeless "ﾀﾞｳﾝﾛｰﾄﾞ" dialog shown while a download reads its data (or a
// large archive member is written out): what is being fetched, the share done so far and
// "中断", which asks the work to stop. The work polls IsAborted. UI thread only.

#include "skin/DialogEx.h"

class QLabel;

class CProgressDlg : public CDialogEx
{
    Q_OBJECT
public:
    static constexpr int kAbortButton = 1;
    static constexpr int kPercentText = 1038;
    static constexpr int kMessageText = 1037;

    explicit CProgressDlg(QWidget* parent = nullptr);

    // Shows the dialog without a modal loop, centred over `parent` (the screen without one).
    void Show(QWidget* parent);
    // The title strip's text (and the window's title); the template's is "ﾀﾞｳﾝﾛｰﾄﾞ".
    void SetTitle(const QString& text);
    // The message line; the percentage starts again at "0%".
    void SetMessage(const QString& text);
    void SetPercent(const QString& text);
    bool IsAborted() const { return aborted; }

    QString MessageText() const;
    QString PercentText() const;

protected:
    void OnInitDialog() override;
    // "中断" (and Enter) stop the download; the dialog stays until the download lets it go.
    void accept() override;
    // Esc does the same: a modeless dialog that vanished would leave the download running.
    void reject() override;

private:
    QString message;
    bool aborted = false;
};

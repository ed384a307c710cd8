#pragma once
// CAboutDlg: the version information ("ﾊﾞｰｼﾞｮﾝ情報"): the program icon, its name and version, a
// link to its home page and one to write to its maker, OK, and "ﾚｼﾞｽﾄﾘ削除", which after asking
// ends the dialog with kResultDeleteSettings so that the program removes its settings and its
// disc handlers and ends.

#include "skin/DialogEx.h"

#include <functional>

class QLabel;

class CAboutDlg : public CDialogEx
{
    Q_OBJECT
public:
    static constexpr int kProductLine = 1099;
    static constexpr int kDescriptionLine = 1100;
    static constexpr int kHomePageLink = 1032;
    static constexpr int kMailLink = 1033;
    static constexpr int kDeleteSettings = 1048;

    // `open` opens a link's target the way the desktop would; false when it could not.
    CAboutDlg(std::function<bool(const QString&)> open, QWidget* parent = nullptr);

    // Where the two links lead.
    static QString HomePage();
    static QString MailAddress();

protected:
    void OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnDeleteSettings();
    // Opens the home page or a mail to the address; one that cannot be opened is reported.
    void OpenLink(const QLabel* link);

    std::function<bool(const QString&)> open;
};

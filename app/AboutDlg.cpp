#include "AboutDlg.h"

#include "Messages.h"
#include "platform/MessageBox.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

CAboutDlg::CAboutDlg(std::function<bool(const QString&)> opener, QWidget* parent)
    : CDialogEx(res::kDialogAbout, parent), open(std::move(opener))
{}

QString CAboutDlg::HomePage()
{
    return QStringLiteral(SORLIN_HOMEPAGE);
}

QString CAboutDlg::MailAddress()
{
    return QStringLiteral(SORLIN_MAIL);
}

void CAboutDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    Item<QLabel>(kProductLine)
        ->setText(QStringLiteral("%1 (Sorlin) ﾊﾞｰｼﾞｮﾝ %2")
                      .arg(res::LoadString(res::kStrAppTitle), QStringLiteral(SORLIN_VERSION)));
    Item<QLabel>(kDescriptionLine)->setText(QStringLiteral("ﾃﾞｽｸﾄｯﾌﾟ時計とﾒﾃﾞｨｱﾌﾟﾚｰﾔ"));
    Item<QLabel>(kHomePageLink)->setText(HomePage());
    Item<QLabel>(kMailLink)->setText(MailAddress());
    // The links take the keyboard too: Tab reaches them and Enter or Space opens them.
    for (int id : {kHomePageLink, kMailLink}) {
        GetDlgItem(id)->setCursor(Qt::PointingHandCursor);
        GetDlgItem(id)->setFocusPolicy(Qt::StrongFocus);
    }
    connect(Item<QAbstractButton>(kDeleteSettings), &QAbstractButton::clicked, this,
            &CAboutDlg::OnDeleteSettings);
}

bool CAboutDlg::eventFilter(QObject* watched, QEvent* event)
{
    auto* link = qobject_cast<QLabel*>(watched);
    if (link && (link == GetDlgItem(kHomePageLink) || link == GetDlgItem(kMailLink))) {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::Leave: {
            // The line under the pointer is underlined, the other one plain.
            QFont font = link->font();
            font.setUnderline(event->type() == QEvent::Enter);
            link->setFont(font);
            break;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                OpenLink(link);
                return true;
            }
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                OpenLink(link);
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return CDialogEx::eventFilter(watched, event);
}

void CAboutDlg::OpenLink(const QLabel* link)
{
    const QString target =
        link == GetDlgItem(kHomePageLink) ? HomePage() : QStringLiteral("mailto:") + MailAddress();
    if (open && !open(target))
        platform::ShowMessageBox(this, res::LoadString(res::kStrCannotOpen).arg(target));
}

void CAboutDlg::OnDeleteSettings()
{
    if (platform::ShowMessageBox(this, res::LoadString(res::kStrConfirmDeleteSettings), platform::kMbYesNo) ==
        platform::kIdYes)
        done(kResultDeleteSettings);
}

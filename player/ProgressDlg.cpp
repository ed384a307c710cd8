#include "ProgressDlg.h"

#include "res/DialogTemplates.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

CProgressDlg::CProgressDlg(QWidget* parent) : CDialogEx(res::kDialogProgress, parent)
{
    setModal(false);
}

void CProgressDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    // The abort button takes the dialog's button colours like every skinned button; the
    // message keeps both ends of a long address.
    if (auto* label = Item<QLabel>(kMessageText))
        label->setWordWrap(false);
    SetMessage(message);
}

void CProgressDlg::Show(QWidget* parent)
{
    aborted = false;
    const QRect area = parent
                           ? parent->frameGeometry()
                           : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                               : QRect(0, 0, width(), height()));
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    show();
}

void CProgressDlg::SetTitle(const QString& text)
{
    SetDlgItemText(res::kIdTitle, text);
    setWindowTitle(text);
    update();
}

void CProgressDlg::SetMessage(const QString& text)
{
    message = text;
    if (auto* label = Item<QLabel>(kMessageText)) {
        const QFontMetrics metrics(label->font());
        label->setText(metrics.elidedText(text, Qt::ElideMiddle, label->width()));
        label->setToolTip(text);
    }
    SetPercent(QStringLiteral("0%"));
}

void CProgressDlg::SetPercent(const QString& text)
{
    SetDlgItemText(kPercentText, text);
}

QString CProgressDlg::MessageText() const
{
    return message;
}

QString CProgressDlg::PercentText() const
{
    return GetDlgItemText(kPercentText);
}

void CProgressDlg::accept()
{
    aborted = true;
}

void CProgressDlg::reject()
{
    aborted = true;
}

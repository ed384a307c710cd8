#include "PosDialog.h"

#include "CustomFontDialog.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/FileDialogs.h"
#include "skin/SkinDefinition.h"

#include <QAbstractButton>
#include <QColorDialog>

namespace {

COLORREF ToColorRef(const QColor& colour)
{
    return static_cast<COLORREF>(colour.red()) | static_cast<COLORREF>(colour.green()) << 8 |
           static_cast<COLORREF>(colour.blue()) << 16;
}

} // namespace

CPosDialog::CPosDialog(const PositionValues& initial, QSize frameSize, QWidget* parent)
    : CDialogEx(res::kDialogPosition, parent), values(initial), frame(frameSize)
{}

void CPosDialog::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    SetDlgItemInt(kX, values.window.x());
    SetDlgItemInt(kY, values.window.y());
    SetDlgItemInt(kWidth, values.window.width() - frame.width());
    SetDlgItemInt(kHeight, values.window.height() - frame.height());
    SetDlgItemInt(kWaitTime, values.waitTime);
    SetDlgItemText(kPlugIn, values.plugIn);
    SetDlgItemText(kThema, values.thema);
    SetDlgItemText(kBack, values.back);
    CheckDlgButton(kTopmost, values.topmost);
    CheckDlgButton(kBorder, values.border);
    CheckDlgButton(kDsFirst, values.dsFirst);
    CheckDlgButton(kStillWindow, values.stillWindow);
    CheckDlgButton(kUseThema, values.useThema);
    CheckDlgButton(kMatch, values.match);
    CheckDlgButton(kBtnShow, values.btnShow);
    CheckDlgButton(kDispString, values.dispString);
    ApplySkinRule();

    const auto onClick = [this](int id, auto handler) {
        connect(Item<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    };
    onClick(kUseThema, [this] { ApplySkinRule(); });
    onClick(kPlugInBrowse, [this] {
        if (const QString folder = BrowseForFolder(this, GetDlgItemText(kPlugIn)); !folder.isEmpty())
            SetDlgItemText(kPlugIn, folder);
    });
    onClick(kBackBrowse, [this] {
        const QString file =
            BrowseForFile(this, GetDlgItemText(kBack), res::kStrImageFilter, res::kStrImageDefaultExt);
        if (!file.isEmpty())
            SetDlgItemText(kBack, file);
    });
    onClick(kThemaBrowse, [this] {
        const QString file =
            BrowseForFile(this, GetDlgItemText(kThema), res::kStrSkinFilter, res::kStrSkinDefaultExt);
        if (!file.isEmpty())
            SetDlgItemText(kThema, file);
    });
    onClick(kColour, [this] { OnColour(); });
    onClick(kFont, [this] { OnFont(); });
}

void CPosDialog::ApplySkinRule()
{
    const bool free = !IsDlgButtonChecked(kUseThema);
    for (int id : {kWidth, kHeight, kBack, kBackBrowse})
        GetDlgItem(id)->setEnabled(free);
}

void CPosDialog::OnColour()
{
    QColorDialog dialog(ToQColor(values.colour), this);
    dialog.setObjectName(QStringLiteral("ChooseColour"));
    if (dialog.exec() == QDialog::Accepted)
        values.colour = ToColorRef(dialog.selectedColor());
}

void CPosDialog::OnFont()
{
    CCustomFontDialog dialog(values.font, this);
    if (dialog.exec() == QDialog::Accepted)
        values.font = dialog.Record();
}

void CPosDialog::accept()
{
    values.window = QRect(GetDlgItemInt(kX), GetDlgItemInt(kY), GetDlgItemInt(kWidth) + frame.width(),
                          GetDlgItemInt(kHeight) + frame.height());
    values.back = GetDlgItemText(kBack);
    values.topmost = IsDlgButtonChecked(kTopmost);
    values.border = IsDlgButtonChecked(kBorder);
    values.dsFirst = IsDlgButtonChecked(kDsFirst);
    values.stillWindow = IsDlgButtonChecked(kStillWindow);
    values.useThema = IsDlgButtonChecked(kUseThema);
    values.match = IsDlgButtonChecked(kMatch);
    values.btnShow = IsDlgButtonChecked(kBtnShow);
    values.dispString = IsDlgButtonChecked(kDispString);
    values.plugIn = GetDlgItemText(kPlugIn);
    values.waitTime = GetDlgItemInt(kWaitTime);
    values.thema = GetDlgItemText(kThema);
    CDialogEx::accept();
}

#include "PosDialog.h"

#include "CustomFontDialog.h"
#include "platform/NumberText.h"
#include "res/DialogTemplates.h"
#include "res/StringTable.h"
#include "skin/FileDialogs.h"
#include "skin/SkinDefinition.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>

namespace {

int NumberIn(const QLineEdit* edit)
{
    return platform::LeadingInt(edit->text());
}

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
    const auto setNumber = [this](int id, int value) {
        Item<QLineEdit>(id)->setText(QString::number(value));
    };
    const auto setText = [this](int id, const QString& text) { Item<QLineEdit>(id)->setText(text); };
    const auto setCheck = [this](int id, bool on) { Item<QCheckBox>(id)->setChecked(on); };
    setNumber(kX, values.window.x());
    setNumber(kY, values.window.y());
    setNumber(kWidth, values.window.width() - frame.width());
    setNumber(kHeight, values.window.height() - frame.height());
    setNumber(kWaitTime, values.waitTime);
    setText(kPlugIn, values.plugIn);
    setText(kThema, values.thema);
    setText(kBack, values.back);
    setCheck(kTopmost, values.topmost);
    setCheck(kBorder, values.border);
    setCheck(kDsFirst, values.dsFirst);
    setCheck(kStillWindow, values.stillWindow);
    setCheck(kUseThema, values.useThema);
    setCheck(kMatch, values.match);
    setCheck(kBtnShow, values.btnShow);
    setCheck(kDispString, values.dispString);
    ApplySkinRule();

    const auto onClick = [this](int id, auto handler) {
        connect(Item<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    };
    onClick(kUseThema, [this] { ApplySkinRule(); });
    onClick(kPlugInBrowse, [this] {
        const QString folder = BrowseForFolder(this, Item<QLineEdit>(kPlugIn)->text());
        if (!folder.isEmpty())
            Item<QLineEdit>(kPlugIn)->setText(folder);
    });
    onClick(kBackBrowse, [this] {
        const QString file = BrowseForFile(this, Item<QLineEdit>(kBack)->text(), res::kStrImageFilter,
                                           res::kStrImageDefaultExt);
        if (!file.isEmpty())
            Item<QLineEdit>(kBack)->setText(file);
    });
    onClick(kThemaBrowse, [this] {
        const QString file = BrowseForFile(this, Item<QLineEdit>(kThema)->text(), res::kStrSkinFilter,
                                           res::kStrSkinDefaultExt);
        if (!file.isEmpty())
            Item<QLineEdit>(kThema)->setText(file);
    });
    onClick(kColour, [this] { OnColour(); });
    onClick(kFont, [this] { OnFont(); });
}

void CPosDialog::ApplySkinRule()
{
    const bool free = !Item<QCheckBox>(kUseThema)->isChecked();
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
    const int x = NumberIn(Item<QLineEdit>(kX));
    const int y = NumberIn(Item<QLineEdit>(kY));
    values.window = QRect(x, y, NumberIn(Item<QLineEdit>(kWidth)) + frame.width(),
                          NumberIn(Item<QLineEdit>(kHeight)) + frame.height());
    const auto checked = [this](int id) { return Item<QCheckBox>(id)->isChecked(); };
    values.back = Item<QLineEdit>(kBack)->text();
    values.topmost = checked(kTopmost);
    values.border = checked(kBorder);
    values.dsFirst = checked(kDsFirst);
    values.stillWindow = checked(kStillWindow);
    values.useThema = checked(kUseThema);
    values.match = checked(kMatch);
    values.btnShow = checked(kBtnShow);
    values.dispString = checked(kDispString);
    values.plugIn = Item<QLineEdit>(kPlugIn)->text();
    values.waitTime = NumberIn(Item<QLineEdit>(kWaitTime));
    values.thema = Item<QLineEdit>(kThema)->text();
    CDialogEx::accept();
}

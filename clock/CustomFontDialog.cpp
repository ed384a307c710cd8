#include "CustomFontDialog.h"

#include "skin/DialogEx.h"
#include "skin/FocusRing.h"
#include "skin/ReadableColours.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>

namespace {

// Room for a sample of the display font at the sizes a desk clock uses.
constexpr int kSampleHeight = 96;

} // namespace

CCustomFontDialog::CCustomFontDialog(const FontRecord& record, QWidget* parent)
    : QFontDialog(FontFromRecord(record), parent), initial(record)
{
    setWindowTitle(QStringLiteral("ﾌｫﾝﾄの指定"));
    // Our own dialog rather than the desktop's, so that it looks and behaves the same everywhere.
    setOption(QFontDialog::DontUseNativeDialog);
    setOption(QFontDialog::NoButtons, false);
    // The effects (underline, strike-out) are not part of the display font. The sample shared
    // their row and takes no room of its own: without them it needs a height, or it is a blank
    // strip.
    for (QGroupBox* group : findChildren<QGroupBox*>()) {
        if (!group->findChildren<QCheckBox*>().isEmpty())
            group->hide();
        else if (!group->findChildren<QLineEdit*>().isEmpty())
            group->setMinimumHeight(kSampleHeight);
    }
    if (auto* buttons = findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* button : buttons->buttons())
            button->setCursor(Qt::PointingHandCursor);
    }
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    (new FocusRing(this))->SetColour(ReadableText(palette().color(QPalette::Window)));
    shown = currentFont();
}

FontRecord CCustomFontDialog::Record() const
{
    const QFont chosen = currentFont();
    return chosen == shown ? initial : RecordFromFont(chosen, initial);
}

bool CCustomFontDialog::eventFilter(QObject* watched, QEvent* event)
{
    FollowPointerFocus(watched, event, this);
    return QFontDialog::eventFilter(watched, event);
}

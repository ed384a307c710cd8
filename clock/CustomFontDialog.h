#pragma once
// CCustomFontDialog: the font chooser of the position settings ("ﾌｫﾝﾄの指定"). Qt's font dialog
// with the screen's fonts, the script choice and no effects, the hand cursor over OK and
// Cancel, and the focus following the pointer. Takes and gives the display font's record.

#include "skin/FontRecord.h"

#include <QFontDialog>

class CCustomFontDialog : public QFontDialog
{
    Q_OBJECT
public:
    explicit CCustomFontDialog(const FontRecord& record, QWidget* parent = nullptr);

    // The chosen font as a record: the initial one when the user changed nothing; its face
    // name and height stay when the user kept them.
    FontRecord Record() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FontRecord initial;
    // The font as the dialog first showed it: its lists hold only the sizes and styles the face
    // has, so this may differ from `initial` while the user changed nothing.
    QFont shown;
};

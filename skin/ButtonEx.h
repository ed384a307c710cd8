#pragma once
// CButtonEx: the dialogs' elliptic push button. It draws itself as an ellipse over a shadow in
// the dialog's three button colours: the off colour normally, the on colour while pressed, the
// disabled colour (with a white caption) when disabled, and a shadow in the disabled colour
// while it has the focus.

#include "Dib.h"

#include <QPushButton>

class CButtonEx : public QPushButton
{
    Q_OBJECT
public:
    explicit CButtonEx(const QString& text, QWidget* parent = nullptr);

    // The dialog's brushes, in its order: off, on, disabled.
    void SetBrushes(COLORREF off, COLORREF on, COLORREF disabled);
    // Limits the button to the ellipse inside it; kept through later size changes.
    void MakeElliptic();
    // The caption's colour in a state: the design's where it reads on the button's face,
    // otherwise black or white; fainter when disabled.
    QColor CaptionColour(bool pressed, bool enabled) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    COLORREF off = 0;
    COLORREF on = 0;
    COLORREF disabled = 0;
    bool elliptic = false;
};

#include "ButtonEx.h"

#include "SkinDefinition.h"

#include <QPainter>

namespace {

constexpr COLORREF kCaptionColour = 0x7A2719;
constexpr COLORREF kWhite = 0xFFFFFF;

} // namespace

CButtonEx::CButtonEx(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void CButtonEx::SetBrushes(COLORREF offColour, COLORREF onColour, COLORREF disabledColour)
{
    off = offColour;
    on = onColour;
    disabled = disabledColour;
    update();
}

void CButtonEx::MakeElliptic()
{
    elliptic = true;
    setMask(QRegion(rect(), QRegion::Ellipse));
    update();
}

void CButtonEx::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    if (elliptic)
        setMask(QRegion(rect(), QRegion::Ellipse));
}

void CButtonEx::paintEvent(QPaintEvent*)
{
    const bool pressed = isDown();
    const bool enabled = isEnabled();
    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    // The lower ellipse: the colour the button is not showing, as its shadow.
    const COLORREF first = pressed ? off : !enabled ? disabled : on;
    QRectF item(rect());
    painter.setBrush(ToQColor(first));
    painter.drawEllipse(item);
    item.translate(-1, -1);
    painter.setBrush(ToQColor(hasFocus() ? disabled : off));
    painter.drawEllipse(item);
    item.translate(-1, -1);
    painter.setBrush(ToQColor(pressed ? on : !enabled ? disabled : off));
    painter.drawEllipse(item);
    painter.setPen(ToQColor(pressed || !enabled ? kWhite : kCaptionColour));
    painter.drawText(item, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, text());
}

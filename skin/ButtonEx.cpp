#include "ButtonEx.h"

#include "ReadableColours.h"
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

QColor CButtonEx::CaptionColour(bool pressed, bool enabled) const
{
    // The caption keeps its own colour where it reads on the skin's button colour.
    if (enabled)
        return KeepIfReadable(ToQColor(pressed ? kWhite : kCaptionColour), ToQColor(pressed ? on : off));
    const QColor face = ToQColor(disabled);
    // On a face like the enabled one, only a fainter caption tells a disabled button apart.
    if (disabled == off || ContrastRatio(ToQColor(kWhite), face) < kKeptColourContrast)
        return DisabledText(face);
    return ToQColor(kWhite);
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
    painter.setPen(CaptionColour(pressed, enabled));
    painter.drawText(item, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, text());
}

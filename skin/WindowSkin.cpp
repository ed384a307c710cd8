#include "WindowSkin.h"

#include <QPainter>

#include <algorithm>

namespace {

// A skin's coordinates, scaled to the window, are held to one window's size past each edge:
// shapes far past the window would only make regions that take seconds and gigabytes to build.
int Coordinate(qint64 value, qint64 reach)
{
    return static_cast<int>(std::clamp(value, -reach, 2 * reach));
}

// How far `Coordinate` lets a window of `size` reach.
qint64 Reach(const QRect& window)
{
    return std::max<qint64>({window.width(), window.height(), 1}) +
           std::max(std::abs(window.left()), std::abs(window.top()));
}

// Windows rectangles are given by their edges, right and bottom outside.
QRect Edges(qint64 left, qint64 top, qint64 right, qint64 bottom, qint64 reach)
{
    return QRect(QPoint(Coordinate(left, reach), Coordinate(top, reach)),
                 QPoint(Coordinate(right, reach) - 1, Coordinate(bottom, reach) - 1));
}

QRegion Ellipse(const QRect& r)
{
    return r.isEmpty() ? QRegion() : QRegion(r, QRegion::Ellipse);
}

constexpr COLORREF kTextAreaKey = RGB(255, 99, 255);

COLORREF ButtonKey(int index)
{
    return RGB(255, index + 1, 255);
}

} // namespace

QRegion RegionFrame(const QRegion& region)
{
    const QRegion inner = region & region.translated(1, 0) & region.translated(-1, 0) &
                          region.translated(0, 1) & region.translated(0, -1);
    return region - inner;
}

bool WindowSkin::LoadMask(const QString& path)
{
    maskMode = false;
    mask.Clear();
    if (path.isEmpty() || !mask.Load(path))
        return false;
    maskMode = true;
    if (definition.baseSize == QSize(0, 0))
        definition.baseSize = mask.SourceRect().size();
    return true;
}

QRect WindowSkin::Measured(const QRect& windowRect) const
{
    if (frame.x() > 0 && frame.y() > 0)
        return windowRect.translated(frame.x() - 1, frame.y() - 1);
    return windowRect;
}

void WindowSkin::Rebuild(const QRect& windowRect, const CDib* background)
{
    if (busy)
        return;
    busy = true;
    const QRect R = Measured(windowRect);
    const qint64 W = R.width();
    const qint64 H = R.height();
    const qint64 bw = BaseWidth(R);
    const qint64 bh = BaseHeight(R);
    const qint64 reach = Reach(R);

    // Buttons: from the mask's colours in one pass, or from the scaled outlines.
    std::map<COLORREF, QRegion> keyed;
    if (maskMode) {
        std::vector<COLORREF> keys;
        for (int i = 0; i < definition.buttonCount; ++i)
            keys.push_back(ButtonKey(i));
        keys.push_back(kTextAreaKey);
        keyed = filter.SelectColours(mask, keys, R);
    }
    for (int i = 0; i < kMaxSkinButtons; ++i) {
        std::optional<QRegion>& region = buttonRegions[i];
        region.reset();
        buttonOutlines[i] = QPainterPath();
        if (i >= definition.buttonCount)
            continue;
        if (maskMode) {
            if (const auto found = keyed.find(ButtonKey(i)); found != keyed.end())
                region = found->second;
            continue;
        }
        const std::vector<QPoint>& points = definition.buttons[i].points;
        if (points.empty())
            continue;
        QPolygon polygon;
        QPolygonF exact;
        for (const QPoint& p : points) {
            polygon << QPoint(Coordinate(p.x() * W / bw + R.left(), reach),
                              Coordinate(p.y() * H / bh + R.top(), reach));
            const auto exactly = [reach](double value) {
                return std::clamp(value, -double(reach), 2.0 * double(reach));
            };
            exact << QPointF(exactly(static_cast<double>(p.x()) * W / bw + R.left()),
                             exactly(static_cast<double>(p.y()) * H / bh + R.top()));
        }
        region = QRegion(polygon, Qt::WindingFill);
        buttonOutlines[i].setFillRule(Qt::WindingFill);
        buttonOutlines[i].addPolygon(exact);
        buttonOutlines[i].closeSubpath();
    }

    if (maskMode && keyed.count(kTextAreaKey))
        textArea = keyed[kTextAreaKey];
    else
        BuildTextArea(windowRect);

    // The window's outline.
    shapeRects.clear();
    scaledOutline.clear();
    const std::vector<QPoint>& shape = definition.shape;
    const int type = definition.shapeTypes.empty() ? 0 : definition.shapeTypes.front();
    window = QRegion();
    if (type == 0 || type == 1) {
        if (shape.empty()) {
            window = Ellipse(R);
        } else {
            for (size_t j = 0; j + 1 < shape.size(); j += 2) {
                const QRect rect = Edges(shape[j].x() * W / bw, shape[j].y() * H / bh,
                                         shape[j + 1].x() * W / bw, shape[j + 1].y() * H / bh, reach);
                shapeRects.push_back(rect);
                const size_t k = j / 2;
                const bool rectangle = k < definition.shapeTypes.size() && definition.shapeTypes[k] != 0;
                window += rectangle ? QRegion(rect) : Ellipse(rect);
            }
        }
    } else if (type == 2) {
        if (shape.empty()) {
            window = Ellipse(R);
        } else {
            for (const QPoint& p : shape)
                scaledOutline << QPoint(Coordinate(p.x() * W / bw, reach), Coordinate(p.y() * H / bh, reach));
            window = QRegion(scaledOutline, Qt::WindingFill);
        }
    } else if (type == 3) {
        window = QRegion(R);
        if (background && !background->IsEmpty()) {
            if (const auto cut = filter.SelectColour(*background, background->PixelColor(0, 0), R))
                window -= *cut;
        }
    } else {
        window = Ellipse(R);
    }
    busy = false;
}

void WindowSkin::BuildTextArea(const QRect& windowRect)
{
    const QRect R = Measured(windowRect);
    const qint64 W = R.width();
    const qint64 H = R.height();
    if (maskMode) {
        if (auto keyed = filter.SelectColour(mask, kTextAreaKey, R); keyed && !keyed->isEmpty()) {
            textArea = *keyed;
            return;
        }
    }
    const QPoint a = definition.textArea0;
    const QPoint b = definition.textArea1;
    const qint64 dy = b.y() - a.y();
    const qint64 width = (b.x() - a.x()) * W / BaseWidth(R);
    const qint64 height = dy != 0 ? H * dy / BaseHeight(R) : lineHeight;
    qint64 top = a.y() * H / BaseHeight(R);
    if (dy == 0)
        top -= lineHeight / 2;
    const qint64 left = a.x() * W / BaseWidth(R) - frame.x();
    top -= frame.y();
    textArea = QRegion(Edges(left, top, left + width, top + height, Reach(R)).normalized());
}

int WindowSkin::HitTest(const QPoint& point) const
{
    for (int i = 0; i < definition.buttonCount; ++i) {
        if (buttonRegions[i] && buttonRegions[i]->contains(point))
            return i;
    }
    return textArea.contains(point) ? kTextAreaHit : kNoHit;
}

QRegion WindowSkin::ButtonArea(int index) const
{
    if (index >= 0 && index < kMaxSkinButtons && buttonRegions[index])
        return *buttonRegions[index];
    return QRegion();
}

void WindowSkin::Paint(QPainter& painter, const QRect& client, const PaintOptions& options) const
{
    painter.save();
    const QColor base = ToQColor(definition.baseBrush);
    if (!options.drawBackground || !options.drawBackground(painter, client)) {
        const int type = definition.shapeTypes.empty() ? 0 : definition.shapeTypes.front();
        painter.setPen(Qt::NoPen);
        painter.setBrush(base);
        if (type == 0 && !shapeRects.empty())
            painter.drawEllipse(shapeRects.front());
        else if (type == 1 && !shapeRects.empty())
            painter.drawRect(shapeRects.front());
        else if (type == 2 && !scaledOutline.isEmpty())
            painter.drawPolygon(scaledOutline, Qt::WindingFill);
        else
            painter.fillRect(client, base);
    }

    const QColor on = ToQColor(definition.buttonOnColour);
    const QColor off = ToQColor(definition.buttonOffColour);
    const auto fill = [&painter](const QRegion& region, const QColor& colour) {
        for (const QRect& rect : region)
            painter.fillRect(rect, colour);
    };
    // A button given by points is filled and framed along its exact outline, smoothly; the frame
    // is the inner half of a two-pixel line, so it lies inside the button as a region's frame does.
    const auto frameOutline = [&painter](const QPainterPath& outline, const QColor& colour) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(outline, Qt::IntersectClip);
        painter.strokePath(outline, QPen(colour, 2));
        painter.restore();
    };
    const auto paintButton = [&](int i, const QColor* colour) {
        const QPainterPath& outline = buttonOutlines[i];
        if (outline.isEmpty()) {
            if (colour)
                fill(*buttonRegions[i], *colour);
            fill(RegionFrame(*buttonRegions[i]), on);
            return;
        }
        if (colour) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(outline, *colour);
            painter.restore();
        }
        frameOutline(outline, on);
    };
    if (options.showButtons) {
        for (int i = 0; i < definition.buttonCount; ++i) {
            if (!buttonRegions[i] || buttonRegions[i]->isEmpty())
                continue;
            const QColor& colour = i == lit ? on : off;
            paintButton(i, &colour);
        }
    }
    if (hover >= 0 && hover < kMaxSkinButtons && buttonRegions[hover] && !buttonRegions[hover]->isEmpty())
        paintButton(hover, nullptr);

    if (options.showText && !textArea.isEmpty()) {
        QRect box = textArea.boundingRect();
        box.setTop(box.top() + (box.height() - lineHeight) / 2);
        box.setHeight(lineHeight);
        painter.setPen(options.textColour);
        painter.setFont(options.font);
        painter.setClipRect(box, Qt::IntersectClip);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, options.text);
    }
    painter.restore();
}

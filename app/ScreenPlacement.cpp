#include "ScreenPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// How far `window` lies from `screen`, squared; 0 when they touch.
std::int64_t Distance(const QRect& window, const QRect& screen)
{
    const auto gap = [](std::int64_t low, std::int64_t high, std::int64_t otherLow, std::int64_t otherHigh) {
        return std::max<std::int64_t>({0, otherLow - high, low - otherHigh});
    };
    const std::int64_t dx = gap(window.left(), window.right(), screen.left(), screen.right());
    const std::int64_t dy = gap(window.top(), window.bottom(), screen.top(), screen.bottom());
    return dx * dx + dy * dy;
}

// Farther than any screen reaches, near enough that no sum of coordinates overflows.
constexpr int kFarthest = 1 << 20;
constexpr int kLargest = 1 << 16;

} // namespace

QPoint VisiblePlace(QPoint corner, QSize size, const QList<QRect>& screens)
{
    const QRect window(std::clamp(corner.x(), -kFarthest, kFarthest),
                       std::clamp(corner.y(), -kFarthest, kFarthest), std::clamp(size.width(), 1, kLargest),
                       std::clamp(size.height(), 1, kLargest));
    const QRect* nearest = nullptr;
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (const QRect& screen : screens) {
        if (screen.isEmpty())
            continue;
        if (screen.intersects(window))
            return window.topLeft();
        if (const std::int64_t distance = Distance(window, screen); distance < best) {
            best = distance;
            nearest = &screen;
        }
    }
    if (!nearest)
        return window.topLeft();
    // As far in as the window fits; a window larger than the screen keeps its top-left corner on it.
    const int x = std::clamp(window.left(), nearest->left(),
                             std::max(nearest->left(), nearest->right() - window.width() + 1));
    const int y = std::clamp(window.top(), nearest->top(),
                             std::max(nearest->top(), nearest->bottom() - window.height() + 1));
    return QPoint(x, y);
}

#include "ReadableColours.h"

#include <algorithm>
#include <cmath>

namespace {

// The ratio disabled text aims at: clearly fainter than enabled text, and far enough above the
// least that small antialiased text, whose thin strokes never reach their full colour on
// screen, still reads.
constexpr double kDisabledAim = 4.2;
// How much more enabled text must contrast than disabled text to look different.
constexpr double kDisabledStep = 1.3;
// A selected row's fill must differ this much from the list's fill to be seen as a selection.
constexpr double kSelectionContrast = 2.0;

double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor Mix(const QColor& from, const QColor& to, double share)
{
    const auto channel = [share](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * share)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

} // namespace

double RelativeLuminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double first = RelativeLuminance(a);
    const double second = RelativeLuminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor ReadableText(const QColor& fill)
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return ContrastRatio(black, fill) >= ContrastRatio(white, fill) ? black : white;
}

QColor DisabledText(const QColor& fill)
{
    const QColor text = ReadableText(fill);
    const double aim =
        std::clamp(ContrastRatio(text, fill) / kDisabledStep, kDisabledTextContrast, kDisabledAim);
    // Contrast grows steadily from the fill towards its text colour: halve towards the aim.
    double low = 0.0;
    double high = 1.0;
    for (int step = 0; step < 16; ++step) {
        const double middle = (low + high) / 2;
        (ContrastRatio(Mix(fill, text, middle), fill) < aim ? low : high) = middle;
    }
    QColor faint = Mix(fill, text, high);
    // Rounding to whole channel values may land a hair under the least ratio.
    for (double share = high; ContrastRatio(faint, fill) < kDisabledTextContrast && share < 1.0;) {
        share = std::min(1.0, share + 0.01);
        faint = Mix(fill, text, share);
    }
    return faint;
}

QColor KeepIfReadable(const QColor& wanted, const QColor& fill, double minimum)
{
    return ContrastRatio(wanted, fill) >= minimum ? wanted : ReadableText(fill);
}

QColor SelectionFill(const QColor& wanted, const QColor& fill)
{
    return ContrastRatio(wanted, fill) >= kSelectionContrast ? wanted : ReadableText(fill);
}

QPalette ReadablePalette(const QPalette& platform, const QColor& base, const QColor& edit,
                         const QColor& button)
{
    QPalette palette = platform;
    const QColor selection = SelectionFill(platform.color(QPalette::Active, QPalette::Highlight), edit);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool enabled = group != QPalette::Disabled;
        // A disabled field lies flat on the dialog's own fill.
        const QColor editFill = enabled ? edit : base;
        const QColor buttonFill = enabled ? button : base;
        palette.setColor(group, QPalette::Window, base);
        palette.setColor(group, QPalette::WindowText, enabled ? ReadableText(base) : DisabledText(base));
        palette.setColor(group, QPalette::Base, editFill);
        palette.setColor(group, QPalette::AlternateBase, editFill);
        palette.setColor(group, QPalette::Text, enabled ? ReadableText(editFill) : DisabledText(editFill));
        palette.setColor(group, QPalette::PlaceholderText, DisabledText(editFill));
        palette.setColor(group, QPalette::Button, buttonFill);
        palette.setColor(group, QPalette::ButtonText,
                         enabled ? ReadableText(buttonFill) : DisabledText(buttonFill));
        // The selection looks the same whether or not the list has the keyboard.
        palette.setColor(group, QPalette::Highlight, enabled ? selection : DisabledText(base));
        palette.setColor(group, QPalette::HighlightedText,
                         ReadableText(enabled ? selection : DisabledText(base)));
    }
    return palette;
}

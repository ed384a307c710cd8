#pragma once
// Text colours that can be read on whatever fill a skin chooses. Skins give fills (the
// dialog's base, the edit and control colours) but no text colours, and a dark skin under the
// platform's black text is unreadable; these pick black or white by the WCAG 2 contrast ratio
// and derive the disabled, selected and focus colours from the same rule. Pure functions.

#include <QColor>
#include <QPalette>

// The least ratios text must reach on its fill: enabled text, and disabled text (which must
// still read, though fainter).
constexpr double kEnabledTextContrast = 4.5;
constexpr double kDisabledTextContrast = 3.0;
// A text colour the design fixes (captions, the title strip) is kept where it reads with room
// to spare: small antialiased text loses some of its contrast on screen.
constexpr double kKeptColourContrast = 7.0;

// WCAG 2 relative luminance (0 black … 1 white) and the contrast ratio of two colours
// (1 … 21, the same in either order).
double RelativeLuminance(const QColor& colour);
double ContrastRatio(const QColor& a, const QColor& b);

// Black or white, whichever contrasts more with `fill` (at least 4.58 : 1 on any fill).
QColor ReadableText(const QColor& fill);
// Text that reads on `fill` and still looks fainter than ReadableText: the mix of the two
// nearest 4.2 : 1 (less on a mid-grey fill, so that it stays a clear step fainter), never
// under 3 : 1.
QColor DisabledText(const QColor& fill);
// `wanted` when it reaches `minimum` on `fill`; otherwise black or white, as ReadableText.
QColor KeepIfReadable(const QColor& wanted, const QColor& fill, double minimum = kKeptColourContrast);

// The fill of a selected row on `fill`: `wanted` (the platform's) when it stands out from
// `fill`, otherwise the fill's readable text colour, so the row shows inverted.
QColor SelectionFill(const QColor& wanted, const QColor& fill);

// The colours a skinned dialog's controls draw with. `base` is the dialog's fill (its texts,
// check boxes and group titles stand on it), `edit` the fill of edits, lists and drop-downs,
// `control` the skin's control colour. Every text role takes black or white by its fill;
// disabled texts are fainter, and a disabled edit takes the dialog's own fill so that it
// looks inactive beside an enabled one. `platform` gives the roles left alone (frames, the
// selection's hue).
QPalette ReadablePalette(const QPalette& platform, const QColor& base, const QColor& edit,
                         const QColor& control);

#pragma once
// Where the main window goes so that it can be seen: a place from the settings or the position
// dialog that lies wholly outside every screen (absurd X and Y, a screen unplugged since) moves
// onto the nearest screen. Pure function.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// The top-left corner for a window of frame size `size` wanted at `corner`: that corner when the
// window touches a screen of `screens` (their available areas), else the nearest place inside
// the nearest screen. Any int is taken; with no screen the corner only comes into range.
QPoint VisiblePlace(QPoint corner, QSize size, const QList<QRect>& screens);

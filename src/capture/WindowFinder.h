#pragma once

#include <QList>
#include <QRectF>

// The frames of the ordinary windows on screen, frontmost first, in Qt global logical
// coordinates: what a click on the overlay can pick. Never fails; problems shorten the list.
namespace WindowFinder {

QList<QRectF> frontToBackRects();

// Without a window manager: the viewable top-level windows, frontmost first. Used by
// frontToBackRects() when no EWMH stacking list exists.
QList<QRectF> rootChildrenRects();

} // namespace WindowFinder

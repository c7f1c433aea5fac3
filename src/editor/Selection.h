#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSize>

#include <array>
#include <optional>
#include <utility>

// The geometry of the area being chosen, in the display's logical pixels: its eight handles, how a
// drag resizes or moves it, and how it settles on whole pixels when the drag ends.
namespace Selection {

// A resize handle: dx −1 left edge, 0 middle, +1 right edge; dy −1 top edge, 0 middle, +1 bottom
// edge. Never both 0.
struct Handle {
    int dx = 0;
    int dy = 0;
    friend bool operator==(Handle, Handle) = default;
};

// The eight handles with their centres, left column first, top first.
std::array<std::pair<Handle, QPointF>, 8> handleCentres(const QRectF& selection);
// The handle within 7 points of p either way; the first in handleCentres() order wins.
std::optional<Handle> handleAt(const QRectF& selection, QPointF p);
// The original with the handle's edges moved to p; crossing the opposite edge turns it over.
QRectF resized(const QRectF& original, Handle handle, QPointF p);
// The selection moved by delta, stopped at the display's edges.
QRectF moved(const QRectF& selection, QPointF delta, const QRectF& bounds);
// Rounded outward to whole points and cut to the display; the zero rectangle when nothing remains.
QRectF integralWithin(const QRectF& r, const QRectF& bounds);
// Where a drag leaves the selection: whole points within the display; under 3 points either way
// it was a click, which takes the hovered window (or nothing).
QRectF settled(const QRectF& dragged, const std::optional<QRectF>& hoveredWindow,
               const QRectF& bounds);
QPointF clampedInto(QPointF p, const QRectF& r);

// The loupe that helps place an edge: 125 points square, 20 points right of and below the
// pointer, flipped to the other side where it would come within 4 points of the display's right
// edge or 24 of its bottom.
QRectF loupeFrame(QPointF pointer, const QRectF& bounds);
// The frozen image's pixel under a point, whose coordinates the loupe shows.
QPoint pixelUnder(QPointF p, QSize imageSize, const QRectF& bounds);

// The size label of the given size: 6 points above the selection's top-left corner, or 6 points
// inside it where that would come within 2 points of the display's top.
QRectF sizeLabelFrame(const QRectF& selection, QSizeF size, const QRectF& bounds);
// The hint shown before a selection: centred across the display, its bottom 90 points down.
QRectF hintFrame(QSizeF size, const QRectF& bounds);
// The text field for a press: its left edge at the press, vertically centred on it, reaching the
// selection's right edge but never under 80 points wide.
QRect textFieldFrame(QPointF press, int height, const QRectF& selection);

} // namespace Selection

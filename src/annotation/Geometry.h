#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

namespace Geometry {

// Containment used everywhere in the editor: the left and top edges are inside, the right and
// bottom edges are not (QRectF::contains counts all four). Empty rectangles contain nothing.
inline bool contains(const QRectF& r, QPointF p) {
    const QRectF n = r.normalized();
    return p.x() >= n.left() && p.x() < n.right() && p.y() >= n.top() && p.y() < n.bottom();
}

// A rectangle rounded outward to whole units: origin down, far edges up.
QRect roundedOutward(const QRectF& r);
QRectF roundedOutwardF(const QRectF& r);

} // namespace Geometry

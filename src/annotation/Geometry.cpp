#include "annotation/Geometry.h"

#include <QRect>

#include <cmath>

namespace Geometry {

QRect roundedOutward(const QRectF& r) {
    const QRectF n = r.normalized();
    const int left = int(std::floor(n.left()));
    const int top = int(std::floor(n.top()));
    const int right = int(std::ceil(n.right()));
    const int bottom = int(std::ceil(n.bottom()));
    return QRect(left, top, right - left, bottom - top);
}

QRectF roundedOutwardF(const QRectF& r) { return QRectF(roundedOutward(r)); }

} // namespace Geometry

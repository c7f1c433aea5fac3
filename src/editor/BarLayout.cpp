#include "editor/BarLayout.h"

#include <algorithm>

namespace BarLayout {

QRectF toolsBarFrame(const QRectF& selection, const QRectF& bounds, const QSizeF& size) {
    const double w = size.width();
    const double h = size.height();
    double x = selection.right() + gap;
    if (x + w > bounds.right() - margin)
        x = selection.left() - gap - w;
    if (x < bounds.left() + margin)
        x = selection.right() - w - gap;
    // Keeping the top on the display wins over keeping the bottom on it.
    double y = std::min(selection.top(), bounds.bottom() - margin - h);
    y = std::max(y, bounds.top() + margin);
    return {x, y, w, h};
}

QRectF actionsBarFrame(const QRectF& selection, const QRectF& bounds, const QSizeF& size) {
    const double w = size.width();
    const double h = size.height();
    double y = selection.bottom() + gap;
    if (y + h > bounds.bottom() - margin)
        y = selection.top() - gap - h;
    if (y < bounds.top() + margin)
        y = selection.bottom() - gap - h;
    // Keeping the right end on the display wins over keeping the left end on it.
    double x = std::max(selection.right() - w, bounds.left() + margin);
    x = std::min(x, bounds.right() - margin - w);
    return {x, y, w, h};
}

QRectF popupFrame(const QRectF& anchor, const QRectF& toolsBar, const QRectF& bounds,
                  const QSizeF& size) {
    const double w = size.width();
    const double h = size.height();
    double x = toolsBar.right() + popupGap;
    if (x + w > bounds.right() - margin)
        x = toolsBar.left() - popupGap - w;
    const double y = std::min(anchor.center().y() - popupRise, bounds.bottom() - margin - h);
    return {x, y, w, h};
}

} // namespace BarLayout

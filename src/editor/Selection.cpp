#include "editor/Selection.h"

#include "annotation/Geometry.h"

#include <algorithm>
#include <cmath>

namespace Selection {

std::array<std::pair<Handle, QPointF>, 8> handleCentres(const QRectF& s) {
    std::array<std::pair<Handle, QPointF>, 8> out;
    size_t i = 0;
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx == 0 && dy == 0)
                continue;
            out[i++] = {Handle{dx, dy}, QPointF(dx < 0    ? s.left()
                                                : dx == 0 ? s.center().x()
                                                          : s.right(),
                                                dy < 0    ? s.top()
                                                : dy == 0 ? s.center().y()
                                                          : s.bottom())};
        }
    }
    return out;
}

std::optional<Handle> handleAt(const QRectF& selection, QPointF p) {
    // The first within reach wins, so on a thin selection the top handle beats the bottom one.
    for (const auto& [h, centre] : handleCentres(selection)) {
        if (std::abs(centre.x() - p.x()) <= 7 && std::abs(centre.y() - p.y()) <= 7)
            return h;
    }
    return std::nullopt;
}

QRectF resized(const QRectF& o, Handle h, QPointF p) {
    const double x1 = h.dx == -1 ? p.x() : o.left();
    const double x2 = h.dx == 1 ? p.x() : o.right();
    const double y1 = h.dy == -1 ? p.y() : o.top();
    const double y2 = h.dy == 1 ? p.y() : o.bottom();
    return QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
}

QRectF moved(const QRectF& s, QPointF delta, const QRectF& bounds) {
    const double x =
        std::min(std::max(s.x() + delta.x(), bounds.left()), bounds.right() - s.width());
    const double y =
        std::min(std::max(s.y() + delta.y(), bounds.top()), bounds.bottom() - s.height());
    return QRectF(QPointF(x, y), s.size());
}

QRectF integralWithin(const QRectF& r, const QRectF& bounds) {
    const QRectF cut = Geometry::roundedOutwardF(r).intersected(bounds);
    return cut.isEmpty() ? QRectF() : cut;
}

QRectF settled(const QRectF& dragged, const std::optional<QRectF>& hoveredWindow,
               const QRectF& bounds) {
    const QRectF whole = integralWithin(dragged, bounds);
    if (whole.width() >= 3 && whole.height() >= 3)
        return whole;
    return hoveredWindow ? integralWithin(*hoveredWindow, bounds) : QRectF();
}

QPointF clampedInto(QPointF p, const QRectF& r) {
    return QPointF(std::min(std::max(p.x(), r.left()), r.right()),
                   std::min(std::max(p.y(), r.top()), r.bottom()));
}

QRectF loupeFrame(QPointF m, const QRectF& bounds) {
    constexpr double side = 125, offset = 20;
    double x = m.x() + offset;
    if (x + side > bounds.right() - 4)
        x = m.x() - offset - side;
    double y = m.y() + offset;
    if (y + side > bounds.bottom() - 24)
        y = m.y() - offset - side;
    return QRectF(x, y, side, side);
}

QPoint pixelUnder(QPointF p, QSize imageSize, const QRectF& bounds) {
    return QPoint(int(std::floor(p.x() * imageSize.width() / bounds.width())),
                  int(std::floor(p.y() * imageSize.height() / bounds.height())));
}

QRectF sizeLabelFrame(const QRectF& selection, QSizeF size, const QRectF& bounds) {
    QRectF box(QPointF(), size);
    box.moveBottomLeft(QPointF(selection.left(), selection.top() - 6));
    if (box.top() < bounds.top() + 2)
        box.moveTopLeft(selection.topLeft() + QPointF(6, 6));
    return box;
}

QRectF hintFrame(QSizeF size, const QRectF& bounds) {
    return QRectF(bounds.center().x() - size.width() / 2, bounds.top() + 90 - size.height(),
                  size.width(), size.height());
}

QRect textFieldFrame(QPointF press, int height, const QRectF& selection) {
    const double width = std::max(selection.right() - press.x(), 80.0);
    return QRect(int(std::lround(press.x())), int(std::lround(press.y() - height / 2.0)),
                 int(std::ceil(width)), height);
}

} // namespace Selection

#include "annotation/Annotation.h"

#include "annotation/Geometry.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

constexpr double textInset = 2;
// Wide enough that a text annotation never wraps.
constexpr double textBoxWidth = 4000;

double length(QPointF v) {
    return std::hypot(v.x(), v.y());
}

double distanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF d = b - a;
    const double len2 = QPointF::dotProduct(d, d);
    if (len2 <= 0)
        return length(p - a);
    const double t = std::clamp(QPointF::dotProduct(p - a, d) / len2, 0.0, 1.0);
    return length(p - (a + t * d));
}

QPen roundPen(const QColor& color, double width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Qt's raster engine fills a translucent antialiased path several times slower than an opaque
// one, which made wide marker strokes the bulk of a flattening. The shape is filled opaque into
// a layer of its own size in device pixels, and that layer is blended once at the colour's alpha.
void fillTranslucent(QPainter* painter, const QPainterPath& shape, const QColor& color) {
    const QPainterPath devicePath = painter->deviceTransform().map(shape);
    const QPaintDevice* device = painter->device();
    const double ratio = device->devicePixelRatio();
    const QRect deviceRect(0, 0, int(std::ceil(device->width() * ratio)),
                           int(std::ceil(device->height() * ratio)));
    const QRect box = devicePath.boundingRect().toAlignedRect() & deviceRect;
    if (box.isEmpty())
        return;
    QImage layer(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull()) {
        painter->fillPath(shape, color);
        return;
    }
    layer.fill(Qt::transparent);
    QPainter layerPainter(&layer);
    layerPainter.setRenderHint(QPainter::Antialiasing);
    layerPainter.translate(-box.topLeft());
    QColor opaque = color;
    opaque.setAlpha(255);
    layerPainter.fillPath(devicePath, opaque);
    layerPainter.end();
    layer.setDevicePixelRatio(ratio);

    painter->save();
    painter->resetTransform();
    painter->setOpacity(painter->opacity() * color.alphaF());
    painter->drawImage(QPointF(box.topLeft()) / ratio, layer);
    painter->restore();
}

// Strokes the polyline through pts as one path, so a translucent stroke that crosses itself is
// not darker there. QPainterPath drops a segment back onto the same point, which would leave a
// click without movement invisible; such a stroke is the round cap alone, a dot of the width.
void strokePolyline(QPainter* painter, const QList<QPointF>& pts, double width,
                    const QColor& color) {
    if (pts.isEmpty())
        return;
    const bool degenerate =
        std::all_of(pts.begin(), pts.end(), [&](QPointF q) { return q == pts.first(); });
    if (degenerate) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(color);
        painter->drawEllipse(pts.first(), width / 2, width / 2);
        return;
    }
    QPainterPath path(pts.first());
    for (qsizetype i = 1; i < pts.size(); ++i)
        path.lineTo(pts[i]);
    if (color.alpha() == 255) {
        painter->setPen(roundPen(color, width));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(path);
        return;
    }
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    fillTranslucent(painter, stroker.createStroke(path), color);
}

} // namespace

Annotation::Annotation(Tool tool, QColor color, QPointF start)
    : points{start, start}, m_tool(tool), m_color(color) {}

std::shared_ptr<Annotation> Annotation::clone() const {
    return std::make_shared<Annotation>(*this);
}

QRectF Annotation::rect() const {
    if (points.isEmpty())
        return QRectF();
    const QPointF a = points.first();
    const QPointF b = points.last();
    return QRectF(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(b.x() - a.x()),
                  std::abs(b.y() - a.y()));
}

QRectF Annotation::bounds() const {
    const QPointF first = points.isEmpty() ? QPointF() : points.first();
    switch (m_tool) {
    case Tool::pixelate:
        return rect();
    case Tool::number:
        return QRectF(first.x() - lineWidth / 2, first.y() - lineWidth / 2, lineWidth, lineWidth);
    case Tool::text: {
        const QSizeF size =
            QFontMetricsF(textFont())
                .boundingRect(QRectF(0, 0, textBoxWidth, 0), Qt::AlignLeft | Qt::AlignTop, text)
                .size();
        return QRectF(first.x(), first.y(), size.width() + 2 * textInset,
                      std::max(textHeight, size.height()));
    }
    default:
        break;
    }
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    if (!points.isEmpty()) {
        minX = maxX = first.x();
        minY = maxY = first.y();
        for (const QPointF& p : points) {
            minX = std::min(minX, p.x());
            maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
        }
    }
    // The arrow head reaches sideways well beyond the shaft's half width.
    const double pad = (m_tool == Tool::arrow ? std::max(3 * lineWidth, 10.0) : lineWidth / 2) + 1;
    return QRectF(QPointF(minX, minY), QPointF(maxX, maxY)).adjusted(-pad, -pad, pad, pad);
}

bool Annotation::isNegligible() const {
    switch (m_tool) {
    case Tool::pen:
    case Tool::marker:
    case Tool::number:
        return false;
    case Tool::text:
        return text.isEmpty();
    case Tool::line:
    case Tool::arrow:
    case Tool::rect:
    case Tool::pixelate:
        break;
    }
    const double span = points.isEmpty() ? 0 : length(points.last() - points.first());
    return span < 3;
}

void Annotation::translate(QPointF by) {
    for (QPointF& p : points)
        p += by;
}

bool Annotation::hitTest(QPointF p) const {
    const double tolerance = std::max(lineWidth / 2, 7.0);
    switch (m_tool) {
    case Tool::rect: {
        const QRectF r = rect();
        const QRectF outer = r.adjusted(-tolerance, -tolerance, tolerance, tolerance);
        const QRectF inner = r.adjusted(tolerance, tolerance, -tolerance, -tolerance);
        // A rectangle narrower than twice the tolerance has no hole: the shrunk rectangle is
        // turned over, not a smaller one.
        const bool inHole = inner.width() > 0 && inner.height() > 0 && Geometry::contains(inner, p);
        return Geometry::contains(outer, p) && !inHole;
    }
    case Tool::pen:
    case Tool::line:
    case Tool::arrow:
    case Tool::marker:
        if (points.isEmpty())
            return false;
        if (points.size() == 1)
            return length(p - points.first()) <= tolerance;
        for (qsizetype i = 1; i < points.size(); ++i) {
            if (distanceToSegment(p, points[i - 1], points[i]) <= tolerance)
                return true;
        }
        return false;
    case Tool::number: {
        const QPointF c = points.isEmpty() ? QPointF() : points.first();
        return length(p - c) <= lineWidth / 2 + 3;
    }
    case Tool::text:
    case Tool::pixelate:
        return Geometry::contains(bounds().adjusted(-3, -3, 3, 3), p);
    }
    return false;
}

void Annotation::draw(QPainter* painter) const {
    if (!painter || !painter->isActive())
        return;
    painter->save();
    painter->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    switch (m_tool) {
    case Tool::pen:
        strokePath(painter, lineWidth, m_color);
        break;
    case Tool::marker: {
        QColor translucent = m_color;
        translucent.setAlphaF(float(std::clamp(opacity, 0.0, 1.0)));
        strokePath(painter, lineWidth, translucent);
        break;
    }
    case Tool::line: {
        const QPointF a = points.isEmpty() ? QPointF() : points.first();
        const QPointF b = points.isEmpty() ? QPointF() : points.last();
        strokePolyline(painter, {a, b}, lineWidth, m_color);
        break;
    }
    case Tool::rect: {
        QPainterPath outline;
        outline.addRect(rect());
        painter->setPen(roundPen(m_color, lineWidth));
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(outline);
        break;
    }
    case Tool::arrow:
        drawArrow(painter);
        break;
    case Tool::text: {
        if (text.isEmpty())
            break;
        const QPointF origin = points.isEmpty() ? QPointF() : points.first();
        painter->setFont(textFont());
        painter->setPen(m_color);
        // Not clipped to the box: a field frame lower than the font's line must not hide text.
        painter->drawText(QRectF(origin.x() + textInset, origin.y(), textBoxWidth, textHeight),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
        break;
    }
    case Tool::number:
        drawNumber(painter);
        break;
    case Tool::pixelate:
        // Blocks stay crisp: the image is already coarse, smoothing would only blur their edges.
        painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
        if (pixelated && !pixelated->isNull())
            painter->drawImage(rect(), *pixelated);
        break;
    }
    painter->restore();
}

const QFont& Annotation::textFont() {
    static const QFont font = [] {
        QFont f;
        f.setPixelSize(18);
        f.setWeight(QFont::DemiBold);
        return f;
    }();
    return font;
}

void Annotation::strokePath(QPainter* painter, double width, const QColor& color) const {
    strokePolyline(painter, points, width, color);
}

void Annotation::drawArrow(QPainter* painter) const {
    const QPointF p0 = points.isEmpty() ? QPointF() : points.first();
    const QPointF p1 = points.isEmpty() ? QPointF() : points.last();
    const QPointF d = p1 - p0;
    const double len = length(d);
    if (len <= 1)
        return;
    const QPointF u = d / len;
    // The head keeps a readable minimum even when that makes it longer than the arrow.
    const double h = std::max(std::min(4 * lineWidth + 9, len / 2), 8.0);
    const double w = 0.42 * h;
    const QPointF b = p1 - u * h;

    strokePolyline(painter, {p0, b}, lineWidth, m_color);

    const QPolygonF head{p1, QPointF(b.x() - u.y() * w, b.y() + u.x() * w),
                         QPointF(b.x() + u.y() * w, b.y() - u.x() * w)};
    painter->setPen(Qt::NoPen);
    painter->setBrush(m_color);
    painter->drawPolygon(head);
}

void Annotation::drawNumber(QPainter* painter) const {
    const QRectF circle = bounds();
    painter->setPen(Qt::NoPen);
    painter->setBrush(m_color);
    painter->drawEllipse(circle);
    painter->setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.9f), 1.5));
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(circle);

    const QColor rgb = m_color.toRgb();
    const double luminance = 0.299 * rgb.redF() + 0.587 * rgb.greenF() + 0.114 * rgb.blueF();
    QFont font;
    // Qt takes whole pixel sizes only; 15.08 for the default badge becomes 15.
    font.setPixelSize(std::max(1, int(std::lround(lineWidth * 0.58))));
    font.setWeight(QFont::Bold);
    const QString digits = QString::number(number);
    const QFontMetricsF metrics(font);
    const double tw = metrics.horizontalAdvance(digits);
    const double th = metrics.height();
    const QPointF c = circle.center();
    painter->setFont(font);
    painter->setPen(luminance > 0.65 ? Qt::black : Qt::white);
    painter->drawText(QRectF(c.x() - tw / 2, c.y() - th / 2, tw, th),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, digits);
}

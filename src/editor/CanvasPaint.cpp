#include "editor/CanvasView.h"
#include "editor/ToolState.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <cmath>

namespace {

// The dark, translucent fill behind every label the canvas draws.
QColor panelColor(double alpha) {
    return QColor::fromRgbF(0.1f, 0.1f, 0.1f, float(alpha));
}

// Sizes are logical pixels; 10.5 cannot be a pixel size, so go through points at the device's
// own resolution, which comes out the same.
QFont sized(QFont font, double pixels, const QPaintDevice* device) {
    font.setPointSizeF(pixels * 72.0 / device->logicalDpiY());
    font.setWeight(QFont::Medium);
    return font;
}

QFont systemFont(double pixels, const QPaintDevice* device) {
    return sized(QFont(), pixels, device);
}

// Digits of equal width, so a changing number does not make its label jitter.
QFont digitsFont(double pixels, const QPaintDevice* device) {
    return sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), pixels, device);
}

// Square corners on rectangles, as drawn rectangles have (Qt's default join bevels them).
QPen rectPen(const QColor& color, double width) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

// A pen whose dash lengths are in points, whatever its width (Qt counts them in widths).
QPen dashedPen(const QColor& color, double width, double on, double off) {
    QPen pen = rectPen(color, width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setDashPattern({on / width, off / width});
    return pen;
}

// A rounded panel with one line of white text, the text's top left at the given inset.
void drawLabel(QPainter& painter, const QRectF& box, double radius, double alpha, QPointF inset,
               const QString& text, QSizeF textSize) {
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    painter.fillPath(path, panelColor(alpha));
    painter.setPen(Qt::white);
    painter.drawText(QRectF(box.topLeft() + inset, textSize), Qt::AlignLeft | Qt::AlignTop, text);
}

QSizeF textSize(const QFontMetricsF& metrics, const QString& text) {
    return {metrics.horizontalAdvance(text), metrics.height()};
}

} // namespace

void CanvasView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    if (m_selection.isEmpty()) {
        if (dragIs<Idle>())
            drawHoverHint(painter);
        drawLoupe(painter);
        return;
    }

    // Nothing of an annotation shows outside the selection, as in the flattened image.
    painter.save();
    painter.setClipRect(m_selection);
    for (const AnnotationRef& a : m_document.annotations())
        a->draw(&painter);
    if (const AnnotationRef current = m_document.current())
        current->draw(&painter);
    drawSelectedOutline(painter);
    painter.restore();

    drawSelectionFrame(painter);
    drawSizeLabel(painter);
    drawHUD(painter);
    drawLoupe(painter);
}

void CanvasView::drawHoverHint(QPainter& painter) const {
    if (m_hoveredWindow) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(rectPen(Config::leafGreen(), 2));
        painter.drawRect(m_hoveredWindow->adjusted(1, 1, -1, -1));
    }

    const QString hint = m_windowPicking
                             ? tr("Arrastra para seleccionar un área   ·   Clic en una ventana "
                                  "para capturarla   ·   Esc para cancelar")
                             : tr("Arrastra para seleccionar un área   ·   Esc para cancelar");
    painter.setFont(systemFont(14, painter.device()));
    const QSizeF size = textSize(QFontMetricsF(painter.font(), painter.device()), hint);
    const QRectF capsule = Selection::hintFrame(size + QSizeF(36, 18), bounds());
    drawLabel(painter, capsule, capsule.height() / 2, 0.8, QPointF(18, 9), hint, size);
}

void CanvasView::drawSelectedOutline(QPainter& painter) const {
    // Annotations are picked only in pointer mode; with a tool the outline would mislead.
    const AnnotationRef selected = m_document.selected();
    if (!selected || m_tools->tool())
        return;
    QPainterPath outline;
    outline.addRoundedRect(selected->bounds().adjusted(-4, -4, 4, 4), 4, 4);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawPath(outline);
    painter.setPen(dashedPen(Config::leafGreen(), 1.5, 4, 3));
    painter.drawPath(outline);
}

void CanvasView::drawSelectionFrame(QPainter& painter) const {
    // The one-point band just outside the selection: white under green dashes.
    const QRectF border = m_selection.adjusted(-0.5, -0.5, 0.5, 0.5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(rectPen(Qt::white, 1));
    painter.drawRect(border);
    painter.setPen(dashedPen(Config::leafGreen(), 1, 5, 4));
    painter.drawRect(border);

    // Out of the way while drawing, where they would only cover the stroke.
    if (dragIs<Drawing>())
        return;
    painter.setPen(rectPen(Config::leafGreen(), 1));
    painter.setBrush(Qt::white);
    for (const auto& [h, centre] : Selection::handleCentres(m_selection))
        painter.drawRect(QRectF(centre.x() - 3.5, centre.y() - 3.5, 7, 7));
}

void CanvasView::drawSizeLabel(QPainter& painter) const {
    // The selection's size in device pixels.
    const QRect pixels = m_document.flattening().pixelRect(m_selection);
    const QString text = QStringLiteral("%1 × %2").arg(pixels.width()).arg(pixels.height());
    painter.setFont(digitsFont(11, painter.device()));
    const QSizeF size = textSize(QFontMetricsF(painter.font(), painter.device()), text);
    const QRectF box = Selection::sizeLabelFrame(m_selection, size + QSizeF(12, 6), bounds());
    drawLabel(painter, box, 4, 0.85, QPointF(6, 3), text, size);
}

void CanvasView::drawHUD(QPainter& painter) const {
    if (!m_hudText)
        return;
    painter.setFont(systemFont(13, painter.device()));
    const QSizeF size = textSize(QFontMetricsF(painter.font(), painter.device()), *m_hudText);
    const QPointF centre = m_selection.center();
    const QRectF box(centre.x() - size.width() / 2 - 14, centre.y() - size.height() / 2 - 8,
                     size.width() + 28, size.height() + 16);
    drawLabel(painter, box, 8, 0.88, QPointF(14, 8), *m_hudText, size);
}

std::optional<QRectF> CanvasView::loupeRect() const {
    if (!Prefs::showLoupe() || !m_mouse || isOverBar(*m_mouse))
        return std::nullopt;
    const bool choosing =
        dragIs<Selecting>() || dragIs<Resizing>() || (dragIs<Idle>() && m_selection.isEmpty());
    if (!choosing)
        return std::nullopt;
    return Selection::loupeFrame(*m_mouse, bounds());
}

bool CanvasView::isOverBar(QPointF p) const {
    return m_bars->isOverBar(p);
}

void CanvasView::drawLoupe(QPainter& painter) const {
    const std::optional<QRectF> where = loupeRect();
    if (!where)
        return;
    const QImage& frozen = image();
    const QPoint pixel = Selection::pixelUnder(*m_mouse, frozen.size(), bounds());
    const QRectF L = *where;
    constexpr int span = 25;
    constexpr int reach = span / 2;
    const double cell = L.width() / span;
    const int px = pixel.x();
    const int py = pixel.y();
    const QRect source(px - reach, py - reach, span, span);
    const QRect inside = source.intersected(frozen.rect());

    painter.save();
    QPainterPath shape;
    shape.addRoundedRect(L, 10, 10);
    painter.setClipPath(shape);
    // Beyond the screen's edge the loupe shows black.
    painter.fillRect(L, Qt::black);
    if (!inside.isEmpty()) {
        // One crisp square per pixel, never a blur between them.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        const QRectF target(L.left() + cell * (inside.left() - source.left()),
                            L.top() + cell * (inside.top() - source.top()), cell * inside.width(),
                            cell * inside.height());
        painter.drawImage(target, frozen, inside);
    }
    painter.restore();

    // Crosshair up to the centre cell, which stays clear to show its pixel.
    const QRectF centreCell(L.center().x() - cell / 2, L.center().y() - cell / 2, cell, cell);
    QColor faint = Qt::white;
    faint.setAlphaF(0.35f);
    painter.setPen(QPen(faint, 1));
    painter.drawLine(QPointF(L.left(), L.center().y()), QPointF(centreCell.left(), L.center().y()));
    painter.drawLine(QPointF(centreCell.right(), L.center().y()),
                     QPointF(L.right(), L.center().y()));
    painter.drawLine(QPointF(L.center().x(), L.top()), QPointF(L.center().x(), centreCell.top()));
    painter.drawLine(QPointF(L.center().x(), centreCell.bottom()),
                     QPointF(L.center().x(), L.bottom()));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(rectPen(Config::leafGreen(), 1.5));
    painter.drawRect(centreCell);

    QPainterPath border;
    border.addRoundedRect(L.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawPath(border);

    // The pixel's coordinates, hanging centred under the loupe.
    const QString text = QStringLiteral("%1, %2").arg(px).arg(py);
    painter.setFont(digitsFont(10.5, painter.device()));
    const QSizeF size = textSize(QFontMetricsF(painter.font(), painter.device()), text);
    const QRectF box(L.center().x() - size.width() / 2 - 6, L.bottom() + 4, size.width() + 12,
                     size.height() + 4);
    drawLabel(painter, box, 4, 0.85, QPointF(6, 2), text, size);
}

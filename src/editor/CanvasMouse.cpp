#include "annotation/Geometry.h"
#include "editor/CanvasView.h"
#include "editor/Toolbars.h"
#include "settings/Prefs.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

QPointF clampedInto(QPointF p, const QRectF& r) {
    return QPointF(std::min(std::max(p.x(), r.left()), r.right()),
                   std::min(std::max(p.y(), r.top()), r.bottom()));
}

// The end point turned to the nearest multiple of 45° around the start, keeping its distance.
QPointF snappedTo45(QPointF start, QPointF end) {
    const QPointF d = end - start;
    const double radius = std::hypot(d.x(), d.y());
    const double step = std::numbers::pi / 4;
    const double angle = std::round(std::atan2(d.y(), d.x()) / step) * step;
    return start + QPointF(radius * std::cos(angle), radius * std::sin(angle));
}

// The integral rectangle cut to the display, or the zero rectangle when nothing remains.
QRectF integralWithin(const QRectF& r, const QRectF& bounds) {
    const QRectF cut = Geometry::roundedOutwardF(r).intersected(bounds);
    return cut.isEmpty() ? QRectF() : cut;
}

} // namespace

QPointF CanvasView::clampedToBounds(QPointF p) const {
    return clampedInto(p, bounds());
}

std::array<std::pair<CanvasView::Handle, QPointF>, 8> CanvasView::handleCentres() const {
    const QRectF s = m_selection;
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

std::optional<CanvasView::Handle> CanvasView::handle(QPointF p) const {
    // The first within reach wins, so on a thin selection the top handle beats the bottom one.
    for (const auto& [h, centre] : handleCentres()) {
        if (std::abs(centre.x() - p.x()) <= 7 && std::abs(centre.y() - p.y()) <= 7)
            return h;
    }
    return std::nullopt;
}

void CanvasView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF p = clampedToBounds(event->position());
    m_mouse = p;
    commitText();
    hidePopups();
    activateWindow();
    setFocus(Qt::MouseFocusReason);

    if (m_selection.isEmpty()) {
        startSelecting(p);
        return;
    }
    if (const std::optional<Handle> h = handle(p)) {
        m_drag.state = Drag::Resizing{*h, m_selection};
        m_bars->hideBars();
        hidePopups();
        return;
    }
    if (!Geometry::contains(m_selection, p)) {
        // An annotated area is never given up by a stray click.
        if (m_annotations.isEmpty())
            startSelecting(p);
        return;
    }
    if (m_tool) {
        beginAnnotation(*m_tool, p);
        return;
    }
    for (auto it = m_annotations.crbegin(); it != m_annotations.crend(); ++it) {
        if ((*it)->hitTest(p)) {
            m_selectedAnnotation = *it;
            m_drag.state = Drag::MovingAnnotation{p, false};
            update();
            return;
        }
    }
    m_selectedAnnotation.reset();
    m_drag.state = Drag::Moving{p};
    m_bars->hideBars();
    hidePopups();
}

void CanvasView::startSelecting(QPointF p) {
    if (onBeginSelection)
        onBeginSelection();
    m_selection = QRectF();
    m_drag.state = Drag::Selecting{p};
    m_bars->hideBars();
    hidePopups();
    selectionChanged();
}

void CanvasView::beginAnnotation(Tool tool, QPointF p) {
    if (tool == Tool::text) {
        beginText(p);
        return;
    }
    auto annotation = std::make_shared<Annotation>(tool, m_color, p);
    if (tool == Tool::pen || tool == Tool::marker || tool == Tool::number)
        annotation->points = {p};
    annotation->opacity = Prefs::markerOpacity();
    annotation->lineWidth = Prefs::size(tool);
    qint64 highest = 0;
    for (const AnnotationRef& a : std::as_const(m_annotations)) {
        if (a->tool() == Tool::number)
            highest = std::max(highest, a->number);
    }
    annotation->number = highest + 1;
    m_current = annotation;
    m_drag.state = Drag::Drawing{};
    update();
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        mouseDragged(clampedToBounds(event->position()), event->modifiers());
    else
        mouseMoved(event->position());
}

void CanvasView::mouseDragged(QPointF p, Qt::KeyboardModifiers modifiers) {
    m_mouse = p;
    if (auto* selecting = std::get_if<Drag::Selecting>(&m_drag.state)) {
        m_selection = QRectF(selecting->anchor, p).normalized();
        selectionChanged();
    } else if (auto* resizing = std::get_if<Drag::Resizing>(&m_drag.state)) {
        const QRectF o = resizing->original;
        const Handle h = resizing->handle;
        const double x1 = h.dx == -1 ? p.x() : o.left();
        const double x2 = h.dx == 1 ? p.x() : o.right();
        const double y1 = h.dy == -1 ? p.y() : o.top();
        const double y2 = h.dy == 1 ? p.y() : o.bottom();
        // Dragging an edge across the opposite one turns the rectangle over.
        m_selection = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
        selectionChanged();
    } else if (auto* moving = std::get_if<Drag::Moving>(&m_drag.state)) {
        const QPointF delta = p - moving->last;
        const double x = std::min(std::max(m_selection.x() + delta.x(), 0.0),
                                  bounds().width() - m_selection.width());
        const double y = std::min(std::max(m_selection.y() + delta.y(), 0.0),
                                  bounds().height() - m_selection.height());
        m_selection.moveTo(x, y);
        moving->last = p;
        selectionChanged();
    } else if (auto* movingAnnotation = std::get_if<Drag::MovingAnnotation>(&m_drag.state)) {
        if (!m_selectedAnnotation)
            return;
        // The snapshot waits for real movement, so a plain click leaves no undo step.
        if (!movingAnnotation->checkpointed)
            checkpoint();
        m_selectedAnnotation->translate(p - movingAnnotation->last);
        if (m_selectedAnnotation->tool() == Tool::pixelate)
            m_selectedAnnotation->pixelated = pixelate(m_selectedAnnotation->rect());
        movingAnnotation->last = p;
        movingAnnotation->checkpointed = true;
        update();
    } else if (m_drag.is<Drag::Drawing>()) {
        if (!m_current)
            return;
        QPointF q = clampedInto(p, m_selection);
        const Tool tool = m_current->tool();
        if (tool == Tool::pen || tool == Tool::marker) {
            m_current->points.append(q);
        } else if (tool == Tool::number) {
            m_current->points = {q};
        } else {
            if ((modifiers & Qt::ShiftModifier) && (tool == Tool::line || tool == Tool::arrow)) {
                const QPointF start =
                    m_current->points.isEmpty() ? QPointF() : m_current->points.first();
                q = clampedInto(snappedTo45(start, q), m_selection);
            }
            if (m_current->points.size() < 2)
                m_current->points.resize(2);
            m_current->points.last() = q;
            if (tool == Tool::pixelate)
                m_current->pixelated = pixelate(m_current->rect());
        }
        update();
    }
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    bool changed = false;
    if (m_drag.is<Drag::Selecting>() || m_drag.is<Drag::Moving>() || m_drag.is<Drag::Resizing>()) {
        m_selection = integralWithin(m_selection, bounds());
        if (m_selection.width() < 3 || m_selection.height() < 3) {
            // Too small to be meant as an area: a click, which takes the hovered window.
            m_selection = m_hoveredWindow ? integralWithin(*m_hoveredWindow, bounds()) : QRectF();
        }
        if (!m_selection.isEmpty())
            m_hoveredWindow.reset();
        changed = true;
    } else if (auto* movingAnnotation = std::get_if<Drag::MovingAnnotation>(&m_drag.state)) {
        changed = movingAnnotation->checkpointed;
    } else if (m_drag.is<Drag::None>()) {
        return;
    } else if (m_drag.is<Drag::Drawing>()) {
        if (m_current && !m_current->isNegligible()) {
            checkpoint();
            m_annotations.append(m_current);
        }
        m_current.reset();
        changed = true;
    }
    m_drag.state = Drag::None{};

    if (m_selection.isEmpty()) {
        m_bars->hideBars();
        hidePopups();
    } else {
        m_bars->showBars(m_selection, bounds());
    }
    selectionChanged();
    updateCursor(event->position());
    if (changed)
        refreshLiveCopy();
}

void CanvasView::mouseMoved(QPointF p) {
    m_mouse = p;
    updateCursor(p);
    if (m_selection.isEmpty()) {
        const auto found = std::find_if(m_windowRects.cbegin(), m_windowRects.cend(),
                                        [p](const QRectF& r) { return Geometry::contains(r, p); });
        if (found != m_windowRects.cend()) {
            if (m_hoveredWindow != *found) {
                m_hoveredWindow = *found;
                selectionChanged();
            }
        } else if (m_hoveredWindow) {
            m_hoveredWindow.reset();
            selectionChanged();
        }
    }
    repaintLoupeArea();
}

void CanvasView::leaveEvent(QEvent*) {
    m_mouse.reset();
    if (m_hoveredWindow && m_selection.isEmpty()) {
        m_hoveredWindow.reset();
        selectionChanged();
    }
    repaintLoupeArea();
}

void CanvasView::enterEvent(QEnterEvent* event) {
    updateCursor(event->position());
}

void CanvasView::repaintLoupeArea() {
    const QRectF now = loupeRect().value_or(QRectF());
    // Room beside the loupe for its border and below it for the coordinate label.
    const QRectF area = m_lastLoupeRect.united(now).adjusted(-6, -26, 6, 26);
    if (!m_lastLoupeRect.united(now).isEmpty())
        update(area.toAlignedRect());
    m_lastLoupeRect = now;
}

void CanvasView::updateCursor(QPointF p) {
    Qt::CursorShape shape = Qt::CrossCursor;
    const std::optional<Handle> h = m_selection.isEmpty() ? std::nullopt : handle(p);
    if (isOverBar(p)) {
        shape = Qt::ArrowCursor;
    } else if (h) {
        shape = h->dy == 0 ? Qt::SizeHorCursor : h->dx == 0 ? Qt::SizeVerCursor : Qt::CrossCursor;
    } else if (Geometry::contains(m_selection, p) && !m_tool) {
        const bool onAnnotation =
            std::any_of(m_annotations.cbegin(), m_annotations.cend(),
                        [p](const AnnotationRef& a) { return a->hitTest(p); });
        shape = onAnnotation ? Qt::PointingHandCursor : Qt::OpenHandCursor;
    } else if (Geometry::contains(m_selection, p) && m_tool == Tool::text) {
        shape = Qt::IBeamCursor;
    }
    setCursor(shape);
}

void CanvasView::wheelEvent(QWheelEvent* event) {
    if (!m_tool || *m_tool == Tool::text || *m_tool == Tool::pixelate)
        return;
    // Trackpads report pixel deltas, many per notch of a wheel.
    const bool precise = !event->pixelDelta().isNull();
    const double delta = precise ? event->pixelDelta().y() / 12.0 : event->angleDelta().y() / 120.0;
    m_scrollAccumulator += delta;
    const double steps = std::trunc(m_scrollAccumulator);
    if (steps == 0)
        return;
    m_scrollAccumulator -= steps;
    const Tool tool = *m_tool;
    if (tool == Tool::marker)
        setOpacity(std::round((Prefs::markerOpacity() + steps * 0.05) * 20) / 20);
    else
        setSize(Prefs::size(tool) + steps * (tool == Tool::number ? 2 : 1), tool);
}

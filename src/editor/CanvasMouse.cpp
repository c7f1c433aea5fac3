#include "annotation/Geometry.h"
#include "editor/CanvasView.h"
#include "editor/ToolState.h"
#include "editor/Toolbars.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>

void CanvasView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF p = Selection::clampedInto(event->position(), bounds());
    m_mouse = p;
    commitText();
    m_bars->hidePopups();
    // Asking again for a window that has the keyboard makes a Wayland compositor move the focus
    // away and back, and Qt loses it on the way.
    if (!isActiveWindow())
        activateWindow();
    setFocus(Qt::MouseFocusReason);

    if (m_selection.isEmpty()) {
        startSelecting(p);
        return;
    }
    if (const std::optional<Selection::Handle> h = Selection::handleAt(m_selection, p)) {
        m_drag = Resizing{*h, m_selection};
        m_bars->hideBars();
        return;
    }
    if (!Geometry::contains(m_selection, p)) {
        // An annotated area is never given up by a stray click.
        if (m_document.annotations().isEmpty())
            startSelecting(p);
        return;
    }
    if (const std::optional<Tool> tool = m_tools->tool()) {
        if (*tool == Tool::text) {
            beginText(p);
            return;
        }
        m_document.begin(*tool, m_tools->color(), p, m_tools->opacity(), m_tools->size(*tool));
        m_drag = Drawing{};
        update();
        return;
    }
    if (m_document.pick(p)) {
        m_drag = MovingAnnotation{p, false};
        update();
        return;
    }
    m_drag = Moving{p};
    m_bars->hideBars();
}

void CanvasView::startSelecting(QPointF p) {
    if (onBeginSelection)
        onBeginSelection();
    m_selection = QRectF();
    m_drag = Selecting{p};
    m_bars->hideBars();
    m_bars->hidePopups();
    selectionChanged();
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        mouseDragged(Selection::clampedInto(event->position(), bounds()), event->modifiers());
    else
        mouseMoved(event->position());
}

void CanvasView::mouseDragged(QPointF p, Qt::KeyboardModifiers modifiers) {
    m_mouse = p;
    if (auto* selecting = std::get_if<Selecting>(&m_drag)) {
        m_selection = QRectF(selecting->anchor, p).normalized();
        selectionChanged();
    } else if (auto* resizing = std::get_if<Resizing>(&m_drag)) {
        m_selection = Selection::resized(resizing->original, resizing->handle, p);
        selectionChanged();
    } else if (auto* moving = std::get_if<Moving>(&m_drag)) {
        m_selection = Selection::moved(m_selection, p - moving->last, bounds());
        moving->last = p;
        selectionChanged();
    } else if (auto* movingAnnotation = std::get_if<MovingAnnotation>(&m_drag)) {
        if (!m_document.selected())
            return;
        // The snapshot waits for real movement, so a plain click leaves no undo step.
        if (!movingAnnotation->checkpointed)
            m_document.checkpoint();
        m_document.moveSelected(p - movingAnnotation->last);
        movingAnnotation->last = p;
        movingAnnotation->checkpointed = true;
        update();
    } else if (dragIs<Drawing>()) {
        m_document.extend(p, m_selection, modifiers & Qt::ShiftModifier);
        update();
    }
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    bool changed = false;
    if (dragIs<Selecting>() || dragIs<Moving>() || dragIs<Resizing>()) {
        m_selection = Selection::settled(m_selection, m_hoveredWindow, bounds());
        if (!m_selection.isEmpty())
            m_hoveredWindow.reset();
        changed = true;
    } else if (auto* movingAnnotation = std::get_if<MovingAnnotation>(&m_drag)) {
        changed = movingAnnotation->checkpointed;
    } else if (dragIs<Idle>()) {
        return;
    } else if (dragIs<Drawing>()) {
        m_document.finish();
        changed = true;
    }
    m_drag = Idle{};

    if (m_selection.isEmpty()) {
        m_bars->hideBars();
        m_bars->hidePopups();
    } else {
        m_bars->showBars(m_selection);
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
    const std::optional<Selection::Handle> h =
        m_selection.isEmpty() ? std::nullopt : Selection::handleAt(m_selection, p);
    if (isOverBar(p)) {
        shape = Qt::ArrowCursor;
    } else if (h) {
        shape = h->dy == 0 ? Qt::SizeHorCursor : h->dx == 0 ? Qt::SizeVerCursor : Qt::CrossCursor;
    } else if (Geometry::contains(m_selection, p) && !m_tools->tool()) {
        const QList<AnnotationRef>& annotations = m_document.annotations();
        const bool onAnnotation =
            std::any_of(annotations.cbegin(), annotations.cend(),
                        [p](const AnnotationRef& a) { return a->hitTest(p); });
        shape = onAnnotation ? Qt::PointingHandCursor : Qt::OpenHandCursor;
    } else if (Geometry::contains(m_selection, p) && m_tools->tool() == Tool::text) {
        shape = Qt::IBeamCursor;
    }
    setCursor(shape);
}

void CanvasView::wheelEvent(QWheelEvent* event) {
    // Trackpads report pixel deltas, many per notch of a wheel.
    const bool precise = !event->pixelDelta().isNull();
    m_tools->scroll(precise ? event->pixelDelta().y() / 12.0 : event->angleDelta().y() / 120.0);
}

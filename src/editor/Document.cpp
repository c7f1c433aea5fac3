#include "editor/Document.h"

#include "editor/Selection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The end point turned to the nearest multiple of 45° around the start, keeping its distance.
QPointF snappedTo45(QPointF start, QPointF end) {
    const QPointF d = end - start;
    const double radius = std::hypot(d.x(), d.y());
    const double step = std::numbers::pi / 4;
    const double angle = std::round(std::atan2(d.y(), d.x()) / step) * step;
    return start + QPointF(radius * std::cos(angle), radius * std::sin(angle));
}

} // namespace

Document::Document(QImage image, QSizeF viewSize) : m_flattening(std::move(image), viewSize) {}

void Document::checkpoint() {
    QList<AnnotationRef> snapshot;
    snapshot.reserve(m_annotations.size());
    for (const AnnotationRef& a : std::as_const(m_annotations))
        snapshot.append(a->clone());
    m_undoStack.append(snapshot);
    m_redoStack.clear();
}

bool Document::undo() {
    return step(m_undoStack, m_redoStack);
}

bool Document::redo() {
    return step(m_redoStack, m_undoStack);
}

bool Document::step(QList<QList<AnnotationRef>>& from, QList<QList<AnnotationRef>>& to) {
    if (from.isEmpty())
        return false;
    to.append(m_annotations);
    m_annotations = from.takeLast();
    m_selected.reset();
    return true;
}

void Document::clear() {
    m_annotations.clear();
    m_undoStack.clear();
    m_redoStack.clear();
    m_current.reset();
    m_selected.reset();
}

AnnotationRef Document::pick(QPointF p) {
    const auto hit = std::find_if(m_annotations.crbegin(), m_annotations.crend(),
                                  [p](const AnnotationRef& a) { return a->hitTest(p); });
    m_selected = hit == m_annotations.crend() ? nullptr : *hit;
    return m_selected;
}

void Document::moveSelected(QPointF by) {
    if (!m_selected)
        return;
    m_selected->translate(by);
    if (m_selected->tool() == Tool::pixelate)
        m_selected->pixelated = m_flattening.pixelate(m_selected->rect());
}

bool Document::deleteSelected() {
    if (!m_selected || !m_annotations.contains(m_selected))
        return false;
    checkpoint();
    m_annotations.removeOne(m_selected);
    m_selected.reset();
    return true;
}

void Document::begin(Tool tool, const QColor& color, QPointF p, double opacity, double lineWidth) {
    auto annotation = std::make_shared<Annotation>(tool, color, p);
    if (tool == Tool::pen || tool == Tool::marker || tool == Tool::number)
        annotation->points = {p};
    annotation->opacity = opacity;
    annotation->lineWidth = lineWidth;
    qint64 highest = 0;
    for (const AnnotationRef& a : std::as_const(m_annotations)) {
        if (a->tool() == Tool::number)
            highest = std::max(highest, a->number);
    }
    annotation->number = highest + 1;
    m_current = annotation;
}

void Document::extend(QPointF p, const QRectF& selection, bool snap) {
    if (!m_current)
        return;
    QPointF q = Selection::clampedInto(p, selection);
    const Tool tool = m_current->tool();
    if (tool == Tool::pen || tool == Tool::marker) {
        m_current->points.append(q);
        return;
    }
    if (tool == Tool::number) {
        m_current->points = {q};
        return;
    }
    if (snap && (tool == Tool::line || tool == Tool::arrow)) {
        const QPointF start = m_current->points.isEmpty() ? QPointF() : m_current->points.first();
        q = Selection::clampedInto(snappedTo45(start, q), selection);
    }
    if (m_current->points.size() < 2)
        m_current->points.resize(2);
    m_current->points.last() = q;
    if (tool == Tool::pixelate)
        m_current->pixelated = m_flattening.pixelate(m_current->rect());
}

void Document::finish() {
    if (m_current)
        add(m_current);
    m_current.reset();
}

bool Document::add(AnnotationRef annotation) {
    if (annotation->isNegligible())
        return false;
    checkpoint();
    m_annotations.append(std::move(annotation));
    return true;
}

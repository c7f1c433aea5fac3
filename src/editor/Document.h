#pragma once

#include "annotation/Annotation.h"
#include "annotation/Flattening.h"
#include "annotation/Rendered.h"
#include "annotation/Tool.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>

#include <optional>

// What was drawn on one display: the annotations, the one being drawn (current), the one picked
// in pointer mode (selected) and the undo and redo snapshots, over the frozen image that they
// are flattened onto. Coordinates are the display's logical pixels.
class Document {
public:
    // image: the frozen display in device pixels; viewSize: the display in logical pixels.
    Document(QImage image, QSizeF viewSize);

    const Flattening& flattening() const { return m_flattening; }
    const QList<AnnotationRef>& annotations() const { return m_annotations; }
    AnnotationRef current() const { return m_current; }
    AnnotationRef selected() const { return m_selected; }

    // Keeps a copy of the annotations as they are for undo; a new change forgets the redo steps.
    void checkpoint();
    // Each returns whether there was a step to take; either drops the picked annotation.
    bool undo();
    bool redo();
    // Forgets everything drawn, with its history.
    void clear();

    // Picks the topmost annotation under p, or none.
    AnnotationRef pick(QPointF p);
    void deselect() { m_selected.reset(); }
    void moveSelected(QPointF by);
    // Removes the picked annotation after a snapshot; false when none is picked.
    bool deleteSelected();

    // Starts the current annotation at p. Badges count on from the highest one kept.
    void begin(Tool tool, const QColor& color, QPointF p, double opacity, double lineWidth);
    // Extends the current annotation to p, kept within the selection; snap turns a line or an
    // arrow to the nearest multiple of 45 degrees.
    void extend(QPointF p, const QRectF& selection, bool snap);
    // Ends the current annotation, kept after a snapshot unless it is negligible.
    void finish();
    // Adds a finished annotation (typed text) the same way; returns whether it was kept.
    bool add(AnnotationRef annotation);

    // The selection (rounded outward, cut to the display) with the annotations over it.
    std::optional<Rendered> render(const QRectF& selection) const {
        return m_flattening.render(selection, m_annotations);
    }

private:
    // Restores the last snapshot of one history, keeping the present on the other.
    bool step(QList<QList<AnnotationRef>>& from, QList<QList<AnnotationRef>>& to);

    Flattening m_flattening;
    QList<AnnotationRef> m_annotations;
    QList<QList<AnnotationRef>> m_undoStack;
    QList<QList<AnnotationRef>> m_redoStack;
    AnnotationRef m_current;
    AnnotationRef m_selected;
};

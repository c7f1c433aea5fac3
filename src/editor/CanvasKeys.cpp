#include "editor/CanvasView.h"

#include <QKeyEvent>
#include <QLineEdit>

void CanvasView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool command = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        copy();
    } else if (key == Qt::Key_Escape) {
        cancelOperation();
    } else if (!command) {
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
            deleteSelectedAnnotation();
    } else if (key == Qt::Key_C) {
        copy();
    } else if (key == Qt::Key_S) {
        saveDocument();
    } else if (key == Qt::Key_Z) {
        if (shift)
            redo();
        else
            undo();
    }
}

void CanvasView::checkpoint() {
    QList<AnnotationRef> snapshot;
    snapshot.reserve(m_annotations.size());
    for (const AnnotationRef& a : std::as_const(m_annotations))
        snapshot.append(a->clone());
    m_undoStack.append(snapshot);
    m_redoStack.clear();
}

void CanvasView::undo() {
    // While typing, undo belongs to the text being typed.
    if (m_activeField) {
        m_activeField->undo();
        return;
    }
    if (m_undoStack.isEmpty())
        return;
    QList<AnnotationRef> snapshot = m_undoStack.takeLast();
    m_redoStack.append(m_annotations);
    restore(std::move(snapshot));
}

void CanvasView::redo() {
    if (m_activeField) {
        m_activeField->redo();
        return;
    }
    if (m_redoStack.isEmpty())
        return;
    QList<AnnotationRef> list = m_redoStack.takeLast();
    m_undoStack.append(m_annotations);
    restore(std::move(list));
}

void CanvasView::restore(QList<AnnotationRef> list) {
    m_annotations = std::move(list);
    m_selectedAnnotation.reset();
    update();
    refreshLiveCopy();
}

void CanvasView::deleteSelectedAnnotation() {
    if (!m_selectedAnnotation || !m_annotations.contains(m_selectedAnnotation))
        return;
    checkpoint();
    m_annotations.removeOne(m_selectedAnnotation);
    m_selectedAnnotation.reset();
    update();
    refreshLiveCopy();
}

#include "editor/CanvasView.h"

// The toolbars and popups are not built on the canvas yet, so no point lies on one and there is
// nothing to lay out or hide.

bool CanvasView::isOverBar(QPointF) const {
    return false;
}

void CanvasView::hidePopups() {}

void CanvasView::setBarsHidden(bool) {}

void CanvasView::layoutBars() {}

#include "editor/CanvasView.h"
#include "settings/Config.h"

#include <QPainter>
#include <QPen>

void CanvasView::paintEvent(QPaintEvent*) {
    if (m_selection.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // Nothing of an annotation shows outside the selection, as in the flattened image.
    painter.save();
    painter.setClipRect(m_selection);
    for (const AnnotationRef& a : std::as_const(m_annotations))
        a->draw(&painter);
    if (m_current)
        m_current->draw(&painter);
    painter.restore();

    // The one-point band just outside the selection: white under green dashes.
    const QRectF border = m_selection.adjusted(-0.5, -0.5, 0.5, 0.5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(border);
    QPen dashes(Config::leafGreen(), 1);
    dashes.setDashPattern({5, 4});
    painter.setPen(dashes);
    painter.drawRect(border);
}

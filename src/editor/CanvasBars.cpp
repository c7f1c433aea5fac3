#include "annotation/Geometry.h"
#include "editor/BarLayout.h"
#include "editor/BarView.h"
#include "editor/CanvasView.h"
#include "editor/PaletteView.h"

#include <algorithm>

QList<QWidget*> CanvasView::allBars() const {
    QList<QWidget*> bars;
    for (QWidget* bar :
         {static_cast<QWidget*>(m_toolsBar.data()), static_cast<QWidget*>(m_actionsBar.data()),
          static_cast<QWidget*>(m_paletteBar.data())}) {
        if (bar)
            bars.append(bar);
    }
    for (PaletteView* bar : m_sizeBars)
        bars.append(bar);
    return bars;
}

bool CanvasView::isOverBar(QPointF p) const {
    const QList<QWidget*> bars = allBars();
    return std::any_of(bars.cbegin(), bars.cend(), [p](const QWidget* bar) {
        return !bar->isHidden() && Geometry::contains(QRectF(bar->geometry()), p);
    });
}

void CanvasView::hidePopups() {
    if (m_paletteBar)
        m_paletteBar->hide();
    for (PaletteView* bar : std::as_const(m_sizeBars))
        bar->hide();
}

void CanvasView::setBarsHidden(bool hidden) {
    for (QWidget* bar :
         {static_cast<QWidget*>(m_toolsBar.data()), static_cast<QWidget*>(m_actionsBar.data())}) {
        if (bar)
            bar->setHidden(hidden);
    }
}

void CanvasView::layoutBars() {
    if (m_toolsBar)
        m_toolsBar->setGeometry(
            BarLayout::toolsBarFrame(m_selection, bounds(), m_toolsBar->size()).toRect());
    if (m_actionsBar)
        m_actionsBar->setGeometry(
            BarLayout::actionsBarFrame(m_selection, bounds(), m_actionsBar->size()).toRect());
}

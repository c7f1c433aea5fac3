#include "capture/DimView.h"

#include <QPainter>

DimView::DimView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void DimView::setHole(const QRectF& hole) {
    if (hole == m_hole)
        return;
    // Only what the old and the new hole cover changes.
    const QRect dirty = m_hole.toAlignedRect() | hole.toAlignedRect();
    m_hole = hole;
    update(dirty.adjusted(-1, -1, 1, 1));
}

void DimView::paintEvent(QPaintEvent*) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addRect(QRectF(rect()));
    if (!m_hole.isEmpty())
        path.addRect(m_hole);
    QPainter painter(this);
    painter.fillPath(path, QColor::fromRgbF(0, 0, 0, alpha));
}

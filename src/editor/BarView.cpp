#include "editor/BarView.h"

#include "editor/BarButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

BarView::BarView(bool vertical, const QList<BarButton*>& buttons, QWidget* parent)
    : QWidget(parent), m_vertical(vertical), m_buttons(buttons) {
    setCursor(Qt::ArrowCursor);
    for (BarButton* button : m_buttons)
        button->setParent(this);
    arrange();
}

void BarView::arrange() {
    const int n = int(m_buttons.size());
    const int length = n * BarButton::side + 2 * padding + spacing * std::max(n - 1, 0);
    resize(m_vertical ? QSize(thickness, length) : QSize(length, thickness));
    for (int i = 0; i < n; ++i) {
        const int offset = padding + (BarButton::side + spacing) * i;
        const QPoint origin = m_vertical ? QPoint(padding, offset) : QPoint(offset, padding);
        m_buttons[i]->setGeometry(QRect(origin, QSize(BarButton::side, BarButton::side)));
    }
}

void BarView::paintPanel(QPainter& painter, const QRectF& bounds) {
    constexpr double radius = 9;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.addRoundedRect(bounds, radius, radius);
    painter.fillPath(panel, QColor::fromRgbF(0.12f, 0.12f, 0.12f, 0.94f));
    // The rim lies inside the bounds, as a layer border does.
    QColor rim = Qt::white;
    rim.setAlphaF(0.12f);
    painter.setPen(QPen(rim, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    painter.restore();
}

void BarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintPanel(painter, rect());
}

void BarView::mousePressEvent(QMouseEvent* event) {
    event->accept();
}
void BarView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}
void BarView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

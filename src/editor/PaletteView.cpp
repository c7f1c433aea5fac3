#include "editor/PaletteView.h"

#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/SliderTrack.h"

#include <QMouseEvent>
#include <QPainter>

PaletteView::PaletteView(const QList<BarButton*>& swatches, BarButton* minus, BarButton* plus,
                         SliderTrack* track, QWidget* parent)
    : QWidget(parent), m_swatches(swatches), m_track(track) {
    constexpr int side = BarButton::side;
    constexpr int padding = BarView::padding;
    const int rows = m_swatches.isEmpty() ? 1 : 2;
    const int height = rows * side + 2 * padding + BarView::spacing * (rows - 1);
    resize(panelWidth, height);
    setCursor(Qt::ArrowCursor);

    // Swatches on the top row; the slider row is always the bottom one.
    for (int i = 0; i < m_swatches.size(); ++i) {
        m_swatches[i]->setParent(this);
        m_swatches[i]->setGeometry(padding + (side + BarView::spacing) * i, padding, side, side);
    }
    const int controlsY = height - padding - side;
    minus->setParent(this);
    minus->setGeometry(padding, controlsY, side, side);
    m_track->setParent(this);
    m_track->setGeometry(padding + side, controlsY, panelWidth - 2 * (padding + side), side);
    plus->setParent(this);
    plus->setGeometry(panelWidth - padding - side, controlsY, side, side);
}

void PaletteView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    BarView::paintPanel(painter, rect());
}

void PaletteView::mousePressEvent(QMouseEvent* event) {
    event->accept();
}
void PaletteView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}
void PaletteView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

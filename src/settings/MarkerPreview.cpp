#include "settings/MarkerPreview.h"

#include "settings/Config.h"

#include <QPainter>

MarkerPreview::MarkerPreview(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
}

void MarkerPreview::setOpacity(double opacity) {
    m_opacity = opacity;
    update();
}

void MarkerPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(palette().color(QPalette::Base));
    painter.setPen(QPen(Config::separatorColor(palette()), 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

    QFont font = this->font();
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRectF(14, 0, width() - 14, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("Así se verá el texto debajo del marcador"));

    QColor ink = Config::palette().first();
    ink.setAlphaF(float(m_opacity));
    painter.setPen(QPen(ink, 16, Qt::SolidLine, Qt::RoundCap));
    const double middle = height() / 2.0;
    painter.drawLine(QPointF(60, middle), QPointF(width() - 110, middle));
}

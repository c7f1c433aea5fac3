#include "editor/SliderTrack.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

SliderTrack::SliderTrack(double lower, double upper, double step, bool tapered, QWidget* parent)
    : QWidget(parent), m_value(lower), m_lower(lower), m_upper(upper), m_step(step),
      m_tapered(tapered) {
    setCursor(Qt::ArrowCursor);
}

void SliderTrack::setValue(double value) {
    m_value = value;
    update();
}

void SliderTrack::setColor(const QColor& color) {
    m_color = color;
    update();
}

double SliderTrack::valueAt(double x) const {
    const double usable = width() - 2 * inset;
    const double f = usable > 0 ? std::clamp((x - inset) / usable, 0.0, 1.0) : 0.0;
    double v = m_lower + (m_upper - m_lower) * f;
    if (m_step > 0)
        v = std::round(v / m_step) * m_step;
    return std::clamp(v, m_lower, m_upper);
}

void SliderTrack::update(const QMouseEvent* event) {
    const double v = valueAt(event->position().x());
    if (std::abs(v - m_value) <= 0.0001)
        return;
    m_value = v;
    update();
    if (onChange)
        onChange(v);
}

void SliderTrack::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double right = width() - inset;
    const double midY = height() / 2.0;
    const double span = m_upper - m_lower;
    const double t = span > 0 ? std::clamp((m_value - m_lower) / span, 0.0, 1.0) : 0.0;
    const double knobX = inset + t * (right - inset);

    QPainterPath track;
    if (m_tapered) {
        // Thin at the low end, ten points thick at the high end.
        track.moveTo(inset, midY - 0.75);
        track.lineTo(right, midY - 5);
        track.lineTo(right, midY + 5);
        track.lineTo(inset, midY + 0.75);
        track.closeSubpath();
    } else {
        track.addRoundedRect(QRectF(6, midY - 2, right - 4, 4), 2, 2);
    }
    QColor empty = Qt::white;
    empty.setAlphaF(0.22f);
    painter.fillPath(track, empty);

    painter.save();
    painter.setClipRect(QRectF(0, 0, knobX, height()));
    painter.fillPath(track, m_color);
    painter.restore();

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(knobX, midY), 6, 6);

    if (m_tapered) {
        const double d = 2 + 7 * t;
        painter.setBrush(m_color);
        painter.drawEllipse(QPointF(knobX, midY), d / 2, d / 2);
    } else {
        QColor dot = m_color;
        dot.setAlphaF(float(std::clamp(m_value, 0.0, 1.0)));
        painter.setBrush(dot);
        painter.drawEllipse(QPointF(knobX, midY), 4, 4);
    }
}

void SliderTrack::mousePressEvent(QMouseEvent* event) {
    event->accept();
    update(event);
}

void SliderTrack::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    update(event);
}

void SliderTrack::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

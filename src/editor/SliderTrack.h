#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

class QMouseEvent;

// A horizontal slider over a closed range in fixed steps. Tapered, it draws a wedge that grows
// towards the high end (sizes); otherwise a thin bar whose knob previews the value as opacity.
class SliderTrack : public QWidget {
    Q_OBJECT

public:
    // Distance of the track's ends from the widget's sides.
    static constexpr double inset = 8;

    SliderTrack(double lower, double upper, double step, bool tapered, QWidget* parent = nullptr);

    std::function<void(double)> onChange;

    double value() const { return m_value; }
    // Shows a value set from outside; onChange is not called.
    void setValue(double value);
    void setColor(const QColor& color);

    // The value under a horizontal position in the widget: rounded to the nearest step (halves
    // away from zero) and kept inside the range.
    double valueAt(double x) const;

    // Moves the value to the pointer of a press or drag; calls onChange when it moved by more
    // than a rounding error, so dragging within one step fires nothing.
    void update(const QMouseEvent* event);
    using QWidget::update;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double m_value;
    QColor m_color = Qt::white;
    double m_lower;
    double m_upper;
    double m_step;
    bool m_tapered;
};

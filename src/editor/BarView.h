#pragma once

#include <QList>
#include <QWidget>

class BarButton;
class QPainter;

// A dark rounded strip of buttons, vertical (first button at the top) or horizontal (first at
// the left). Presses on its background stop here and never reach the canvas below.
class BarView : public QWidget {
    Q_OBJECT

public:
    static constexpr int padding = 4;
    static constexpr int spacing = 2;
    static constexpr int thickness = 38;

    BarView(bool vertical, const QList<BarButton*>& buttons, QWidget* parent = nullptr);

    bool isVertical() const { return m_vertical; }
    const QList<BarButton*>& buttons() const { return m_buttons; }

    // Sizes the strip to its buttons and positions them.
    void arrange();

    // The panel look shared with the popups: near-black fill, 9-point corners, faint rim.
    static void paintPanel(QPainter& painter, const QRectF& bounds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_vertical;
    QList<BarButton*> m_buttons;
};

#pragma once

#include <QPainterPath>
#include <QWidget>

// The dark veil over a frozen display with a clear hole where the selection is. Never takes the
// mouse: every click goes to the canvas above it.
class DimView : public QWidget {
    Q_OBJECT

public:
    explicit DimView(QWidget* parent = nullptr);

    // The hole in this view's coordinates; an empty rectangle dims everything. Takes effect at
    // once, without any transition.
    void setHole(const QRectF& hole);
    QRectF hole() const { return m_hole; }

    static constexpr double alpha = 0.45;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF m_hole;
};

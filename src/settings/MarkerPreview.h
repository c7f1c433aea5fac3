#pragma once

#include <QWidget>

// A sample line of text under a marker stroke at the marker's opacity.
class MarkerPreview : public QWidget {
    Q_OBJECT

public:
    explicit MarkerPreview(QWidget* parent = nullptr);

    double opacity() const { return m_opacity; }
    void setOpacity(double opacity);

    QSize sizeHint() const override { return {412, 40}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_opacity = 0.4;
};

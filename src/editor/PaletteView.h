#pragma once

#include <QList>
#include <QWidget>

class BarButton;
class SliderTrack;

// A popup beside the tools bar: an optional row of colour swatches over a row of minus button,
// slider and plus button. The colour palette has the swatches; a tool's size bar has none.
class PaletteView : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 198;

    PaletteView(const QList<BarButton*>& swatches, BarButton* minus, BarButton* plus,
                SliderTrack* track, QWidget* parent = nullptr);

    SliderTrack* track() const { return m_track; }
    const QList<BarButton*>& swatches() const { return m_swatches; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QList<BarButton*> m_swatches;
    SliderTrack* m_track;
};

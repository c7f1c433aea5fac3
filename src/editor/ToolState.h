#pragma once

#include "annotation/Tool.h"

#include <QColor>
#include <QObject>

#include <optional>

// What the next annotation will be: the tool (none is the pointer), its colour, the marker's
// opacity and each tool's size. Opacity and sizes live in Prefs, so they outlast the capture;
// tool and colour belong to one canvas.
class ToolState : public QObject {
    Q_OBJECT

public:
    explicit ToolState(QObject* parent = nullptr);

    std::optional<Tool> tool() const { return m_tool; }
    QColor color() const { return m_color; }
    double opacity() const;
    double size(Tool tool) const;

    void setTool(std::optional<Tool> tool);
    // A click on the tool's button, whose size bar is hidden or not.
    void toggle(Tool clicked, bool sizeBarHidden);
    void setColor(const QColor& color);
    void setOpacity(double opacity);
    // Stored as whole points within the tool's range.
    void setSize(Tool tool, double size);
    // Steps of the minus (negative) and plus buttons.
    void stepOpacity(int steps);
    void stepSize(Tool tool, int steps);
    // A turn of the wheel in notches: the marker's opacity or the tool's size moves one step per
    // whole notch; fractions (trackpads send many small ones) add up until they make one.
    void scroll(double notches);

    // The tool after a click on a tool button. A second click on the chosen tool returns to the
    // pointer, unless its size bar was closed: then the click only brings the bar back.
    static std::optional<Tool> toggled(std::optional<Tool> current, Tool clicked,
                                       bool sizeBarHidden);
    // One rule for buttons and wheel: on the slider's grid, within the range.
    static double steppedOpacity(double opacity, int steps);
    static double steppedSize(Tool tool, double size, int steps);

Q_SIGNALS:
    // Emitted on every choice, even of the chosen tool, so a click always shows its size bar.
    void toolChanged(std::optional<Tool> tool);
    void colorChanged(const QColor& color);
    // Emitted on every set, even one that changes nothing, so each press is confirmed.
    void opacityChanged(double opacity);
    void sizeChanged(Tool tool, double size);

private:
    std::optional<Tool> m_tool;
    QColor m_color;
    double m_scrollAccumulator = 0;
};

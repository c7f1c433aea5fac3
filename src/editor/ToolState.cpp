#include "editor/ToolState.h"

#include "settings/Config.h"
#include "settings/Prefs.h"

#include <algorithm>
#include <cmath>

ToolState::ToolState(QObject* parent) : QObject(parent), m_color(Config::palette().first()) {}

double ToolState::opacity() const {
    return Prefs::markerOpacity();
}

double ToolState::size(Tool tool) const {
    return Prefs::size(tool);
}

void ToolState::setTool(std::optional<Tool> tool) {
    m_tool = tool;
    Q_EMIT toolChanged(m_tool);
}

void ToolState::toggle(Tool clicked, bool sizeBarHidden) {
    setTool(toggled(m_tool, clicked, sizeBarHidden));
}

void ToolState::setColor(const QColor& color) {
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT colorChanged(color);
}

void ToolState::setOpacity(double opacity) {
    Prefs::setMarkerOpacity(opacity);
    Q_EMIT opacityChanged(this->opacity());
}

void ToolState::setSize(Tool tool, double size) {
    Prefs::setSize(std::round(size), tool);
    Q_EMIT sizeChanged(tool, this->size(tool));
}

void ToolState::stepOpacity(int steps) {
    setOpacity(steppedOpacity(opacity(), steps));
}

void ToolState::stepSize(Tool tool, int steps) {
    setSize(tool, steppedSize(tool, size(tool), steps));
}

void ToolState::scroll(double notches) {
    if (!m_tool || *m_tool == Tool::text || *m_tool == Tool::pixelate)
        return;
    m_scrollAccumulator += notches;
    const double steps = std::trunc(m_scrollAccumulator);
    if (steps == 0)
        return;
    m_scrollAccumulator -= steps;
    if (*m_tool == Tool::marker)
        stepOpacity(int(steps));
    else
        stepSize(*m_tool, int(steps));
}

std::optional<Tool> ToolState::toggled(std::optional<Tool> current, Tool clicked,
                                       bool sizeBarHidden) {
    if (!current || *current != clicked)
        return clicked;
    if (clicked.hasSizeBar() && sizeBarHidden)
        return clicked;
    return std::nullopt;
}

double ToolState::steppedOpacity(double opacity, int steps) {
    // Twenty steps per unit: the grid of the opacity slider.
    const double stepped = std::round((opacity + steps * Tool::opacityStep) * 20) / 20;
    return std::clamp(stepped, Tool::minOpacity, Tool::maxOpacity);
}

double ToolState::steppedSize(Tool tool, double size, int steps) {
    return tool.clampSize(std::round(size + steps * tool.sizeStep()));
}

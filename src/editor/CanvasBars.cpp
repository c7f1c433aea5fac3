#include "editor/CanvasView.h"
#include "editor/PaletteView.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QLineEdit>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

// A bar action that calls the canvas while it lives: a queued click may still arrive as it goes.
template <typename... Args>
std::function<void(Args...)> guarded(CanvasView* canvas, void (CanvasView::*method)(Args...)) {
    return [self = QPointer<CanvasView>(canvas), method](Args... args) {
        if (self)
            (self.data()->*method)(args...);
    };
}

} // namespace

void CanvasView::buildBars() {
    Toolbars::Actions actions;
    actions.pointerMode = guarded(this, &CanvasView::pointerMode);
    actions.toggle = guarded(this, &CanvasView::toggle);
    actions.togglePalette = guarded(this, &CanvasView::togglePalette);
    actions.undo = guarded(this, &CanvasView::undo);
    actions.redo = guarded(this, &CanvasView::redo);
    actions.pick = guarded(this, &CanvasView::pick);
    actions.setOpacity = guarded(this, &CanvasView::setOpacity);
    actions.setSize = guarded(this, &CanvasView::setSize);
    actions.recognizeText = guarded(this, &CanvasView::recognizeText);
    actions.pin = guarded(this, &CanvasView::pin);
    actions.copy = guarded(this, &CanvasView::copy);
    actions.save = guarded(this, &CanvasView::saveDocument);
    actions.close = guarded(this, &CanvasView::cancelOperation);
    actions.markerOpacity = [] { return Prefs::markerOpacity(); };
    actions.size = [](Tool tool) { return Prefs::size(tool); };
    m_bars = std::make_unique<Toolbars>(this, std::move(actions), Config::palette(), m_color,
                                        Prefs::markerOpacity());
}

bool CanvasView::isOverBar(QPointF p) const {
    return m_bars->isOverBar(p);
}

void CanvasView::hidePopups() {
    m_bars->hidePopups();
}

void CanvasView::pointerMode() {
    commitText();
    m_tool.reset();
    m_bars->showTool(std::nullopt);
    hidePopups();
    update();
}

void CanvasView::toggle(Tool tool) {
    commitText();
    m_tool = Toolbars::toggledTool(m_tool, tool, m_bars->isSizeBarHidden(tool));
    if (m_tool)
        m_selectedAnnotation.reset();
    m_bars->showTool(m_tool);
    hidePopups();
    if (m_tool && m_tool->hasSizeBar())
        m_bars->openSizeBar(*m_tool, Prefs::size(*m_tool), bounds());
    update();
}

void CanvasView::togglePalette() {
    m_bars->togglePalette(Prefs::markerOpacity(), bounds());
}

void CanvasView::pick(const QColor& color) {
    m_color = color;
    m_bars->showColor(color);
    if (m_activeField) {
        QPalette palette = m_activeField->palette();
        palette.setColor(QPalette::Text, color);
        m_activeField->setPalette(palette);
    }
    m_bars->paletteBar()->hide();
}

void CanvasView::setOpacity(double value) {
    Prefs::setMarkerOpacity(std::clamp(value, Toolbars::minOpacity, Toolbars::maxOpacity));
    m_bars->showOpacity(Prefs::markerOpacity());
    showHUD(Toolbars::opacityMessage(Prefs::markerOpacity()), false, 1.4);
}

void CanvasView::setSize(double value, Tool tool) {
    Prefs::setSize(std::round(value), tool);
    m_bars->showSize(tool, Prefs::size(tool));
    showHUD(Toolbars::sizeMessage(tool, Prefs::size(tool)), false, 1.4);
}

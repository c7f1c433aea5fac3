#include "editor/CanvasView.h"
#include "editor/PaletteView.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QLineEdit>
#include <QPointer>

#include <algorithm>
#include <cmath>

void CanvasView::buildBars() {
    // The bars live as long as the canvas, but a queued click may still arrive as it goes.
    const QPointer<CanvasView> self(this);
    Toolbars::Actions actions;
    actions.pointerMode = [self] {
        if (self)
            self->pointerMode();
    };
    actions.toggle = [self](Tool tool) {
        if (self)
            self->toggle(tool);
    };
    actions.togglePalette = [self] {
        if (self)
            self->togglePalette();
    };
    actions.undo = [self] {
        if (self)
            self->undo();
    };
    actions.redo = [self] {
        if (self)
            self->redo();
    };
    actions.pick = [self](const QColor& color) {
        if (self)
            self->pick(color);
    };
    actions.setOpacity = [self](double value) {
        if (self)
            self->setOpacity(value);
    };
    actions.setSize = [self](double value, Tool tool) {
        if (self)
            self->setSize(value, tool);
    };
    actions.recognizeText = [self] {
        if (self)
            self->recognizeText();
    };
    actions.pin = [self] {
        if (self)
            self->pin();
    };
    actions.copy = [self] {
        if (self)
            self->copy();
    };
    actions.save = [self] {
        if (self)
            self->saveDocument();
    };
    actions.close = [self] {
        if (self)
            self->cancelOperation();
    };
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

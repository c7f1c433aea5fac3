#include "editor/Toolbars.h"

#include "annotation/Geometry.h"
#include "editor/BarButton.h"
#include "editor/BarLayout.h"
#include "editor/BarView.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"
#include "editor/ToolState.h"

#include <algorithm>

namespace {

constexpr double colorSwatchDiameter = 18;
constexpr double paletteSwatchDiameter = 20;

} // namespace

Toolbars::Toolbars(QWidget* canvas, ToolState* state, const QList<QColor>& palette)
    : m_canvas(canvas), m_tools(state) {
    const QColor color = state->color();
    m_pointerButton = new BarButton(QStringLiteral("cursorarrow"),
                                    tr("Mover la selección o una anotación (⌫ la borra)"),
                                    [this] { m_tools->setTool(std::nullopt); });
    m_pointerButton->setOn(true);

    for (const Tool tool : Tool::allCases()) {
        auto* button = new BarButton(tool.symbol(), tool.tooltip(), [this, tool] {
            const PaletteView* bar = sizeBar(tool);
            m_tools->toggle(tool, !bar || bar->isHidden());
        });
        m_toolButtons.append({tool, button});
    }

    m_colorButton = new BarButton;
    m_colorButton->onClick = [this] { togglePalette(); };
    m_colorButton->setSwatch(color, colorSwatchDiameter);
    m_colorButton->commonSetup(tr("Color"));

    auto* undo = new BarButton(QStringLiteral("arrow.uturn.backward"), tr("Deshacer (Ctrl+Z)"),
                               [this] { Q_EMIT undoClicked(); });
    auto* redo = new BarButton(QStringLiteral("arrow.uturn.forward"), tr("Rehacer (Shift+Ctrl+Z)"),
                               [this] { Q_EMIT redoClicked(); });

    QList<BarButton*> tools{m_pointerButton};
    for (const auto& [tool, button] : std::as_const(m_toolButtons))
        tools.append(button);
    tools << m_colorButton << undo << redo;
    m_toolsBar = new BarView(true, tools);

    QList<BarButton*> swatches;
    for (const QColor& swatchColor : palette) {
        auto* swatch = new BarButton;
        swatch->onClick = [this, swatchColor] {
            m_paletteBar->hide();
            m_tools->setColor(swatchColor);
        };
        swatch->setSwatch(swatchColor, paletteSwatchDiameter);
        swatch->commonSetup(QString());
        swatches.append(swatch);
    }
    auto* lessOpaque = new BarButton(QStringLiteral("minus"), tr("Menos opacidad del marcador"),
                                     [this] { m_tools->stepOpacity(-1); });
    auto* moreOpaque = new BarButton(QStringLiteral("plus"), tr("Más opacidad del marcador"),
                                     [this] { m_tools->stepOpacity(+1); });
    auto* opacityTrack =
        new SliderTrack(Tool::minOpacity, Tool::maxOpacity, Tool::opacityStep, false);
    opacityTrack->setValue(state->opacity());
    m_paletteBar = new PaletteView(swatches, lessOpaque, moreOpaque, opacityTrack);
    opacityTrack->setColor(color);
    opacityTrack->setToolTip(tr("Opacidad del marcador"));
    opacityTrack->onChange = [this](double value) { m_tools->setOpacity(value); };

    m_actionsBar =
        new BarView(false, {new BarButton(QStringLiteral("text.viewfinder"),
                                          tr("Copiar el texto de la selección (OCR)"),
                                          [this] { Q_EMIT recognizeTextClicked(); }),
                            new BarButton(QStringLiteral("pin"), tr("Fijar flotando en pantalla"),
                                          [this] { Q_EMIT pinClicked(); }),
                            new BarButton(QStringLiteral("doc.on.doc"), tr("Copiar (Ctrl+C o Enter)"),
                                          [this] { Q_EMIT copyClicked(); }),
                            new BarButton(QStringLiteral("square.and.arrow.down"),
                                          tr("Guardar (Ctrl+S)"), [this] { Q_EMIT saveClicked(); }),
                            new BarButton(QStringLiteral("xmark"), tr("Cerrar (Esc)"),
                                          [this] { Q_EMIT closeClicked(); })});

    for (const Tool tool : Tool::allCases()) {
        if (!tool.hasSizeBar())
            continue;
        auto* thinner = new BarButton(QStringLiteral("minus"), tr("Más fino / pequeño"),
                                      [this, tool] { m_tools->stepSize(tool, -1); });
        auto* thicker = new BarButton(QStringLiteral("plus"), tr("Más grueso / grande"),
                                      [this, tool] { m_tools->stepSize(tool, +1); });
        auto* track = new SliderTrack(tool.minSize(), tool.maxSize(), tool.sizeStep(), true);
        track->setValue(state->size(tool));
        auto* bar = new PaletteView({}, thinner, thicker, track);
        track->setColor(color);
        track->setToolTip(tool.sizeLabel());
        track->onChange = [this, tool](double value) { m_tools->setSize(tool, value); };
        m_sizeBars.append({tool, bar});
    }

    for (QWidget* bar : allBars()) {
        bar->setParent(m_canvas);
        bar->hide();
    }

    connect(state, &ToolState::toolChanged, this, &Toolbars::showTool);
    connect(state, &ToolState::colorChanged, this, &Toolbars::showColor);
    connect(state, &ToolState::opacityChanged, this,
            [this](double opacity) { m_paletteBar->track()->setValue(opacity); });
    connect(state, &ToolState::sizeChanged, this, [this](Tool tool, double size) {
        if (PaletteView* bar = sizeBar(tool))
            bar->track()->setValue(size);
    });
}

BarButton* Toolbars::toolButton(Tool tool) const {
    for (const auto& [t, button] : m_toolButtons) {
        if (t == tool)
            return button;
    }
    return nullptr;
}

PaletteView* Toolbars::sizeBar(Tool tool) const {
    for (const auto& [t, bar] : m_sizeBars) {
        if (t == tool)
            return bar;
    }
    return nullptr;
}

QList<QWidget*> Toolbars::allBars() const {
    QList<QWidget*> bars{m_toolsBar, m_actionsBar, m_paletteBar};
    for (const auto& [tool, bar] : m_sizeBars)
        bars.append(bar);
    return bars;
}

bool Toolbars::isOverBar(QPointF point) const {
    const QList<QWidget*> bars = allBars();
    return std::any_of(bars.begin(), bars.end(), [point](const QWidget* bar) {
        return !bar->isHidden() && Geometry::contains(QRectF(bar->geometry()), point);
    });
}

QRectF Toolbars::bounds() const {
    return QRectF(m_canvas->rect());
}

void Toolbars::showBars(const QRectF& selection) {
    m_toolsBar->setGeometry(
        BarLayout::toolsBarFrame(selection, bounds(), m_toolsBar->size()).toRect());
    m_actionsBar->setGeometry(
        BarLayout::actionsBarFrame(selection, bounds(), m_actionsBar->size()).toRect());
    layoutPalette();
    m_toolsBar->show();
    m_actionsBar->show();
}

void Toolbars::hideBars() {
    m_toolsBar->hide();
    m_actionsBar->hide();
}

void Toolbars::layoutPalette() {
    place(m_paletteBar, m_colorButton);
    for (const auto& [tool, bar] : std::as_const(m_sizeBars))
        place(bar, toolButton(tool));
}

void Toolbars::place(QWidget* popup, const BarButton* anchor) {
    const QRectF anchorFrame = QRectF(anchor->geometry()).translated(m_toolsBar->pos());
    popup->setGeometry(
        BarLayout::popupFrame(anchorFrame, m_toolsBar->geometry(), bounds(), popup->size())
            .toRect());
}

void Toolbars::hidePopups() {
    m_paletteBar->hide();
    for (const auto& [tool, bar] : std::as_const(m_sizeBars))
        bar->hide();
}

void Toolbars::showTool(std::optional<Tool> tool) {
    for (const auto& [t, button] : std::as_const(m_toolButtons))
        button->setOn(tool && *tool == t);
    m_pointerButton->setOn(!tool);
    hidePopups();
    PaletteView* bar = tool ? sizeBar(*tool) : nullptr;
    if (!bar)
        return;
    bar->track()->setValue(m_tools->size(*tool));
    layoutPalette();
    bar->show();
}

void Toolbars::showColor(const QColor& color) {
    m_colorButton->setSwatch(color, colorSwatchDiameter);
    m_paletteBar->track()->setColor(color);
    for (const auto& [tool, bar] : std::as_const(m_sizeBars))
        bar->track()->setColor(color);
}

void Toolbars::togglePalette() {
    m_paletteBar->track()->setValue(m_tools->opacity());
    layoutPalette();
    for (const auto& [tool, bar] : std::as_const(m_sizeBars))
        bar->hide();
    m_paletteBar->setHidden(!m_paletteBar->isHidden());
}

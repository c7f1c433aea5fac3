#include "editor/Toolbars.h"

#include "annotation/Geometry.h"
#include "editor/BarButton.h"
#include "editor/BarLayout.h"
#include "editor/BarView.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double colorSwatchDiameter = 18;
constexpr double paletteSwatchDiameter = 20;

} // namespace

Toolbars::Toolbars(QWidget* canvas, Actions actions, const QList<QColor>& palette,
                   const QColor& color, double markerOpacity)
    : m_canvas(canvas), m_actions(std::move(actions)) {
    m_pointerButton = new BarButton(QStringLiteral("cursorarrow"),
                                    tr("Mover la selección o una anotación (⌫ la borra)"),
                                    [this] { m_actions.pointerMode(); });
    m_pointerButton->setOn(true);

    for (const Tool tool : Tool::allCases()) {
        auto* button =
            new BarButton(tool.symbol(), tool.tooltip(), [this, tool] { m_actions.toggle(tool); });
        m_toolButtons.append({tool, button});
    }

    m_colorButton = new BarButton;
    m_colorButton->onClick = [this] { m_actions.togglePalette(); };
    m_colorButton->setSwatch(color, colorSwatchDiameter);
    m_colorButton->commonSetup(tr("Color"));

    auto* undo = new BarButton(QStringLiteral("arrow.uturn.backward"), tr("Deshacer (Ctrl+Z)"),
                               [this] { m_actions.undo(); });
    auto* redo = new BarButton(QStringLiteral("arrow.uturn.forward"), tr("Rehacer (Shift+Ctrl+Z)"),
                               [this] { m_actions.redo(); });

    QList<BarButton*> tools{m_pointerButton};
    for (const auto& [tool, button] : std::as_const(m_toolButtons))
        tools.append(button);
    tools << m_colorButton << undo << redo;
    m_toolsBar = new BarView(true, tools);

    QList<BarButton*> swatches;
    for (const QColor& swatchColor : palette) {
        auto* swatch = new BarButton;
        swatch->onClick = [this, swatchColor] { m_actions.pick(swatchColor); };
        swatch->setSwatch(swatchColor, paletteSwatchDiameter);
        swatch->commonSetup(QString());
        swatches.append(swatch);
    }
    auto* lessOpaque =
        new BarButton(QStringLiteral("minus"), tr("Menos opacidad del marcador"), [this] {
            m_actions.setOpacity(steppedOpacity(m_actions.markerOpacity(), -1));
        });
    auto* moreOpaque =
        new BarButton(QStringLiteral("plus"), tr("Más opacidad del marcador"), [this] {
            m_actions.setOpacity(steppedOpacity(m_actions.markerOpacity(), +1));
        });
    auto* opacityTrack = new SliderTrack(minOpacity, maxOpacity, opacityStep, false);
    opacityTrack->setValue(markerOpacity);
    m_paletteBar = new PaletteView(swatches, lessOpaque, moreOpaque, opacityTrack);
    opacityTrack->setColor(color);
    opacityTrack->setToolTip(tr("Opacidad del marcador"));
    opacityTrack->onChange = [this](double value) { m_actions.setOpacity(value); };

    m_actionsBar =
        new BarView(false, {new BarButton(QStringLiteral("text.viewfinder"),
                                          tr("Copiar el texto de la selección (OCR)"),
                                          [this] { m_actions.recognizeText(); }),
                            new BarButton(QStringLiteral("pin"), tr("Fijar flotando en pantalla"),
                                          [this] { m_actions.pin(); }),
                            new BarButton(QStringLiteral("doc.on.doc"), tr("Copiar (Ctrl+C o Enter)"),
                                          [this] { m_actions.copy(); }),
                            new BarButton(QStringLiteral("square.and.arrow.down"),
                                          tr("Guardar (Ctrl+S)"), [this] { m_actions.save(); }),
                            new BarButton(QStringLiteral("xmark"), tr("Cerrar (Esc)"),
                                          [this] { m_actions.close(); })});

    for (const Tool tool : Tool::allCases()) {
        if (!tool.hasSizeBar())
            continue;
        auto* thinner =
            new BarButton(QStringLiteral("minus"), tr("Más fino / pequeño"), [this, tool] {
                m_actions.setSize(steppedSize(tool, m_actions.size(tool), -1), tool);
            });
        auto* thicker =
            new BarButton(QStringLiteral("plus"), tr("Más grueso / grande"), [this, tool] {
                m_actions.setSize(steppedSize(tool, m_actions.size(tool), +1), tool);
            });
        auto* track = new SliderTrack(tool.minSize(), tool.maxSize(), tool.sizeStep(), true);
        track->setValue(m_actions.size(tool));
        auto* bar = new PaletteView({}, thinner, thicker, track);
        track->setColor(color);
        track->setToolTip(tool.sizeLabel());
        track->onChange = [this, tool](double value) { m_actions.setSize(value, tool); };
        m_sizeBars.append({tool, bar});
    }

    for (QWidget* bar : allBars()) {
        bar->setParent(m_canvas);
        bar->hide();
    }
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

void Toolbars::showBars(const QRectF& selection, const QRectF& bounds) {
    layoutBars(selection, bounds);
    m_toolsBar->show();
    m_actionsBar->show();
}

void Toolbars::hideBars() {
    m_toolsBar->hide();
    m_actionsBar->hide();
}

void Toolbars::layoutBars(const QRectF& selection, const QRectF& bounds) {
    m_toolsBar->setGeometry(
        BarLayout::toolsBarFrame(selection, bounds, m_toolsBar->size()).toRect());
    m_actionsBar->setGeometry(
        BarLayout::actionsBarFrame(selection, bounds, m_actionsBar->size()).toRect());
    layoutPalette(bounds);
}

void Toolbars::layoutPalette(const QRectF& bounds) {
    place(m_paletteBar, m_colorButton, bounds);
    for (const auto& [tool, bar] : std::as_const(m_sizeBars))
        place(bar, toolButton(tool), bounds);
}

void Toolbars::place(QWidget* popup, const BarButton* anchor, const QRectF& bounds) {
    const QRectF anchorFrame = QRectF(anchor->geometry()).translated(m_toolsBar->pos());
    popup->setGeometry(
        BarLayout::popupFrame(anchorFrame, m_toolsBar->geometry(), bounds, popup->size()).toRect());
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
}

void Toolbars::showColor(const QColor& color) {
    m_colorButton->setSwatch(color, colorSwatchDiameter);
    m_paletteBar->track()->setColor(color);
    for (const auto& [tool, bar] : std::as_const(m_sizeBars))
        bar->track()->setColor(color);
}

void Toolbars::showOpacity(double opacity) {
    m_paletteBar->track()->setValue(opacity);
}

void Toolbars::showSize(Tool tool, double size) {
    if (PaletteView* bar = sizeBar(tool))
        bar->track()->setValue(size);
}

void Toolbars::openSizeBar(Tool tool, double size, const QRectF& bounds) {
    PaletteView* bar = sizeBar(tool);
    if (!bar)
        return;
    bar->track()->setValue(size);
    layoutPalette(bounds);
    bar->show();
}

void Toolbars::togglePalette(double opacity, const QRectF& bounds) {
    showOpacity(opacity);
    layoutPalette(bounds);
    for (const auto& [tool, bar] : std::as_const(m_sizeBars))
        bar->hide();
    m_paletteBar->setHidden(!m_paletteBar->isHidden());
}

bool Toolbars::isSizeBarHidden(Tool tool) const {
    const PaletteView* bar = sizeBar(tool);
    return !bar || bar->isHidden();
}

std::optional<Tool> Toolbars::toggledTool(std::optional<Tool> current, Tool clicked,
                                          bool sizeBarHidden) {
    if (!current || *current != clicked)
        return clicked;
    if (clicked.hasSizeBar() && sizeBarHidden)
        return clicked;
    return std::nullopt;
}

double Toolbars::steppedOpacity(double opacity, int direction) {
    // Twenty steps per unit: the grid of the opacity slider.
    const double stepped = std::round((opacity + direction * opacityStep) * 20) / 20;
    return std::clamp(stepped, minOpacity, maxOpacity);
}

double Toolbars::steppedSize(Tool tool, double size, int direction) {
    return tool.clampSize(std::round(size + direction * tool.sizeStep()));
}

QString Toolbars::opacityMessage(double opacity) {
    return tr("Opacidad del marcador: %1 %").arg(std::lround(opacity * 100));
}

QString Toolbars::sizeMessage(Tool tool, double size) {
    return tool.sizeLabel() + QStringLiteral(": ") + QString::number(std::lround(size)) +
           QStringLiteral(" px");
}

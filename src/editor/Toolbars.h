#pragma once

#include "annotation/Tool.h"

#include <QColor>
#include <QCoreApplication>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <optional>

class BarButton;
class BarView;
class PaletteView;
class QWidget;

// The canvas's two toolbars and their popups: built once as hidden children of the canvas, laid
// out around the selection, and updated to show the canvas's tool, colour, opacity and sizes.
// What a button does is the canvas's business: every action comes in through Actions.
class Toolbars {
    Q_DECLARE_TR_FUNCTIONS(Toolbars)

public:
    // What the controls ask of the canvas; every one must be set.
    struct Actions {
        std::function<void()> pointerMode;
        std::function<void(Tool)> toggle;
        std::function<void()> togglePalette;
        std::function<void()> undo;
        std::function<void()> redo;
        std::function<void(const QColor&)> pick;
        std::function<void(double)> setOpacity;
        std::function<void(double, Tool)> setSize;
        std::function<void()> recognizeText;
        std::function<void()> pin;
        std::function<void()> copy;
        std::function<void()> save;
        std::function<void()> close;
        // Read at each minus or plus click, so a step starts from the stored setting.
        std::function<double()> markerOpacity;
        std::function<double(Tool)> size;
    };

    static constexpr double opacityStep = 0.05;
    static constexpr double minOpacity = 0.1;
    static constexpr double maxOpacity = 1.0;

    // Builds every bar and popup, hidden, as children of the canvas. The swatches follow the
    // palette's order; color is the canvas's current colour.
    Toolbars(QWidget* canvas, Actions actions, const QList<QColor>& palette, const QColor& color,
             double markerOpacity);

    BarButton* pointerButton() const { return m_pointerButton; }
    const QList<QPair<Tool, BarButton*>>& toolButtons() const { return m_toolButtons; }
    BarButton* toolButton(Tool tool) const;
    BarButton* colorButton() const { return m_colorButton; }
    BarView* toolsBar() const { return m_toolsBar; }
    BarView* actionsBar() const { return m_actionsBar; }
    PaletteView* paletteBar() const { return m_paletteBar; }
    const QList<QPair<Tool, PaletteView*>>& sizeBars() const { return m_sizeBars; }
    // The tool's size bar; null for the tools without one.
    PaletteView* sizeBar(Tool tool) const;
    // Tools bar, actions bar, palette, then the size bars in tool order.
    QList<QWidget*> allBars() const;
    // Whether a canvas point lies on a bar or popup that is not hidden.
    bool isOverBar(QPointF point) const;

    // Places both bars around the selection and shows them, then places the popups.
    void showBars(const QRectF& selection, const QRectF& bounds);
    void hideBars();
    void layoutBars(const QRectF& selection, const QRectF& bounds);
    void layoutPalette(const QRectF& bounds);
    void place(QWidget* popup, const BarButton* anchor, const QRectF& bounds);
    void hidePopups();

    // Marks the chosen tool's button, or the pointer's when there is none.
    void showTool(std::optional<Tool> tool);
    // The colour button's swatch and every slider follow the canvas's colour.
    void showColor(const QColor& color);
    void showOpacity(double opacity);
    void showSize(Tool tool, double size);
    // The tool's size bar, showing the size, beside its button.
    void openSizeBar(Tool tool, double size, const QRectF& bounds);
    // Opens the palette showing the opacity, or closes it; size bars close either way.
    void togglePalette(double opacity, const QRectF& bounds);
    bool isSizeBarHidden(Tool tool) const;

    // The tool after a click on a tool button. A second click on the chosen tool returns to the
    // pointer, unless its size bar was closed: then the click only brings the bar back.
    static std::optional<Tool> toggledTool(std::optional<Tool> current, Tool clicked,
                                           bool sizeBarHidden);
    // The opacity after the minus (-1) or plus (+1) button: one step, on the step grid, in range.
    static double steppedOpacity(double opacity, int direction);
    // The size after the minus (-1) or plus (+1) button, as stored: whole points, in range.
    static double steppedSize(Tool tool, double size, int direction);

    // Confirmation messages of the canvas's HUD.
    static QString opacityMessage(double opacity);
    static QString sizeMessage(Tool tool, double size);

private:
    QWidget* m_canvas;
    Actions m_actions;
    BarButton* m_pointerButton = nullptr;
    QList<QPair<Tool, BarButton*>> m_toolButtons;
    BarButton* m_colorButton = nullptr;
    BarView* m_toolsBar = nullptr;
    BarView* m_actionsBar = nullptr;
    PaletteView* m_paletteBar = nullptr;
    QList<QPair<Tool, PaletteView*>> m_sizeBars;
};

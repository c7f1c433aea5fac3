#pragma once

#include "annotation/Tool.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointF>
#include <QRectF>

#include <optional>

class BarButton;
class BarView;
class PaletteView;
class QWidget;
class ToolState;

// The canvas's two toolbars and their popups: built once as hidden children of the canvas and
// laid out around the selection. Tool, colour, opacity and size controls call the ToolState and
// show its changes; the other buttons are signals for the canvas.
class Toolbars : public QObject {
    Q_OBJECT

public:
    // Builds every bar and popup, hidden, as children of the canvas. The swatches follow the
    // palette's order.
    Toolbars(QWidget* canvas, ToolState* tools, const QList<QColor>& palette);

    // Whether a canvas point lies on a bar or popup that is not hidden.
    bool isOverBar(QPointF point) const;

    // Places both bars around the selection and shows them, then places the popups.
    void showBars(const QRectF& selection);
    void hideBars();
    void hidePopups();
    // Opens the palette showing the opacity, or closes it; size bars close either way.
    void togglePalette();

Q_SIGNALS:
    void undoClicked();
    void redoClicked();
    void recognizeTextClicked();
    void pinClicked();
    void copyClicked();
    void saveClicked();
    void closeClicked();

private:
    BarButton* toolButton(Tool tool) const;
    // The tool's size bar; null for the tools without one.
    PaletteView* sizeBar(Tool tool) const;
    // Tools bar, actions bar, palette, then the size bars in tool order.
    QList<QWidget*> allBars() const;
    QRectF bounds() const;
    void layoutPalette();
    void place(QWidget* popup, const BarButton* anchor);
    // Marks the chosen tool's button, or the pointer's, and opens the tool's size bar.
    void showTool(std::optional<Tool> tool);
    // The colour button's swatch and every slider follow the colour.
    void showColor(const QColor& color);

    QWidget* m_canvas;
    ToolState* m_tools;
    BarButton* m_pointerButton = nullptr;
    QList<QPair<Tool, BarButton*>> m_toolButtons;
    BarButton* m_colorButton = nullptr;
    BarView* m_toolsBar = nullptr;
    BarView* m_actionsBar = nullptr;
    PaletteView* m_paletteBar = nullptr;
    QList<QPair<Tool, PaletteView*>> m_sizeBars;
};

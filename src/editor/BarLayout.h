#pragma once

#include <QRectF>
#include <QSizeF>

// Where the toolbars and their popups go, in canvas points (top-left origin). Pure rules, so
// every fallback can be checked without widgets.
namespace BarLayout {

// Gap between the selection and a bar.
inline constexpr double gap = 8;
// Closest a bar or popup comes to the display's edges.
inline constexpr double margin = 4;
// Gap between the tools bar and a popup.
inline constexpr double popupGap = 6;
// How far a popup's top edge lies above its anchor button's centre: half a button plus the
// popup's padding, so its top row of buttons is level with the anchor.
inline constexpr double popupRise = 19;

// The vertical tools bar: right of the selection, else left of it, else inside along its right
// edge; its top level with the selection's top, kept on the display.
QRectF toolsBarFrame(const QRectF& selection, const QRectF& bounds, const QSizeF& size);

// The horizontal actions bar: below the selection, else above it, else inside along its bottom
// edge; its right end level with the selection's right edge, kept on the display.
QRectF actionsBarFrame(const QRectF& selection, const QRectF& bounds, const QSizeF& size);

// A popup beside the tools bar (right of it, else left), its top row level with the anchor
// button (given in canvas coordinates), kept above the display's bottom edge.
QRectF popupFrame(const QRectF& anchor, const QRectF& toolsBar, const QRectF& bounds,
                  const QSizeF& size);

} // namespace BarLayout

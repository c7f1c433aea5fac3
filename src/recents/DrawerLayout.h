#pragma once

#include <QPointF>
#include <QRect>
#include <QSize>

#include <optional>

// Where the recents drawer and its header parts go, in points with Qt's top-left origin. Pure
// rules, so every width and fallback can be checked without widgets.
namespace DrawerLayout {

inline constexpr QSize tileSize{210, 150};
// A tile and the gap after it.
inline constexpr int tileStep = 222;
inline constexpr int panelHeight = 212;
// The panel's inner margin, around the tiles and at both ends of the header.
inline constexpr int inset = 16;
// Between the panel's bottom edge and the bottom of the screen's visible area.
inline constexpr int bottomGap = 14;
// How far below its final place the panel starts, and how far it sinks when it closes.
inline constexpr int slide = panelHeight + 30;
// Where the thumbnail is fitted inside a tile, and the bottom of the caption's line.
inline constexpr QRect tileImageArea{8, 8, 194, 114};
inline constexpr int captionBottom = 141;

// The strip of tiles: at least 640 points, so the empty message and the header have room.
int contentWidth(int entries);
// The content and its margins, but never wider than the visible area less 20 points each side.
int panelWidth(int entries, int visibleWidth);
// Centred at the bottom of the visible area, 14 points above its edge.
QRect finalFrame(const QRect& visible, int width);

struct Header {
    QRect title;
    std::optional<QRect> clearButton;
    // Narrowed to the room left by the title, and absent below 80 points of it.
    std::optional<QRect> search;
    // Absent where it would come within 12 points of the title.
    std::optional<QRect> hint;
};
// The title at the left; "Vaciar" and the search field (when there are entries) and the hint
// right-aligned after it, in that order from the right.
Header header(int width, QSize title, QSize hint, std::optional<QSize> clearButton,
              std::optional<QSize> search = std::nullopt);

// The tiles' scrolling strip, and the empty message centred in the panel.
QRect stripFrame(int width);
QRect emptyMessageFrame(int width, QSize message);

// A press that has moved more than 4 points is a drag; up to that, its release is a click.
bool startsDrag(QPointF moved);

// The thumbnail of the given pixel size scaled to fit the tile's image area and centred in it.
QRectF imageFrame(QSizeF image);

} // namespace DrawerLayout

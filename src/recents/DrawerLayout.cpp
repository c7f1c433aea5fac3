#include "recents/DrawerLayout.h"

#include <algorithm>
#include <cmath>

namespace DrawerLayout {

namespace {
constexpr int minimumContentWidth = 640;
constexpr int screenMargin = 20;
constexpr int headerGap = 12;
// Bottoms of the header's parts, measured from the panel's top.
constexpr int titleBottom = panelHeight - 180;
constexpr int clearButtonBottom = panelHeight - 177;
constexpr int hintBottom = panelHeight - 181;
constexpr int emptyMessageBottom = panelHeight - 83;
} // namespace

int contentWidth(int entries) {
    return std::max(minimumContentWidth, entries * tileStep - (tileStep - tileSize.width()));
}

int panelWidth(int entries, int visibleWidth) {
    return std::min(contentWidth(entries) + 2 * inset, visibleWidth - 2 * screenMargin);
}

QRect finalFrame(const QRect& visible, int width) {
    const int x = visible.x() + visible.width() / 2 - width / 2;
    const int y = visible.y() + visible.height() - bottomGap - panelHeight;
    return QRect(x, y, width, panelHeight);
}

Header header(int width, QSize title, QSize hint, std::optional<QSize> clearButton,
              std::optional<QSize> search) {
    Header placed;
    placed.title = QRect(QPoint(inset, titleBottom - title.height()), title);
    int right = width - inset;
    if (clearButton) {
        placed.clearButton =
            QRect(QPoint(right - clearButton->width(), clearButtonBottom - clearButton->height()),
                  *clearButton);
        right = placed.clearButton->x() - headerGap;
    }
    const int titleRight = placed.title.x() + placed.title.width();
    if (search) {
        constexpr int narrowestSearch = 80;
        const int room = std::min(search->width(), right - titleRight - headerGap);
        if (room >= narrowestSearch) {
            placed.search = QRect(QPoint(right - room, clearButtonBottom - search->height()),
                                  QSize(room, search->height()));
            right = placed.search->x() - headerGap;
        }
    }
    const QRect hintFrame(QPoint(right - hint.width(), hintBottom - hint.height()), hint);
    if (titleRight + headerGap < hintFrame.x())
        placed.hint = hintFrame;
    return placed;
}

QRect stripFrame(int width) {
    return QRect(inset, panelHeight - inset - tileSize.height(), width - 2 * inset,
                 tileSize.height());
}

QRect emptyMessageFrame(int width, QSize message) {
    return QRect(QPoint((width - message.width()) / 2, emptyMessageBottom - message.height()),
                 message);
}

bool startsDrag(QPointF moved) {
    constexpr double dragDistance = 4;
    return std::hypot(moved.x(), moved.y()) > dragDistance;
}

QRectF imageFrame(QSizeF image) {
    if (image.width() <= 0 || image.height() <= 0)
        return {};
    const QRectF area(tileImageArea);
    const double scale = std::min(area.width() / image.width(), area.height() / image.height());
    const QSizeF fitted = image * scale;
    return QRectF(area.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
}

} // namespace DrawerLayout

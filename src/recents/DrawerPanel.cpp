#include "recents/DrawerPanel.h"

#include "platform/X11.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal cornerRadius = 16;

// Without a compositing manager translucent pixels show black on X11.
bool compositing() {
    xcb_connection_t* c = X11::connection();
    if (!c)
        return true;
    const xcb_atom_t manager = X11::atom("_NET_WM_CM_S0");
    X11::Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, manager), nullptr));
    return owner && owner->owner != XCB_NONE;
}

} // namespace

// Past the window manager, like the overlays: it would otherwise place the panel itself, keep it
// on screen instead of sliding it up from below, and decorate it.
DrawerPanel::DrawerPanel()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint) {
    setObjectName(QStringLiteral("RecentDrawer"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::StrongFocus);
}

void DrawerPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromRgbF(0.11, 0.11, 0.12, 0.92));
    p.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.12), 1));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    if (!m_painted) {
        m_painted = true;
        Q_EMIT shown();
    }
}

void DrawerPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        Q_EMIT escapePressed();
    else
        QWidget::keyPressEvent(event);
}

void DrawerPanel::resizeEvent(QResizeEvent*) {
    // Cut the corners off where they cannot be see-through.
    if (compositing())
        return;
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

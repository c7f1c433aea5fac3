#include "recents/DrawerPanel.h"

#include "platform/X11.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal cornerRadius = 16;

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
    X11::roundCornersUncomposited(this, cornerRadius);
}

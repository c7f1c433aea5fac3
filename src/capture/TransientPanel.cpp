#include "capture/TransientPanel.h"

#include "annotation/Geometry.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

TransientPanel::TransientPanel(QColor background)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                           Qt::NoDropShadowWindowHint),
      m_background(background) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
}

void TransientPanel::showAt(QScreen* screen, const QRect& rect) {
    setGeometry(rect);
    // Created before showing so the window lands on the screen asked for, not the primary one.
    winId();
    if (QWindow* window = windowHandle())
        window->setScreen(screen);
    setGeometry(rect);
    show();
}

void TransientPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(m_background);
    p.drawRoundedRect(rect(), m_cornerRadius, m_cornerRadius);
}

QScreen* screenUnderPointer() {
    const QPoint pointer = QCursor::pos();
    for (QScreen* screen : QGuiApplication::screens())
        if (Geometry::contains(screen->geometry(), pointer))
            return screen;
    return QGuiApplication::primaryScreen();
}

#include "capture/OverlayWindow.h"

#include "capture/DimView.h"
#include "capture/Trace.h"
#include "capture/VeiledFrame.h"
#include "editor/CanvasView.h"
#include "platform/X11.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {
constexpr int maxGrabAttempts = 50;
constexpr int grabRetryMs = 20;
} // namespace

OverlayWindow::OverlayWindow(const Shot& shot)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint),
      m_screen(shot.screen), m_frame(shot.screen ? shot.screen->geometry() : QRect()),
      m_image(shot.image) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Qt repaints a window whose palette differs between active and inactive when it gains
    // focus: a second full 4K frame right after the first, for colours the overlay never uses.
    QPalette same = palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = QPalette::ColorRole(role);
        same.setBrush(QPalette::Inactive, r, same.brush(QPalette::Active, r));
    }
    setPalette(same);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);

    m_dim = new DimView(this);
    m_dim->setGeometry(QRect(QPoint(0, 0), m_frame.size()));
    m_canvas = new CanvasView(QRect(QPoint(0, 0), m_frame.size()), m_image, this);
    m_canvas->installEventFilter(this);
    connect(m_canvas, &CanvasView::holeChanged, m_dim, &DimView::setHole);
    m_dim->setHole(QRectF());

    // The native window must be made on the shot's display, or Qt places it with the scale of
    // whichever display it picks first.
    setGeometry(m_frame);
    create();
    if (m_screen)
        windowHandle()->setScreen(m_screen);
    setGeometry(m_frame);
}

OverlayWindow::~OverlayWindow() = default;

void OverlayWindow::prepare() {
    // Qt's Wayland client sets up EGL (a driver, or llvmpipe with LLVM) when it shows the first
    // window of the process, even a frameless raster one, to learn whether it could draw window
    // frames: 0.05-0.2 s here that would land between the grab and the overlays. This query sets it
    // up now. On X11 it would load GLX for nothing.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        QOpenGLContext::supportsThreadedOpenGL();
}

void OverlayWindow::showFrozen() {
    // A Wayland client cannot place its windows: a full-screen window on the shot's output is
    // the only way to cover it exactly.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        showFullScreen();
        return;
    }
    show();
    // On X11 the server puts the veiled image on the window at once; Qt's first paint, the
    // hint and the loupe follow on identical pixels.
    if (VeiledFrame::put(winId(), m_image, qRound(DimView::alpha * 255)))
        markPainted();
}

void OverlayWindow::markPainted() {
    if (m_painted)
        return;
    m_painted = true;
    if (m_wantsKeys)
        grabKeys(maxGrabAttempts);
    if (auto first = std::exchange(onFirstPaint, nullptr))
        first();
}

void OverlayWindow::makeKey() {
    raise();
    m_wantsKeys = QGuiApplication::platformName() == QLatin1String("xcb");
    // A Wayland compositor gives the keyboard to the window the pointer is on; asking for it
    // makes it move the focus away and back, and Qt loses it on the way.
    if (m_wantsKeys)
        activateWindow();
    m_canvas->setFocus(Qt::ActiveWindowFocusReason);
    if (m_wantsKeys && m_painted)
        grabKeys(maxGrabAttempts);
}

void OverlayWindow::grabKeys(int attemptsLeft) {
    // X refuses a grab on a window that is not mapped yet, and while another client (a window
    // manager menu, the key press that started us) still holds the keyboard: try again shortly.
    if (!m_wantsKeys || !windowHandle() || windowHandle()->setKeyboardGrabEnabled(true))
        return;
    if (attemptsLeft > 1) {
        QTimer::singleShot(grabRetryMs, this, [this, attemptsLeft] { grabKeys(attemptsLeft - 1); });
    }
}

void OverlayWindow::releaseKeys() {
    if (m_wantsKeys && windowHandle())
        windowHandle()->setKeyboardGrabEnabled(false);
    m_wantsKeys = false;
}

bool OverlayWindow::eventFilter(QObject* watched, QEvent* event) {
    // A click on another display's overlay makes that one take the keys, as a click on a panel
    // makes it the key window.
    if (watched == m_canvas && event->type() == QEvent::MouseButtonPress &&
        QGuiApplication::focusWindow() != windowHandle())
        makeKey();
    return QWidget::eventFilter(watched, event);
}

void OverlayWindow::paintEvent(QPaintEvent* event) {
    if (!m_painted)
        Trace::mark("overlay painting");
    QPainter painter(this);
    // The image carries the display's ratio, so its device pixels land one to one.
    painter.drawImage(event->rect(), m_image,
                      QRectF(QPointF(event->rect().topLeft()) * m_image.devicePixelRatio(),
                             QSizeF(event->rect().size()) * m_image.devicePixelRatio()));
    if (m_painted)
        return;
    // The frame reaches the server after this paint returns; once the server has answered a
    // later request, the display shows it.
    QTimer::singleShot(0, this, [this] {
        X11::sync();
        markPainted();
    });
}

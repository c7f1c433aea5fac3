#include "pinned/PinnedCapture.h"

#include "capture/CaptureController.h"
#include "capture/Output.h"
#include "capture/Toast.h"
#include "platform/X11.h"
#include "settings/Config.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QList<PinnedCapture*>& openWindows() {
    static QList<PinnedCapture*> windows;
    return windows;
}

constexpr double cornerRadius = 6;

} // namespace

PinnedCapture::PinnedCapture(Rendered rendered, const QRect& frame)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      m_rendered(std::move(rendered)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(tr("Captura fijada"));
    m_view = new PinnedView(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setGeometry(frame);
}

PinnedCapture* PinnedCapture::pin(const Rendered& rendered, const QRect& frame) {
    auto* window = new PinnedCapture(rendered, frame);
    openWindows().append(window);
    window->show();
    return window;
}

const QList<PinnedCapture*>& PinnedCapture::open() {
    return openWindows();
}

void PinnedCapture::dismiss() {
    hide();
    openWindows().removeAll(this);
    deleteLater();
}

void PinnedCapture::copyImage() {
    QPointer<PinnedCapture> self(this);
    Output::deliver(m_rendered, true, std::nullopt, false, [self](const Status&) {
        Toast::show(tr("Copiado al portapapeles"), self ? self->screen() : nullptr);
    });
}

void PinnedCapture::resizeEvent(QResizeEvent*) {
    X11::roundCornersUncomposited(this, cornerRadius);
}

double PinnedCapture::wheelFactor(double delta, bool precise) {
    const double k = delta / (precise ? 200.0 : 20.0);
    return k <= -0.2 ? 0.8 : 1 + std::min(k, 0.2);
}

double PinnedCapture::zoomedWidth(double width, double factor, double captured) {
    return std::min(std::max(factor * width, 0.2 * captured), 3.0 * captured);
}

void PinnedCapture::zoom(double factor) {
    const QSizeF captured = m_rendered.pointSize;
    if (captured.isEmpty())
        return;
    const double width = zoomedWidth(geometry().width(), factor, captured.width());
    const QSizeF size(width, captured.height() * width / captured.width());
    const QPointF centre = QRectF(geometry()).center();
    setGeometry(QRectF(centre - QPointF(size.width(), size.height()) / 2, size).toRect());
}

PinnedView::PinnedView(PinnedCapture* panel) : QWidget(panel), m_panel(panel) {
    m_image = panel->rendered().image;
    m_image.setDevicePixelRatio(panel->rendered().scale());
    setToolTip(tr("Arrastra para mover · rueda para cambiar el tamaño · doble clic para cerrar · "
                  "clic derecho para más"));
}

void PinnedView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.save();
    painter.setClipPath(outline);
    painter.drawImage(QRectF(rect()), m_image);
    painter.restore();
    QColor border = m_hovering ? Config::leafGreen() : QColor(255, 255, 255);
    if (!m_hovering)
        border.setAlphaF(0.35);
    painter.setPen(QPen(border, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), cornerRadius,
                            cornerRadius);
}

void PinnedView::enterEvent(QEnterEvent*) {
    m_hovering = true;
    update();
}

void PinnedView::leaveEvent(QEvent*) {
    m_hovering = false;
    update();
}

void PinnedView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_grab = event->globalPosition().toPoint() - m_panel->geometry().topLeft();
}

void PinnedView::mouseMoveEvent(QMouseEvent* event) {
    if (m_grab && (event->buttons() & Qt::LeftButton))
        m_panel->move(event->globalPosition().toPoint() - *m_grab);
}

void PinnedView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_panel->dismiss();
}

void PinnedView::wheelEvent(QWheelEvent* event) {
    const bool precise = !event->pixelDelta().isNull();
    const double delta = precise ? event->pixelDelta().y() : event->angleDelta().y() / 120.0;
    if (delta != 0)
        m_panel->zoom(PinnedCapture::wheelFactor(delta, precise));
    event->accept();
}

void PinnedView::contextMenuEvent(QContextMenuEvent* event) {
    QPointer<PinnedCapture> panel(m_panel);
    QMenu menu(this);
    menu.addAction(tr("Copiar"), this, [panel] {
        if (panel)
            panel->copyImage();
    });
    menu.addAction(tr("Guardar…"), this, [panel] {
        if (panel)
            CaptureController::shared().save(panel->rendered());
    });
    menu.addAction(tr("Cerrar"), this, [panel] {
        if (panel)
            panel->dismiss();
    });
    menu.exec(event->globalPos());
}

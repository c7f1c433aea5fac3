#include "editor/BarButton.h"

#include "editor/Icons.h"
#include "settings/Config.h"

#include <QPainter>
#include <QPainterPath>

BarButton::BarButton(QWidget* parent) : QAbstractButton(parent) {
    resize(side, side);
}

BarButton::BarButton(const QString& symbol, const QString& tooltip, std::function<void()> onClick,
                     QWidget* parent)
    : BarButton(parent) {
    this->onClick = std::move(onClick);
    m_symbol = symbol;
    setAccessibleName(tooltip);
    commonSetup(tooltip);
}

void BarButton::setOn(bool on) {
    if (m_isOn == on)
        return;
    m_isOn = on;
    update();
}

void BarButton::commonSetup(const QString& tooltip) {
    setToolTip(tooltip);
    setText(QString());
    // The canvas or the open text field keeps the keyboard while the bars are used.
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    disconnect(this, &QAbstractButton::clicked, this, nullptr);
    connect(this, &QAbstractButton::clicked, this, &BarButton::fire);
}

void BarButton::fire() {
    if (onClick)
        onClick();
}

void BarButton::setSwatch(const QColor& color, double diameter) {
    m_swatch = color;
    m_swatchDiameter = diameter;
    update();
}

void BarButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();

    if (m_isOn) {
        QPainterPath background;
        background.addRoundedRect(bounds, cornerRadius, cornerRadius);
        painter.fillPath(background, Config::leafGreen());
    }
    // Held down, the content dims like a borderless platform button's image.
    if (isDown())
        painter.setOpacity(0.55);

    if (m_swatch) {
        const double d = m_swatchDiameter;
        const QRectF disc(bounds.center().x() - d / 2 + 1, bounds.center().y() - d / 2 + 1, d - 2,
                          d - 2);
        QColor rim = Qt::white;
        rim.setAlphaF(0.85f);
        painter.setPen(QPen(rim, 1.5));
        painter.setBrush(*m_swatch);
        painter.drawEllipse(disc);
    } else if (!m_symbol.isEmpty()) {
        // The engine's device is what is really painted on (backing store or a grab), and its
        // scale can differ from the widget's when grabbing for another screen.
        const QPaintDevice* target = painter.paintEngine()->paintDevice();
        const double scale = target ? target->devicePixelRatioF() : devicePixelRatioF();
        const QPixmap icon = Icons::pixmap(m_symbol, symbolSize, scale);
        const QPointF origin = bounds.center() - QPointF(symbolSize, symbolSize) / 2;
        painter.drawPixmap(origin, icon);
    }
}

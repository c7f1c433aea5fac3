#include "capture/Toast.h"

#include "capture/TransientPanel.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int visibleMs = 1000;
constexpr int fadeMs = 300;
constexpr int bottomMargin = 80;

QPointer<TransientPanel> current;

} // namespace

void Toast::show(const QString& message, QScreen* screen) {
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;

    auto* panel = new TransientPanel(QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.92f));
    panel->setObjectName(QStringLiteral("Toast"));
    auto* label = new QLabel(QStringLiteral("🍃  ") + message, panel);
    QFont font = label->font();
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    label->adjustSize();
    label->move(18, 10);

    const QSize pill = label->size() + QSize(36, 20);
    const QRect frame = screen->geometry(), visible = screen->availableGeometry();
    const QRect rect(frame.x() + (frame.width() - pill.width()) / 2,
                     visible.y() + visible.height() - bottomMargin - pill.height(), pill.width(),
                     pill.height());
    panel->setCornerRadius(pill.height() / 2.0);

    if (current)
        current->close();
    current = panel;
    panel->showAt(screen, rect);

    QTimer::singleShot(visibleMs, panel, [panel] {
        auto* fade = new QPropertyAnimation(panel, "windowOpacity", panel);
        fade->setDuration(fadeMs);
        fade->setEndValue(0.0);
        QObject::connect(fade, &QPropertyAnimation::finished, panel, &QWidget::close);
        fade->start();
    });
}

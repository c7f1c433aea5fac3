#include "capture/Countdown.h"

#include "capture/TransientPanel.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int side = 120;
constexpr int tickMs = 1000;
// The capture must not catch the panel on its way out.
constexpr int actionDelayMs = 150;

QPointer<TransientPanel> panel;
QPointer<QTimer> timer;

} // namespace

// The timer belongs to the panel, and a closed panel deletes itself once control returns to
// the event loop, so cancelling from the timer's own tick is safe.
void Countdown::cancel() {
    if (timer)
        timer->stop();
    timer = nullptr;
    if (panel)
        panel->close();
    panel = nullptr;
}

void Countdown::run(int seconds, std::function<void()> then) {
    cancel();
    QScreen* screen = screenUnderPointer();
    if (!screen) {
        then();
        return;
    }

    panel = new TransientPanel(QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.85f));
    panel->setObjectName(QStringLiteral("Countdown"));
    panel->setCornerRadius(28);
    auto* number = new QLabel(QString::number(seconds), panel);
    number->setObjectName(QStringLiteral("number"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(64);
    font.setWeight(QFont::DemiBold);
    number->setFont(font);
    number->setAlignment(Qt::AlignCenter);
    number->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    // 18 points above the bottom edge, 80 high.
    number->setGeometry(0, side - 18 - 80, side, 80);
    const QRect frame = screen->geometry();
    panel->showAt(screen, QRect(frame.x() + (frame.width() - side) / 2,
                                frame.y() + (frame.height() - side) / 2, side, side));

    timer = new QTimer(panel);
    // A coarse timer may fire 5 % early; the numbers are meant to change on the second.
    timer->setTimerType(Qt::PreciseTimer);
    auto remaining = std::make_shared<int>(seconds);
    QObject::connect(timer, &QTimer::timeout, panel, [remaining, number, then = std::move(then)] {
        if (--*remaining < 1) {
            const std::function<void()> action = then;
            cancel();
            QTimer::singleShot(actionDelayMs, qApp, action);
            return;
        }
        number->setText(QString::number(*remaining));
    });
    timer->start(tickMs);
}

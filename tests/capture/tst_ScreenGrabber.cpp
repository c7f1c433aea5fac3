#include "capture/ScreenGrabber.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QTest>

namespace {

const QColor quadrantColours[4] = {QColor(255, 0, 0), QColor(0, 200, 0), QColor(0, 0, 255),
                                   QColor(250, 250, 20)};

// Outside the window manager's control, so it lands exactly where asked; four coloured quadrants.
class PatternWindow : public QRasterWindow {
public:
    explicit PatternWindow(const QRect& logical) {
        setFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        setGeometry(logical);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        for (int q = 0; q < 4; ++q)
            p.fillRect(q % 2 * width() / 2, q / 2 * height() / 2, width() / 2, height() / 2,
                       quadrantColours[q]);
    }
};

// Also holds the grabber to its promise of never answering inside the call.
GrabResult grab(ScreenGrabber& grabber, const QList<QScreen*>& screens) {
    std::optional<GrabResult> result;
    grabber.capture(screens, [&](GrabResult r) { result = std::move(r); });
    if (result)
        return Failure{QStringLiteral("answered inside capture()")};
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 10000))
        return Failure{QStringLiteral("no result")};
    return *result;
}

// Where a logical point of the screen lands in that screen's image.
QPoint pixelOf(const QScreen* screen, QPoint logical) {
    return (logical - screen->geometry().topLeft()) * int(screen->devicePixelRatio());
}

} // namespace

class tst_ScreenGrabber : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void patternsLandAtTheirPlaceWithoutThePointerWithEitherTransport() {
        QScreen* left = QGuiApplication::screenAt({10, 10});
        QScreen* right = QGuiApplication::screenAt({1930, 10});
        QVERIFY(left && right && right->devicePixelRatio() == 2.0);
        PatternWindow onLeft{QRect(100, 60, 200, 120)}, onRight{QRect(1920 + 50, 30, 160, 100)};
        onLeft.show();
        onRight.show();
        QVERIFY(QTest::qWaitForWindowExposed(&onLeft) && QTest::qWaitForWindowExposed(&onRight));
        QCursor::setPos(right, onRight.geometry().topLeft() + QPoint(40, 25));
        QTest::qWait(300);
        const auto shm = ScreenGrabberX11::create(ScreenGrabberX11::Transport::Auto);

        const GrabResult a = grab(*shm, {right, left});
        const GrabResult again = grab(*shm, {right}); // the reused segment
        const GrabResult b =
            grab(*ScreenGrabberX11::create(ScreenGrabberX11::Transport::GetImage), {right, left});

        QVERIFY2(a && again && b, qPrintable(a.message() + again.message() + b.message()));
        QCOMPARE(b->size(), 2);
        QCOMPARE(b->at(0).screen, right); // in the order asked for
        QCOMPARE(b->at(1).screen, left);
        QCOMPARE(a->value(0).image, b->at(0).image);
        QCOMPARE(a->value(1).image, b->at(1).image);
        QCOMPARE(again->value(0).image, b->at(0).image);
        for (const auto& shot : *b) {
            const int scale = int(shot.screen->devicePixelRatio());
            const QRect r = (shot.screen == right ? onRight : onLeft).geometry();
            const QSize half = r.size() / 2;
            const QImage image = shot.image.convertToFormat(QImage::Format_RGB32);
            QCOMPARE(image.size(), shot.screen->geometry().size() * scale);
            QCOMPARE(shot.image.devicePixelRatio(), shot.screen->devicePixelRatio());
            for (int q = 0; q < 4; ++q) {
                const QPoint corner =
                    r.topLeft() + QPoint(q % 2 * half.width(), q / 2 * half.height());
                QImage uniform(half * scale, QImage::Format_RGB32);
                uniform.fill(quadrantColours[q]);
                uniform.setDevicePixelRatio(scale);
                QCOMPARE(image.copy(QRect(pixelOf(shot.screen, corner), half * scale)), uniform);
            }
            QVERIFY(image.pixelColor(pixelOf(shot.screen, r.topLeft()) - QPoint(1, 1)) !=
                    quadrantColours[0]);
        }
    }
};

QTEST_MAIN(tst_ScreenGrabber)
#include "tst_ScreenGrabber.moc"

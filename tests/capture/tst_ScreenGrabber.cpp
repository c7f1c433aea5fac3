#include "capture/ScreenGrabber.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QTest>

namespace {

// Four coloured quadrants over `size` points.
void paintQuadrants(QPainter& p, QSize size) {
    const QColor colours[4] = {QColor(255, 0, 0), QColor(0, 200, 0), QColor(0, 0, 255),
                               QColor(250, 250, 20)};
    const QSize half = size / 2;
    for (int q = 0; q < 4; ++q)
        p.fillRect(QRect(QPoint(q % 2 * half.width(), q / 2 * half.height()), half), colours[q]);
}

// Outside the window manager's control, so it lands exactly where asked.
class PatternWindow : public QRasterWindow {
public:
    explicit PatternWindow(const QRect& logical) {
        setFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        setGeometry(logical);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintQuadrants(p, size());
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
            const QImage image = shot.image.convertToFormat(QImage::Format_RGB32);
            QCOMPARE(image.size(), shot.screen->geometry().size() * scale);
            QCOMPARE(shot.image.devicePixelRatio(), shot.screen->devicePixelRatio());
            // The window's pixels, and one pixel more up and left that is not its own.
            QImage window(r.size() * scale, QImage::Format_RGB32);
            window.setDevicePixelRatio(scale);
            QPainter p(&window);
            paintQuadrants(p, r.size());
            p.end();
            const QPoint at = (r.topLeft() - shot.screen->geometry().topLeft()) * scale;
            QCOMPARE(image.copy(QRect(at, window.size())), window);
            QVERIFY(image.pixel(at - QPoint(1, 1)) != window.pixel(0, 0));
        }
    }
};

QTEST_MAIN(tst_ScreenGrabber)
#include "tst_ScreenGrabber.moc"

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

// A window outside the window manager's control, so it lands exactly where asked, painted in
// four coloured quadrants.
class PatternWindow : public QRasterWindow {
public:
    explicit PatternWindow(const QRect& logical) {
        setFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        setGeometry(logical);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int w = width() / 2, h = height() / 2;
        p.fillRect(0, 0, w, h, quadrantColours[0]);
        p.fillRect(w, 0, width() - w, h, quadrantColours[1]);
        p.fillRect(0, h, w, height() - h, quadrantColours[2]);
        p.fillRect(w, h, width() - w, height() - h, quadrantColours[3]);
    }
};

QScreen* screenNamed(const QString& name) {
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == name)
            return s;
    return nullptr;
}

GrabResult grab(ScreenGrabber& grabber, const QList<QScreen*>& screens) {
    std::optional<GrabResult> result;
    grabber.capture(screens, [&](GrabResult r) { result = std::move(r); });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 10000))
        return {{}, QStringLiteral("no result")};
    return *result;
}

// Where a logical point of the screen lands in that screen's image.
QPoint pixelOf(const QScreen* screen, QPoint logical) {
    return QPointF(logical - screen->geometry().topLeft()).toPoint() *
           int(screen->devicePixelRatio());
}

} // namespace

class tst_ScreenGrabber : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void oneImagePerScreenInOrderAtDevicePixels();
    void patternLandsAtItsPlaceOnBothMonitors_data();
    void patternLandsAtItsPlaceOnBothMonitors();
    void pointerIsNotInTheImage();
    void sharedMemoryAndGetImageAgree();
    void resultArrivesAfterTheCallReturns();
    void nullGrabberFailsWithAMessage();

private:
    QScreen* m_left = nullptr;
    QScreen* m_right = nullptr;
    std::unique_ptr<PatternWindow> m_onLeft, m_onRight;
};

void tst_ScreenGrabber::initTestCase() {
    m_left = screenNamed(QStringLiteral("LEFT"));
    m_right = screenNamed(QStringLiteral("RIGHT"));
    QVERIFY(m_left && m_right);
    m_onLeft = std::make_unique<PatternWindow>(
        QRect(m_left->geometry().topLeft() + QPoint(100, 60), QSize(200, 120)));
    m_onRight = std::make_unique<PatternWindow>(
        QRect(m_right->geometry().topLeft() + QPoint(50, 30), QSize(160, 100)));
    m_onLeft->show();
    m_onRight->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_onLeft.get()));
    QVERIFY(QTest::qWaitForWindowExposed(m_onRight.get()));
    QTest::qWait(300);
}

void tst_ScreenGrabber::cleanupTestCase() {
    m_onLeft.reset();
    m_onRight.reset();
}

void tst_ScreenGrabber::oneImagePerScreenInOrderAtDevicePixels() {
    const std::unique_ptr<ScreenGrabber> grabber = makeScreenGrabber();

    const GrabResult result = grab(*grabber, {m_right, m_left});

    QVERIFY2(!result.error, qPrintable(result.error.value_or(QString())));
    QCOMPARE(result.shots.size(), 2);
    QCOMPARE(result.shots[0].screen, m_right);
    QCOMPARE(result.shots[1].screen, m_left);
    // The 2x monitor's image is twice its size in points, and says so.
    QCOMPARE(result.shots[0].image.size(), m_right->geometry().size() * 2);
    QCOMPARE(result.shots[0].image.devicePixelRatio(), 2.0);
    QCOMPARE(result.shots[1].image.size(), m_left->geometry().size());
    QCOMPARE(result.shots[1].image.devicePixelRatio(), 1.0);
}

void tst_ScreenGrabber::patternLandsAtItsPlaceOnBothMonitors_data() {
    QTest::addColumn<QString>("screenName");
    QTest::newRow("1x monitor") << QStringLiteral("LEFT");
    QTest::newRow("2x monitor, beside the 1x one") << QStringLiteral("RIGHT");
}

void tst_ScreenGrabber::patternLandsAtItsPlaceOnBothMonitors() {
    QFETCH(QString, screenName);
    QScreen* screen = screenNamed(screenName);
    const PatternWindow* window = screen == m_left ? m_onLeft.get() : m_onRight.get();
    const QRect r = window->geometry();
    const std::unique_ptr<ScreenGrabber> grabber = makeScreenGrabber();

    const GrabResult result = grab(*grabber, {screen});

    QCOMPARE(result.shots.size(), 1);
    const QImage& image = result.shots[0].image;
    const int w = r.width() / 2, h = r.height() / 2;
    const QPoint corners[4] = {r.topLeft(), r.topLeft() + QPoint(w, 0), r.topLeft() + QPoint(0, h),
                               r.topLeft() + QPoint(w, h)};
    for (int q = 0; q < 4; ++q) {
        // First and last device pixel of each quadrant.
        const QPoint first = pixelOf(screen, corners[q]);
        const QPoint last = pixelOf(screen, corners[q] + QPoint(w, h)) - QPoint(1, 1);
        QCOMPARE(image.pixelColor(first), quadrantColours[q]);
        QCOMPARE(image.pixelColor(last), quadrantColours[q]);
    }
    const QPoint outside = pixelOf(screen, r.topLeft()) - QPoint(1, 1);
    QVERIFY(image.pixelColor(outside) != quadrantColours[0]);
}

void tst_ScreenGrabber::pointerIsNotInTheImage() {
    const QRect r = m_onLeft->geometry();
    QCursor::setPos(m_left, r.topLeft() + QPoint(r.width() / 4, r.height() / 4));
    QTest::qWait(200);
    const std::unique_ptr<ScreenGrabber> grabber = makeScreenGrabber();

    const GrabResult result = grab(*grabber, {m_left});

    QCOMPARE(result.shots.size(), 1);
    const QImage quadrant = result.shots[0]
                                .image.copy(QRect(r.topLeft(), r.size() / 2))
                                .convertToFormat(QImage::Format_RGB32);
    QImage uniform(quadrant.size(), QImage::Format_RGB32);
    uniform.fill(quadrantColours[0]);
    QCOMPARE(quadrant, uniform);
}

void tst_ScreenGrabber::sharedMemoryAndGetImageAgree() {
    const auto shm = ScreenGrabberX11::create(ScreenGrabberX11::Transport::Auto);
    const auto plain = ScreenGrabberX11::create(ScreenGrabberX11::Transport::GetImage);

    const GrabResult a = grab(*shm, {m_left, m_right});
    const GrabResult again = grab(*shm, {m_right}); // the reused segment
    const GrabResult b = grab(*plain, {m_left, m_right});

    QCOMPARE(a.shots.size(), 2);
    QCOMPARE(b.shots.size(), 2);
    QCOMPARE(a.shots[0].image, b.shots[0].image);
    QCOMPARE(a.shots[1].image, b.shots[1].image);
    QCOMPARE(again.shots[0].image, b.shots[1].image);
}

void tst_ScreenGrabber::resultArrivesAfterTheCallReturns() {
    const std::unique_ptr<ScreenGrabber> grabber = makeScreenGrabber();
    bool called = false;

    grabber->capture({m_left}, [&](GrabResult) { called = true; });

    QVERIFY(!called);
    QTRY_VERIFY(called);
}

void tst_ScreenGrabber::nullGrabberFailsWithAMessage() {
    qputenv("BRINDLE_GRABBER", "null");
    const std::unique_ptr<ScreenGrabber> grabber = makeScreenGrabber();
    qunsetenv("BRINDLE_GRABBER");

    const GrabResult result = grab(*grabber, {m_left});

    QVERIFY(result.error && !result.error->isEmpty());
    QVERIFY(result.shots.isEmpty());
}

QTEST_MAIN(tst_ScreenGrabber)
#include "tst_ScreenGrabber.moc"

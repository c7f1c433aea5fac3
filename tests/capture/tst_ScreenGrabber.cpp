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
        return {{}, QStringLiteral("answered inside capture()")};
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 10000))
        return {{}, QStringLiteral("no result")};
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
    void initTestCase();
    void patternLandsAtItsPlaceWithoutThePointer_data();
    void patternLandsAtItsPlaceWithoutThePointer();
    void sharedMemoryAndGetImageAgree();

private:
    QScreen* m_left = QGuiApplication::screenAt({10, 10});
    QScreen* m_right = QGuiApplication::screenAt({1930, 10});
    PatternWindow m_onLeft{QRect(100, 60, 200, 120)};
    PatternWindow m_onRight{QRect(1920 + 50, 30, 160, 100)};
};

void tst_ScreenGrabber::initTestCase() {
    QVERIFY(m_left && m_right && m_right->devicePixelRatio() == 2.0);
    m_onLeft.show();
    m_onRight.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_onLeft) && QTest::qWaitForWindowExposed(&m_onRight));
    QTest::qWait(300);
}

void tst_ScreenGrabber::patternLandsAtItsPlaceWithoutThePointer_data() {
    QTest::addColumn<bool>("right");
    QTest::newRow("1x monitor") << false;
    QTest::newRow("2x monitor beside it: twice its point size") << true;
}

void tst_ScreenGrabber::patternLandsAtItsPlaceWithoutThePointer() {
    QFETCH(bool, right);
    QScreen* screen = right ? m_right : m_left;
    const int scale = int(screen->devicePixelRatio());
    const QRect r = (right ? m_onRight : m_onLeft).geometry();
    const QSize half = r.size() / 2;
    QCursor::setPos(screen, r.topLeft() + QPoint(half.width() / 2, half.height() / 2));
    QTest::qWait(200);

    const GrabResult result = grab(*makeScreenGrabber(), {screen});

    QVERIFY2(!result.error, qPrintable(result.error.value_or(QString())));
    const QImage image = result.shots.value(0).image.convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), screen->geometry().size() * scale);
    QCOMPARE(result.shots[0].image.devicePixelRatio(), screen->devicePixelRatio());
    for (int q = 0; q < 4; ++q) {
        const QPoint corner = r.topLeft() + QPoint(q % 2 * half.width(), q / 2 * half.height());
        QImage uniform(half * scale, QImage::Format_RGB32);
        uniform.fill(quadrantColours[q]);
        uniform.setDevicePixelRatio(scale);
        QCOMPARE(image.copy(QRect(pixelOf(screen, corner), half * scale)), uniform);
    }
    QVERIFY(image.pixelColor(pixelOf(screen, r.topLeft()) - QPoint(1, 1)) != quadrantColours[0]);
}

void tst_ScreenGrabber::sharedMemoryAndGetImageAgree() {
    const auto shm = ScreenGrabberX11::create(ScreenGrabberX11::Transport::Auto);
    const auto plain = ScreenGrabberX11::create(ScreenGrabberX11::Transport::GetImage);

    const GrabResult a = grab(*shm, {m_right, m_left});
    const GrabResult again = grab(*shm, {m_right}); // the reused segment
    const GrabResult b = grab(*plain, {m_right, m_left});

    QCOMPARE(b.shots.size(), 2);
    QCOMPARE(b.shots[0].screen, m_right); // in the order asked for
    QCOMPARE(b.shots[1].screen, m_left);
    QCOMPARE(a.shots.value(0).image, b.shots[0].image);
    QCOMPARE(a.shots.value(1).image, b.shots[1].image);
    QCOMPARE(again.shots.value(0).image, b.shots[0].image);
}

QTEST_MAIN(tst_ScreenGrabber)
#include "tst_ScreenGrabber.moc"

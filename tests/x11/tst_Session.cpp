// The fixture itself: every end-to-end test relies on this session looking like a two-monitor
// desktop with mixed scales (the clipboard's reading by other clients is shown by tst_CaptureX11).
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

class tst_Session : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoMonitorsWithMixedScales() {
        const int w = qEnvironmentVariableIntValue("BRINDLE_MONITOR_WIDTH");
        const int h = qEnvironmentVariableIntValue("BRINDLE_MONITOR_HEIGHT");

        const QScreen* left = QGuiApplication::screenAt({0, 0});
        const QScreen* right = QGuiApplication::screenAt({w, 0});

        QVERIFY(w > 0 && h > 0 && left && right);
        QCOMPARE(QGuiApplication::screens().size(), 2);
        QCOMPARE(left->geometry(), QRect(0, 0, w, h));
        QCOMPARE(left->devicePixelRatio(), 1.0);
        // Qt keeps the scaled monitor's native top-left, so it starts at pixel column w.
        QCOMPARE(right->geometry(), QRect(w, 0, w / 2, h / 2));
        QCOMPARE(right->devicePixelRatio(), 2.0);
    }
};

QTEST_MAIN(tst_Session)
#include "tst_Session.moc"

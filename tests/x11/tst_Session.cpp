// The fixture itself: every end-to-end test relies on this session looking like a two-monitor
// desktop with mixed scales and a clipboard that other X clients can read.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QTest>

class tst_Session : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoMonitorsWithMixedScales();
    void clipboardImageReadByAnotherClient();
};

void tst_Session::twoMonitorsWithMixedScales() {
    const int w = qEnvironmentVariableIntValue("BRINDLE_MONITOR_WIDTH");
    const int h = qEnvironmentVariableIntValue("BRINDLE_MONITOR_HEIGHT");
    QVERIFY(w > 0 && h > 0);

    const QList<QScreen*> screens = QGuiApplication::screens();

    QCOMPARE(screens.size(), 2);
    QScreen* left = screens[0]->name() == QLatin1String("LEFT") ? screens[0] : screens[1];
    QScreen* right = left == screens[0] ? screens[1] : screens[0];
    QCOMPARE(left->name(), QStringLiteral("LEFT"));
    QCOMPARE(right->name(), QStringLiteral("RIGHT"));
    QCOMPARE(left->geometry(), QRect(0, 0, w, h));
    QCOMPARE(left->devicePixelRatio(), 1.0);
    // Qt keeps the scaled monitor's native top-left, so it starts at pixel column w.
    QCOMPARE(right->geometry(), QRect(w, 0, w / 2, h / 2));
    QCOMPARE(right->devicePixelRatio(), 2.0);
}

void tst_Session::clipboardImageReadByAnotherClient() {
    QImage image(37, 23, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 7, y * 11, (x * y) % 256, 255 - x));
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(image.save(&buffer, "PNG"));
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(mime);

    // xclip asks us for the data, so the event loop must keep running while it reads.
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {"-selection", "clipboard", "-t", "image/png", "-o"});
    QVERIFY(xclip.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(xclip.state(), QProcess::NotRunning, 10000);

    QCOMPARE(xclip.exitCode(), 0);
    QCOMPARE(xclip.readAllStandardOutput(), png);
}

QTEST_MAIN(tst_Session)
#include "tst_Session.moc"

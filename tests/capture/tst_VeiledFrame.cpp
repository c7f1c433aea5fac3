#include "capture/VeiledFrame.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWindow>

class tst_VeiledFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Darkened as Qt's own first paint will (any difference would flicker), in several bands with
    // a short last one.
    void theServerShowsTheVeiledImage() {
        const QSize size(1000, 700);
        QWindow window;
        window.setFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        window.setGeometry(QRect(QPoint(20, 20), size));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QImage image(size, QImage::Format_RGB32); // every value of every channel somewhere
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, qRgb(x & 255, y & 255, (x * 7 + y * 3) & 255));

        QVERIFY(VeiledFrame::put(window.winId(), image, 115));

        // What the server holds, read back from it; colours only: the spare byte is undefined.
        const QImage shown = window.screen()->grabWindow(window.winId()).toImage();
        QImage painted = image.copy();
        QPainter(&painted).fillRect(painted.rect(), QColor(0, 0, 0, 115));
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB888),
                 painted.convertToFormat(QImage::Format_RGB888));
        // An image the window cannot take as it is draws nothing.
        QVERIFY(
            !VeiledFrame::put(window.winId(), image.convertToFormat(QImage::Format_RGB16), 115));
    }
};

QTEST_MAIN(tst_VeiledFrame)
#include "tst_VeiledFrame.moc"

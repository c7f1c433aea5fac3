#include "capture/VeiledFrame.h"
#include "platform/X11.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTest>
#include <QWindow>

class tst_VeiledFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Darkened as Qt's own first paint will (any difference would flicker), in several bands with
    // a short last one.
    void theServerShowsTheVeiledImage() {
        const QSize size(1000, 700);
        xcb_connection_t* c = X11::connection();
        if (!c)
            QSKIP("needs an X server");
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
        X11::Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(window.winId()), 0, 0,
                          uint16_t(size.width()), uint16_t(size.height()), ~0u),
            nullptr));
        QVERIFY(reply);
        QCOMPARE(xcb_get_image_data_length(reply.get()), size.width() * size.height() * 4);
        const QImage shown(xcb_get_image_data(reply.get()), size.width(), size.height(),
                           QImage::Format_RGB32);
        QImage painted = image.copy();
        QPainter(&painted).fillRect(painted.rect(), QColor(0, 0, 0, 115));
        // Colours only: the spare byte of the server's pixels is undefined.
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB888),
                 painted.convertToFormat(QImage::Format_RGB888));

        // An image the window cannot take as it is draws nothing.
        QVERIFY(
            !VeiledFrame::put(window.winId(), image.convertToFormat(QImage::Format_RGB16), 115));
    }
};

QTEST_MAIN(tst_VeiledFrame)
#include "tst_VeiledFrame.moc"

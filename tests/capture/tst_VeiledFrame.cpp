#include "capture/VeiledFrame.h"
#include "platform/X11.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTest>
#include <QWindow>

namespace {

// Every value in every channel somewhere, so no rounding case is missed.
QImage pattern(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x & 255, y & 255, (x * 7 + y * 3) & 255));
    return image;
}

// What the overlay's own paint makes of the image: the veil filled over it by QPainter.
QImage paintedVeil(const QImage& image, int alpha) {
    QImage out = image.copy();
    QPainter painter(&out);
    painter.fillRect(out.rect(), QColor(0, 0, 0, alpha));
    return out;
}

// Colours only: the spare byte of the server's pixels is undefined.
QImage colours(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace

class tst_VeiledFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void veilDarkensAsQPainterDoes_data() {
        QTest::addColumn<int>("alpha");
        for (int alpha : {0, 1, 115, 128, 254, 255})
            QTest::addRow("alpha %d", alpha) << alpha;
    }

    // Any difference would show as a flicker when Qt's first paint replaces the server's frame.
    void veilDarkensAsQPainterDoes() {
        QFETCH(int, alpha);
        const QImage image = pattern({256, 256});
        QImage veiled = image.copy();
        VeiledFrame::veil(veiled.bits(), veiled.sizeInBytes(), alpha);
        QCOMPARE(colours(veiled), colours(paintedVeil(image, alpha)));
    }

    void theServerShowsTheVeiledImage_data() {
        QTest::addColumn<QSize>("size");
        // One band; several bands with a short last one.
        QTest::addRow("small") << QSize(40, 30);
        QTest::addRow("many bands") << QSize(1000, 700);
    }

    void theServerShowsTheVeiledImage() {
        QFETCH(QSize, size);
        xcb_connection_t* c = X11::connection();
        if (!c)
            QSKIP("needs an X server");
        QWindow window;
        window.setFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        window.setGeometry(QRect(QPoint(20, 20), size));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QImage image = pattern(size);
        QVERIFY(VeiledFrame::put(c, xcb_window_t(window.winId()), image, 115));
        X11::Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(window.winId()), 0, 0,
                          uint16_t(size.width()), uint16_t(size.height()), ~0u),
            nullptr));
        QVERIFY(reply);
        QCOMPARE(xcb_get_image_data_length(reply.get()), size.width() * size.height() * 4);
        const QImage shown(xcb_get_image_data(reply.get()), size.width(), size.height(),
                           QImage::Format_RGB32);
        QCOMPARE(colours(shown), colours(paintedVeil(image, 115)));

        // An image the window cannot take as it is draws nothing.
        QVERIFY(!VeiledFrame::put(c, xcb_window_t(window.winId()),
                                  image.convertToFormat(QImage::Format_RGB16), 115));
    }
};

QTEST_MAIN(tst_VeiledFrame)
#include "tst_VeiledFrame.moc"

// The portal hands over one image of the whole layout drawn at its highest scale; each screen's
// part must come back at that screen's own device-pixel size, pixel for pixel.
#include "capture/ScreenGrabber.h"

#include <QTest>

namespace {

QRgb colourAt(int x, int y) {
    return qRgb((x * 7) & 0xff, (y * 13) & 0xff, (x + y) & 0xff);
}

// A layout image at `scale` in which the logical pixel (x, y) is a scale x scale block.
QImage layoutImage(const QSize& logical, int scale) {
    QImage image(logical * scale, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, colourAt(x / scale, y / scale));
    return image;
}

// What a screen at `geometry` and ratio `dpr` shows of the layout: each logical pixel as
// dpr x dpr device pixels.
QImage expected(const QRect& geometry, int dpr) {
    QImage image(geometry.size() * dpr, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, colourAt(geometry.x() + x / dpr, geometry.y() + y / dpr));
    return image;
}

} // namespace

class tst_PortalCut : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cutsEachScreenAtItsDeviceSize_data() {
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<int>("imageScale");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<int>("dpr");

        const QList<QRect> mixed = {QRect(0, 0, 192, 108), QRect(192, 0, 96, 54)};
        QTest::newRow("scale-1 screen of a layout drawn at 2x is scaled back exactly")
            << mixed << 2 << mixed[0] << 1;
        QTest::newRow("scale-2 screen of that layout keeps its native pixels")
            << mixed << 2 << mixed[1] << 2;
        const QList<QRect> stacked = {QRect(0, 0, 100, 50), QRect(0, 50, 100, 50)};
        QTest::newRow("lower screen of a layout at one scale is a plain cut")
            << stacked << 1 << stacked[1] << 1;
    }
    void cutsEachScreenAtItsDeviceSize() {
        QFETCH(QList<QRect>, screens);
        QFETCH(int, imageScale);
        QFETCH(QRect, geometry);
        QFETCH(int, dpr);
        const QRect bounds = ScreenGrabberPortal::layoutBounds(screens);
        const QImage layout = layoutImage(bounds.size(), imageScale);

        const std::optional<QImage> cut = ScreenGrabberPortal::cut(layout, bounds, geometry, dpr);

        QVERIFY(cut);
        QCOMPARE(cut->devicePixelRatio(), qreal(dpr));
        QImage plain = *cut;
        plain.setDevicePixelRatio(1);
        QCOMPARE(plain, expected(geometry, dpr));
    }

    void screenOutsideTheImageGetsNothing() {
        const QRect bounds(0, 0, 100, 100);

        const std::optional<QImage> cut = ScreenGrabberPortal::cut(
            layoutImage(bounds.size(), 1), bounds, QRect(100, 0, 50, 50), 1);

        QVERIFY(!cut);
    }
};

QTEST_APPLESS_MAIN(tst_PortalCut)
#include "tst_PortalCut.moc"

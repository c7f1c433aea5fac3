// The portal hands over one image of the whole layout drawn at its highest scale; each screen's
// part must come back at that screen's own device-pixel size, pixel for pixel.
#include "capture/ScreenGrabber.h"

#include <QTest>

namespace {

// The layout's part at `geometry` drawn at `scale`: each logical pixel a scale x scale block of a
// colour that tells its place.
QImage drawn(const QRect& geometry, int scale) {
    QImage image(geometry.size() * scale, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int lx = geometry.x() + x / scale, ly = geometry.y() + y / scale;
            image.setPixel(x, y, qRgb((lx * 7) & 0xff, (ly * 13) & 0xff, (lx + ly) & 0xff));
        }
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

        const auto cut = ScreenGrabberPortal::cut(drawn(bounds, imageScale), bounds, geometry, dpr);

        QVERIFY(cut);
        QCOMPARE(cut->devicePixelRatio(), qreal(dpr));
        QImage plain = *cut;
        plain.setDevicePixelRatio(1);
        QCOMPARE(plain, drawn(geometry, dpr));
    }

    void screenOutsideTheImageGetsNothing() {
        const QRect bounds(0, 0, 100, 100);

        QVERIFY(!ScreenGrabberPortal::cut(drawn(bounds, 1), bounds, QRect(100, 0, 50, 50), 1));
    }
};

QTEST_APPLESS_MAIN(tst_PortalCut)
#include "tst_PortalCut.moc"

// The pieces the bars are built from: the embedded symbols and the value a slider takes under the
// pointer.
#include "editor/Icons.h"
#include "editor/SliderTrack.h"

#include <QTest>

class tst_BarWidgets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every embedded symbol renders as a white glyph: not missing, not a filled square.
    void iconsRenderWhite() {
        for (const QString& name : Icons::names()) {
            const QImage image =
                Icons::pixmap(name, 24, 2).toImage().convertToFormat(QImage::Format_ARGB32);
            double covered = 0;
            bool white = true;
            for (int i = 0; i < image.width() * image.height(); ++i) {
                const QRgb pixel = image.pixel(i % image.width(), i / image.width());
                covered += qAlpha(pixel) / 255.0;
                white &= !qAlpha(pixel) || (pixel | 0xff000000u) == 0xffffffffu;
            }
            const double share = covered / (image.width() * image.height());
            QVERIFY2(white && share > 0.04 && share < 0.6, qPrintable(name));
        }
    }

    // The value under the pointer in steps from the track's ends, kept in range; a press
    // reports it once.
    void sliderValueUnderPointer() {
        SliderTrack opacity(0.1, 1.0, 0.05, false), marker(4, 40, 2, true);
        opacity.resize(130, 30);
        marker.resize(88, 30);
        marker.setValue(40);
        QList<double> changes;
        marker.onChange = [&](double v) { changes.append(v); };

        QCOMPARE(opacity.valueAt(0), 0.1);
        QCOMPARE(opacity.valueAt(130), 1.0);
        // The marker track: two points per unit from x = 8; halfway between 4 and 6 rounds up.
        QCOMPARE(marker.valueAt(10), 6.0);
        QCOMPARE(marker.valueAt(9.9), 4.0);
        QTest::mouseClick(&marker, Qt::LeftButton, {}, QPoint(10, 15));
        QCOMPARE(changes, QList<double>{6.0});
    }
};

QTEST_MAIN(tst_BarWidgets)
#include "tst_BarWidgets.moc"

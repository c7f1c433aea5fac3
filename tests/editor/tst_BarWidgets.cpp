// The pieces the bars are built from: the button's on/off background, the embedded symbols and
// the value a slider takes under the pointer.
#include "WidgetPixels.h"
#include "editor/BarButton.h"
#include "editor/Icons.h"
#include "editor/SliderTrack.h"
#include "settings/Config.h"

#include <QTest>

class tst_BarWidgets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buttonBackground() {
        BarButton button(QStringLiteral("pencil"), QString(), nullptr);
        const QImage off = grabAt(button, 1);

        button.setOn(true);
        const QImage on = grabAt(button, 2);

        // Beside the symbol, and the rounded corner that stays clear.
        QVERIFY(near(colorAt(on, QPointF(2, 15)), Config::leafGreen()));
        QCOMPARE(colorAt(off, QPointF(2, 15)).alpha(), 0);
        QCOMPARE(colorAt(on, QPointF(0, 0)).alpha(), 0);
    }

    void iconsRenderWhite_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qreal>("scale");

        for (const QString& name : Icons::names())
            for (qreal scale : {1, 2})
                QTest::addRow("%s at %gx", qPrintable(name), scale) << name << scale;
    }

    void iconsRenderWhite() {
        QFETCH(QString, name);
        QFETCH(qreal, scale);

        const QImage image =
            Icons::pixmap(name, 24, scale).toImage().convertToFormat(QImage::Format_ARGB32);

        QCOMPARE(image.size(), QSize(24, 24) * scale);
        double covered = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) > 0)
                    QCOMPARE(pixel | 0xff000000u, 0xffffffffu);
                covered += qAlpha(pixel) / 255.0;
            }
        }
        // A visible glyph, not a filled square: it covers between 4 % and 60 % of the area.
        const double share = covered / (image.width() * image.height());
        QVERIFY2(share > 0.04 && share < 0.6, qPrintable(QString::number(share)));
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

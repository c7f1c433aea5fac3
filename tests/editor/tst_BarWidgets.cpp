// The pieces the bars are built from: the button's on/off background, the embedded symbols and
// the value a slider takes under the pointer.
#include "WidgetPixels.h"
#include "editor/BarButton.h"
#include "editor/Icons.h"
#include "editor/SliderTrack.h"
#include "settings/Config.h"

#include <QMouseEvent>
#include <QTest>

class tst_BarWidgets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buttonBackground_data() {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<bool>("on");

        QTest::newRow("on at 2x is green") << qreal(2) << true;
        QTest::newRow("off at 1x is clear") << qreal(1) << false;
    }

    void buttonBackground() {
        QFETCH(qreal, scale);
        QFETCH(bool, on);
        BarButton button(QStringLiteral("pencil"), QString(), nullptr);

        button.setOn(on);
        const QImage image = grabAt(button, scale);

        // Beside the symbol, and the rounded corner that stays clear.
        QVERIFY(near(colorAt(image, QPointF(2, 15)), on ? Config::leafGreen() : Qt::transparent));
        QCOMPARE(colorAt(image, QPointF(0, 0)).alpha(), 0);
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

    void sliderValueUnderPointer_data() {
        QTest::addColumn<bool>("tapered");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("expected");

        QTest::newRow("opacity at the far left is 0.1") << false << 0.0 << 0.1;
        QTest::newRow("opacity at the far right is 1.0") << false << 130.0 << 1.0;
        // The marker track: 4 to 40 in steps of 2, two points of track per unit from x = 8.
        QTest::newRow("marker halfway between 4 and 6 rounds away to 6") << true << 10.0 << 6.0;
        QTest::newRow("marker just under halfway stays 4") << true << 9.9 << 4.0;
    }

    void sliderValueUnderPointer() {
        QFETCH(bool, tapered);
        QFETCH(double, x);
        QFETCH(double, expected);
        SliderTrack slider(tapered ? 4 : 0.1, tapered ? 40 : 1.0, tapered ? 2 : 0.05, tapered);
        slider.resize(tapered ? 88 : 130, 30);
        slider.setValue(tapered ? 40 : 0.3);
        QList<double> changes;
        slider.onChange = [&](double v) { changes.append(v); };

        QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, 15),
                          slider.mapToGlobal(QPointF(x, 15)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&slider, &press);

        QVERIFY2(qAbs(slider.value() - expected) < 1e-9,
                 qPrintable(QString::number(slider.value())));
        QCOMPARE(changes, QList<double>{slider.value()});
    }
};

QTEST_MAIN(tst_BarWidgets)
#include "tst_BarWidgets.moc"

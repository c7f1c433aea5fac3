#include "annotation/Rendered.h"

#include <QTest>

class TestRendered : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tiffIsLzwAndDeclaresThePointSize() {
        QImage pixels(200, 100, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(qRgb(10, 120, 200));

        const auto tiff = Rendered{pixels, QSizeF(100, 50)}.tiffData();

        QVERIFY(tiff);
        // The Compression entry (tag 259, one SHORT) holding 5, LZW, in either byte order.
        QVERIFY(tiff->contains(QByteArray::fromHex("03010300010000000500")) ||
                tiff->contains(QByteArray::fromHex("01030003000000010005")));
        const QImage back = QImage::fromData(*tiff);
        QCOMPARE(back.size(), QSize(200, 100));
        QCOMPARE(back.pixel(7, 7), qRgb(10, 120, 200));
        // 144 dpi: 200 pixels declared as 100 points of 1/72 inch.
        QVERIFY(std::abs(back.dotsPerMeterX() * 0.0254 - 144) < 0.1);
        QVERIFY(std::abs(back.dotsPerMeterY() * 0.0254 - 144) < 0.1);
    }
};

QTEST_MAIN(TestRendered)
#include "tst_Rendered.moc"

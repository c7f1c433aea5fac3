#include "capture/PngEncoder.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(PngEncoder::Filter)

namespace {

// Noise in every channel shows any off-by-one in a filter; flat areas with sharp edges (a screen
// of text) make the automatic choice pick the other filters.
QImage pattern(QSize size, QImage::Format format, bool flat = false) {
    QImage image(size, format);
    QRandomGenerator rng(size.width());
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                           flat ? ((x / 3 + y / 2) % 4 ? 0xfffafafau : 0xff141ec8u)
                                : rng.generate() | (image.hasAlphaChannel() ? 0 : 0xff000000u));
    return image;
}

} // namespace

class tst_PngEncoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesBitExactlyWithItsDensity_data();
    void decodesBitExactlyWithItsDensity();
    void screenOfTextComesOutSmallAndNothingGivesNothing();
};

void tst_PngEncoder::decodesBitExactlyWithItsDensity_data() {
    QTest::addColumn<QImage>("image");
    QTest::addColumn<PngEncoder::Filter>("filter");
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("dotsPerMetre");
    const auto automatic = PngEncoder::Filter::Auto;

    QTest::newRow("1x1 translucent")
        << pattern({1, 1}, QImage::Format_ARGB32) << automatic << 1.0 << 2835;
    QTest::newRow("odd 31x17 translucent at 1.5x: 108 dpi rounded")
        << pattern({31, 17}, QImage::Format_ARGB32) << automatic << 1.5 << 4252;
    QTest::newRow("flat 641x481 with edges")
        << pattern({641, 481}, QImage::Format_RGB32, true) << automatic << 1.0 << 2835;
    const char* names[] = {"auto", "none", "sub", "up", "paeth"};
    for (int f = 0; f < 5; ++f)
        QTest::addRow("odd 37x23 opaque at 2x: 144 dpi, %s", names[f])
            << pattern({37, 23}, QImage::Format_RGB32) << PngEncoder::Filter(f) << 2.0 << 5669;
    QImage premultiplied(16, 8, QImage::Format_ARGB32_Premultiplied);
    premultiplied.fill(QColor(200, 100, 50, 128));
    QTest::newRow("premultiplied keeps its colours") << premultiplied << automatic << 1.0 << 2835;
}

void tst_PngEncoder::decodesBitExactlyWithItsDensity() {
    QFETCH(QImage, image);
    QFETCH(PngEncoder::Filter, filter);
    QFETCH(double, scale);
    QFETCH(int, dotsPerMetre);

    const std::optional<QByteArray> png = PngEncoder::encode(image, scale, {filter, 0});

    QVERIFY(png);
    const QImage decoded = QImage::fromData(*png, "png");
    QCOMPARE(decoded.hasAlphaChannel(), image.hasAlphaChannel());
    QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32),
             image.convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(decoded.dotsPerMeterX(), dotsPerMetre);
    QCOMPARE(decoded.dotsPerMeterY(), dotsPerMetre);
}

void tst_PngEncoder::screenOfTextComesOutSmallAndNothingGivesNothing() {
    const std::optional<QByteArray> png =
        PngEncoder::encode(pattern({641, 481}, QImage::Format_RGB32, true), 1.0);

    QVERIFY(png);
    QVERIFY2(png->size() < 641 * 481 * 3 / 50, qPrintable(QString::number(png->size())));
    QVERIFY(!PngEncoder::encode(QImage(), 1.0));
}

QTEST_APPLESS_MAIN(tst_PngEncoder)
#include "tst_PngEncoder.moc"

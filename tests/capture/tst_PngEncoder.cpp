#include "capture/PngEncoder.h"

#include <QBuffer>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(PngEncoder::Filter)

namespace {

QImage readBack(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    return reader.read();
}

// Noise in every channel, so any off-by-one in a filter shows up somewhere.
QImage noise(QSize size, QImage::Format format, quint32 seed) {
    QImage image(size, format);
    QRandomGenerator rng(seed);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                           format == QImage::Format_RGB32 ? (rng.generate() | 0xff000000u)
                                                          : rng.generate());
    return image;
}

// Flat areas with sharp edges: what a screen of text looks like to the filters.
QImage flat(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, (x / 3 + y / 2) % 4 ? qRgb(250, 250, 250) : qRgb(20, 30, 200));
    return image;
}

} // namespace

class tst_PngEncoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesBitExactly_data();
    void decodesBitExactly();
    void recordsDensityOfTheBackingScale_data();
    void recordsDensityOfTheBackingScale();
    void premultipliedImageKeepsItsColours();
    void nullImageGivesNothing();
};

void tst_PngEncoder::decodesBitExactly_data() {
    QTest::addColumn<QImage>("image");
    QTest::addColumn<PngEncoder::Filter>("filter");

    using F = PngEncoder::Filter;
    const QList<std::pair<const char*, F>> filters = {
        {"auto", F::Auto}, {"none", F::None}, {"sub", F::Sub}, {"up", F::Up}, {"paeth", F::Paeth}};
    for (const auto& [name, filter] : filters) {
        QTest::addRow("1x1 opaque, %s", name) << noise({1, 1}, QImage::Format_RGB32, 1) << filter;
        QTest::addRow("1x1 translucent, %s", name)
            << noise({1, 1}, QImage::Format_ARGB32, 2) << filter;
        QTest::addRow("odd 37x23 opaque, %s", name)
            << noise({37, 23}, QImage::Format_RGB32, 3) << filter;
        QTest::addRow("odd 31x17 translucent, %s", name)
            << noise({31, 17}, QImage::Format_ARGB32, 4) << filter;
        QTest::addRow("one column 1x300, %s", name)
            << noise({1, 300}, QImage::Format_RGB32, 5) << filter;
        QTest::addRow("flat 641x481 with edges, %s", name) << flat({641, 481}) << filter;
    }
}

void tst_PngEncoder::decodesBitExactly() {
    QFETCH(QImage, image);
    QFETCH(PngEncoder::Filter, filter);

    const std::optional<QByteArray> png = PngEncoder::encode(image, 1.0, {filter, 0});

    QVERIFY(png);
    const QImage decoded = readBack(*png);
    QCOMPARE(decoded.size(), image.size());
    QCOMPARE(decoded.hasAlphaChannel(), image.hasAlphaChannel());
    QCOMPARE(decoded.convertToFormat(image.format()), image);
}

void tst_PngEncoder::recordsDensityOfTheBackingScale_data() {
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("dotsPerMetre");

    QTest::newRow("1x display: 72 dpi") << 1.0 << 2835;
    QTest::newRow("2x display: 144 dpi") << 2.0 << 5669;
    QTest::newRow("1.5x display: 108 dpi") << 1.5 << 4252;
}

void tst_PngEncoder::recordsDensityOfTheBackingScale() {
    QFETCH(double, scale);
    QFETCH(int, dotsPerMetre);

    const QImage decoded = readBack(*PngEncoder::encode(flat({40, 20}), scale));

    QCOMPARE(decoded.dotsPerMeterX(), dotsPerMetre);
    QCOMPARE(decoded.dotsPerMeterY(), dotsPerMetre);
}

void tst_PngEncoder::premultipliedImageKeepsItsColours() {
    QImage image(16, 8, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(200, 100, 50, 128));

    const QImage decoded = readBack(*PngEncoder::encode(image, 1.0));

    QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32),
             image.convertToFormat(QImage::Format_ARGB32));
}

void tst_PngEncoder::nullImageGivesNothing() {
    QVERIFY(!PngEncoder::encode(QImage(), 1.0));
}

QTEST_APPLESS_MAIN(tst_PngEncoder)
#include "tst_PngEncoder.moc"

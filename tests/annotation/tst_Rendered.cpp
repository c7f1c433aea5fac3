#include "annotation/Flattening.h"
#include "annotation/Rendered.h"

#include <QBuffer>
#include <QImageReader>
#include <QTest>
#include <QtEndian>

namespace {

// The value of one SHORT or LONG entry of a TIFF file's first directory, or -1 without it.
qint64 tiffTag(const QByteArray& bytes, quint16 wanted) {
    const bool little = bytes.startsWith("II");
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    auto u16 = [&](qsizetype at) {
        return little ? qFromLittleEndian<quint16>(data + at) : qFromBigEndian<quint16>(data + at);
    };
    auto u32 = [&](qsizetype at) {
        return little ? qFromLittleEndian<quint32>(data + at) : qFromBigEndian<quint32>(data + at);
    };
    const quint32 directory = u32(4);
    const quint16 entries = u16(directory);
    for (quint16 i = 0; i < entries; ++i) {
        const qsizetype entry = directory + 2 + 12 * i;
        if (u16(entry) != wanted)
            continue;
        return u16(entry + 2) == 3 ? qint64(u16(entry + 8)) : qint64(u32(entry + 8));
    }
    return -1;
}

QImage readBack(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).read();
}

} // namespace

class TestRendered : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tiffIsLzwAndDeclaresThePointSize() {
        QImage pixels(200, 100, QImage::Format_ARGB32_Premultiplied);
        pixels.fill(qRgb(10, 120, 200));
        const Rendered rendered{pixels, QSizeF(100, 50)};

        const auto tiff = rendered.tiffData();

        QVERIFY(tiff);
        QVERIFY(tiff->startsWith("II*") || tiff->startsWith("MM"));
        QCOMPARE(tiffTag(*tiff, 259), 5); // Compression: LZW
        const QImage back = readBack(*tiff);
        QCOMPARE(back.size(), QSize(200, 100));
        QCOMPARE(back.pixel(7, 7), qRgb(10, 120, 200));
        // 144 dpi: 200 pixels declared as 100 points of 1/72 inch.
        QVERIFY(std::abs(back.dotsPerMeterX() * 0.0254 - 144) < 0.1);
        QVERIFY(std::abs(200 / (back.dotsPerMeterX() * 0.0254 / 72) - 100) < 0.05);
        QVERIFY(std::abs(100 / (back.dotsPerMeterY() * 0.0254 / 72) - 50) < 0.05);
        QCOMPARE(rendered.scale(), 2.0);
    }

    void emptyImageHasNoTiff() {
        const Rendered rendered{QImage(), QSizeF(10, 10)};

        QVERIFY(!rendered.tiffData());
    }

    void pngOfARenderedCaptureRecordsTheDensity() {
        QImage screen(200, 200, QImage::Format_RGB32);
        screen.fill(Qt::gray);
        const Flattening f(screen, QSizeF(100, 100));
        const auto rendered = f.render(QRectF(10, 10, 30, 20), {});
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);

        QVERIFY(rendered);
        QVERIFY(rendered->image.save(&buffer, "png"));

        const QImage back = readBack(png);
        QCOMPARE(back.size(), QSize(60, 40));
        QCOMPARE(back.dotsPerMeterX(), 5669);
        QCOMPARE(back.dotsPerMeterY(), 5669);
    }
};

QTEST_MAIN(TestRendered)
#include "tst_Rendered.moc"

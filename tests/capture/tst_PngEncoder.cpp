#include "capture/PngEncoder.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QTest>
#include <QtEndian>

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

// pngcheck inflates the stream itself: chunk CRCs, the zlib stream and its Adler-32.
QString pngcheckComplaint(const QByteArray& png) {
    QTemporaryFile file;
    if (!file.open() || file.write(png) != png.size() || !file.flush())
        return QStringLiteral("no temporary file");
    QProcess check;
    check.start(QStringLiteral("pngcheck"), {QStringLiteral("-q"), file.fileName()});
    if (!check.waitForFinished(10000))
        return QStringLiteral("pngcheck did not run");
    return check.exitCode() == 0 ? QString()
                                 : QString::fromLocal8Bit(check.readAllStandardOutput());
}

// The IDAT chunks joined, inflated by zlib, which also checks the stream's Adler-32; -1 when
// that fails.
qsizetype inflatedSize(const QByteArray& png, qsizetype expected) {
    QByteArray stream;
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const auto length = qsizetype(qFromBigEndian<quint32>(png.constData() + at));
        if (png.mid(at + 4, 4) == "IDAT")
            stream += png.mid(at + 8, length);
        at += 12 + length;
    }
    QByteArray sized(4, Qt::Uninitialized);
    qToBigEndian(quint32(expected), sized.data());
    const QByteArray raw = qUncompress(sized + stream);
    return raw.isEmpty() ? -1 : raw.size();
}

} // namespace

class tst_PngEncoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesBitExactlyWithItsDensity_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<PngEncoder::Filter>("filter");
        QTest::addColumn<int>("bands");
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<int>("dotsPerMetre");
        const auto automatic = PngEncoder::Filter::Auto;
        const auto opaque = QImage::Format_RGB32;

        QTest::newRow("1x1 translucent")
            << pattern({1, 1}, QImage::Format_ARGB32) << automatic << 0 << 1.0 << true << 2835;
        QTest::newRow("one row asked for in 4 bands")
            << pattern({37, 1}, opaque) << automatic << 4 << 1.0 << false << 2835;
        QTest::newRow("width 1 in 3 bands")
            << pattern({1, 9}, opaque) << automatic << 3 << 1.0 << false << 2835;
        QTest::newRow("odd 31x17 translucent in 5 bands at 1.5x: 108 dpi rounded")
            << pattern({31, 17}, QImage::Format_ARGB32) << automatic << 5 << 1.5 << true << 4252;
        QTest::newRow("flat 641x481 with edges, bands by cores")
            << pattern({641, 481}, opaque, true) << automatic << 0 << 1.0 << false << 2835;
        const char* names[] = {"auto", "none", "sub", "up", "paeth"};
        for (int f = 0; f < 5; ++f)
            QTest::addRow("odd 37x23 opaque in 3 bands at 2x: 144 dpi, %s", names[f])
                << pattern({37, 23}, opaque) << PngEncoder::Filter(f) << 3 << 2.0 << false << 5669;

        QImage premultiplied(16, 8, QImage::Format_ARGB32_Premultiplied);
        premultiplied.fill(QColor(200, 100, 50, 128));
        QTest::newRow("premultiplied keeps its colours")
            << premultiplied << automatic << 2 << 1.0 << true << 2835;
        QImage lastBandTranslucent = pattern({20, 12}, QImage::Format_ARGB32_Premultiplied, true);
        lastBandTranslucent.setPixel(19, 11, 0x80402010u);
        QTest::newRow("one translucent pixel in the last band makes it all RGBA")
            << lastBandTranslucent << automatic << 3 << 1.0 << true << 2835;
        QTest::newRow("an opaque capture with an alpha channel is written as RGB")
            << pattern({40, 30}, QImage::Format_ARGB32_Premultiplied, true) << automatic << 3 << 1.0
            << false << 2835;
        QTest::newRow("other formats are converted")
            << pattern({33, 7}, QImage::Format_RGB888) << automatic << 2 << 1.0 << false << 2835;
    }

    void decodesBitExactlyWithItsDensity() {
        QFETCH(QImage, image);
        QFETCH(PngEncoder::Filter, filter);
        QFETCH(int, bands);
        QFETCH(double, scale);
        QFETCH(bool, alpha);
        QFETCH(int, dotsPerMetre);

        const std::optional<QByteArray> png = PngEncoder::encode(image, scale, {filter, 1, bands});

        QVERIFY(png);
        const QString complaint = pngcheckComplaint(*png);
        QVERIFY2(complaint.isEmpty(), qPrintable(complaint));
        const qsizetype rows = qsizetype(image.height()) * (1 + image.width() * (alpha ? 4 : 3));
        QCOMPARE(inflatedSize(*png, rows), rows);
        const QImage decoded = QImage::fromData(*png, "png");
        QCOMPARE(decoded.hasAlphaChannel(), alpha);
        QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32),
                 image.convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(decoded.dotsPerMeterX(), dotsPerMetre);
        QCOMPARE(decoded.dotsPerMeterY(), dotsPerMetre);
    }

    void screenOfTextComesOutSmallAndNothingGivesNothing() {
        const std::optional<QByteArray> png =
            PngEncoder::encode(pattern({641, 481}, QImage::Format_RGB32, true), 1.0);

        QVERIFY(png);
        QVERIFY2(png->size() < 641 * 481 * 3 / 50, qPrintable(QString::number(png->size())));
        QVERIFY(!PngEncoder::encode(QImage(), 1.0));
    }
};

QTEST_APPLESS_MAIN(tst_PngEncoder)
#include "tst_PngEncoder.moc"

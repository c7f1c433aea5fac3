// Capture rules: PNG encoding and decoding, and cutting each screen out of the portal's image.
#include "capture/PngDecoder.h"
#include "capture/PngEncoder.h"
#include "capture/ScreenGrabber.h"

#include <QBuffer>
#include <QRandomGenerator>
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

// What the fast reader reads, as one image; nothing when it declines.
std::optional<QImage> fastRead(const QByteArray& png) {
    QImage image;
    const bool read = PngDecoder::read(
        png,
        [&](QSize size) {
            image = QImage(size, QImage::Format_ARGB32);
            return true;
        },
        [&](int y, const QRgb* row) {
            std::copy_n(row, image.width(), reinterpret_cast<QRgb*>(image.scanLine(y)));
        });
    return read ? std::optional(image) : std::nullopt;
}

// The IDAT chunks joined and inflated by zlib, which also checks the stream's Adler-32 (the
// decoder does not); -1 when that fails.
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

class tst_CaptureRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesBitExactlyWithItsDensity_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("bands");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("dotsPerMetre");
        QTest::addColumn<PngEncoder::Filter>("filter");
        const auto row = [](const char* name, const QImage& image, int bands, bool alpha,
                            double scale = 1, int dotsPerMetre = 2835,
                            PngEncoder::Filter filter = PngEncoder::Filter::Auto) {
            QTest::newRow(name) << image << bands << alpha << scale << dotsPerMetre << filter;
        };
        const auto opaque = QImage::Format_RGB32, translucent = QImage::Format_ARGB32,
                   premultiplied = QImage::Format_ARGB32_Premultiplied;

        row("1x1 translucent", pattern({1, 1}, translucent), 0, true);
        row("one row asked for in 4 bands", pattern({37, 1}, opaque), 4, false);
        row("width 1 in 3 bands", pattern({1, 9}, opaque), 3, false);
        row("odd 31x17 translucent in 5 bands at 1.5x: 108 dpi rounded",
            pattern({31, 17}, translucent), 5, true, 1.5, 4252);
        row("flat 641x481 with edges, bands by cores", pattern({641, 481}, opaque, true), 0, false);
        const char* names[] = {"auto", "none", "sub", "up", "paeth"};
        for (int f = 0; f < 5; ++f)
            row(qPrintable(u"odd 37x23 opaque in 3 bands at 2x: 144 dpi, %1"_qs.arg(names[f])),
                pattern({37, 23}, opaque), 3, false, 2, 5669, PngEncoder::Filter(f));
        QImage halfClear(16, 8, premultiplied);
        halfClear.fill(QColor(200, 100, 50, 128));
        row("premultiplied keeps its colours", halfClear, 2, true);
        QImage lastBandTranslucent = pattern({20, 12}, premultiplied, true);
        lastBandTranslucent.setPixel(19, 11, 0x80402010u);
        row("one translucent pixel in the last band makes it all RGBA", lastBandTranslucent, 3,
            true);
        row("an opaque capture with an alpha channel is written as RGB",
            pattern({40, 30}, premultiplied, true), 3, false);
        row("other formats are converted", pattern({33, 7}, QImage::Format_RGB888), 2, false);
    }

    void decodesBitExactlyWithItsDensity() {
        QFETCH(QImage, image);
        QFETCH(int, bands);
        QFETCH(bool, alpha);
        QFETCH(double, scale);
        QFETCH(int, dotsPerMetre);
        QFETCH(PngEncoder::Filter, filter);

        const std::optional<QByteArray> png = PngEncoder::encode(image, scale, {filter, 1, bands});

        QVERIFY(png);
        const qsizetype rows = qsizetype(image.height()) * (1 + image.width() * (alpha ? 4 : 3));
        QCOMPARE(inflatedSize(*png, rows), rows);
        const QImage decoded = QImage::fromData(*png, "png");
        QCOMPARE(decoded.hasAlphaChannel(), alpha);
        QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32),
                 image.convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(decoded.dotsPerMeterX(), dotsPerMetre);
        QCOMPARE(decoded.dotsPerMeterY(), dotsPerMetre);
        QCOMPARE(fastRead(*png), decoded.convertToFormat(QImage::Format_ARGB32));
    }

    // Other writers' files, with every filter libpng chooses; what the fast reader does not take
    // is left to Qt's.
    void fastReaderTakesPlainPngsOnly_data() {
        QTest::addColumn<QByteArray>("png");
        QTest::addColumn<bool>("taken");
        const auto written = [](const QImage& image) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "png");
            return bytes;
        };
        const QImage text = pattern({97, 61}, QImage::Format_RGB32, true);
        QImage mixed = pattern({97, 61}, QImage::Format_ARGB32);
        for (int y = 0; y < 30; ++y) // a smooth half, where Average and Paeth win
            for (int x = 0; x < 97; ++x)
                mixed.setPixel(x, y, qRgba(x * 2, y * 4, x + y, 255 - x));
        QTest::newRow("RGB by libpng") << written(text) << true;
        QTest::newRow("RGBA by libpng") << written(mixed) << true;
        QTest::newRow("grey") << written(text.convertToFormat(QImage::Format_Grayscale8)) << false;
        QTest::newRow("16 bits") << written(mixed.convertToFormat(QImage::Format_RGBA64)) << false;
        QTest::newRow("cut short") << written(mixed).chopped(40) << false;
        QByteArray damaged = written(mixed);
        damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x10);
        QTest::newRow("a damaged byte") << damaged << false;
    }

    void fastReaderTakesPlainPngsOnly() {
        QFETCH(QByteArray, png);
        QFETCH(bool, taken);
        const std::optional<QImage> ours = fastRead(png);
        QCOMPARE(bool(ours), taken);
        if (ours)
            QCOMPARE(*ours, QImage::fromData(png).convertToFormat(QImage::Format_ARGB32));
    }

    // The portal hands over one image of the whole layout drawn at its highest scale; each screen's
    // part must come back at that screen's own device-pixel size, pixel for pixel.
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

        const QImage layout = drawn(bounds, imageScale);
        // Both ways the grabber takes: rows straight from the fast reader, or Qt's whole image.
        ScreenGrabberPortal::LayoutCut streamed(bounds, {{geometry, qreal(dpr)}});
        QVERIFY(PngDecoder::read(
            *PngEncoder::encode(layout, 1.0),
            [&](QSize size) {
                streamed.begin(size);
                return true;
            },
            [&](int y, const QRgb* row) { streamed.addRow(y, row); }));
        ScreenGrabberPortal::LayoutCut whole(bounds, {{geometry, qreal(dpr)}});
        whole.addImage(layout);

        for (const std::optional<QImage>& cut : {streamed.image(0), whole.image(0)}) {
            QVERIFY(cut);
            QCOMPARE(cut->devicePixelRatio(), qreal(dpr));
            QImage plain = *cut;
            plain.setDevicePixelRatio(1);
            QCOMPARE(plain, drawn(geometry, dpr));
        }
    }

    void nothingGivesNothing() {
        const QRect bounds(0, 0, 100, 100);

        QVERIFY(!PngEncoder::encode(QImage(), 1.0));
        ScreenGrabberPortal::LayoutCut cuts(bounds, {{QRect(100, 0, 50, 50), 1}});
        cuts.addImage(drawn(bounds, 1));
        QVERIFY(!cuts.image(0));
    }
};

QTEST_APPLESS_MAIN(tst_CaptureRules)
#include "tst_CaptureRules.moc"

#include "annotation/Flattening.h"

#include <QTest>

#include <cmath>

namespace {

const QRgb red = qRgb(237, 46, 46);

// A frozen display whose every pixel names its own position, so that a colour in the output
// tells which pixel of the screen it came from.
QImage coordinateImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x & 255, y & 255, ((x >> 8) << 4) | (y >> 8));
    }
    return image;
}

QPoint positionOf(QRgb c) {
    return QPoint(qRed(c) | ((qBlue(c) >> 4) << 8), qGreen(c) | ((qBlue(c) & 15) << 8));
}

QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

AnnotationRef arrowAcross(double y, QPointF from, QPointF to) {
    auto a = std::make_shared<Annotation>(Tool::arrow, QColor(red), from);
    a->points = {QPointF(from.x(), y), QPointF(to.x(), y)};
    a->lineWidth = 6;
    return a;
}

bool isRed(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
}

} // namespace

class TestFlattening : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectionIsRoundedOutwardToWholePoints() {
        const Flattening f(coordinateImage(200, 200), QSizeF(100, 100));

        const auto out = f.render(QRectF(5.3, 7.6, 10.4, 10.5), {});

        QVERIFY(out);
        QCOMPARE(out->image.size(), QSize(22, 24));
        QCOMPARE(out->pointSize, QSizeF(11, 12));
        QCOMPARE(positionOf(out->image.pixel(0, 0)), QPoint(10, 14));
        QCOMPARE(positionOf(out->image.pixel(21, 23)), QPoint(31, 37));
    }

    void selectionIsCutToTheDisplay_data() {
        QTest::addColumn<QRectF>("selection");
        QTest::addColumn<QSizeF>("points");
        QTest::newRow("past the bottom-right corner") << QRectF(90, 95, 30, 30) << QSizeF(10, 5);
        QTest::newRow("past the top-left corner") << QRectF(-20, -10, 30, 30) << QSizeF(10, 20);
        QTest::newRow("wholly outside") << QRectF(150, 150, 10, 10) << QSizeF();
        QTest::newRow("touching the display only at its edge")
            << QRectF(100, 20, 10, 10) << QSizeF();
        QTest::newRow("thinner than a point after rounding") << QRectF(10, 10, 0, 5) << QSizeF();
    }
    void selectionIsCutToTheDisplay() {
        QFETCH(QRectF, selection);
        QFETCH(QSizeF, points);
        const Flattening f(coordinateImage(200, 200), QSizeF(100, 100));

        const auto out = f.render(selection, {});

        QCOMPARE(out.has_value(), !points.isEmpty());
        if (out) {
            QCOMPARE(out->pointSize, points);
            QCOMPARE(out->image.size(), (points * 2).toSize());
        }
    }

    void arrowIsCutAtTheSelectionEdge() {
        const Flattening f(filled(200, 200, qRgb(255, 255, 255)), QSizeF(100, 100));
        const QList<AnnotationRef> list{arrowAcross(50, {20, 0}, {90, 0})};

        const auto out = f.render(QRectF(0, 0, 50, 100), list);

        QVERIFY(out);
        QCOMPARE(out->image.size(), QSize(100, 200));
        QVERIFY(isRed(out->image.pixel(99, 100)));
        QVERIFY(isRed(out->image.pixel(60, 100)));
        QVERIFY(!isRed(out->image.pixel(30, 100)));
    }

    void annotationsAreLayeredInListOrder() {
        const QRgb green = qRgb(46, 179, 77);
        const Flattening f(filled(200, 200, green), QSizeF(100, 100));
        const AnnotationRef arrow = arrowAcross(50, {10, 0}, {90, 0});
        auto pixelate = std::make_shared<Annotation>(Tool::pixelate, QColor(), QPointF(40, 30));
        pixelate->points[1] = QPointF(60, 70);
        pixelate->pixelated = f.pixelate(pixelate->rect());

        const auto hidden = f.render(QRectF(0, 0, 100, 100), {arrow, pixelate});
        const auto onTop = f.render(QRectF(0, 0, 100, 100), {pixelate, arrow});

        QVERIFY(pixelate->pixelated);
        QCOMPARE(hidden->image.pixel(100, 100), green);
        QVERIFY(isRed(hidden->image.pixel(40, 100)));
        QVERIFY(isRed(onTop->image.pixel(100, 100)));
    }

    void anyFrozenImageGivesOpaqueOutputInPlace_data() {
        QTest::addColumn<QImage>("screen");
        const QRgb grey = qRgb(90, 100, 110);
        // X servers leave the spare byte of 24-bit pixels at zero.
        QImage spareByteZero = filled(200, 200, grey);
        for (int y = 0; y < 200; ++y) {
            auto* line = reinterpret_cast<quint32*>(spareByteZero.scanLine(y));
            std::fill(line, line + 200, grey & 0x00ffffffu);
        }
        QImage ratioTwo = filled(200, 200, grey);
        ratioTwo.setDevicePixelRatio(2);
        QTest::newRow("RGB32 with a zero spare byte") << spareByteZero;
        QTest::newRow("image that carries its device pixel ratio") << ratioTwo;
        QTest::newRow("24-bit image")
            << filled(200, 200, grey).convertToFormat(QImage::Format_RGB888);
    }
    void anyFrozenImageGivesOpaqueOutputInPlace() {
        QFETCH(QImage, screen);
        const Flattening f(screen, QSizeF(100, 100));
        const QList<AnnotationRef> list{arrowAcross(50, {10, 0}, {90, 0})};

        const auto out = f.render(QRectF(0, 0, 100, 100), list);
        const auto blocks = f.pixelate(QRectF(0, 0, 20, 20));

        QVERIFY(out && blocks);
        QCOMPARE(out->image.pixel(100, 40), qRgb(90, 100, 110));
        QVERIFY(isRed(out->image.pixel(100, 100)));
        QVERIFY(!isRed(out->image.pixel(100, 120)));
        QCOMPARE(blocks->pixel(5, 5), qRgb(90, 100, 110));
    }

    void pixelRectScalesAndRoundsOutward() {
        const Flattening f(coordinateImage(200, 100), QSizeF(100, 50));

        QCOMPARE(f.pixelRect(QRectF(5.3, 7.6, 10.4, 10.5)), QRect(10, 15, 22, 22));
        QCOMPARE(f.pixelRect(QRectF(0.1 + 0.2, 1, 1, 1)), QRect(0, 2, 3, 2));
    }

    void pixelationFillsEachBlockFromInsideIt_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QRectF>("area");
        QTest::newRow("2x, blocks cut on the top and right") << 2.0 << QRectF(10.5, 20, 40, 31);
        QTest::newRow("1x, blocks cut on the top and right") << 1.0 << QRectF(3, 7, 50, 22);
        QTest::newRow("2x, area smaller than one block") << 2.0 << QRectF(60, 60, 4, 3);
        QTest::newRow("2x, area past the display's corner") << 2.0 << QRectF(180, 80, 40, 40);
    }
    void pixelationFillsEachBlockFromInsideIt() {
        QFETCH(double, scale);
        QFETCH(QRectF, area);
        const QSizeF view(200, 100);
        const Flattening f(coordinateImage(int(view.width() * scale), int(view.height() * scale)),
                           view);
        const QRect crop = f.pixelRect(area) & f.image().rect();
        // 9 points per block, whatever the scale.
        const int block = int(9 * scale);

        const auto out = f.pixelate(area);

        QVERIFY(out);
        QCOMPARE(out->size(), crop.size());
        const int h = crop.height();
        QHash<QPoint, QRgb> blockColour;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < crop.width(); ++x) {
                const QRgb c = out->pixel(x, y);
                QCOMPARE(qAlpha(c), 255);
                // Blocks are counted from the crop's bottom-left corner.
                const QPoint cell(x / block, (h - 1 - y) / block);
                const auto known = blockColour.constFind(cell);
                if (known != blockColour.cend()) {
                    QCOMPARE(c, *known);
                    continue;
                }
                blockColour.insert(cell, c);
                const QRect cellPixels(crop.left() + cell.x() * block,
                                       crop.top() + h - (cell.y() + 1) * block, block, block);
                const QPoint source = positionOf(c);
                QVERIFY2((cellPixels & crop).contains(source),
                         qPrintable(QStringLiteral("block %1,%2 took pixel %3,%4")
                                        .arg(cell.x())
                                        .arg(cell.y())
                                        .arg(source.x())
                                        .arg(source.y())));
            }
        }
    }

    void cutTopBlocksTakeTheEdgeRow() {
        const Flattening f(coordinateImage(400, 200), QSizeF(200, 100));

        // 22 pixels high: one whole block of 18 at the bottom and 4 rows of a cut block on top,
        // whose centre lies above the crop.
        const auto out = f.pixelate(QRectF(10, 10, 20, 11));

        QVERIFY(out);
        QCOMPARE(positionOf(out->pixel(0, 0)).y(), 20);
        QCOMPARE(positionOf(out->pixel(0, 4)).y(), 20 + 22 - 1 - 9);
    }

    void tinyAreasYieldNoPixelation_data() {
        QTest::addColumn<QRectF>("area");
        QTest::addColumn<bool>("pixelated");
        QTest::newRow("0.8 points wide at 2x still pixelates") << QRectF(10, 10, 0.8, 5) << true;
        QTest::newRow("0.4 points wide at 2x yields nothing") << QRectF(10, 10, 0.4, 5) << false;
        QTest::newRow("0.4 points high at 2x yields nothing") << QRectF(10, 10, 5, 0.4) << false;
        QTest::newRow("wholly outside the display") << QRectF(300, 10, 5, 5) << false;
    }
    void tinyAreasYieldNoPixelation() {
        QFETCH(QRectF, area);
        QFETCH(bool, pixelated);
        const Flattening f(coordinateImage(400, 200), QSizeF(200, 100));

        const auto out = f.pixelate(area);

        QCOMPARE(out.has_value(), pixelated);
    }
};

QTEST_MAIN(TestFlattening)
#include "tst_Flattening.moc"

// Annotations: their bounds and strokes as drawn, and flattening them onto the frozen display.
#include "annotation/Annotation.h"
#include "annotation/Flattening.h"

#include <QPainter>
#include <QTest>

#include <cmath>

namespace {

const QColor blue = QColor::fromRgbF(0.1f, 0.52f, 0.96f);

// The annotations on a white canvas of size x size points.
QImage paint(const QList<Annotation>& list, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const Annotation& a : list)
        a.draw(&painter);
    return image;
}

Annotation stroke(Tool tool, double width, QList<QPointF> pts, QColor color = Qt::black) {
    Annotation a(tool, color, pts.first());
    a.points = pts;
    a.lineWidth = width;
    return a;
}

const QRgb red = qRgb(237, 46, 46);

// A frozen display whose every pixel names its own position, so that a colour in the output
// tells which pixel of the screen it came from.
QImage coordinateImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 255, y & 255, ((x >> 8) << 4) | (y >> 8)));
    return image;
}

QPoint positionOf(QRgb c) {
    return QPoint(qRed(c) | ((qBlue(c) >> 4) << 8), qGreen(c) | ((qBlue(c) & 15) << 8));
}

AnnotationRef arrowAcross(double y, double fromX, double toX) {
    auto a = std::make_shared<Annotation>(Tool::arrow, QColor(red), QPointF(fromX, y));
    a->points[1] = QPointF(toX, y);
    a->lineWidth = 6;
    return a;
}

bool isRed(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
}

} // namespace

class tst_Annotation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void negligibleBelowThreePoints() {
        auto negligible = [](Tool tool, double span) {
            return stroke(tool, 3, {{10, 10}, {10 + span, 10}}).isNegligible();
        };

        QVERIFY(!negligible(Tool::line, 3));
        QVERIFY(negligible(Tool::line, 2.99));
        QVERIFY(!negligible(Tool::pen, 0)); // a click leaves a dot
    }

    void hitTolerance() {
        const QList<QPointF> dot{{50, 50}}, bar{{0, 0}, {100, 0}}, box{{0, 0}, {100, 80}};
        const auto hit = [](Tool tool, double width, QList<QPointF> pts, QPointF probe) {
            return stroke(tool, width, pts).hitTest(probe);
        };

        QVERIFY(hit(Tool::pen, 2, dot, {57, 50})); // a thin pen: 7 points
        QVERIFY(!hit(Tool::pen, 2, dot, {57.01, 50}));
        QVERIFY(!hit(Tool::pen, 20, dot, {50, 60.01}));           // a wide one: half its width
        QVERIFY(!hit(Tool::line, 3, bar, {-5, -5}));              // diagonally off its end
        QVERIFY(!hit(Tool::arrow, 3, bar, {97, 8}));              // the head adds nothing
        QVERIFY(!hit(Tool::number, 26, dot, {50, 66.01}));        // past radius + 3
        QVERIFY(hit(Tool::pixelate, 3, bar, {50, -3}));           // 3 outside its area
        QVERIFY(!hit(Tool::rect, 3, box, {50, 40}));              // hollow
        QVERIFY(hit(Tool::rect, 3, box, {-7, 40}));               // 7 outside an edge
        QVERIFY(!hit(Tool::rect, 3, box, {92.9, 40}));            // past the inner band
        QVERIFY(hit(Tool::rect, 3, {{0, 0}, {10, 60}}, {5, 30})); // too narrow for a hole
    }

    void markerStrokesDarkenOnlyWhereSeparateStrokesCross() {
        const Annotation across = stroke(Tool::marker, 16, {{10, 50}, {90, 50}}, blue);
        const Annotation down = stroke(Tool::marker, 16, {{50, 10}, {50, 90}}, blue);

        const QImage crossing = paint({across, down}, 100);
        const QImage self =
            paint({stroke(Tool::marker, 16, {{10, 50}, {90, 50}, {50, 10}, {50, 90}}, blue)}, 100);

        const int single = qGray(crossing.pixel(25, 50));
        QVERIFY(single < 230);
        QVERIFY(qGray(crossing.pixel(50, 50)) < single - 20);
        QVERIFY(std::abs(qGray(self.pixel(50, 50)) - qGray(self.pixel(25, 50))) <= 2);
    }

    // Rounded outward to whole points, cut to the display, annotations cut at its edge.
    void selectionRoundedAndCut() {
        const Flattening f(coordinateImage(200, 200), QSizeF(100, 100));
        auto pointSize = [&](QRectF r) { return f.render(r, {}).value_or(Rendered{}).pointSize; };

        const auto out = f.render(QRectF(5.3, 7.6, 10.4, 10.5), {});
        const auto cut = f.render(QRectF(0, 0, 50, 100), {arrowAcross(50, 20, 90)});

        QVERIFY(out && cut);
        QCOMPARE(out->image.size(), QSize(22, 24));
        QCOMPARE(out->pointSize, QSizeF(11, 12));
        QCOMPARE(positionOf(out->image.pixel(0, 0)), QPoint(10, 14));
        QCOMPARE(positionOf(out->image.pixel(21, 23)), QPoint(31, 37));
        QCOMPARE(out->image.dotsPerMeterX(), 5669); // 144 dpi, so the PNG records the density
        // The TIFF: Compression (tag 259, one SHORT) is 5, LZW, in either byte order; same
        // pixels and density.
        const QByteArray tiff = out->tiffData().value_or(QByteArray());
        QVERIFY(tiff.contains(QByteArray::fromHex("03010300010000000500")) ||
                tiff.contains(QByteArray::fromHex("01030003000000010005")));
        const QImage back = QImage::fromData(tiff);
        QCOMPARE(back.pixel(21, 23), out->image.pixel(21, 23));
        QVERIFY(std::abs(back.dotsPerMeterX() * 0.0254 - 144) < 0.1);
        QVERIFY(std::abs(back.dotsPerMeterY() * 0.0254 - 144) < 0.1);
        QCOMPARE(pointSize(QRectF(90, 95, 30, 30)), QSizeF(10, 5));
        QCOMPARE(pointSize(QRectF(-20, -10, 30, 30)), QSizeF(10, 20));
        QVERIFY(!f.render(QRectF(150, 150, 10, 10), {}));
        QCOMPARE(cut->image.size(), QSize(100, 200));
        QVERIFY(isRed(cut->image.pixel(99, 100)) && !isRed(cut->image.pixel(30, 100)));
    }

    // Layered in list order, and opaque although X leaves the spare byte of its pixels at zero.
    void annotationsLayeredInListOrderOnAnOpaqueImage() {
        const QRgb green = qRgb(46, 179, 77);
        QImage screen(200, 200, QImage::Format_RGB32);
        auto* pixels = reinterpret_cast<quint32*>(screen.bits());
        std::fill(pixels, pixels + 200 * 200, green & 0x00ffffffu);
        const Flattening f(screen, QSizeF(100, 100));
        const AnnotationRef arrow = arrowAcross(50, 10, 90);
        auto pixelate = std::make_shared<Annotation>(Tool::pixelate, QColor(), QPointF(40, 30));
        pixelate->points[1] = QPointF(60, 70);
        pixelate->pixelated = f.pixelate(pixelate->rect());

        const auto hidden = f.render(QRectF(0, 0, 100, 100), {arrow, pixelate});
        const auto onTop = f.render(QRectF(0, 0, 100, 100), {pixelate, arrow});

        QCOMPARE(hidden->image.pixel(10, 10), green);
        QCOMPARE(hidden->image.pixel(100, 100), green);
        QVERIFY(isRed(hidden->image.pixel(40, 100)));
        QVERIFY(isRed(onTop->image.pixel(100, 100)));
    }

    void pixelationFillsEachBlockFromInsideIt_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QRectF>("area");
        QTest::newRow("2x, blocks cut on the top and right") << 2.0 << QRectF(10.5, 20, 40, 31);
        QTest::newRow("1x, blocks cut on the top and right") << 1.0 << QRectF(3, 7, 50, 22);
        QTest::newRow("2x, area past the display's corner") << 2.0 << QRectF(180, 80, 40, 40);
    }
    void pixelationFillsEachBlockFromInsideIt() {
        QFETCH(double, scale);
        QFETCH(QRectF, area);
        const Flattening f(coordinateImage(int(200 * scale), int(100 * scale)), QSizeF(200, 100));
        const QRect crop = f.pixelRect(area) & f.image().rect();
        const int block = int(9 * scale), h = crop.height();

        const auto out = f.pixelate(area);

        QVERIFY(out);
        QCOMPARE(out->size(), crop.size());
        QHash<QPoint, QRgb> blockColour;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < crop.width(); ++x) {
                const QRgb c = out->pixel(x, y);
                QCOMPARE(qAlpha(c), 255);
                // Blocks are counted from the crop's bottom-left corner.
                const QPoint cell(x / block, (h - 1 - y) / block);
                if (blockColour.contains(cell)) {
                    QCOMPARE(c, blockColour[cell]);
                    continue;
                }
                blockColour.insert(cell, c);
                const QRect cellPixels(crop.left() + cell.x() * block,
                                       crop.top() + h - (cell.y() + 1) * block, block, block);
                QVERIFY((cellPixels & crop).contains(positionOf(c)));
            }
        }
    }

    void cutTopBlocksTakeTheEdgeRow() {
        const Flattening f(coordinateImage(400, 200), QSizeF(200, 100));

        // 22 pixels high: a whole block of 18 at the bottom and a cut block of 4 rows on top,
        // whose centre lies above the crop.
        const auto out = f.pixelate(QRectF(10, 10, 20, 11));

        QCOMPARE(positionOf(out.value_or(QImage()).pixel(0, 0)).y(), 20);
        QCOMPARE(positionOf(out.value_or(QImage()).pixel(0, 4)).y(), 20 + 22 - 1 - 9);
    }

    void tinyAreasYieldNoPixelation() {
        const Flattening f(coordinateImage(400, 200), QSizeF(200, 100));

        QVERIFY(f.pixelate(QRectF(10, 10, 0.8, 5)));
        QVERIFY(!f.pixelate(QRectF(10, 10, 0.4, 5)));
    }
};

QTEST_MAIN(tst_Annotation)
#include "tst_Annotation.moc"

#include "annotation/Annotation.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(Tool)

namespace {

// Paints one annotation on a white canvas of size x size points, `scale` pixels per point.
QImage paint(const Annotation& a, int size, double scale = 1) {
    QImage image(int(size * scale), int(size * scale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    a.draw(&painter);
    return image;
}

// Whether the pixel under a point (in points) is clearly covered by black.
bool inked(const QImage& image, QPointF p, double scale) {
    return qGray(image.pixel(int(p.x() * scale), int(p.y() * scale))) < 96;
}

bool blank(const QImage& image, QPointF p, double scale) {
    return qGray(image.pixel(int(p.x() * scale), int(p.y() * scale))) > 224;
}

bool untouched(const QImage& image) {
    QImage white(image.size(), image.format());
    white.fill(Qt::white);
    return image == white;
}

int colourDistance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

Annotation stroke(Tool tool, double width, QList<QPointF> pts, QColor color = Qt::black) {
    Annotation a(tool, color, pts.first());
    a.points = pts;
    a.lineWidth = width;
    return a;
}

} // namespace

class TestAnnotation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshAnnotationSpansAnEmptyRectAtItsStart() {
        const Annotation a(Tool::line, Qt::red, QPointF(12, 34));

        const QRectF r = a.rect();

        QCOMPARE(a.points, (QList<QPointF>{{12, 34}, {12, 34}}));
        QVERIFY(r.isEmpty());
        QCOMPARE(r.topLeft(), QPointF(12, 34));
        QVERIFY(a.isNegligible());
    }

    void boundsPadTheStrokeBox_data() {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("pad");
        QTest::newRow("arrow of width 2 keeps 10 for its head, plus 1")
            << Tool(Tool::arrow) << 2.0 << 11.0;
        QTest::newRow("arrow of width 5 keeps three widths, plus 1")
            << Tool(Tool::arrow) << 5.0 << 16.0;
        QTest::newRow("line of width 4 keeps half its width, plus 1")
            << Tool(Tool::line) << 4.0 << 3.0;
        QTest::newRow("marker of width 16") << Tool(Tool::marker) << 16.0 << 9.0;
    }
    void boundsPadTheStrokeBox() {
        QFETCH(Tool, tool);
        QFETCH(double, width);
        QFETCH(double, pad);
        const Annotation a = stroke(tool, width, {{40, 30}, {10, 50}, {25, 70}});

        const QRectF b = a.bounds();

        QCOMPARE(b, QRectF(QPointF(10 - pad, 30 - pad), QPointF(40 + pad, 70 + pad)));
    }

    void badgeAndTextBounds() {
        Annotation badge(Tool::number, Qt::red, QPointF(50, 60));
        badge.lineWidth = 26;
        Annotation label(Tool::text, Qt::red, QPointF(5, 6));
        label.text = QStringLiteral("Hola");
        label.textHeight = 40;
        const QFontMetricsF metrics(Annotation::textFont());

        const QRectF badgeBounds = badge.bounds();
        const QRectF labelBounds = label.bounds();

        QCOMPARE(badgeBounds, QRectF(37, 47, 26, 26));
        QCOMPARE(labelBounds.topLeft(), QPointF(5, 6));
        QCOMPARE(labelBounds.width(), metrics.horizontalAdvance(label.text) + 4);
        QCOMPARE(labelBounds.height(), 40.0);
        label.textHeight = 0;
        QCOMPARE(label.bounds().height(), metrics.height());
    }

    void negligibleRule_data() {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<double>("span");
        QTest::addColumn<bool>("negligible");
        QTest::newRow("line of exactly 3 points is kept") << Tool(Tool::line) << 3.0 << false;
        QTest::newRow("line of 2.99 points is dropped") << Tool(Tool::line) << 2.99 << true;
        QTest::newRow("arrow of 2.99 points is dropped") << Tool(Tool::arrow) << 2.99 << true;
        QTest::newRow("rect of 3 points is kept") << Tool(Tool::rect) << 3.0 << false;
        QTest::newRow("pixelate of 2.99 points is dropped") << Tool(Tool::pixelate) << 2.99 << true;
        QTest::newRow("pen click is kept") << Tool(Tool::pen) << 0.0 << false;
        QTest::newRow("marker click is kept") << Tool(Tool::marker) << 0.0 << false;
        QTest::newRow("badge is kept") << Tool(Tool::number) << 0.0 << false;
    }
    void negligibleRule() {
        QFETCH(Tool, tool);
        QFETCH(double, span);
        QFETCH(bool, negligible);
        const Annotation a = stroke(tool, 3, {{10, 10}, {10 + span, 10}});

        QCOMPARE(a.isNegligible(), negligible);
    }

    void textIsNegligibleOnlyWhenEmpty() {
        Annotation a(Tool::text, Qt::red, QPointF(1, 2));

        QVERIFY(a.isNegligible());
        a.text = QStringLiteral(" ");
        QVERIFY(!a.isNegligible());
    }

    void lineWithoutPointsIsNegligible() {
        Annotation a(Tool::line, Qt::red, QPointF(1, 2));
        a.points.clear();

        QVERIFY(a.isNegligible());
    }

    void hitTolerance_data() {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<double>("width");
        QTest::addColumn<QList<QPointF>>("pts");
        QTest::addColumn<QPointF>("probe");
        QTest::addColumn<bool>("hit");
        const QList<QPointF> dot{{50, 50}};
        const QList<QPointF> bar{{0, 0}, {100, 0}};
        QTest::newRow("2-point pen is hit 7 points away")
            << Tool(Tool::pen) << 2.0 << dot << QPointF(57, 50) << true;
        QTest::newRow("2-point pen is missed past 7 points")
            << Tool(Tool::pen) << 2.0 << dot << QPointF(57.01, 50) << false;
        QTest::newRow("20-point marker is hit 10 points away")
            << Tool(Tool::marker) << 20.0 << dot << QPointF(50, 60) << true;
        QTest::newRow("20-point marker is missed past 10 points")
            << Tool(Tool::marker) << 20.0 << dot << QPointF(50, 60.01) << false;
        QTest::newRow("line is hit beside its middle")
            << Tool(Tool::line) << 3.0 << bar << QPointF(50, 7) << true;
        QTest::newRow("line is hit beyond its end within the tolerance")
            << Tool(Tool::line) << 3.0 << bar << QPointF(-7, 0) << true;
        QTest::newRow("line is missed diagonally off its end")
            << Tool(Tool::line) << 3.0 << bar << QPointF(-5, -5) << false;
        QTest::newRow("arrow head adds nothing to the shaft")
            << Tool(Tool::arrow) << 3.0 << bar << QPointF(97, 8) << false;
        QTest::newRow("badge of 26 is hit 16 points from its centre")
            << Tool(Tool::number) << 26.0 << dot << QPointF(50, 66) << true;
        QTest::newRow("badge of 26 is missed past 16 points")
            << Tool(Tool::number) << 26.0 << dot << QPointF(50, 66.01) << false;
        QTest::newRow("pixelate is hit 3 points outside its area")
            << Tool(Tool::pixelate) << 3.0 << bar << QPointF(50, -3) << true;
    }
    void hitTolerance() {
        QFETCH(Tool, tool);
        QFETCH(double, width);
        QFETCH(QList<QPointF>, pts);
        QFETCH(QPointF, probe);
        QFETCH(bool, hit);
        const Annotation a = stroke(tool, width, pts);

        QCOMPARE(a.hitTest(probe), hit);
    }

    void rectangleIsHitOnItsOutlineOnly_data() {
        QTest::addColumn<QRectF>("area");
        QTest::addColumn<QPointF>("probe");
        QTest::addColumn<bool>("hit");
        const QRectF big(0, 0, 100, 80);
        QTest::newRow("middle of a large rectangle") << big << QPointF(50, 40) << false;
        QTest::newRow("on the left edge") << big << QPointF(0, 40) << true;
        QTest::newRow("tolerance outside the left edge") << big << QPointF(-7, 40) << true;
        QTest::newRow("tolerance outside the right edge is out")
            << big << QPointF(107, 40) << false;
        QTest::newRow("tolerance inside the right edge") << big << QPointF(93, 40) << true;
        QTest::newRow("just past the inner band") << big << QPointF(92.9, 40) << false;
        QTest::newRow("middle of a rectangle too small for a hole")
            << QRectF(0, 0, 10, 60) << QPointF(5, 30) << true;
    }
    void rectangleIsHitOnItsOutlineOnly() {
        QFETCH(QRectF, area);
        QFETCH(QPointF, probe);
        QFETCH(bool, hit);
        const Annotation a = stroke(Tool::rect, 3, {area.topLeft(), area.bottomRight()});

        QCOMPARE(a.hitTest(probe), hit);
    }

    void cloneIsIndependent() {
        Annotation original(Tool::pixelate, Qt::blue, QPointF(1, 1));
        original.points[1] = QPointF(20, 20);
        original.text = QStringLiteral("a");
        original.number = 4;
        original.pixelated = QImage(4, 4, QImage::Format_RGB32);

        const AnnotationRef copy = original.clone();
        copy->points[1] = QPointF(99, 99);
        copy->text = QStringLiteral("b");
        copy->lineWidth = 9;

        QCOMPARE(original.points[1], QPointF(20, 20));
        QCOMPARE(original.text, QStringLiteral("a"));
        QCOMPARE(original.lineWidth, 3.0);
        QCOMPARE(copy->tool(), Tool(Tool::pixelate));
        QCOMPARE(copy->color(), QColor(Qt::blue));
        QCOMPARE(copy->number, 4);
        QCOMPARE(copy->pixelated->size(), QSize(4, 4));
    }

    void translateMovesEveryPoint() {
        Annotation a = stroke(Tool::pen, 3, {{1, 2}, {3, 4}});
        Annotation empty = a;
        empty.points.clear();

        a.translate(QPointF(0, 0));
        QCOMPARE(a.points, (QList<QPointF>{{1, 2}, {3, 4}}));
        a.translate(QPointF(5, -1));
        empty.translate(QPointF(5, -1));

        QCOMPARE(a.points, (QList<QPointF>{{6, 1}, {8, 3}}));
        QVERIFY(empty.points.isEmpty());
    }

    void penClickPaintsARoundDotOfItsWidth() {
        const Annotation dot = stroke(Tool::pen, 10, {{20, 20}});

        const QImage image = paint(dot, 40, 4);

        QVERIFY(inked(image, {20, 20}, 4));
        QVERIFY(inked(image, {15.5, 20}, 4));
        QVERIFY(inked(image, {20, 24.4}, 4));
        QVERIFY(blank(image, {14.4, 20}, 4));
        QVERIFY(blank(image, {20, 25.6}, 4));
        // Round, not square: the corner of its bounding square stays blank.
        QVERIFY(blank(image, {24, 24}, 4));
    }

    void arrowHeadGeometry_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("len");
        QTest::addColumn<double>("head");
        QTest::addColumn<double>("halfWidth");
        QTest::newRow("width 3 on a long arrow") << 3.0 << 60.0 << 21.0 << 8.82;
        QTest::newRow("width 3 on 20 points: half the arrow") << 3.0 << 20.0 << 10.0 << 4.2;
        QTest::newRow("width 3 on 12 points: the 8-point minimum") << 3.0 << 12.0 << 8.0 << 3.36;
        QTest::newRow("width 20 on 30 points: half the arrow") << 20.0 << 30.0 << 15.0 << 6.3;
        QTest::newRow("1.5 points: head larger than the arrow") << 3.0 << 1.5 << 8.0 << 3.36;
    }
    void arrowHeadGeometry() {
        QFETCH(double, width);
        QFETCH(double, len);
        QFETCH(double, head);
        QFETCH(double, halfWidth);
        const double y = 50;
        const QPointF tip(70, y);
        const Annotation a = stroke(Tool::arrow, width, {tip - QPointF(len, 0), tip});

        const QImage image = paint(a, 100, 4);

        QVERIFY(inked(image, tip - QPointF(0.4, 0), 4));
        QVERIFY(blank(image, tip + QPointF(0.5, 0), 4));
        // A station between the shaft's round cap and the tip, where only the head is wide.
        const double fromTip = std::min(head - 0.3, head - width / 2 - 0.5);
        const double half = halfWidth * fromTip / head;
        const double x = tip.x() - fromTip;
        QVERIFY(inked(image, {x, y - (half - 0.5)}, 4));
        QVERIFY(inked(image, {x, y + (half - 0.5)}, 4));
        QVERIFY(blank(image, {x, y - (half + 0.5)}, 4));
        QVERIFY(blank(image, {x, y + (half + 0.5)}, 4));
    }

    void arrowOfOnePointPaintsNothing() {
        const Annotation a = stroke(Tool::arrow, 5, {{50, 50}, {51, 50}});

        const QImage image = paint(a, 100);

        QVERIFY(untouched(image));
    }

    void badgeDigitColourFollowsLuminance_data() {
        QTest::addColumn<QColor>("badge");
        QTest::addColumn<QColor>("digits");
        QTest::newRow("black on yellow") << QColor::fromRgbF(1, 0.8f, 0) << QColor(Qt::black);
        QTest::newRow("black on white") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("white on red") << QColor::fromRgbF(0.93f, 0.18f, 0.18f) << QColor(Qt::white);
        QTest::newRow("white on green")
            << QColor::fromRgbF(0.18f, 0.70f, 0.30f) << QColor(Qt::white);
        QTest::newRow("white on blue") << QColor::fromRgbF(0.1f, 0.52f, 0.96f) << QColor(Qt::white);
        QTest::newRow("white on near-black")
            << QColor::fromRgbF(0.1f, 0.1f, 0.1f) << QColor(Qt::white);
    }
    void badgeDigitColourFollowsLuminance() {
        QFETCH(QColor, badge);
        QFETCH(QColor, digits);
        const QColor other = digits == Qt::black ? QColor(Qt::white) : QColor(Qt::black);
        Annotation a(Tool::number, badge, QPointF(50, 50));
        a.points = {QPointF(50, 50)};
        a.lineWidth = 48;
        a.number = 10;

        const QImage image = paint(a, 100);

        // Inside the white rim, count the pixels that are clearly digits and find their extent.
        int digitPixels = 0, otherPixels = 0;
        int minX = 100, maxX = 0, minY = 100, maxY = 0;
        for (int y = 30; y < 70; ++y) {
            for (int x = 30; x < 70; ++x) {
                if (std::hypot(x + 0.5 - 50, y + 0.5 - 50) > 20)
                    continue;
                const QRgb px = image.pixel(x, y);
                if (colourDistance(px, badge.rgb()) < 60)
                    continue;
                if (colourDistance(px, digits.rgb()) < 60) {
                    ++digitPixels;
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                } else if (colourDistance(px, other.rgb()) < 60) {
                    ++otherPixels;
                }
            }
        }
        QVERIFY2(digitPixels > 40, qPrintable(QString::number(digitPixels)));
        QCOMPARE(otherPixels, 0);
        QVERIFY(std::abs((minX + maxX + 1) / 2.0 - 50) < 1.5);
        QVERIFY(std::abs((minY + maxY + 1) / 2.0 - 50) < 1.5);
    }

    void markerStrokesDarkenOnlyWhereSeparateStrokesCross() {
        const QColor blue = QColor::fromRgbF(0.1f, 0.52f, 0.96f);
        Annotation across = stroke(Tool::marker, 16, {{10, 50}, {90, 50}}, blue);
        Annotation down = stroke(Tool::marker, 16, {{50, 10}, {50, 90}}, blue);
        Annotation loop = stroke(Tool::marker, 16, {{10, 50}, {90, 50}, {50, 10}, {50, 90}}, blue);

        QImage crossing(100, 100, QImage::Format_ARGB32_Premultiplied);
        crossing.fill(Qt::white);
        QPainter painter(&crossing);
        across.draw(&painter);
        down.draw(&painter);
        painter.end();
        const QImage self = paint(loop, 100);

        const QRgb single = crossing.pixel(25, 50);
        QVERIFY(colourDistance(single, qRgb(255, 255, 255)) > 60);
        QVERIFY(qGray(crossing.pixel(50, 50)) < qGray(single) - 20);
        QVERIFY(colourDistance(self.pixel(50, 50), self.pixel(25, 50)) <= 3);
    }

    void markerBlendsItsColourAtItsOpacity_data() {
        QTest::addColumn<double>("ratio");
        QTest::newRow("on a plain image") << 1.0;
        QTest::newRow("on an image of device pixel ratio 2") << 2.0;
    }
    void markerBlendsItsColourAtItsOpacity() {
        QFETCH(double, ratio);
        const QColor blue = QColor::fromRgbF(0.1f, 0.52f, 0.96f);
        Annotation a = stroke(Tool::marker, 16, {{20, 50}, {80, 50}, {80, 20}}, blue);
        a.opacity = 0.4;
        QImage image(int(100 * ratio), int(100 * ratio), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);

        QPainter painter(&image);
        a.draw(&painter);
        painter.end();

        auto at = [&](double x, double y) { return image.pixel(int(x * ratio), int(y * ratio)); };
        // 40 % of the colour over white.
        auto over = [](int c) { return int(255 * 0.6 + c * 0.4); };
        const QRgb expected = qRgb(over(blue.red()), over(blue.green()), over(blue.blue()));
        QVERIFY(colourDistance(at(50, 50), expected) <= 6);
        QVERIFY(colourDistance(at(80, 30), expected) <= 6);
        QVERIFY(colourDistance(at(50, 58.5), qRgb(255, 255, 255)) <= 3);
        QVERIFY(colourDistance(at(50, 41.5), qRgb(255, 255, 255)) <= 3);
        QVERIFY(colourDistance(at(50, 57), expected) <= 6);
    }

    void textStartsTwoPointsRightOfItsPoint() {
        Annotation a(Tool::text, Qt::black, QPointF(20, 10));
        a.text = QStringLiteral("H");
        a.textHeight = 30;
        const QFontMetricsF metrics(Annotation::textFont());

        const QImage image = paint(a, 60);

        int left = image.width(), top = image.height();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 128) {
                    left = std::min(left, x);
                    top = std::min(top, y);
                }
            }
        }
        QVERIFY(std::abs(left - (22 + metrics.leftBearing(QLatin1Char('H')))) <= 1);
        QVERIFY(top >= 10 && top < 10 + metrics.ascent());
    }

    void pixelateWithoutImagePaintsNothing() {
        const Annotation a = stroke(Tool::pixelate, 3, {{10, 10}, {50, 50}}, Qt::red);

        const QImage image = paint(a, 60);

        QVERIFY(untouched(image));
    }
};

QTEST_MAIN(TestAnnotation)
#include "tst_Annotation.moc"

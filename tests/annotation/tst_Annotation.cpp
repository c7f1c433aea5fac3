#include "annotation/Annotation.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTest>

#include <cmath>

namespace {

const QColor blue = QColor::fromRgbF(0.1f, 0.52f, 0.96f);

// The annotations on a white canvas of size x size points, `scale` pixels per point.
QImage paint(const QList<Annotation>& list, int size, double scale = 1) {
    QImage image(int(size * scale), int(size * scale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    for (const Annotation& a : list)
        a.draw(&painter);
    return image;
}

// Grey level of the pixel under a point given in points.
int grey(const QImage& image, QPointF p, double scale) {
    return qGray(image.pixel(int(p.x() * scale), int(p.y() * scale)));
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
    void boundsPadTheStrokeBox() {
        const QList<QPointF> pts{{40, 30}, {10, 50}, {25, 70}};
        auto padded = [](double pad) {
            return QRectF(10, 30, 30, 40).adjusted(-pad, -pad, pad, pad);
        };

        QCOMPARE(stroke(Tool::arrow, 2, pts).bounds(), padded(11)); // the head's minimum 10, + 1
        QCOMPARE(stroke(Tool::arrow, 5, pts).bounds(), padded(16)); // three widths, + 1
        QCOMPARE(stroke(Tool::line, 4, pts).bounds(), padded(3));   // half the width, + 1
    }

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

    void penClickPaintsARoundDotOfItsWidth() {
        const QImage image = paint({stroke(Tool::pen, 10, {{20, 20}})}, 40, 4);

        for (QPointF inside : {QPointF(20, 20), QPointF(15.5, 20), QPointF(20, 24.4)})
            QVERIFY(grey(image, inside, 4) < 96);
        // Round, not square: the corner of its bounding square stays blank.
        for (QPointF outside : {QPointF(14.4, 20), QPointF(20, 25.6), QPointF(24, 24)})
            QVERIFY(grey(image, outside, 4) > 224);
    }

    void arrowHeadGeometry_data() {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("len");
        QTest::addColumn<double>("head");
        QTest::addColumn<double>("halfWidth");
        QTest::newRow("width 3 on a long arrow") << 3.0 << 60.0 << 21.0 << 8.82;
        QTest::newRow("width 3 on 12 points: the 8-point minimum") << 3.0 << 12.0 << 8.0 << 3.36;
        QTest::newRow("width 20 on 30 points: half the arrow") << 20.0 << 30.0 << 15.0 << 6.3;
    }
    void arrowHeadGeometry() {
        QFETCH(double, width);
        QFETCH(double, len);
        QFETCH(double, head);
        QFETCH(double, halfWidth);
        const QPointF tip(70, 50);

        const QImage image =
            paint({stroke(Tool::arrow, width, {tip - QPointF(len, 0), tip})}, 100, 4);

        QVERIFY(grey(image, tip - QPointF(0.4, 0), 4) < 96);
        QVERIFY(grey(image, tip + QPointF(0.5, 0), 4) > 224);
        // A station between the shaft's round cap and the tip, where only the head is wide.
        const double fromTip = std::min(head - 0.3, head - width / 2 - 0.5);
        const double half = halfWidth * fromTip / head;
        for (double side : {-1.0, 1.0}) {
            QVERIFY(grey(image, tip + QPointF(-fromTip, side * (half - 0.5)), 4) < 96);
            QVERIFY(grey(image, tip + QPointF(-fromTip, side * (half + 0.5)), 4) > 224);
        }
    }

    void badgeDigitColourFollowsLuminance() {
        // Inside the white rim only the digits are near white or near black: count each.
        const auto digits = [](QColor badge) {
            Annotation a = stroke(Tool::number, 48, {{50, 50}}, badge);
            a.number = 10;
            const QImage image = paint({a}, 100);
            std::pair<int, int> whiteBlack;
            for (int y = 30; y < 70; ++y) {
                for (int x = 30; x < 70; ++x) {
                    const int g = qGray(image.pixel(x, y));
                    const bool inside = std::hypot(x + 0.5 - 50, y + 0.5 - 50) <= 20;
                    whiteBlack.first += inside && g > 235;
                    whiteBlack.second += inside && g < 25;
                }
            }
            return whiteBlack;
        };

        const auto onYellow = digits(QColor::fromRgbF(1, 0.8f, 0));
        const auto onBlue = digits(blue);

        QVERIFY(onYellow.first == 0 && onYellow.second > 40);
        QVERIFY(onBlue.first > 40 && onBlue.second == 0);
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

    void textStartsTwoPointsRightOfItsPoint() {
        Annotation a(Tool::text, Qt::black, QPointF(20, 10));
        a.text = QStringLiteral("H");
        a.textHeight = 30;

        const QImage image = paint({a}, 60);

        int left = 60;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < left; ++x)
                left = qGray(image.pixel(x, y)) < 128 ? x : left;
        QVERIFY(std::abs(left - (22 + QFontMetricsF(Annotation::textFont()).leftBearing('H'))) <=
                1);
    }
};

QTEST_MAIN(TestAnnotation)
#include "tst_Annotation.moc"

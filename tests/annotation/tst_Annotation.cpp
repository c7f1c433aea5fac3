#include "annotation/Annotation.h"

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
};

QTEST_MAIN(TestAnnotation)
#include "tst_Annotation.moc"

// The geometry of choosing the area on a 400 × 300 point display.
#include "editor/Selection.h"

#include <QTest>

using Selection::Handle;

Q_DECLARE_METATYPE(std::optional<QRectF>)
Q_DECLARE_METATYPE(std::optional<Handle>)

namespace {

const QRectF display(0, 0, 400, 300);
const QRectF chosen(100, 100, 200, 100);

} // namespace

class tst_Selection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void handleAt_data() {
        QTest::addColumn<QRectF>("s");
        QTest::addColumn<QPointF>("p");
        QTest::addColumn<std::optional<Handle>>("expected");
        QTest::newRow("7 points outside a corner grabs its handle")
            << chosen << QPointF(93, 93) << std::optional(Handle{-1, -1});
        QTest::newRow("8 points outside grabs nothing")
            << chosen << QPointF(92, 100) << std::optional<Handle>();
        QTest::newRow("the middle of an edge grabs the edge's handle")
            << chosen << QPointF(200, 205) << std::optional(Handle{0, 1});
        QTest::newRow("the centre is no handle")
            << chosen << QPointF(200, 150) << std::optional<Handle>();
        QTest::newRow("on a thin selection the top handle beats the bottom one")
            << QRectF(100, 100, 200, 4) << QPointF(100, 102) << std::optional(Handle{-1, -1});
    }

    void handleAt() {
        QFETCH(QRectF, s);
        QFETCH(QPointF, p);
        QFETCH(std::optional<Handle>, expected);

        QCOMPARE(Selection::handleAt(s, p), expected);
    }

    void dragged_data() {
        QTest::addColumn<QRectF>("result");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("a corner handle moves two edges")
            << Selection::resized(chosen, {-1, -1}, {80, 80}) << QRectF(80, 80, 220, 120);
        QTest::newRow("an edge handle moves only its edge")
            << Selection::resized(chosen, {1, 0}, {350, 10}) << QRectF(100, 100, 250, 100);
        QTest::newRow("left handle dragged past the right edge turns the selection over")
            << Selection::resized(chosen, {-1, 0}, {320, 150}) << QRectF(300, 100, 20, 100);
        QTest::newRow("moved, it follows the pointer")
            << Selection::moved(chosen, {-30, 20}, display) << QRectF(70, 120, 200, 100);
        QTest::newRow("moved past the left edge, it stops there")
            << Selection::moved(chosen, {-150, 0}, display) << QRectF(0, 100, 200, 100);
        QTest::newRow("moved past the bottom right, it stops at both edges")
            << Selection::moved(chosen, {300, 300}, display) << QRectF(200, 200, 200, 100);
    }

    void dragged() {
        QFETCH(QRectF, result);
        QFETCH(QRectF, expected);

        QCOMPARE(result, expected);
    }

    void settled_data() {
        QTest::addColumn<QRectF>("dragged");
        QTest::addColumn<std::optional<QRectF>>("window");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("a drag is rounded outward to whole points")
            << QRectF(QPointF(10.3, 20.7), QPointF(110.7, 81.3)) << std::optional<QRectF>()
            << QRectF(10, 20, 101, 62);
        QTest::newRow("a drag is cut to the display")
            << QRectF(350, 250, 100, 100) << std::optional<QRectF>() << QRectF(350, 250, 50, 50);
        QTest::newRow("a tiny drag takes the hovered window, rounded outward")
            << QRectF(60, 50, 2, 50) << std::optional(QRectF(50, 40, 120.5, 80))
            << QRectF(50, 40, 121, 80);
        QTest::newRow("a tiny drag over no window leaves nothing")
            << QRectF(60, 50, 50, 2) << std::optional<QRectF>() << QRectF();
        QTest::newRow("3 points either way is an area")
            << QRectF(60, 50, 3, 3) << std::optional(QRectF(0, 0, 400, 300))
            << QRectF(60, 50, 3, 3);
    }

    void settled() {
        QFETCH(QRectF, dragged);
        QFETCH(std::optional<QRectF>, window);
        QFETCH(QRectF, expected);

        QCOMPARE(Selection::settled(dragged, window, display), expected);
    }

    void loupeFrame_data() {
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QPointF>("topLeft");
        QTest::newRow("right of and below the pointer") << QPointF(851, 50) << QPointF(871, 70);
        QTest::newRow("left of a pointer 148 points from the right edge")
            << QPointF(852, 50) << QPointF(707, 70);
        QTest::newRow("below a pointer 169 points above the bottom")
            << QPointF(50, 431) << QPointF(70, 451);
        QTest::newRow("above a pointer 168 points above the bottom")
            << QPointF(50, 432) << QPointF(70, 287);
    }

    void loupeFrame() {
        QFETCH(QPointF, pointer);
        QFETCH(QPointF, topLeft);

        const QRectF frame = Selection::loupeFrame(pointer, QRectF(0, 0, 1000, 600));

        QCOMPARE(frame, QRectF(topLeft, QSizeF(125, 125)));
    }

    void pixelUnderCountsDevicePixels() {
        const QSize image(800, 600);

        QCOMPARE(Selection::pixelUnder({0, 0}, image, display), QPoint(0, 0));
        QCOMPARE(Selection::pixelUnder({10.4, 299.9}, image, display), QPoint(20, 599));
        QCOMPARE(Selection::pixelUnder({10.6, 0.5}, image, display), QPoint(21, 1));
    }
};

QTEST_APPLESS_MAIN(tst_Selection)
#include "tst_Selection.moc"

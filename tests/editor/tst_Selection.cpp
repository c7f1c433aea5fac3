// The geometry of choosing the area on a 400 × 300 point display.
#include "editor/Selection.h"

#include <QTest>

using Selection::Handle;

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
        QTest::newRow("on a thin selection the top handle beats the bottom one")
            << QRectF(100, 100, 200, 4) << QPointF(100, 102) << std::optional(Handle{-1, -1});
    }

    void handleAt() {
        QFETCH(QRectF, s);
        QFETCH(QPointF, p);

        QTEST(Selection::handleAt(s, p), "expected");
    }

    void rectangles_data() {
        QTest::addColumn<QRectF>("result");
        QTest::addColumn<QRectF>("expected");
        const auto settled = [](QRectF drag, std::optional<QRectF> hovered = std::nullopt) {
            return Selection::settled(drag, hovered, display);
        };
        const auto label = [](QRectF s) { return Selection::sizeLabelFrame(s, {60, 20}, display); };
        const auto field = [](QPointF p, int h) {
            return QRectF(Selection::textFieldFrame(p, h, chosen));
        };
        QTest::newRow("a corner handle moves two edges")
            << Selection::resized(chosen, {-1, -1}, {80, 80}) << QRectF(80, 80, 220, 120);
        QTest::newRow("left handle dragged past the right edge turns the selection over")
            << Selection::resized(chosen, {-1, 0}, {320, 150}) << QRectF(300, 100, 20, 100);
        QTest::newRow("moved past the bottom right, it stops at both edges")
            << Selection::moved(chosen, {300, 300}, display) << QRectF(200, 200, 200, 100);
        QTest::newRow("a drag settles rounded outward to whole points")
            << settled({QPointF(10.3, 20.7), QPointF(110.7, 81.3)}) << QRectF(10, 20, 101, 62);
        QTest::newRow("a drag settles cut to the display")
            << settled({350, 250, 100, 100}) << QRectF(350, 250, 50, 50);
        QTest::newRow("a tiny drag takes the hovered window, rounded outward")
            << settled({60, 50, 2, 50}, QRectF(50, 40, 120.5, 80)) << QRectF(50, 40, 121, 80);
        QTest::newRow("a tiny drag over no window leaves nothing")
            << settled({60, 50, 50, 2}) << QRectF();
        // The loupe on a 1000 × 600 display.
        QTest::newRow("the loupe is right of and below the pointer")
            << Selection::loupeFrame({851, 50}, {0, 0, 1000, 600}) << QRectF(871, 70, 125, 125);
        QTest::newRow("the loupe turns left 148 points from the right edge")
            << Selection::loupeFrame({852, 50}, {0, 0, 1000, 600}) << QRectF(707, 70, 125, 125);
        QTest::newRow("the loupe stays below 169 points above the bottom")
            << Selection::loupeFrame({50, 431}, {0, 0, 1000, 600}) << QRectF(70, 451, 125, 125);
        QTest::newRow("the loupe goes above 168 points above the bottom")
            << Selection::loupeFrame({50, 432}, {0, 0, 1000, 600}) << QRectF(70, 287, 125, 125);
        // Labels and the text field, sized 60 × 20 points.
        QTest::newRow("the size label sits 6 points above the top-left corner")
            << label({100, 28, 200, 100}) << QRectF(100, 2, 60, 20);
        QTest::newRow("the size label goes 6 points inside within 2 points of the top")
            << label({100, 27, 200, 100}) << QRectF(106, 33, 60, 20);
        QTest::newRow("the hint is centred across the display, its bottom 90 points down")
            << Selection::hintFrame({60, 20}, display) << QRectF(170, 70, 60, 20);
        QTest::newRow("the text field runs from the press to the selection's right edge")
            << field({100.6, 120.2}, 21) << QRectF(101, 110, 200, 21);
        QTest::newRow("the text field is 80 points wide at least")
            << field({270, 120}, 20) << QRectF(270, 110, 80, 20);
    }

    void rectangles() {
        QFETCH(QRectF, result);
        QFETCH(QRectF, expected);

        QCOMPARE(result, expected);
    }
};

QTEST_APPLESS_MAIN(tst_Selection)
#include "tst_Selection.moc"

// Where the toolbars and popups land around a selection on a 1920 × 1080 point display.
#include "editor/BarLayout.h"

#include <QTest>

namespace {

const QRectF display(0, 0, 1920, 1080);
const QSizeF toolsBar(38, 390);
const QSizeF actionsBar(166, 38);
const QSizeF palette(198, 70);
const QSizeF sizeBar(198, 38);

} // namespace

class tst_BarLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void toolsBar_data();
    void toolsBar();
    void actionsBar_data();
    void actionsBar();
    void popup_data();
    void popup();
};

void tst_BarLayout::toolsBar_data() {
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<QPointF>("expected");

    QTest::newRow("right of the selection, 8 points away, tops level")
        << QRectF(400, 300, 600, 500) << QPointF(1008, 300);
    QTest::newRow("selection touching the right edge: left of it")
        << QRectF(1320, 300, 600, 500) << QPointF(1274, 300);
    QTest::newRow("selection 20 points from the right edge: bar would not fit, goes left")
        << QRectF(1300, 300, 600, 500) << QPointF(1254, 300);
    QTest::newRow("full-display selection: inside along its right edge, 8 points in")
        << QRectF(0, 0, 1920, 1080) << QPointF(1874, 4);
    QTest::newRow("low selection: bar raised to stay 4 points above the bottom")
        << QRectF(400, 900, 300, 100) << QPointF(708, 686);
    QTest::newRow("selection at the top: bar kept 4 points below the top")
        << QRectF(400, 0, 300, 100) << QPointF(708, 4);
}

void tst_BarLayout::toolsBar() {
    QFETCH(QRectF, selection);
    QFETCH(QPointF, expected);

    const QRectF frame = BarLayout::toolsBarFrame(selection, display, ::toolsBar);

    QCOMPARE(frame, QRectF(expected, ::toolsBar));
}

void tst_BarLayout::actionsBar_data() {
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<QPointF>("expected");

    QTest::newRow("below the selection, 8 points away, right ends level")
        << QRectF(400, 300, 600, 400) << QPointF(834, 708);
    QTest::newRow("selection bottom 20 points above the display bottom: above it")
        << QRectF(400, 660, 600, 400) << QPointF(834, 614);
    QTest::newRow("full-display selection: inside along the bottom, 8 points up")
        << QRectF(0, 0, 1920, 1080) << QPointF(1750, 1034);
    QTest::newRow("narrow selection at the left edge: bar kept 4 points in")
        << QRectF(0, 100, 50, 50) << QPointF(4, 158);
}

void tst_BarLayout::actionsBar() {
    QFETCH(QRectF, selection);
    QFETCH(QPointF, expected);

    const QRectF frame = BarLayout::actionsBarFrame(selection, display, ::actionsBar);

    QCOMPARE(frame, QRectF(expected, ::actionsBar));
}

void tst_BarLayout::popup_data() {
    QTest::addColumn<QRectF>("anchor");
    QTest::addColumn<QRectF>("bar");
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<QPointF>("expected");

    QTest::newRow("size bar right of the tools bar, top 19 above the anchor's centre")
        << QRectF(1012, 336, 30, 30) << QRectF(1008, 300, 38, 390) << sizeBar << QPointF(1052, 332);
    QTest::newRow("tools bar at the right edge: popup to its left")
        << QRectF(1878, 296, 30, 30) << QRectF(1874, 4, 38, 390) << palette << QPointF(1670, 292);
    QTest::newRow("anchor near the bottom: popup raised to stay 4 points above it")
        << QRectF(1012, 1042, 30, 30) << QRectF(1008, 686, 38, 390) << palette
        << QPointF(1052, 1006);
}

void tst_BarLayout::popup() {
    QFETCH(QRectF, anchor);
    QFETCH(QRectF, bar);
    QFETCH(QSizeF, size);
    QFETCH(QPointF, expected);

    const QRectF frame = BarLayout::popupFrame(anchor, bar, display, size);

    QCOMPARE(frame, QRectF(expected, size));
}

QTEST_APPLESS_MAIN(tst_BarLayout)
#include "tst_BarLayout.moc"

// Where the toolbars land around a selection on a 1920 × 1080 point display.
#include "editor/BarLayout.h"

#include <QTest>

class tst_BarLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void frame_data() {
        QTest::addColumn<bool>("toolsBar");
        QTest::addColumn<QRectF>("selection");
        QTest::addColumn<QPointF>("expected");

        QTest::newRow("tools bar right of the selection, 8 points away, tops level")
            << true << QRectF(400, 300, 600, 500) << QPointF(1008, 300);
        QTest::newRow("selection touching the right edge: tools bar left of it")
            << true << QRectF(1320, 300, 600, 500) << QPointF(1274, 300);
        QTest::newRow("full display: tools bar inside along the right edge")
            << true << QRectF(0, 0, 1920, 1080) << QPointF(1874, 4);
        QTest::newRow("low selection: tools bar raised to stay 4 points above the bottom")
            << true << QRectF(400, 900, 300, 100) << QPointF(708, 686);
        QTest::newRow("actions bar below the selection, right ends level")
            << false << QRectF(400, 300, 600, 400) << QPointF(834, 708);
        QTest::newRow("selection 20 points above the bottom: actions bar above it")
            << false << QRectF(400, 660, 600, 400) << QPointF(834, 614);
        QTest::newRow("full display: actions bar inside along the bottom")
            << false << QRectF(0, 0, 1920, 1080) << QPointF(1750, 1034);
    }

    void frame() {
        QFETCH(bool, toolsBar);
        QFETCH(QRectF, selection);
        QFETCH(QPointF, expected);
        const QRectF display(0, 0, 1920, 1080);
        const QSizeF size = toolsBar ? QSizeF(38, 390) : QSizeF(166, 38);

        const QRectF frame = toolsBar ? BarLayout::toolsBarFrame(selection, display, size)
                                      : BarLayout::actionsBarFrame(selection, display, size);

        QCOMPARE(frame, QRectF(expected, size));
    }
};

QTEST_APPLESS_MAIN(tst_BarLayout)
#include "tst_BarLayout.moc"

// Where the toolbars land around a selection on a 1920 × 1080 point display.
#include "editor/BarLayout.h"

#include <QTest>

class tst_BarLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void frames() {
        const QRectF display(0, 0, 1920, 1080);
        const auto tools = [&](QRectF s) {
            return BarLayout::toolsBarFrame(s, display, QSizeF(38, 390)).topLeft();
        };
        const auto actions = [&](QRectF s) {
            return BarLayout::actionsBarFrame(s, display, QSizeF(166, 38)).topLeft();
        };

        // Tools: right of the selection, 8 points away, tops level; else left of it; inside a
        // full display; raised to stay 4 points above the bottom.
        QCOMPARE(tools(QRectF(400, 300, 600, 500)), QPointF(1008, 300));
        QCOMPARE(tools(QRectF(1320, 300, 600, 500)), QPointF(1274, 300));
        QCOMPARE(tools(display), QPointF(1874, 4));
        QCOMPARE(tools(QRectF(400, 900, 300, 100)), QPointF(708, 686));
        // Actions: below, right ends level; above a selection 20 points above the bottom; inside
        // a full display.
        QCOMPARE(actions(QRectF(400, 300, 600, 400)), QPointF(834, 708));
        QCOMPARE(actions(QRectF(400, 660, 600, 400)), QPointF(834, 614));
        QCOMPARE(actions(display), QPointF(1750, 1034));
        // Popups: 6 points right of the tools bar, else left of it; the top 19 points above the
        // anchor button's centre; raised to stay 4 points above the bottom.
        const auto popup = [&](double barX, double anchorY) {
            const QRectF bar(barX, 300, 38, 390), anchor(barX + 4, anchorY, 30, 30);
            return BarLayout::popupFrame(anchor, bar, display, QSizeF(200, 60)).topLeft();
        };
        QCOMPARE(popup(1008, 400), QPointF(1052, 396));
        QCOMPARE(popup(1700, 400), QPointF(1494, 396));
        QCOMPARE(popup(1008, 1045), QPointF(1052, 1016));
    }
};

QTEST_APPLESS_MAIN(tst_BarLayout)
#include "tst_BarLayout.moc"

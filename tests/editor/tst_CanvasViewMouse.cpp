// Choosing the area with the mouse, drawing, picking, badges and the wheel.
#include "CanvasFixture.h"
#include "settings/Prefs.h"

#include <QTest>
#include <QWheelEvent>

using Drag = CanvasView::Drag;

class tst_CanvasViewMouse : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pressNearTheSelection_data();
    void pressNearTheSelection();
    void pressOutsideAnAnnotatedSelectionKeepsIt();
    void tinyDragTakesTheHoveredWindow();
    void selectionIsRoundedOutward();
    void draggingTheSelection_data();
    void draggingTheSelection();
    void drawingEndPoint_data();
    void drawingEndPoint();
    void clickOnAnAnnotationChangesNothing();
    void badgesNumberAfterTheHighest();
    void wheel_data();
    void wheel();
};

void tst_CanvasViewMouse::pressNearTheSelection_data() {
    QTest::addColumn<QPointF>("press");
    QTest::addColumn<bool>("resizing");

    QTest::newRow("7 points outside a corner grabs the corner handle") << QPointF(93, 93) << true;
    QTest::newRow("8 points outside a corner starts a new selection") << QPointF(92, 92) << false;
}

void tst_CanvasViewMouse::pressNearTheSelection() {
    QFETCH(QPointF, press);
    QFETCH(bool, resizing);
    CanvasFixture f;
    f.select(QRectF(100, 100, 200, 100));

    f.send(QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton, {});

    QCOMPARE(f.view().drag().is<Drag::Resizing>(), resizing);
    QCOMPARE(f.view().drag().is<Drag::Selecting>(), !resizing);
    QCOMPARE(f.view().selection().isEmpty(), !resizing);
}

void tst_CanvasViewMouse::pressOutsideAnAnnotatedSelectionKeepsIt() {
    CanvasFixture f;
    f.select(QRectF(100, 100, 200, 100));
    f.choose(Tool::rect);
    f.drag(QPointF(120, 120), QPointF(160, 160));

    f.click(QPointF(20, 20));

    QCOMPARE(f.view().selection(), QRectF(100, 100, 200, 100));
    QCOMPARE(f.view().annotations().size(), 1);
}

void tst_CanvasViewMouse::tinyDragTakesTheHoveredWindow() {
    CanvasFixture f;
    f.view().setWindowRects({QRectF(50, 40, 120.5, 80), QRectF(0, 0, 400, 300)});
    f.hover(QPointF(60, 50));

    f.drag(QPointF(60, 50), QPointF(62, 100));

    QCOMPARE(f.view().selection(), QRectF(50, 40, 121, 80));
    QCOMPARE(f.liveCopies.size(), 1);
}

void tst_CanvasViewMouse::selectionIsRoundedOutward() {
    CanvasFixture f;

    f.drag(QPointF(10.3, 20.7), QPointF(110.7, 81.3));

    QCOMPARE(f.view().selection(), QRectF(10, 20, 101, 62));
    QCOMPARE(f.liveCopies.first().image.size(), QSize(202, 124));
}

void tst_CanvasViewMouse::draggingTheSelection_data() {
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRectF>("expected");

    QTest::newRow("left handle dragged past the right edge turns the selection over")
        << QPointF(100, 150) << QPointF(350, 150) << QRectF(300, 100, 50, 100);
    QTest::newRow("moved inside the display it follows the pointer")
        << QPointF(200, 150) << QPointF(230, 160) << QRectF(130, 110, 200, 100);
    QTest::newRow("moved left it stops at the left edge")
        << QPointF(200, 150) << QPointF(0, 150) << QRectF(0, 100, 200, 100);
    QTest::newRow("moved right and down it stops at those edges")
        << QPointF(200, 150) << QPointF(399, 299) << QRectF(200, 200, 200, 100);
}

void tst_CanvasViewMouse::draggingTheSelection() {
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QRectF, expected);
    CanvasFixture f;
    f.select(QRectF(100, 100, 200, 100));

    f.drag(from, to);

    QCOMPARE(f.view().selection(), expected);
}

void tst_CanvasViewMouse::drawingEndPoint_data() {
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QPointF>("expected");

    // Lines with Shift from (100, 100) in a selection of (50, 50, 250, 200).
    const QPointF s(100, 100);
    QTest::newRow("(10, 9) turns to 45 degrees keeping its length")
        << s + QPointF(10, 9) << s + QPointF(9.5131, 9.5131);
    QTest::newRow("(10, 3) turns level keeping its length")
        << s + QPointF(10, 3) << s + QPointF(10.4403, 0);
    QTest::newRow("a snapped end is clamped to the selection")
        << QPointF(305, 102) << QPointF(300, 100);
}

void tst_CanvasViewMouse::drawingEndPoint() {
    QFETCH(QPointF, to);
    QFETCH(QPointF, expected);
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::line);

    f.drag(QPointF(100, 100), to, Qt::ShiftModifier);

    const QPointF end = f.view().annotations().first()->points.last();
    QVERIFY2(std::abs(end.x() - expected.x()) < 0.001 && std::abs(end.y() - expected.y()) < 0.001,
             qPrintable(QStringLiteral("ended at %1, %2").arg(end.x()).arg(end.y())));
}

void tst_CanvasViewMouse::clickOnAnAnnotationChangesNothing() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::line);
    f.drag(QPointF(100, 100), QPointF(150, 100));
    f.choose(std::nullopt);
    const int copies = f.liveCopies.size();

    QTest::mouseClick(&f.view(), Qt::LeftButton, {}, QPoint(120, 101));

    QCOMPARE(f.view().selectedAnnotation(), f.view().annotations().first());
    QCOMPARE(f.view().undoStack().size(), 1);
    QCOMPARE(f.liveCopies.size(), copies);
}

void tst_CanvasViewMouse::badgesNumberAfterTheHighest() {
    CanvasFixture f;
    f.select(QRectF(0, 0, 400, 300));
    f.choose(Tool::number);
    for (int i = 1; i <= 3; ++i)
        f.click(QPointF(50.0 * i, 50));
    f.choose(std::nullopt);
    f.click(QPointF(100, 50));
    QTest::keyClick(&f.view(), Qt::Key_Delete);
    f.choose(Tool::number);

    f.click(QPointF(50, 150));
    f.click(QPointF(100, 150));

    QList<qint64> numbers;
    for (const AnnotationRef& a : f.view().annotations())
        numbers.append(a->number);
    QCOMPARE(numbers, (QList<qint64>{1, 3, 4, 5}));
}

void tst_CanvasViewMouse::wheel_data() {
    QTest::addColumn<QList<int>>("pixelDeltas"); // empty: one wheel notch up
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("remainder");

    QTest::newRow("one notch raises the marker opacity by 0.05") << QList<int>{} << 0.45 << 0.0;
    QTest::newRow("a precise delta of 12 makes one step") << QList<int>{12} << 0.45 << 0.0;
    QTest::newRow("a precise delta of 9 makes no step and is kept")
        << QList<int>{9} << 0.40 << 0.75;
    QTest::newRow("the kept remainder counts towards the next event")
        << QList<int>{9, 6} << 0.45 << 0.25;
}

void tst_CanvasViewMouse::wheel() {
    QFETCH(QList<int>, pixelDeltas);
    QFETCH(double, expected);
    QFETCH(double, remainder);
    CanvasFixture f;
    f.select(QRectF(0, 0, 400, 300));
    f.choose(Tool::marker);
    if (pixelDeltas.isEmpty())
        pixelDeltas.append(0);

    for (int delta : pixelDeltas) {
        const QPointF at(200, 150);
        QWheelEvent event(at, f.view().mapToGlobal(at), QPoint(0, delta),
                          QPoint(0, delta ? delta * 10 : 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&f.view(), &event);
    }

    QVERIFY2(std::abs(Prefs::markerOpacity() - expected) < 1e-9,
             qPrintable(QString::number(Prefs::markerOpacity())));
    QVERIFY(std::abs(f.view().scrollAccumulator() - remainder) < 1e-9);
}

QTEST_MAIN(tst_CanvasViewMouse)
#include "tst_CanvasViewMouse.moc"

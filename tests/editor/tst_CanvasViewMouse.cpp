#include "CanvasFixture.h"
#include "annotation/Geometry.h"
#include "settings/Prefs.h"

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using Drag = CanvasView::Drag;

class tst_CanvasViewMouse : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pressNearTheSelection_data();
    void pressNearTheSelection();
    void pressOutsideAnAnnotatedSelectionKeepsIt();
    void tinyDragTakesTheHoveredWindow_data();
    void tinyDragTakesTheHoveredWindow();
    void selectionIsRoundedOutward();
    void resizing_data();
    void resizing();
    void movingStopsAtTheDisplayEdge_data();
    void movingStopsAtTheDisplayEdge();
    void drawingEndPoint_data();
    void drawingEndPoint();
    void negligibleDrawingIsDropped();
    void penStrokeStaysInsideTheSelection();
    void movingAnAnnotationTakesOneSnapshot();
    void clickOnAnAnnotationChangesNothing();
    void pixelateAreaFollowsItsPlace();
    void badgesNumberAfterTheHighest();
    void wheel_data();
    void wheel();
    void cursorShape_data();
    void cursorShape();
    void pinSendsTheSelectionInGlobalCoordinates();
    void clearSelectionForgetsEverything();
};

void tst_CanvasViewMouse::pressNearTheSelection_data() {
    QTest::addColumn<QPointF>("press");
    QTest::addColumn<bool>("resizing");

    QTest::newRow("7 points outside a corner grabs the corner handle") << QPointF(93, 93) << true;
    QTest::newRow("8 points outside a corner starts a new selection") << QPointF(92, 92) << false;
    QTest::newRow("7 points inside an edge middle grabs that handle") << QPointF(200, 107) << true;
}

void tst_CanvasViewMouse::pressNearTheSelection() {
    QFETCH(QPointF, press);
    QFETCH(bool, resizing);
    CanvasFixture f;
    f.select(QRectF(100, 100, 200, 100));
    int beginSelection = 0;
    f.view().onBeginSelection = [&beginSelection] { ++beginSelection; };

    QTest::mousePress(&f.view(), Qt::LeftButton, {}, press.toPoint());

    QCOMPARE(f.view().drag().is<Drag::Resizing>(), resizing);
    QCOMPARE(f.view().drag().is<Drag::Selecting>(), !resizing);
    QCOMPARE(f.view().selection().isEmpty(), !resizing);
    QCOMPARE(beginSelection, resizing ? 0 : 1);
}

void tst_CanvasViewMouse::pressOutsideAnAnnotatedSelectionKeepsIt() {
    CanvasFixture f;
    f.select(QRectF(100, 100, 200, 100));
    f.choose(Tool::rect);
    f.drag(QPointF(120, 120), QPointF(160, 160));
    const int copies = f.liveCopies.size();

    QTest::mouseClick(&f.view(), Qt::LeftButton, {}, QPoint(20, 20));

    QCOMPARE(f.view().selection(), QRectF(100, 100, 200, 100));
    QCOMPARE(f.view().annotations().size(), 1);
    QVERIFY(f.view().drag().is<Drag::None>());
    QCOMPARE(f.liveCopies.size(), copies);
}

void tst_CanvasViewMouse::tinyDragTakesTheHoveredWindow_data() {
    QTest::addColumn<QList<QRectF>>("windows");
    QTest::addColumn<QRectF>("expected");

    QTest::newRow("a window under the pointer becomes the selection")
        << QList<QRectF>{QRectF(50, 40, 120.5, 80), QRectF(0, 0, 400, 300)}
        << QRectF(50, 40, 121, 80);
    QTest::newRow("a window reaching past the display is cut to it")
        << QList<QRectF>{QRectF(-20, 40, 120, 80)} << QRectF(0, 40, 100, 80);
    QTest::newRow("without a window there is no selection") << QList<QRectF>{} << QRectF();
}

void tst_CanvasViewMouse::tinyDragTakesTheHoveredWindow() {
    QFETCH(QList<QRectF>, windows);
    QFETCH(QRectF, expected);
    CanvasFixture f;
    f.view().setWindowRects(windows);
    QSignalSpy holes(&f.view(), &CanvasView::holeChanged);
    f.hover(QPointF(60, 50));
    const QRectF hovered = f.view().hole();

    f.drag(QPointF(60, 50), QPointF(62, 100));

    QCOMPARE(hovered, windows.isEmpty() ? QRectF() : windows.first());
    QCOMPARE(f.view().selection(), expected);
    QCOMPARE(holes.last().first().toRectF(), expected);
    QCOMPARE(f.view().hoveredWindow().has_value(), false);
    QCOMPARE(f.liveCopies.size(), expected.isEmpty() ? 0 : 1);
}

void tst_CanvasViewMouse::selectionIsRoundedOutward() {
    CanvasFixture f;

    f.drag(QPointF(10.3, 20.7), QPointF(110.7, 81.3));

    QCOMPARE(f.view().selection(), QRectF(10, 20, 101, 62));
    QCOMPARE(f.liveCopies.size(), 1);
    QCOMPARE(f.liveCopies.first().image.size(), QSize(202, 124));
}

void tst_CanvasViewMouse::resizing_data() {
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRectF>("expected");

    QTest::newRow("left handle dragged past the right edge turns the selection over")
        << QPointF(100, 150) << QPointF(350, 150) << QRectF(300, 100, 50, 100);
    QTest::newRow("bottom-right corner follows the pointer on both axes")
        << QPointF(300, 200) << QPointF(320, 250) << QRectF(100, 100, 220, 150);
    QTest::newRow("top handle moves only the top edge")
        << QPointF(200, 100) << QPointF(260, 80) << QRectF(100, 80, 200, 120);
    QTest::newRow("a handle dragged off the display stops at its edge")
        << QPointF(300, 150) << QPointF(900, 150) << QRectF(100, 100, 300, 100);
}

void tst_CanvasViewMouse::resizing() {
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QRectF, expected);
    CanvasFixture f;
    f.select(QRectF(100, 100, 200, 100));

    f.drag(from, to);

    QCOMPARE(f.view().selection(), expected);
}

void tst_CanvasViewMouse::movingStopsAtTheDisplayEdge_data() {
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QRectF>("expected");

    QTest::newRow("inside the display it follows the pointer")
        << QPointF(230, 160) << QRectF(130, 110, 200, 100);
    QTest::newRow("pushed left it stops at the left edge")
        << QPointF(0, 150) << QRectF(0, 100, 200, 100);
    QTest::newRow("pushed right and down it stops at those edges")
        << QPointF(399, 299) << QRectF(200, 200, 200, 100);
}

void tst_CanvasViewMouse::movingStopsAtTheDisplayEdge() {
    QFETCH(QPointF, to);
    QFETCH(QRectF, expected);
    CanvasFixture f;
    f.select(QRectF(100, 100, 200, 100));

    f.drag(QPointF(200, 150), to);

    QCOMPARE(f.view().selection(), expected);
    QCOMPARE(f.liveCopies.size(), 2);
}

void tst_CanvasViewMouse::drawingEndPoint_data() {
    QTest::addColumn<Tool>("tool");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QPointF>("expected");

    const QPointF s(100, 100);
    QTest::newRow("Shift turns a line to 45 degrees keeping its length")
        << Tool(Tool::line) << s + QPointF(10, 9) << true << s + QPointF(9.5131, 9.5131);
    QTest::newRow("Shift turns a nearly level arrow level")
        << Tool(Tool::arrow) << s + QPointF(10, 3) << true << s + QPointF(10.4403, 0);
    QTest::newRow("Shift snapping upwards to the left")
        << Tool(Tool::line) << s + QPointF(-10, -9) << true << s - QPointF(9.5131, 9.5131);
    QTest::newRow("a rectangle ignores Shift")
        << Tool(Tool::rect) << s + QPointF(10, 9) << true << s + QPointF(10, 9);
    QTest::newRow("without Shift the line ends at the pointer")
        << Tool(Tool::line) << s + QPointF(10, 9) << false << s + QPointF(10, 9);
    QTest::newRow("a line end outside the selection is clamped to its edge")
        << Tool(Tool::line) << QPointF(390, 120) << false << QPointF(300, 120);
    QTest::newRow("a snapped line end is clamped to the selection again")
        << Tool(Tool::line) << QPointF(305, 102) << true << QPointF(300, 100);
}

void tst_CanvasViewMouse::drawingEndPoint() {
    QFETCH(Tool, tool);
    QFETCH(QPointF, to);
    QFETCH(bool, shift);
    QFETCH(QPointF, expected);
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    f.choose(tool);

    f.drag(QPointF(100, 100), to, shift ? Qt::ShiftModifier : Qt::NoModifier);

    QCOMPARE(f.view().annotations().size(), 1);
    const QPointF end = f.view().annotations().first()->points.last();
    QVERIFY2(std::abs(end.x() - expected.x()) < 0.001 && std::abs(end.y() - expected.y()) < 0.001,
             qPrintable(QStringLiteral("ended at %1, %2").arg(end.x()).arg(end.y())));
    QCOMPARE(f.view().undoStack().size(), 1);
    QVERIFY(!f.view().current());
}

void tst_CanvasViewMouse::negligibleDrawingIsDropped() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::arrow);
    const int copies = f.liveCopies.size();

    f.drag(QPointF(100, 100), QPointF(102, 101));

    QVERIFY(f.view().annotations().isEmpty());
    QVERIFY(f.view().undoStack().isEmpty());
    QVERIFY(!f.view().current());
    QCOMPARE(f.liveCopies.size(), copies + 1);
}

void tst_CanvasViewMouse::penStrokeStaysInsideTheSelection() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 100, 100));
    f.choose(Tool::pen);

    QTest::mousePress(&f.view(), Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseMove(&f.view(), QPoint(100, 100));
    QTest::mouseMove(&f.view(), QPoint(250, 20));
    QTest::mouseRelease(&f.view(), Qt::LeftButton, {}, QPoint(250, 20));

    QCOMPARE(f.view().annotations().size(), 1);
    const AnnotationRef pen = f.view().annotations().first();
    QCOMPARE(pen->points, (QList<QPointF>{{60, 60}, {100, 100}, {150, 50}}));
    QCOMPARE(pen->lineWidth, Prefs::size(Tool::pen));
    QCOMPARE(pen->color(), f.view().color());
}

void tst_CanvasViewMouse::movingAnAnnotationTakesOneSnapshot() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::line);
    f.drag(QPointF(100, 100), QPointF(150, 100));
    f.choose(std::nullopt);
    const int copies = f.liveCopies.size();

    QTest::mousePress(&f.view(), Qt::LeftButton, {}, QPoint(120, 102));
    QTest::mouseMove(&f.view(), QPoint(125, 112));
    QTest::mouseMove(&f.view(), QPoint(130, 122));
    QTest::mouseRelease(&f.view(), Qt::LeftButton, {}, QPoint(130, 122));

    const AnnotationRef line = f.view().annotations().first();
    QCOMPARE(line->points, (QList<QPointF>{{110, 120}, {160, 120}}));
    QCOMPARE(f.view().selectedAnnotation(), line);
    QCOMPARE(f.view().undoStack().size(), 2);
    QCOMPARE(f.view().selection(), QRectF(50, 50, 250, 200));
    QCOMPARE(f.liveCopies.size(), copies + 1);
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
    QCOMPARE(f.view().selection(), QRectF(50, 50, 250, 200));
}

void tst_CanvasViewMouse::pixelateAreaFollowsItsPlace() {
    CanvasFixture f;
    f.select(QRectF(0, 0, 400, 300));
    f.choose(Tool::pixelate);
    f.drag(QPointF(20, 20), QPointF(60, 50));
    const AnnotationRef area = f.view().annotations().first();
    QVERIFY(area->pixelated.has_value());
    const QImage before = *area->pixelated;
    f.choose(std::nullopt);

    f.drag(QPointF(40, 35), QPointF(45, 35));

    QCOMPARE(area->rect(), QRectF(25, 20, 40, 30));
    QVERIFY(area->pixelated.has_value());
    QCOMPARE(*area->pixelated, *f.view().pixelate(area->rect()));
    QVERIFY(*area->pixelated != before);
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
    QCOMPARE(f.view().annotations().last()->points, QList<QPointF>{QPointF(100, 150)});
    QCOMPARE(f.view().annotations().last()->lineWidth, 26.0);
}

void tst_CanvasViewMouse::wheel_data() {
    QTest::addColumn<std::optional<Tool>>("tool");
    QTest::addColumn<QList<double>>("deltas");
    QTest::addColumn<bool>("precise");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("remainder");

    const auto marker = std::optional<Tool>(Tool::marker);
    QTest::newRow("one wheel notch raises the marker opacity by 0.05")
        << marker << QList<double>{1} << false << 0.45 << 0.0;
    QTest::newRow("a precise delta of 12 makes one step")
        << marker << QList<double>{12} << true << 0.45 << 0.0;
    QTest::newRow("a precise delta of 9 makes no step and is kept")
        << marker << QList<double>{9} << true << 0.40 << 0.75;
    QTest::newRow("0.7 of a notch makes no step and is kept")
        << marker << QList<double>{0.7} << false << 0.40 << 0.7;
    QTest::newRow("the kept remainder counts towards the next event")
        << marker << QList<double>{0.7, 0.5} << false << 0.45 << 0.2;
    QTest::newRow("two notches down lower the opacity by 0.1")
        << marker << QList<double>{-2} << false << 0.30 << 0.0;
    QTest::newRow("the badge size changes by 2 per step")
        << std::optional<Tool>(Tool::number) << QList<double>{1} << false << 28.0 << 0.0;
    QTest::newRow("the pen size changes by 1 per step")
        << std::optional<Tool>(Tool::pen) << QList<double>{3} << false << 6.0 << 0.0;
    QTest::newRow("the pen size stops at its maximum")
        << std::optional<Tool>(Tool::pen) << QList<double>{40} << false << 20.0 << 0.0;
    QTest::newRow("the wheel does nothing in pointer mode")
        << std::optional<Tool>() << QList<double>{5} << false << 0.40 << 0.0;
}

void tst_CanvasViewMouse::wheel() {
    QFETCH(std::optional<Tool>, tool);
    QFETCH(QList<double>, deltas);
    QFETCH(bool, precise);
    QFETCH(double, expected);
    QFETCH(double, remainder);
    CanvasFixture f;
    f.select(QRectF(0, 0, 400, 300));
    f.choose(tool);

    for (double delta : deltas) {
        const QPoint pixels = precise ? QPoint(0, int(std::lround(delta))) : QPoint();
        const QPoint angle(0, int(std::lround(delta * 120)));
        QWheelEvent event(QPointF(200, 150), f.view().mapToGlobal(QPointF(200, 150)),
                          precise ? pixels : QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&f.view(), &event);
    }

    const double value =
        (!tool || *tool == Tool::marker) ? Prefs::markerOpacity() : Prefs::size(*tool);
    QVERIFY2(std::abs(value - expected) < 1e-9, qPrintable(QString::number(value)));
    QVERIFY(std::abs(f.view().scrollAccumulator() - remainder) < 1e-9);
}

void tst_CanvasViewMouse::cursorShape_data() {
    QTest::addColumn<std::optional<Tool>>("tool");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<int>("shape");

    const std::optional<Tool> pointer;
    QTest::newRow("left edge handle") << pointer << QPointF(100, 150) << int(Qt::SizeHorCursor);
    QTest::newRow("top edge handle") << pointer << QPointF(200, 97) << int(Qt::SizeVerCursor);
    QTest::newRow("corner handle") << pointer << QPointF(300, 200) << int(Qt::CrossCursor);
    QTest::newRow("inside in pointer mode")
        << pointer << QPointF(150, 150) << int(Qt::OpenHandCursor);
    QTest::newRow("over an annotation in pointer mode")
        << pointer << QPointF(200, 131) << int(Qt::PointingHandCursor);
    QTest::newRow("inside with the text tool")
        << std::optional<Tool>(Tool::text) << QPointF(150, 150) << int(Qt::IBeamCursor);
    QTest::newRow("inside with a drawing tool")
        << std::optional<Tool>(Tool::pen) << QPointF(200, 131) << int(Qt::CrossCursor);
    QTest::newRow("outside the selection") << pointer << QPointF(20, 20) << int(Qt::CrossCursor);
}

void tst_CanvasViewMouse::cursorShape() {
    QFETCH(std::optional<Tool>, tool);
    QFETCH(QPointF, at);
    QFETCH(int, shape);
    CanvasFixture f;
    f.select(QRectF(100, 100, 200, 100));
    f.choose(Tool::line);
    f.drag(QPointF(150, 130), QPointF(250, 130));
    f.choose(tool);

    f.hover(at);

    QCOMPARE(int(f.view().cursor().shape()), shape);
}

void tst_CanvasViewMouse::pinSendsTheSelectionInGlobalCoordinates() {
    CanvasFixture f;
    f.view().move(30, 40);
    f.select(QRectF(100, 100, 200, 100));

    f.view().pin();

    QCOMPARE(f.outcomes.size(), 1);
    QCOMPARE(f.outcomes.first().kind, CanvasView::Outcome::pin);
    QCOMPARE(f.outcomes.first().pinRect,
             QRect(f.view().mapToGlobal(QPoint(100, 100)), QSize(200, 100)));
    QCOMPARE(f.outcomes.first().rendered.image.size(), QSize(400, 200));
}

void tst_CanvasViewMouse::clearSelectionForgetsEverything() {
    CanvasFixture f;
    f.select(QRectF(100, 100, 200, 100));
    f.choose(Tool::rect);
    f.drag(QPointF(120, 120), QPointF(160, 160));
    f.view().undo();
    QSignalSpy holes(&f.view(), &CanvasView::holeChanged);

    f.view().clearSelection();

    QVERIFY(f.view().selection().isEmpty());
    QVERIFY(f.view().annotations().isEmpty());
    QVERIFY(f.view().undoStack().isEmpty());
    QVERIFY(f.view().redoStack().isEmpty());
    QCOMPARE(holes.last().first().toRectF(), QRectF());
    f.view().pin();
    QVERIFY(f.outcomes.isEmpty());
}

QTEST_MAIN(tst_CanvasViewMouse)
#include "tst_CanvasViewMouse.moc"

#include "editor/CanvasFixture.h"
#include "editor/WidgetPixels.h"

#include <QPaintEvent>
#include <QtTest>

namespace {

enum Scenario { idleEmpty, selecting, resizing, movingSelection, drawing, movingAnnotation, idle };

// The region of every paint the watched widget receives.
class PaintSpy : public QObject {
public:
    QRegion painted;
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Every device pixel a colour of its own: red counts columns, green counts rows.
QImage numbered(QSize pixels) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(x % 256, y % 256, 128));
    }
    return image;
}

} // namespace

class tst_CanvasViewLoupe : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placementFlipsNearTheRightAndBottom_data();
    void placementFlipsNearTheRightAndBottom();
    void beyondTheTopLeftCornerIsBlack();
    void oneCellPerDevicePixelAt2x();
    void showsOnlyWhileChoosingTheArea_data();
    void showsOnlyWhileChoosingTheArea();
    void settingOffShowsAndRepaintsNothing();
    void pointerMovesRepaintOnlyTheLoupeAreas();
};

void tst_CanvasViewLoupe::placementFlipsNearTheRightAndBottom_data() {
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<QRectF>("loupe");
    QTest::newRow("149 points from the right edge: to the right")
        << QPointF(251, 50) << QRectF(271, 70, 125, 125);
    QTest::newRow("148 points from the right edge: to the left")
        << QPointF(252, 50) << QRectF(107, 70, 125, 125);
    QTest::newRow("169 points above the bottom: below")
        << QPointF(50, 131) << QRectF(70, 151, 125, 125);
    QTest::newRow("168 points above the bottom: above")
        << QPointF(50, 132) << QRectF(70, -13, 125, 125);
    QTest::newRow("bottom right corner: above and to the left")
        << QPointF(399, 299) << QRectF(254, 154, 125, 125);
}

void tst_CanvasViewLoupe::placementFlipsNearTheRightAndBottom() {
    QFETCH(QPointF, pointer);
    QFETCH(QRectF, loupe);
    CanvasFixture f(1);

    f.hover(pointer);

    QCOMPARE(f.view().loupeRect(), std::optional<QRectF>(loupe));
}

void tst_CanvasViewLoupe::beyondTheTopLeftCornerIsBlack() {
    QImage green(400, 300, QImage::Format_ARGB32_Premultiplied);
    green.fill(QColor(20, 180, 60));
    CanvasFixture f(green, QSize(400, 300));

    f.hover(QPointF(0, 0));
    const QImage image = grabAt(f.view(), 1);

    // The loupe's 25 cells of 5 points start at (20, 20); the pointer's pixel is cell 12.
    const auto cell = [](int i, int j) { return QPointF(20 + 5 * i + 1.5, 20 + 5 * j + 1.5); };
    QCOMPARE(colorAt(image, cell(5, 5)), QColor(Qt::black));
    QCOMPARE(colorAt(image, cell(18, 5)), QColor(Qt::black));
    QCOMPARE(colorAt(image, cell(5, 18)), QColor(Qt::black));
    QCOMPARE(colorAt(image, cell(18, 18)), QColor(20, 180, 60));
    QCOMPARE(colorAt(image, cell(23, 14)), QColor(20, 180, 60));
    QCOMPARE(f.view().loupePixel(), std::optional<QPoint>(QPoint(0, 0)));
    // The coordinate label hangs under the loupe.
    QVERIFY(colorAt(image, QPointF(82.5, 150)).alpha() > 150);
    QCOMPARE(colorAt(image, QPointF(82.5, 147.5)).alpha(), 0);
}

void tst_CanvasViewLoupe::oneCellPerDevicePixelAt2x() {
    CanvasFixture f(numbered(QSize(800, 600)), QSize(400, 300));

    f.hover(QPointF(100.5, 80.5));
    const QImage image = grabAt(f.view(), 2);
    const QRectF loupe = *f.view().loupeRect();
    const QPoint pixel = *f.view().loupePixel();
    f.hover(QPointF(100, 80.5));
    const QPoint halfPointLeft = *f.view().loupePixel();

    QCOMPARE(pixel, QPoint(201, 161));
    QCOMPARE(halfPointLeft, QPoint(200, 161));
    for (int i = 0; i < 25; ++i) {
        // Clear of the border, and of the crosshair through the middle column.
        const double x = 5 * i + (i == 12 ? 1 : 2.5);
        const QColor c = colorAt(image, loupe.topLeft() + QPointF(x, 5 * 3 + 2.5));
        QCOMPARE(c.red(), 201 - 12 + i);
        QCOMPARE(c.green(), 161 - 12 + 3);
    }
    const QColor centre = colorAt(image, loupe.center());
    QCOMPARE(centre.red(), 201);
    QCOMPARE(centre.green(), 161);
}

void tst_CanvasViewLoupe::showsOnlyWhileChoosingTheArea_data() {
    QTest::addColumn<int>("scenario");
    QTest::addColumn<bool>("shown");
    QTest::newRow("hovering before any selection") << int(idleEmpty) << true;
    QTest::newRow("dragging out a selection") << int(selecting) << true;
    QTest::newRow("dragging a handle") << int(resizing) << true;
    QTest::newRow("moving the selection") << int(movingSelection) << false;
    QTest::newRow("drawing") << int(drawing) << false;
    QTest::newRow("moving an annotation") << int(movingAnnotation) << false;
    QTest::newRow("hovering with a selection") << int(idle) << false;
}

void tst_CanvasViewLoupe::showsOnlyWhileChoosingTheArea() {
    QFETCH(int, scenario);
    QFETCH(bool, shown);
    CanvasFixture f(1);
    const auto press = [&f](QPointF p) {
        f.send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, {});
    };
    const auto dragTo = [&f](QPointF p) {
        f.send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, {});
    };
    if (scenario != idleEmpty && scenario != selecting)
        f.select(QRectF(60, 60, 200, 100));
    if (scenario == drawing || scenario == movingAnnotation) {
        f.choose(Tool::line);
        f.drag(QPointF(100, 100), QPointF(200, 100));
    }
    if (scenario == movingAnnotation)
        f.choose(std::nullopt);

    switch (Scenario(scenario)) {
    case idleEmpty:
    case idle:
        f.hover(QPointF(120, 90));
        break;
    case selecting:
        press(QPointF(50, 50));
        dragTo(QPointF(120, 90));
        break;
    case resizing:
        press(QPointF(260, 160));
        dragTo(QPointF(230, 120));
        break;
    case movingSelection:
        press(QPointF(120, 130));
        dragTo(QPointF(130, 120));
        break;
    case drawing:
        press(QPointF(120, 130));
        dragTo(QPointF(130, 140));
        break;
    case movingAnnotation:
        press(QPointF(150, 100));
        dragTo(QPointF(150, 120));
        break;
    }

    QCOMPARE(f.view().loupeRect().has_value(), shown);
}

void tst_CanvasViewLoupe::settingOffShowsAndRepaintsNothing() {
    CanvasFixture f(1);
    Prefs::setBool(QStringLiteral("showLoupe"), false);
    f.hover(QPointF(100, 120));
    QVERIFY(QTest::qWaitForWindowExposed(&f.view()));
    // A new window's first paint may wait for the next event; get it out of the way.
    f.view().repaint();
    QTest::qWait(50);
    PaintSpy spy;
    f.view().installEventFilter(&spy);

    f.hover(QPointF(140, 130));
    QTest::qWait(50);
    const int paints = spy.paints; // before the grab, which paints too
    const QImage image = grabAt(f.view(), 1);

    QVERIFY(!f.view().loupeRect());
    QCOMPARE(paints, 0);
    // Below the start hint nothing is painted.
    for (int y = 100; y < 300; y += 3) {
        for (int x = 0; x < 400; x += 3)
            QCOMPARE(image.pixelColor(x, y).alpha(), 0);
    }
}

void tst_CanvasViewLoupe::pointerMovesRepaintOnlyTheLoupeAreas() {
    CanvasFixture f(1);
    f.hover(QPointF(100, 120));
    QVERIFY(QTest::qWaitForWindowExposed(&f.view()));
    QTest::qWait(50);
    const QRectF before = *f.view().loupeRect();
    PaintSpy spy;
    f.view().installEventFilter(&spy);

    f.hover(QPointF(110, 125));
    QTRY_VERIFY(spy.paints > 0);
    const QRectF after = *f.view().loupeRect();

    const QRect allowed = before.united(after).adjusted(-6, -26, 6, 26).toAlignedRect();
    QVERIFY(allowed.contains(spy.painted.boundingRect()));
    QVERIFY(spy.painted.boundingRect().contains(after.toAlignedRect()));
}

QTEST_MAIN(tst_CanvasViewLoupe)
#include "tst_CanvasViewLoupe.moc"

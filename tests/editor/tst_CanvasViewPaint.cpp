// What the canvas paints over the frozen screen, loupe included, read back pixel by pixel.
#include "editor/CanvasFixture.h"
#include "editor/WidgetPixels.h"
#include "settings/Config.h"

#include <QtTest>

namespace {

// The dark panel behind the canvas's labels, as it shows over nothing.
bool isPanel(const QColor& c) {
    return c.alpha() > 150 && c.red() < 60 && c.green() < 60 && c.blue() < 60;
}

bool isClear(const QColor& c) {
    return c.alpha() == 0;
}

bool isGreen(const QColor& c) {
    return near(c, Config::leafGreen(), 12);
}

// The bounding box, in points, of everything painted within an area given in points.
QRectF paintedBox(const QImage& image, const QRectF& area) {
    const qreal scale = image.devicePixelRatio();
    const QRect pixels(QPointF(area.topLeft() * scale).toPoint(), (area.size() * scale).toSize());
    QRect box;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            if (!isClear(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
        }
    }
    return QRectF(QPointF(box.topLeft()) / scale, QSizeF(box.size()) / scale);
}

} // namespace

class tst_CanvasViewPaint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void borderAndHandles_data();
    void borderAndHandles();
    void annotationsAreCutAtTheSelectionEdge();
    void hintShowsOnlyBeforeAnyDrag();
    void sizeLabelSitsAboveOrInside_data();
    void sizeLabelSitsAboveOrInside();
    void hudIsCentredOnTheSelection();
    void selectedAnnotationOutlineOnlyInPointerMode();
    void hudOutlivesAnEarlierTimer_data();
    void hudOutlivesAnEarlierTimer();
    void placementFlipsNearTheRightAndBottom_data();
    void placementFlipsNearTheRightAndBottom();
    void beyondTheTopLeftCornerIsBlack();
    void oneCellPerDevicePixelAt2x();
    void showsOnlyWhileChoosingTheArea_data();
    void showsOnlyWhileChoosingTheArea();
    void settingOffShowsNothing();
};

void tst_CanvasViewPaint::borderAndHandles_data() {
    QTest::addColumn<int>("scale");
    QTest::newRow("at 1x") << 1;
    QTest::newRow("at 2x") << 2;
}

void tst_CanvasViewPaint::borderAndHandles() {
    QFETCH(int, scale);
    CanvasFixture f(scale);
    const QRectF s(100, 100, 200, 100);
    f.select(s);
    f.choose(Tool::pixelate); // no size bar to cover a handle
    // Just inside each handle's square and the selection, where nothing else paints.
    QList<QPointF> handles;
    for (double x : {s.left() + 1.5, s.center().x(), s.right() - 1.5})
        for (double y : {s.top() + 1.5, s.center().y(), s.bottom() - 1.5})
            if (x != s.center().x() || y != s.center().y())
                handles.append(QPointF(x, y));

    const QImage idle = grabAt(f.view(), scale);
    f.send(QEvent::MouseButtonPress, QPointF(150, 130), Qt::LeftButton, Qt::LeftButton, {});
    f.send(QEvent::MouseMove, QPointF(160, 140), Qt::NoButton, Qt::LeftButton, {});
    const QImage drawing = grabAt(f.view(), scale);

    // Along the top edge, away from the handles: white and green alternate one point outside.
    int green = 0;
    int white = 0;
    for (double x = 110; x < 190; x += 0.5) {
        green += isGreen(colorAt(idle, QPointF(x, 99.5)));
        white += near(colorAt(idle, QPointF(x, 99.5)), Qt::white, 12);
        QVERIFY2(isClear(colorAt(idle, QPointF(x, 100.5))), "painted inside the selection");
        QVERIFY2(isClear(colorAt(idle, QPointF(x, 98.5))), "painted two points outside");
    }
    QVERIFY(green > 60 && white > 30);
    for (const QPointF& handle : std::as_const(handles)) {
        QVERIFY(near(colorAt(idle, handle), Qt::white));
        QVERIFY(isClear(colorAt(drawing, handle)));
    }
}

void tst_CanvasViewPaint::annotationsAreCutAtTheSelectionEdge() {
    CanvasFixture f(1);
    f.select(QRectF(100, 100, 200, 100));
    f.choose(Tool::line);
    f.drag(QPointF(150, 120), QPointF(250, 120));
    f.choose(std::nullopt);
    // Annotations may be moved past the edge; only the part inside shows.
    f.drag(QPointF(200, 120), QPointF(300, 120));

    const QImage image = grabAt(f.view(), 1);

    const QColor inside = colorAt(image, QPointF(298.5, 120));
    QVERIFY(inside.red() > 200 && inside.green() < 90);
    // Between the border and the tools bar, 8 points out.
    QVERIFY(isClear(colorAt(image, QPointF(302.5, 120))));
    QVERIFY(isClear(colorAt(image, QPointF(306.5, 120))));
}

void tst_CanvasViewPaint::hintShowsOnlyBeforeAnyDrag() {
    CanvasFixture f(1, QSize(1000, 600));
    f.hover(QPointF(100, 300));

    const QImage hovering = grabAt(f.view(), 1);
    f.send(QEvent::MouseButtonPress, QPointF(100, 300), Qt::LeftButton, Qt::LeftButton, {});
    const QImage pressed = grabAt(f.view(), 1);

    // The capsule: centred, its bottom edge 90 points below the top.
    const QRectF capsule = paintedBox(hovering, QRectF(0, 0, 1000, 150));
    QVERIFY(qAbs(capsule.center().x() - 500) <= 1);
    QVERIFY(capsule.width() > 300);
    QCOMPARE(capsule.bottom(), 90.0);
    QVERIFY(isPanel(colorAt(hovering, QPointF(capsule.center().x(), capsule.top() + 3))));
    QVERIFY(paintedBox(pressed, QRectF(0, 0, 1000, 150)).isEmpty());
}

void tst_CanvasViewPaint::sizeLabelSitsAboveOrInside_data() {
    QTest::addColumn<QRectF>("selection");
    QTest::addColumn<QPointF>("labelCorner");
    QTest::newRow("lower down: 6 points above the top edge")
        << QRectF(100, 100, 200, 100) << QPointF(100, 94);
    QTest::newRow("touching the top: inside, 6 points in")
        << QRectF(100, 0, 200, 100) << QPointF(106, 6);
}

void tst_CanvasViewPaint::sizeLabelSitsAboveOrInside() {
    QFETCH(QRectF, selection);
    QFETCH(QPointF, labelCorner);
    CanvasFixture f(1);
    f.select(selection);

    const QImage image = grabAt(f.view(), 1);

    // labelCorner is the box's bottom-left when above, its top-left when inside.
    const double in = labelCorner.y() < selection.top() ? -2 : 2;
    QVERIFY(isPanel(colorAt(image, labelCorner + QPointF(2, in))));
    QVERIFY(isClear(colorAt(image, labelCorner + QPointF(-2, in))));
    QVERIFY(isClear(colorAt(image, labelCorner + QPointF(2, -in / 2))));
}

void tst_CanvasViewPaint::hudIsCentredOnTheSelection() {
    CanvasFixture f(2);
    const QRectF s(60, 80, 240, 160);
    f.select(s);

    f.view().showHUD(QStringLiteral("Opacidad del marcador: 45 %"), false, 5);
    const QImage image = grabAt(f.view(), 2);

    // Clear of the border and handles, only the HUD paints inside the selection.
    const QRectF hud = paintedBox(image, s.adjusted(5, 5, -5, -5));
    QVERIFY(hud.width() > 100 && hud.height() > 20);
    QVERIFY(qAbs(hud.center().x() - s.center().x()) <= 0.5);
    QVERIFY(qAbs(hud.center().y() - s.center().y()) <= 0.5);
    QVERIFY(isPanel(colorAt(image, hud.topLeft() + QPointF(8, 8))));
}

void tst_CanvasViewPaint::selectedAnnotationOutlineOnlyInPointerMode() {
    CanvasFixture f(1);
    f.select(QRectF(50, 50, 300, 200));
    f.choose(Tool::rect);
    f.drag(QPointF(150, 130), QPointF(250, 170));
    f.choose(std::nullopt);
    const QRect around(130, 110, 140, 80);
    const QImage unpicked = grabAt(f.view(), 1).copy(around);

    f.click(QPointF(150, 150));
    const QImage picked = grabAt(f.view(), 1).copy(around);
    f.choose(Tool::text);
    const QImage withTool = grabAt(f.view(), 1).copy(around);

    QVERIFY(picked != unpicked);
    QCOMPARE(withTool, unpicked);
}

void tst_CanvasViewPaint::hudOutlivesAnEarlierTimer_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("sticky");
    QTest::addColumn<double>("seconds");
    QTest::newRow("a second message is not cleared by the first one's timer")
        << QStringLiteral("dos") << false << 30.0;
    QTest::newRow("a sticky message stays") << QStringLiteral("Leyendo texto…") << true << 0.0;
}

void tst_CanvasViewPaint::hudOutlivesAnEarlierTimer() {
    QFETCH(QString, text);
    QFETCH(bool, sticky);
    QFETCH(double, seconds);
    CanvasFixture f;
    f.select(QRectF(50, 50, 300, 200));

    f.view().showHUD(QStringLiteral("uno"), false, 0.05);
    f.view().showHUD(text, sticky, seconds);
    QTest::qWait(200);

    QCOMPARE(f.view().hudText(), std::optional<QString>(text));
}

void tst_CanvasViewPaint::placementFlipsNearTheRightAndBottom_data() {
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
}

void tst_CanvasViewPaint::placementFlipsNearTheRightAndBottom() {
    QFETCH(QPointF, pointer);
    QFETCH(QRectF, loupe);
    CanvasFixture f(1);

    f.hover(pointer);

    QCOMPARE(f.view().loupeRect(), std::optional<QRectF>(loupe));
}

void tst_CanvasViewPaint::beyondTheTopLeftCornerIsBlack() {
    QImage green(400, 300, QImage::Format_ARGB32_Premultiplied);
    green.fill(QColor(20, 180, 60));
    CanvasFixture f(green, QSize(400, 300));

    f.hover(QPointF(0, 0));
    const QImage image = grabAt(f.view(), 1);

    // The loupe's 25 cells of 5 points start at (20, 20); the pointer's pixel is cell 12.
    const auto cell = [&image](int i, int j) {
        return colorAt(image, QPointF(20 + 5 * i + 1.5, 20 + 5 * j + 1.5));
    };
    QCOMPARE(cell(18, 5), QColor(Qt::black));
    QCOMPARE(cell(5, 18), QColor(Qt::black));
    QCOMPARE(cell(18, 18), QColor(20, 180, 60));
    QCOMPARE(f.view().loupePixel(), std::optional<QPoint>(QPoint(0, 0)));
    // The "0, 0" label hangs under the loupe.
    QVERIFY(colorAt(image, QPointF(82.5, 150)).alpha() > 150);
}

void tst_CanvasViewPaint::oneCellPerDevicePixelAt2x() {
    // Every device pixel a colour of its own: red counts columns, green counts rows.
    QImage numbered(800, 600, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < numbered.height(); ++y)
        for (int x = 0; x < numbered.width(); ++x)
            numbered.setPixelColor(x, y, QColor(x % 256, y % 256, 128));
    CanvasFixture f(numbered, QSize(400, 300));

    f.hover(QPointF(100.5, 80.5));
    const QImage image = grabAt(f.view(), 2);
    const QRectF loupe = *f.view().loupeRect();

    QCOMPARE(f.view().loupePixel(), std::optional<QPoint>(QPoint(201, 161)));
    for (int i = 0; i < 25; ++i) {
        // Clear of the border, and of the crosshair through the middle column.
        const double x = 5 * i + (i == 12 ? 1 : 2.5);
        const QColor c = colorAt(image, loupe.topLeft() + QPointF(x, 5 * 3 + 2.5));
        QCOMPARE(c.red(), 201 - 12 + i);
        QCOMPARE(c.green(), 161 - 12 + 3);
    }
}

void tst_CanvasViewPaint::showsOnlyWhileChoosingTheArea_data() {
    QTest::addColumn<bool>("selected");
    QTest::addColumn<std::optional<Tool>>("tool");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<bool>("shown");

    const std::optional<Tool> pointer;
    QTest::newRow("dragging out a selection") << false << pointer << true << true;
    QTest::newRow("moving the selection") << true << pointer << true << false;
    QTest::newRow("drawing") << true << std::optional<Tool>(Tool::line) << true << false;
    QTest::newRow("hovering with a selection") << true << pointer << false << false;
}

void tst_CanvasViewPaint::showsOnlyWhileChoosingTheArea() {
    QFETCH(bool, selected);
    QFETCH(std::optional<Tool>, tool);
    QFETCH(bool, pressed);
    QFETCH(bool, shown);
    CanvasFixture f(1);
    if (selected)
        f.select(QRectF(60, 60, 200, 100));
    if (tool)
        f.choose(tool);

    if (pressed)
        f.send(QEvent::MouseButtonPress, QPointF(120, 130), Qt::LeftButton, Qt::LeftButton, {});
    f.send(QEvent::MouseMove, QPointF(130, 140), Qt::NoButton,
           pressed ? Qt::LeftButton : Qt::NoButton, {});

    QCOMPARE(f.view().loupeRect().has_value(), shown);
}

void tst_CanvasViewPaint::settingOffShowsNothing() {
    CanvasFixture f(1);
    Prefs::setBool(QStringLiteral("showLoupe"), false);

    f.hover(QPointF(140, 130));
    const QImage image = grabAt(f.view(), 1);

    QVERIFY(!f.view().loupeRect());
    // Below the start hint nothing is painted.
    QImage blank(400, 200, image.format());
    blank.fill(Qt::transparent);
    QCOMPARE(image.copy(0, 100, 400, 200), blank);
}

QTEST_MAIN(tst_CanvasViewPaint)
#include "tst_CanvasViewPaint.moc"

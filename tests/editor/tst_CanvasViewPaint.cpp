// What the canvas paints over the frozen screen, read back pixel by pixel at 1x and 2x.
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
    void secondHudMessageOutlivesTheFirstTimer();
    void stickyHudStays();
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

void tst_CanvasViewPaint::secondHudMessageOutlivesTheFirstTimer() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 300, 200));

    f.view().showHUD(QStringLiteral("uno"), false, 0.05);
    f.view().showHUD(QStringLiteral("dos"), false, 30);
    QTest::qWait(200);

    QCOMPARE(f.view().hudText(), std::optional<QString>(QStringLiteral("dos")));
}

void tst_CanvasViewPaint::stickyHudStays() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 300, 200));

    f.view().showHUD(QStringLiteral("uno"), false, 0.05);
    f.view().showHUD(QStringLiteral("Leyendo texto…"), true, 0);
    QTest::qWait(200);

    QCOMPARE(f.view().hudText(), std::optional<QString>(QStringLiteral("Leyendo texto…")));
}

QTEST_MAIN(tst_CanvasViewPaint)
#include "tst_CanvasViewPaint.moc"

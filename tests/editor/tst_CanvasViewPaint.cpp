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
    void borderLiesOnePointOutsideTheSelection_data();
    void borderLiesOnePointOutsideTheSelection();
    void handlesShowExceptWhileDrawing_data();
    void handlesShowExceptWhileDrawing();
    void annotationsAreCutAtTheSelectionEdge();
    void hintAndWindowOutlineShowOnlyBeforeAnyDrag();
    void sizeLabelSitsAboveOrInside_data();
    void sizeLabelSitsAboveOrInside();
    void sizeLabelCountsDevicePixels();
    void hudIsCentredOnTheSelection();
    void selectedAnnotationOutlineOnlyInPointerMode();
    void secondHudMessageOutlivesTheFirstTimer();
    void stickyHudStays();
};

void tst_CanvasViewPaint::borderLiesOnePointOutsideTheSelection_data() {
    QTest::addColumn<int>("scale");
    QTest::newRow("at 1x") << 1;
    QTest::newRow("at 2x") << 2;
}

void tst_CanvasViewPaint::borderLiesOnePointOutsideTheSelection() {
    QFETCH(int, scale);
    CanvasFixture f(scale);
    f.select(QRectF(100, 100, 200, 100));

    const QImage image = grabAt(f.view(), scale);

    // Along the top edge, away from the handles: white and green alternate just outside.
    int green = 0;
    int white = 0;
    for (double x = 110; x < 190; x += 0.5) {
        const QColor band = colorAt(image, QPointF(x, 99.5));
        green += isGreen(band);
        white += near(band, Qt::white, 12);
        QVERIFY2(isClear(colorAt(image, QPointF(x, 100.5))), "painted inside the selection");
        QVERIFY2(isClear(colorAt(image, QPointF(x, 98.5))), "painted two points outside");
    }
    QVERIFY(green > 60);
    QVERIFY(white > 30);
    QVERIFY(!isClear(colorAt(image, QPointF(250, 200.5))));
    QVERIFY(!isClear(colorAt(image, QPointF(99.5, 150))));
    QVERIFY(!isClear(colorAt(image, QPointF(300.5, 150))));
}

void tst_CanvasViewPaint::handlesShowExceptWhileDrawing_data() {
    QTest::addColumn<int>("scale");
    QTest::newRow("at 1x") << 1;
    QTest::newRow("at 2x") << 2;
}

void tst_CanvasViewPaint::handlesShowExceptWhileDrawing() {
    QFETCH(int, scale);
    CanvasFixture f(scale);
    const QRectF s(100, 100, 200, 100);
    f.select(s);
    // A tool without a size bar, whose popup would cover a handle.
    f.choose(Tool::pixelate);
    // Inside each 7 × 7 square and inside the selection, so nothing else paints there.
    QList<QPointF> insides;
    QList<QPointF> rims;
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx == 0 && dy == 0)
                continue;
            const QPointF centre(dx < 0    ? s.left()
                                 : dx == 0 ? s.center().x()
                                           : s.right(),
                                 dy < 0    ? s.top()
                                 : dy == 0 ? s.center().y()
                                           : s.bottom());
            const QPointF inward(dx > 0 ? -1 : 1, dy > 0 ? -1 : 1);
            insides.append(centre + inward * 1.5);
            // On the square's side, clear of its corners.
            rims.append(centre + QPointF(inward.x() * 3.25, inward.y() * 1.5));
        }
    }

    const QImage idle = grabAt(f.view(), scale);
    f.send(QEvent::MouseButtonPress, QPointF(150, 130), Qt::LeftButton, Qt::LeftButton, {});
    f.send(QEvent::MouseMove, QPointF(160, 140), Qt::NoButton, Qt::LeftButton, {});
    const QImage drawing = grabAt(f.view(), scale);
    f.send(QEvent::MouseButtonRelease, QPointF(160, 140), Qt::LeftButton, Qt::NoButton, {});
    const QImage after = grabAt(f.view(), scale);

    for (int i = 0; i < insides.size(); ++i) {
        QVERIFY(near(colorAt(idle, insides[i]), Qt::white));
        QVERIFY(isGreen(colorAt(idle, rims[i])));
        QVERIFY(isClear(colorAt(drawing, insides[i])));
        QVERIFY(near(colorAt(after, insides[i]), Qt::white));
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

void tst_CanvasViewPaint::hintAndWindowOutlineShowOnlyBeforeAnyDrag() {
    CanvasFixture f(1, QSize(1000, 600));
    f.view().setWindowRects({QRectF(50, 200, 300, 200)});
    f.hover(QPointF(100, 300));

    const QImage hovering = grabAt(f.view(), 1);
    f.send(QEvent::MouseButtonPress, QPointF(100, 300), Qt::LeftButton, Qt::LeftButton, {});
    const QImage pressed = grabAt(f.view(), 1);

    // The window's frame, green on the two points inside its edge.
    QVERIFY(isGreen(colorAt(hovering, QPointF(200, 200.5))));
    QVERIFY(isGreen(colorAt(hovering, QPointF(200, 201.5))));
    QVERIFY(isClear(colorAt(hovering, QPointF(200, 202.5))));
    QVERIFY(isClear(colorAt(hovering, QPointF(200, 199.5))));
    QVERIFY(isGreen(colorAt(hovering, QPointF(348.5, 300))));
    // The hint capsule: centred, its bottom edge 90 points below the top.
    const QRectF capsule = paintedBox(hovering, QRectF(0, 0, 1000, 150));
    QVERIFY(qAbs(capsule.center().x() - 500) <= 1);
    QVERIFY(capsule.width() > 300);
    QCOMPARE(capsule.bottom(), 90.0);
    QVERIFY(isPanel(colorAt(hovering, QPointF(capsule.center().x(), capsule.top() + 3))));
    QVERIFY(isClear(colorAt(pressed, QPointF(200, 200.5))));
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
    const bool above = labelCorner.y() < selection.top();
    const QPointF probe = labelCorner + QPointF(2, above ? -2 : 2);
    QVERIFY(isPanel(colorAt(image, probe)));
    QVERIFY(isClear(colorAt(image, labelCorner + QPointF(-2, above ? -2 : 2))));
    QVERIFY(isClear(colorAt(image, labelCorner + QPointF(2, above ? 1 : -1))));
}

void tst_CanvasViewPaint::sizeLabelCountsDevicePixels() {
    CanvasFixture f(2);

    f.select(QRectF(100, 100, 100, 50));

    QCOMPARE(f.view().sizeLabelText(), QStringLiteral("200 × 100"));
}

void tst_CanvasViewPaint::hudIsCentredOnTheSelection() {
    CanvasFixture f(2);
    const QRectF s(60, 80, 240, 160);
    f.select(s);

    f.view().showHUD(QStringLiteral("Opacidad del marcador: 45 %"), false, 5);
    const QImage image = grabAt(f.view(), 2);

    // Clear of the border and handles, only the HUD paints inside the selection.
    const QRectF hud = paintedBox(image, s.adjusted(5, 5, -5, -5));
    QVERIFY(hud.width() > 100);
    QVERIFY(hud.height() > 20);
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
    const QRect around = QRectF(130, 110, 140, 80).toRect();
    const QImage unpicked = grabAt(f.view(), 1).copy(around);

    f.click(QPointF(150, 150));
    const QImage picked = grabAt(f.view(), 1).copy(around);
    f.choose(Tool::text);
    const QImage withTool = grabAt(f.view(), 1).copy(around);

    QVERIFY(f.view().selectedAnnotation() == nullptr);
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
    const std::optional<QString> kept = f.view().hudText();
    f.view().showHUD(QStringLiteral("tres"), false, 0.05);
    QTRY_VERIFY(!f.view().hudText());

    QCOMPARE(kept, std::optional<QString>(QStringLiteral("Leyendo texto…")));
}

QTEST_MAIN(tst_CanvasViewPaint)
#include "tst_CanvasViewPaint.moc"

// The magnifier beside the pointer: where it sits, what its cells show and when it shows.
#include "editor/CanvasFixture.h"
#include "editor/WidgetPixels.h"

#include <QtTest>

class tst_CanvasViewLoupe : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placementFlipsNearTheRightAndBottom_data();
    void placementFlipsNearTheRightAndBottom();
    void beyondTheTopLeftCornerIsBlack();
    void oneCellPerDevicePixelAt2x();
    void showsOnlyWhileChoosingTheArea_data();
    void showsOnlyWhileChoosingTheArea();
    void settingOffShowsNothing();
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

void tst_CanvasViewLoupe::oneCellPerDevicePixelAt2x() {
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

void tst_CanvasViewLoupe::showsOnlyWhileChoosingTheArea_data() {
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

void tst_CanvasViewLoupe::showsOnlyWhileChoosingTheArea() {
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

void tst_CanvasViewLoupe::settingOffShowsNothing() {
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

QTEST_MAIN(tst_CanvasViewLoupe)
#include "tst_CanvasViewLoupe.moc"

// The toolbar strip: its size and button positions, its look, and that presses on it never
// reach the canvas below.
#include "WidgetPixels.h"
#include "editor/BarButton.h"
#include "editor/BarView.h"

#include <QMouseEvent>
#include <QTest>

namespace {

QList<BarButton*> buttons(int count) {
    QList<BarButton*> result;
    for (int i = 0; i < count; ++i)
        result.append(new BarButton(QStringLiteral("plus"), QString(), nullptr));
    return result;
}

class Canvas : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

} // namespace

class tst_BarView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void arrange_data();
    void arrange();
    void look();
    void pressOnBackgroundIsSwallowed();
};

void tst_BarView::arrange_data() {
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("count");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("lastButton");

    QTest::newRow("vertical tools bar of twelve, first button at the top")
        << true << 12 << QSize(38, 390) << QPoint(4, 356);
    QTest::newRow("horizontal actions bar of five, first button at the left")
        << false << 5 << QSize(166, 38) << QPoint(132, 4);
    QTest::newRow("one button") << true << 1 << QSize(38, 38) << QPoint(4, 4);
}

void tst_BarView::arrange() {
    QFETCH(bool, vertical);
    QFETCH(int, count);
    QFETCH(QSize, size);
    QFETCH(QPoint, lastButton);

    BarView bar(vertical, buttons(count));

    QCOMPARE(bar.size(), size);
    QCOMPARE(bar.buttons().first()->geometry(), QRect(4, 4, 30, 30));
    QCOMPARE(bar.buttons().last()->geometry(), QRect(lastButton, QSize(30, 30)));
}

void tst_BarView::look() {
    BarView bar(false, buttons(2));

    const QImage image = grabAt(bar, 2);

    // Near-black at 94 %, a faint white rim inside the edge, clear beyond the 9-point corners.
    const QColor fill = colorAt(image, QPointF(36, 2));
    QVERIFY2(near(fill, QColor::fromRgbF(0.12f, 0.12f, 0.12f, 0.94f)),
             qPrintable(fill.name(QColor::HexArgb)));
    const QColor rim = colorAt(image, QPointF(36, 0.25));
    QVERIFY2(rim.red() > fill.red() + 10 && rim.alpha() >= fill.alpha(),
             qPrintable(rim.name(QColor::HexArgb)));
    QCOMPARE(colorAt(image, QPointF(0.5, 0.5)).alpha(), 0);
}

void tst_BarView::pressOnBackgroundIsSwallowed() {
    Canvas canvas;
    canvas.resize(300, 300);
    auto* bar = new BarView(false, buttons(2), &canvas);
    bar->move(50, 50);
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));

    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(35, 2));
    QTest::mouseClick(&canvas, Qt::LeftButton, {}, QPoint(10, 10));

    QCOMPARE(canvas.presses, 1);
}

QTEST_MAIN(tst_BarView)
#include "tst_BarView.moc"

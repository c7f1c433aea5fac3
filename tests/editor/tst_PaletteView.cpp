// The popup panel: the colour palette with its opacity row and the size bar without swatches.
#include "editor/BarButton.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"

#include <QMouseEvent>
#include <QTest>

namespace {

class Canvas : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

PaletteView* makePanel(int swatchCount, QWidget* parent = nullptr) {
    QList<BarButton*> swatches;
    for (int i = 0; i < swatchCount; ++i) {
        auto* swatch = new BarButton;
        swatch->setSwatch(Qt::red, 20);
        swatches.append(swatch);
    }
    return new PaletteView(swatches, new BarButton(QStringLiteral("minus"), QString(), nullptr),
                           new BarButton(QStringLiteral("plus"), QString(), nullptr),
                           new SliderTrack(0.1, 1.0, 0.05, false), parent);
}

} // namespace

class tst_PaletteView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
    void swatchesFillTheTopRow();
    void pressOnBackgroundIsSwallowed();
};

void tst_PaletteView::layout_data() {
    QTest::addColumn<int>("swatches");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("controlsTop");

    QTest::newRow("palette: swatch row above the opacity row") << 6 << QSize(198, 70) << 36;
    QTest::newRow("size bar: one row") << 0 << QSize(198, 38) << 4;
}

void tst_PaletteView::layout() {
    QFETCH(int, swatches);
    QFETCH(QSize, size);
    QFETCH(int, controlsTop);

    const std::unique_ptr<PaletteView> panel(makePanel(swatches));

    QCOMPARE(panel->size(), size);
    QCOMPARE(panel->minusButton()->geometry(), QRect(4, controlsTop, 30, 30));
    QCOMPARE(panel->track()->geometry(), QRect(34, controlsTop, 130, 30));
    QCOMPARE(panel->plusButton()->geometry(), QRect(164, controlsTop, 30, 30));
}

void tst_PaletteView::swatchesFillTheTopRow() {
    const std::unique_ptr<PaletteView> panel(makePanel(6));

    const QList<BarButton*>& swatches = panel->swatches();

    QCOMPARE(swatches.first()->geometry(), QRect(4, 4, 30, 30));
    QCOMPARE(swatches.last()->geometry(), QRect(164, 4, 30, 30));
}

void tst_PaletteView::pressOnBackgroundIsSwallowed() {
    Canvas canvas;
    canvas.resize(400, 200);
    PaletteView* panel = makePanel(6, &canvas);
    panel->move(20, 20);
    canvas.show();
    QVERIFY(QTest::qWaitForWindowExposed(&canvas));

    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(100, 35)); // between the rows
    QTest::mouseClick(panel->track(), Qt::LeftButton, {}, QPoint(65, 15));

    QCOMPARE(canvas.presses, 0);
    QCOMPARE(panel->track()->value(), 0.55);
}

QTEST_MAIN(tst_PaletteView)
#include "tst_PaletteView.moc"

// The canvas driven through its bars: tool toggling, the palette while typing, and presses that
// must stay on the bars.
#include "editor/BarView.h"
#include "editor/CanvasFixture.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"
#include "settings/Config.h"

#include <QLineEdit>
#include <QtTest>

class tst_CanvasViewBars : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void toolClickedAgain_data();
    void toolClickedAgain();
    void pickingAColourWhileTypingRecoloursTheText();
    void pressesOnBarsNeverReachTheCanvas();
};

void tst_CanvasViewBars::toolClickedAgain_data() {
    QTest::addColumn<Tool>("tool");
    QTest::addColumn<bool>("closeSizeBarFirst");
    QTest::addColumn<bool>("kept");

    QTest::newRow("pen clicked with its size bar showing returns to the pointer")
        << Tool(Tool::pen) << false << false;
    QTest::newRow("pen clicked after its size bar closed reopens the bar")
        << Tool(Tool::pen) << true << true;
    QTest::newRow("text clicked twice returns to the pointer")
        << Tool(Tool::text) << false << false;
}

void tst_CanvasViewBars::toolClickedAgain() {
    QFETCH(Tool, tool);
    QFETCH(bool, closeSizeBarFirst);
    QFETCH(bool, kept);
    CanvasFixture f;
    f.select(QRectF(50, 50, 200, 150));
    BarButton* button = f.view().bars().toolButton(tool);
    button->click();
    if (closeSizeBarFirst)
        f.click(QPointF(100, 100)); // any press on the canvas closes the popup

    button->click();

    QCOMPARE(f.view().tool(), kept ? std::optional<Tool>(tool) : std::nullopt);
    QCOMPARE(f.view().bars().pointerButton()->isOn(), !kept);
    QCOMPARE(button->isOn(), kept);
    if (PaletteView* sizeBar = f.view().bars().sizeBar(tool))
        QCOMPARE(sizeBar->isHidden(), !kept);
}

void tst_CanvasViewBars::pickingAColourWhileTypingRecoloursTheText() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 300, 200));
    f.choose(Tool::text);
    f.click(QPointF(100, 120));
    QLineEdit* field = f.view().activeField();
    QVERIFY(field);
    f.view().bars().colorButton()->click();
    const QColor blue = Config::palette().at(3);

    f.view().bars().paletteBar()->swatches().at(3)->click();

    QCOMPARE(f.view().activeField(), field);
    QCOMPARE(field->palette().color(QPalette::Text), blue);
    QVERIFY(f.view().bars().paletteBar()->isHidden());
    QTest::keyClicks(field, QStringLiteral("azul"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(f.view().annotations().first()->color(), blue);
}

void tst_CanvasViewBars::pressesOnBarsNeverReachTheCanvas() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 200, 150));
    f.view().bars().colorButton()->click();
    BarView* tools = f.view().bars().toolsBar();
    PaletteView* palette = f.view().bars().paletteBar();
    const QRectF selection = f.view().selection();

    // The strip's padding and the palette's gap between swatches: no button there.
    QTest::mouseClick(tools, Qt::LeftButton, {}, QPoint(1, tools->height() / 2));
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(palette->width() / 2, 35));
    QTest::mouseClick(palette->track(), Qt::LeftButton, {}, QPoint(65, 15));

    QVERIFY(!palette->isHidden());
    QCOMPARE(f.view().selection(), selection);
    QVERIFY(f.view().drag().is<CanvasView::Drag::None>());
    QCOMPARE(Prefs::markerOpacity(), 0.55);
}

QTEST_MAIN(tst_CanvasViewBars)
#include "tst_CanvasViewBars.moc"

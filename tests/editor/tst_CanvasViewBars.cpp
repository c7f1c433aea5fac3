#include "editor/BarView.h"
#include "editor/CanvasFixture.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"
#include "settings/Config.h"

#include <QLineEdit>
#include <QtTest>

namespace {

// The actions bar's buttons, left to right: text, pin, copy, save, close.
BarButton* actionButton(CanvasView& canvas, int index) {
    return canvas.bars().actionsBar()->buttons().at(index);
}

} // namespace

class tst_CanvasViewBars : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void secondPenClickReturnsToPointer();
    void penClickAfterItsBarClosedReopensIt();
    void textClickedTwiceReturnsToPointer();
    void choosingAToolDropsThePickedAnnotation();
    void pickingAColourWhileTypingRecoloursTheText();
    void pressesOnBarsNeverReachTheCanvas();
    void opacityButtonConfirmsInTheHud();
    void sizeButtonConfirmsInTheHud();
    void actionButtonsEndTheRun_data();
    void actionButtonsEndTheRun();
    void recognitionWithoutRecognizerSaysSo();
    void recognizedTextEndsTheRun();
    void noTextFoundKeepsTheEditorOpen();
};

void tst_CanvasViewBars::cleanup() {
    CanvasView::textRecognizer = nullptr;
}

void tst_CanvasViewBars::secondPenClickReturnsToPointer() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 200, 150));
    BarButton* pen = f.view().bars().toolButton(Tool::pen);

    pen->click();
    const bool barShown = !f.view().bars().sizeBar(Tool::pen)->isHidden();
    pen->click();

    QVERIFY(barShown);
    QCOMPARE(f.view().tool(), std::nullopt);
    QVERIFY(f.view().bars().pointerButton()->isOn());
    QVERIFY(!pen->isOn());
    QVERIFY(f.view().bars().sizeBar(Tool::pen)->isHidden());
}

void tst_CanvasViewBars::penClickAfterItsBarClosedReopensIt() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 200, 150));
    BarButton* pen = f.view().bars().toolButton(Tool::pen);
    pen->click();
    f.click(QPointF(100, 100)); // any press on the canvas closes the popup

    const bool closedByPress = f.view().bars().sizeBar(Tool::pen)->isHidden();
    pen->click();

    QVERIFY(closedByPress);
    QCOMPARE(f.view().tool(), std::optional<Tool>(Tool::pen));
    QVERIFY(pen->isOn());
    QVERIFY(!f.view().bars().sizeBar(Tool::pen)->isHidden());
}

void tst_CanvasViewBars::textClickedTwiceReturnsToPointer() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 200, 150));
    BarButton* text = f.view().bars().toolButton(Tool::text);

    text->click();
    const std::optional<Tool> chosen = f.view().tool();
    text->click();

    QCOMPARE(chosen, std::optional<Tool>(Tool::text));
    QCOMPARE(f.view().tool(), std::nullopt);
    QVERIFY(f.view().bars().pointerButton()->isOn());
}

void tst_CanvasViewBars::choosingAToolDropsThePickedAnnotation() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 300, 200));
    f.choose(Tool::line);
    f.drag(QPointF(100, 100), QPointF(200, 100));
    f.choose(std::nullopt);
    f.click(QPointF(150, 100));
    const bool picked = f.view().selectedAnnotation() != nullptr;

    f.view().bars().toolButton(Tool::arrow)->click();

    QVERIFY(picked);
    QVERIFY(f.view().selectedAnnotation() == nullptr);
}

void tst_CanvasViewBars::pickingAColourWhileTypingRecoloursTheText() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 300, 200));
    f.choose(Tool::text);
    f.click(QPointF(100, 120));
    QLineEdit* field = f.view().activeField();
    QVERIFY(field);
    f.view().bars().colorButton()->click();
    const bool paletteOpen = !f.view().bars().paletteBar()->isHidden();
    const QColor blue = Config::palette().at(3);

    f.view().bars().paletteBar()->swatches().at(3)->click();

    QVERIFY(paletteOpen);
    QCOMPARE(f.view().activeField(), field);
    QCOMPARE(field->palette().color(QPalette::Text), blue);
    QCOMPARE(f.view().color(), blue);
    QCOMPARE(f.view().bars().sizeBar(Tool::pen)->track()->color(), blue);
    QVERIFY(f.view().bars().paletteBar()->isHidden());
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
    QVERIFY(f.outcomes.isEmpty());
    QCOMPARE(Prefs::markerOpacity(), 0.55);
}

void tst_CanvasViewBars::opacityButtonConfirmsInTheHud() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 200, 150));
    f.view().bars().colorButton()->click();

    f.view().bars().paletteBar()->plusButton()->click();

    QCOMPARE(Prefs::markerOpacity(), 0.45);
    QCOMPARE(f.view().bars().paletteBar()->track()->value(), 0.45);
    QCOMPARE(f.view().hudText(),
             std::optional<QString>(QStringLiteral("Opacidad del marcador: 45 %")));
}

void tst_CanvasViewBars::sizeButtonConfirmsInTheHud() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 200, 150));
    f.view().bars().toolButton(Tool::pen)->click();
    f.view().bars().sizeBar(Tool::pen)->plusButton()->click();

    f.view().bars().sizeBar(Tool::pen)->plusButton()->click();

    QCOMPARE(Prefs::size(Tool::pen), 5.0);
    QCOMPARE(f.view().bars().sizeBar(Tool::pen)->track()->value(), 5.0);
    QCOMPARE(f.view().hudText(), std::optional<QString>(QStringLiteral("Grosor del lápiz: 5 px")));
}

void tst_CanvasViewBars::actionButtonsEndTheRun_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("kind");
    QTest::newRow("pin") << 1 << int(CanvasView::Outcome::pin);
    QTest::newRow("copy") << 2 << int(CanvasView::Outcome::copy);
    QTest::newRow("save") << 3 << int(CanvasView::Outcome::save);
    QTest::newRow("close") << 4 << int(CanvasView::Outcome::cancel);
}

void tst_CanvasViewBars::actionButtonsEndTheRun() {
    QFETCH(int, button);
    QFETCH(int, kind);
    CanvasFixture f;
    f.select(QRectF(50, 50, 200, 150));

    actionButton(f.view(), button)->click();

    QCOMPARE(f.outcomes.size(), 1);
    QCOMPARE(int(f.outcomes.first().kind), kind);
    if (kind != CanvasView::Outcome::cancel)
        QCOMPARE(f.outcomes.first().rendered.image.size(), QSize(400, 300));
}

void tst_CanvasViewBars::recognitionWithoutRecognizerSaysSo() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 200, 150));

    actionButton(f.view(), 0)->click();

    QVERIFY(f.outcomes.isEmpty());
    QCOMPARE(f.view().hudText(),
             std::optional<QString>(QStringLiteral("Reconocimiento de texto no disponible")));
}

void tst_CanvasViewBars::recognizedTextEndsTheRun() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 100, 40));
    f.choose(Tool::rect);
    f.drag(QPointF(60, 60), QPointF(90, 80));
    QImage seen;
    CanvasView::textRecognizer = [&seen](const QImage& crop) -> std::optional<QString> {
        seen = crop;
        return QStringLiteral("Hola\nmundo");
    };

    actionButton(f.view(), 0)->click();
    const std::optional<QString> reading = f.view().hudText();
    QTRY_COMPARE(f.outcomes.size(), 1);

    QCOMPARE(reading, std::optional<QString>(QStringLiteral("Leyendo texto…")));
    QCOMPARE(f.outcomes.first().kind, CanvasView::Outcome::text);
    QCOMPARE(f.outcomes.first().recognizedText, QStringLiteral("Hola\nmundo"));
    // The frozen screen under the selection, in device pixels, without the rectangle drawn on it.
    QCOMPARE(seen, f.view().image().copy(100, 100, 200, 80));
}

void tst_CanvasViewBars::noTextFoundKeepsTheEditorOpen() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 100, 40));
    CanvasView::textRecognizer = [](const QImage&) -> std::optional<QString> { return {}; };

    actionButton(f.view(), 0)->click();

    QTRY_COMPARE(f.view().hudText(),
                 std::optional<QString>(QStringLiteral("No se encontró texto en la selección")));
    QVERIFY(f.outcomes.isEmpty());
}

QTEST_MAIN(tst_CanvasViewBars)
#include "tst_CanvasViewBars.moc"

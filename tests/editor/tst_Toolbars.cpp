// The canvas's bars as a whole: their contents and order, what each control asks of the canvas,
// the minus/plus step rules, tool toggling, placement of popups and the confirmation texts.
#include "app/Translations.h"
#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"

#include <QTest>

namespace {

const QRectF display(0, 0, 1920, 1080);

// A canvas stand-in recording what the bars ask for.
struct Recorder {
    QStringList calls;
    double opacity = 0.45;
    QHash<Tool, double> sizes;

    Toolbars::Actions actions() {
        Toolbars::Actions a;
        a.pointerMode = [this] { calls << QStringLiteral("pointer"); };
        a.toggle = [this](Tool t) { calls << QStringLiteral("toggle ") + t.name(); };
        a.togglePalette = [this] { calls << QStringLiteral("palette"); };
        a.undo = [this] { calls << QStringLiteral("undo"); };
        a.redo = [this] { calls << QStringLiteral("redo"); };
        a.pick = [this](const QColor& c) { calls << QStringLiteral("pick ") + c.name(); };
        a.setOpacity = [this](double v) { calls << QStringLiteral("opacity %1").arg(v); };
        a.setSize = [this](double v, Tool t) {
            calls << QStringLiteral("size %1 %2").arg(t.name()).arg(v);
        };
        a.recognizeText = [this] { calls << QStringLiteral("ocr"); };
        a.pin = [this] { calls << QStringLiteral("pin"); };
        a.copy = [this] { calls << QStringLiteral("copy"); };
        a.save = [this] { calls << QStringLiteral("save"); };
        a.close = [this] { calls << QStringLiteral("close"); };
        a.markerOpacity = [this] { return opacity; };
        a.size = [this](Tool t) { return sizes.value(t, t.defaultSize()); };
        return a;
    }
};

QStringList symbols(const BarView* bar) {
    QStringList result;
    for (const BarButton* button : bar->buttons())
        result << (button->symbol().isEmpty() ? QStringLiteral("swatch") : button->symbol());
    return result;
}

} // namespace

class tst_Toolbars : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void barsHoldTheirButtonsInOrder();
    void everyBarStartsHiddenOnTheCanvas();
    void controlsCallTheCanvas();
    void steppedOpacity_data();
    void steppedOpacity();
    void steppedSize_data();
    void steppedSize();
    void toggledTool_data();
    void toggledTool();
    void showToolMarksOneButton();
    void paletteOpensLevelWithColorButton();
    void sizeBarOpensBesideItsTool();
    void pickedColorReachesSwatchAndSliders();
    void isOverBarOnlyForShownBars();
    void messages_data();
    void messages();
    void shortcutTooltipsSayCtrl();
};

void tst_Toolbars::barsHoldTheirButtonsInOrder() {
    QWidget canvas;
    Recorder recorder;

    Toolbars bars(&canvas, recorder.actions(), Config::palette(), Config::palette().first(), 0.45);

    QCOMPARE(symbols(bars.toolsBar()),
             QStringList({"cursorarrow", "pencil", "line.diagonal", "arrow.up.right", "rectangle",
                          "highlighter", "textformat", "1.circle", "checkerboard.rectangle",
                          "swatch", "arrow.uturn.backward", "arrow.uturn.forward"}));
    QCOMPARE(bars.toolsBar()->size(), QSize(38, 390));
    QCOMPARE(symbols(bars.actionsBar()), QStringList({"text.viewfinder", "pin", "doc.on.doc",
                                                      "square.and.arrow.down", "xmark"}));
    QCOMPARE(bars.actionsBar()->size(), QSize(166, 38));
    QCOMPARE(bars.paletteBar()->size(), QSize(198, 70));
    QCOMPARE(bars.paletteBar()->swatches().size(), Config::palette().size());
    for (int i = 0; i < Config::palette().size(); ++i)
        QCOMPARE(bars.paletteBar()->swatches()[i]->swatch(), Config::palette()[i]);
    QList<Tool> sized;
    for (const auto& [tool, bar] : bars.sizeBars()) {
        sized << tool;
        QCOMPARE(bar->size(), QSize(198, 38));
        QCOMPARE(bar->track()->isTapered(), true);
        QCOMPARE(bar->track()->step(), tool.sizeStep());
        QCOMPARE(bar->track()->toolTip(), tool.sizeLabel());
    }
    QCOMPARE(sized, QList<Tool>({Tool::pen, Tool::line, Tool::arrow, Tool::rect, Tool::marker,
                                 Tool::number}));
    QCOMPARE(bars.pointerButton()->isOn(), true);
}

void tst_Toolbars::everyBarStartsHiddenOnTheCanvas() {
    QWidget canvas;
    Recorder recorder;

    Toolbars bars(&canvas, recorder.actions(), Config::palette(), Qt::red, 0.45);

    const QList<QWidget*> all = bars.allBars();
    QCOMPARE(all.size(), 3 + 6);
    QCOMPARE(all[0], bars.toolsBar());
    QCOMPARE(all[1], bars.actionsBar());
    QCOMPARE(all[2], bars.paletteBar());
    for (const QWidget* bar : all) {
        QCOMPARE(bar->parentWidget(), &canvas);
        QVERIFY(bar->isHidden());
    }
}

void tst_Toolbars::controlsCallTheCanvas() {
    QWidget canvas;
    Recorder recorder;
    recorder.sizes[Tool::marker] = 40;
    Toolbars bars(&canvas, recorder.actions(), Config::palette(), Qt::red, 0.45);

    for (BarButton* button : bars.toolsBar()->buttons())
        button->click();
    for (BarButton* button : bars.actionsBar()->buttons())
        button->click();
    bars.paletteBar()->swatches()[2]->click();
    bars.paletteBar()->minusButton()->click();
    bars.sizeBar(Tool::marker)->plusButton()->click();
    bars.sizeBar(Tool::number)->minusButton()->click();

    QCOMPARE(recorder.calls, QStringList({"pointer",
                                          "toggle pen",
                                          "toggle line",
                                          "toggle arrow",
                                          "toggle rect",
                                          "toggle marker",
                                          "toggle text",
                                          "toggle number",
                                          "toggle pixelate",
                                          "palette",
                                          "undo",
                                          "redo",
                                          "ocr",
                                          "pin",
                                          "copy",
                                          "save",
                                          "close",
                                          "pick " + Config::palette()[2].name(),
                                          "opacity 0.4",
                                          "size marker 40",
                                          "size number 24"}));
}

void tst_Toolbars::steppedOpacity_data() {
    QTest::addColumn<double>("opacity");
    QTest::addColumn<int>("direction");
    QTest::addColumn<double>("expected");

    QTest::newRow("plus at 0.95 gives 1.0") << 0.95 << 1 << 1.0;
    QTest::newRow("plus at 1.0 stays 1.0") << 1.0 << 1 << 1.0;
    QTest::newRow("minus at 0.1 stays 0.1") << 0.1 << -1 << 0.1;
    QTest::newRow("minus at 0.45 gives 0.4") << 0.45 << -1 << 0.4;
    QTest::newRow("off-grid value lands on the grid") << 0.33 << 1 << 0.4;
}

void tst_Toolbars::steppedOpacity() {
    QFETCH(double, opacity);
    QFETCH(int, direction);
    QFETCH(double, expected);

    const double result = Toolbars::steppedOpacity(opacity, direction);

    QVERIFY2(qAbs(result - expected) < 1e-9, qPrintable(QString::number(result, 'g', 17)));
}

void tst_Toolbars::steppedSize_data() {
    QTest::addColumn<Tool>("tool");
    QTest::addColumn<double>("size");
    QTest::addColumn<int>("direction");
    QTest::addColumn<double>("expected");

    QTest::newRow("marker plus at 40 stays 40") << Tool(Tool::marker) << 40.0 << 1 << 40.0;
    QTest::newRow("marker plus steps by 2") << Tool(Tool::marker) << 16.0 << 1 << 18.0;
    QTest::newRow("marker minus at 4 stays 4") << Tool(Tool::marker) << 4.0 << -1 << 4.0;
    QTest::newRow("number minus steps by 2") << Tool(Tool::number) << 26.0 << -1 << 24.0;
    QTest::newRow("pen plus steps by 1") << Tool(Tool::pen) << 3.0 << 1 << 4.0;
    QTest::newRow("pen plus at 20 stays 20") << Tool(Tool::pen) << 20.0 << 1 << 20.0;
    QTest::newRow("fractional size rounds half away") << Tool(Tool::line) << 2.5 << 1 << 4.0;
}

void tst_Toolbars::steppedSize() {
    QFETCH(Tool, tool);
    QFETCH(double, size);
    QFETCH(int, direction);
    QFETCH(double, expected);

    QCOMPARE(Toolbars::steppedSize(tool, size, direction), expected);
}

void tst_Toolbars::toggledTool_data() {
    QTest::addColumn<std::optional<Tool>>("current");
    QTest::addColumn<Tool>("clicked");
    QTest::addColumn<bool>("sizeBarHidden");
    QTest::addColumn<std::optional<Tool>>("expected");

    const std::optional<Tool> none;
    QTest::newRow("from the pointer a tool is chosen")
        << none << Tool(Tool::pen) << true << std::optional<Tool>(Tool::pen);
    QTest::newRow("another tool replaces the chosen one")
        << std::optional<Tool>(Tool::pen) << Tool(Tool::arrow) << true
        << std::optional<Tool>(Tool::arrow);
    QTest::newRow("chosen pen clicked with its size bar showing returns to the pointer")
        << std::optional<Tool>(Tool::pen) << Tool(Tool::pen) << false << none;
    QTest::newRow("chosen pen clicked after its size bar closed keeps the pen")
        << std::optional<Tool>(Tool::pen) << Tool(Tool::pen) << true
        << std::optional<Tool>(Tool::pen);
    QTest::newRow("text clicked twice returns to the pointer")
        << std::optional<Tool>(Tool::text) << Tool(Tool::text) << true << none;
    QTest::newRow("pixelate clicked twice returns to the pointer")
        << std::optional<Tool>(Tool::pixelate) << Tool(Tool::pixelate) << true << none;
}

void tst_Toolbars::toggledTool() {
    QFETCH(std::optional<Tool>, current);
    QFETCH(Tool, clicked);
    QFETCH(bool, sizeBarHidden);
    QFETCH(std::optional<Tool>, expected);

    QCOMPARE(Toolbars::toggledTool(current, clicked, sizeBarHidden), expected);
}

void tst_Toolbars::showToolMarksOneButton() {
    QWidget canvas;
    Recorder recorder;
    Toolbars bars(&canvas, recorder.actions(), Config::palette(), Qt::red, 0.45);

    bars.showTool(Tool::arrow);

    QCOMPARE(bars.pointerButton()->isOn(), false);
    for (const auto& [tool, button] : bars.toolButtons())
        QCOMPARE(button->isOn(), tool == Tool::arrow);

    bars.showTool(std::nullopt);

    QCOMPARE(bars.pointerButton()->isOn(), true);
    QCOMPARE(bars.toolButton(Tool::arrow)->isOn(), false);
}

void tst_Toolbars::paletteOpensLevelWithColorButton() {
    QWidget canvas;
    canvas.resize(display.size().toSize());
    Recorder recorder;
    Toolbars bars(&canvas, recorder.actions(), Config::palette(), Qt::red, 0.45);
    bars.showBars(QRectF(400, 300, 600, 500), display);
    bars.showSize(Tool::pen, 5);
    bars.openSizeBar(Tool::pen, 5, display);

    bars.togglePalette(0.7, display);

    const QRect colorButton(bars.colorButton()->mapTo(&canvas, QPoint()), QSize(30, 30));
    const QRect palette = bars.paletteBar()->geometry();
    QVERIFY(!bars.paletteBar()->isHidden());
    QVERIFY(bars.isSizeBarHidden(Tool::pen));
    QCOMPARE(palette.top() + 4, colorButton.top());
    QCOMPARE(palette.left(), bars.toolsBar()->geometry().right() + 1 + 6);
    QCOMPARE(bars.paletteBar()->track()->value(), 0.7);

    bars.togglePalette(0.7, display);

    QVERIFY(bars.paletteBar()->isHidden());
}

void tst_Toolbars::sizeBarOpensBesideItsTool() {
    QWidget canvas;
    Recorder recorder;
    Toolbars bars(&canvas, recorder.actions(), Config::palette(), Qt::red, 0.45);
    // A full-display selection puts the tools bar inside along the right edge.
    bars.showBars(display, display);

    bars.openSizeBar(Tool::marker, 22, display);

    PaletteView* bar = bars.sizeBar(Tool::marker);
    const QRect button(bars.toolButton(Tool::marker)->mapTo(&canvas, QPoint()), QSize(30, 30));
    QVERIFY(!bar->isHidden());
    QCOMPARE(bar->track()->value(), 22.0);
    QCOMPARE(bar->geometry().top() + 4, button.top());
    QCOMPARE(bar->geometry().right() + 1, bars.toolsBar()->geometry().left() - 6);
    QVERIFY(bars.sizeBar(Tool::number) != nullptr);
    QCOMPARE(bars.sizeBar(Tool::text), nullptr);
}

void tst_Toolbars::pickedColorReachesSwatchAndSliders() {
    QWidget canvas;
    Recorder recorder;
    Toolbars bars(&canvas, recorder.actions(), Config::palette(), Qt::red, 0.45);

    bars.showColor(Qt::blue);

    QCOMPARE(bars.colorButton()->swatch(), QColor(Qt::blue));
    QCOMPARE(bars.paletteBar()->track()->color(), QColor(Qt::blue));
    for (const auto& [tool, bar] : bars.sizeBars())
        QCOMPARE(bar->track()->color(), QColor(Qt::blue));
}

void tst_Toolbars::isOverBarOnlyForShownBars() {
    QWidget canvas;
    Recorder recorder;
    Toolbars bars(&canvas, recorder.actions(), Config::palette(), Qt::red, 0.45);
    bars.showBars(QRectF(400, 300, 600, 500), display);
    const QRect tools = bars.toolsBar()->geometry();

    QVERIFY(bars.isOverBar(tools.topLeft()));
    QVERIFY(!bars.isOverBar(QPointF(tools.x() + tools.width(), tools.y() + 10)));
    bars.hideBars();
    QVERIFY(!bars.isOverBar(tools.topLeft()));
}

void tst_Toolbars::messages_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");

    QTest::newRow("opacity 0.45") << Toolbars::opacityMessage(0.45)
                                  << QStringLiteral("Opacidad del marcador: 45 %");
    QTest::newRow("opacity 1.0") << Toolbars::opacityMessage(1.0)
                                 << QStringLiteral("Opacidad del marcador: 100 %");
    QTest::newRow("pen size") << Toolbars::sizeMessage(Tool::pen, 5)
                              << QStringLiteral("Grosor del lápiz: 5 px");
    QTest::newRow("marker size at the top")
        << Toolbars::sizeMessage(Tool::marker, 40) << QStringLiteral("Grosor del marcador: 40 px");
}

void tst_Toolbars::messages() {
    QFETCH(QString, message);
    QFETCH(QString, expected);

    QCOMPARE(message, expected);
}

void tst_Toolbars::shortcutTooltipsSayCtrl() {
    QVERIFY(Translations::install(*QCoreApplication::instance()));
    QWidget canvas;
    Recorder recorder;

    Toolbars bars(&canvas, recorder.actions(), Config::palette(), Qt::red, 0.45);

    QStringList tips;
    for (const BarButton* button : bars.toolsBar()->buttons().mid(10))
        tips << button->toolTip();
    for (const BarButton* button : bars.actionsBar()->buttons())
        tips << button->toolTip();
    QCOMPARE(tips,
             QStringList({"Deshacer (Ctrl+Z)", "Rehacer (Shift+Ctrl+Z)",
                          "Copiar el texto de la selección (OCR)", "Fijar flotando en pantalla",
                          "Copiar (Ctrl+C o Enter)", "Guardar (Ctrl+S)", "Cerrar (Esc)"}));
}

QTEST_MAIN(tst_Toolbars)
#include "tst_Toolbars.moc"

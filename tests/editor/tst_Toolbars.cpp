// The minus/plus step rules and where the palette opens.
#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<Tool>)

class tst_Toolbars : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stepped_data() {
        QTest::addColumn<std::optional<Tool>>("tool"); // none: the marker opacity
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("direction");
        QTest::addColumn<double>("expected");

        const std::optional<Tool> opacity;
        QTest::newRow("opacity plus at 0.95 gives 1.0") << opacity << 0.95 << 1 << 1.0;
        QTest::newRow("opacity plus at 1.0 stays 1.0") << opacity << 1.0 << 1 << 1.0;
        QTest::newRow("off-grid opacity lands on the grid") << opacity << 0.33 << 1 << 0.4;
        QTest::newRow("marker size plus at 40 stays 40")
            << std::optional<Tool>(Tool::marker) << 40.0 << 1 << 40.0;
        QTest::newRow("fractional size rounds half away")
            << std::optional<Tool>(Tool::line) << 2.5 << 1 << 4.0;
    }

    void stepped() {
        QFETCH(std::optional<Tool>, tool);
        QFETCH(double, value);
        QFETCH(int, direction);
        QFETCH(double, expected);

        const double result = tool ? Toolbars::steppedSize(*tool, value, direction)
                                   : Toolbars::steppedOpacity(value, direction);

        QVERIFY2(qAbs(result - expected) < 1e-9, qPrintable(QString::number(result, 'g', 17)));
    }

    void paletteOpensLevelWithColorButton() {
        const QRectF display(0, 0, 1920, 1080);
        QWidget canvas;
        canvas.resize(display.size().toSize());
        Toolbars::Actions actions;
        actions.size = [](Tool tool) { return tool.defaultSize(); };
        Toolbars bars(&canvas, actions, Config::palette(), Qt::red, 0.45);
        bars.showBars(QRectF(400, 300, 600, 500), display);
        bars.openSizeBar(Tool::pen, 5, display);

        bars.togglePalette(0.7, display);

        // The swatch row's buttons sit 4 points into the panel.
        const QPoint colorButton = bars.colorButton()->mapTo(&canvas, QPoint());
        const QRect palette = bars.paletteBar()->geometry();
        QVERIFY(!bars.paletteBar()->isHidden());
        QVERIFY(bars.isSizeBarHidden(Tool::pen));
        QCOMPARE(palette.top() + 4, colorButton.y());
        QCOMPARE(palette.left(), bars.toolsBar()->geometry().right() + 1 + 6);
        QCOMPARE(bars.paletteBar()->track()->value(), 0.7);
    }
};

QTEST_MAIN(tst_Toolbars)
#include "tst_Toolbars.moc"

// The minus/plus step rules and where the palette opens.
#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"

#include <QTest>

class tst_Toolbars : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void steppedStopsAtTheEnds() {
        QCOMPARE(Toolbars::steppedOpacity(0.95, 1), 1.0);
        QCOMPARE(Toolbars::steppedOpacity(1.0, 1), 1.0);
        QCOMPARE(Toolbars::steppedSize(Tool::marker, 40, 1), 40.0);
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

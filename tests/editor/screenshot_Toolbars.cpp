// Renders the capture editor's bars and popups to PNG files for review by eye; run through
// scripts/screenshots.sh, which sets the backing scale with QT_SCALE_FACTOR.
#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/PaletteView.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"

#include <QApplication>
#include <QDir>
#include <QPainter>

#include <cstdio>

namespace {

// Stands in for the frozen screen: something busy behind the bars so their edges show.
class Backdrop : public QWidget {
public:
    QRectF selection;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setColorAt(0, QColor(70, 110, 160));
        gradient.setColorAt(1, QColor(220, 200, 150));
        painter.fillRect(rect(), gradient);
        painter.fillRect(rect(), QColor(0, 0, 0, 115));
        painter.fillRect(selection, gradient);
        painter.setPen(QPen(Config::leafGreen(), 1, Qt::DashLine));
        painter.drawRect(selection.adjusted(-0.5, -0.5, 0.5, 0.5));
    }
};

Toolbars::Actions quietActions() {
    Toolbars::Actions a;
    a.pointerMode = a.togglePalette = a.undo = a.redo = [] {};
    a.recognizeText = a.pin = a.copy = a.save = a.close = [] {};
    a.toggle = [](Tool) {};
    a.pick = [](const QColor&) {};
    a.setOpacity = [](double) {};
    a.setSize = [](double, Tool) {};
    a.markerOpacity = [] { return 0.45; };
    a.size = [](Tool tool) { return tool.defaultSize(); };
    return a;
}

bool save(QWidget& widget, const QDir& out, const QString& name, const QString& suffix) {
    const QString path = out.filePath(name + suffix + QStringLiteral(".png"));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString suffix = QStringLiteral("@%1x").arg(qRound(qApp->devicePixelRatio()));

    Backdrop canvas;
    canvas.resize(720, 540);
    const QRectF bounds(QPointF(0, 0), canvas.size());
    canvas.selection = QRectF(80, 40, 380, 300);
    Toolbars bars(&canvas, quietActions(), Config::palette(), Config::palette().first(), 0.45);
    bars.showBars(canvas.selection, bounds);
    canvas.show();

    bool ok = true;
    bars.showTool(Tool::pen);
    bars.openSizeBar(Tool::pen, 5, bounds);
    ok &= save(canvas, out, QStringLiteral("editor-size-bar"), suffix);

    bars.hidePopups();
    bars.showTool(std::nullopt);
    bars.togglePalette(0.45, bounds);
    ok &= save(canvas, out, QStringLiteral("editor-palette"), suffix);

    bars.hidePopups();
    bars.showTool(Tool::marker);
    bars.showColor(Config::palette()[3]);
    bars.openSizeBar(Tool::marker, 30, bounds);
    ok &= save(canvas, out, QStringLiteral("editor-marker-blue"), suffix);

    // A selection filling the display: both bars fall back inside it.
    bars.hidePopups();
    canvas.selection = bounds;
    bars.showBars(canvas.selection, bounds);
    bars.showTool(Tool::number);
    bars.openSizeBar(Tool::number, 26, bounds);
    ok &= save(canvas, out, QStringLiteral("editor-full-display"), suffix);

    ok &= save(*bars.toolsBar(), out, QStringLiteral("tools-bar"), suffix);
    ok &= save(*bars.actionsBar(), out, QStringLiteral("actions-bar"), suffix);
    return ok ? 0 : 1;
}

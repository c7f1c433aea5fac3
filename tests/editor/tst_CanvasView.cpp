// The capture canvas driven as a user drives it: choosing the area with the mouse, drawing,
// the keys and the text field, the bars, and what it paints (loupe included), read back pixel
// by pixel.
#include "WidgetPixels.h"
#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/CanvasView.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"
#include "editor/Toolbars.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <memory>
#include <optional>

Q_DECLARE_METATYPE(Tool)
Q_DECLARE_METATYPE(std::optional<Tool>)

using Kind = CanvasView::Outcome::Kind;

namespace {

// A canvas (400 × 300 points unless told) over a frozen image of the given backing scale, shown
// offscreen, with its callbacks recorded.
struct CanvasFixture {
    explicit CanvasFixture(int scale = 2, QSize size = QSize(400, 300))
        : CanvasFixture(plain(size * scale), size) {}

    // Over the given frozen image; its size over the canvas size is the backing scale.
    CanvasFixture(QImage image, QSize size) {
        // The test's settings folder outlives a run: start every case from the defaults.
        Prefs::setBool(QStringLiteral("autoCopy"), true);
        Prefs::setBool(QStringLiteral("showLoupe"), true);
        Prefs::setMarkerOpacity(0.4);
        for (Tool tool : Tool::allCases())
            Prefs::setSize(tool.defaultSize(), tool);
        image.setDevicePixelRatio(double(image.width()) / size.width());
        canvas = std::make_unique<CanvasView>(QRect(QPoint(0, 0), size), image);
        canvas->onAutoCopy = [this](const Rendered& r) { liveCopies.append(r); };
        canvas->onFinish = [this](const CanvasView::Outcome& o) { outcomes.append(o); };
        canvas->show();
        canvas->activateWindow();
        canvas->setFocus();
    }

    static QImage plain(QSize pixels) {
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        return image;
    }

    CanvasView& view() { return *canvas; }

    // A press, one movement and a release, with fractional positions and modifiers where needed
    // (QTest moves carry neither).
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
    }

    void click(QPointF at) { drag(at, at); }

    void press(QPointF at) {
        send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, {});
    }

    void hover(QPointF at, Qt::MouseButtons held = Qt::NoButton) {
        send(QEvent::MouseMove, at, Qt::NoButton, held, {});
    }

    void send(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers) {
        QMouseEvent event(type, pos, canvas->mapToGlobal(pos), button, buttons, modifiers);
        QApplication::sendEvent(canvas.get(), &event);
    }

    // The tool (or the pointer) as a click on its toolbar button chooses it; a tool already
    // chosen stays.
    void choose(std::optional<Tool> tool) {
        if (!tool)
            canvas->bars().pointerButton()->click();
        else if (canvas->tool() != tool)
            canvas->bars().toolButton(*tool)->click();
    }

    void select(const QRectF& r) { drag(r.topLeft(), r.bottomRight()); }

    std::unique_ptr<CanvasView> canvas;
    QList<Rendered> liveCopies;
    QList<CanvasView::Outcome> outcomes;
};

// Two lines drawn on a selection of (50, 50, 250, 200); the canvas is back in pointer mode.
void drawTwoLines(CanvasFixture& f) {
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::line);
    f.drag(QPointF(100, 100), QPointF(200, 100));
    f.drag(QPointF(100, 150), QPointF(200, 150));
    f.choose(std::nullopt);
}

// Opens the text field with a click of the text tool on a selection of (50, 50, 250, 200).
QLineEdit* openField(CanvasFixture& f, QPointF at = QPointF(100, 120)) {
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::text);
    f.click(at);
    return f.view().activeField();
}

// The dark panel behind the canvas's labels, as it shows over nothing.
bool isPanel(const QColor& c) {
    return c.alpha() > 150 && c.red() < 60 && c.green() < 60 && c.blue() < 60;
}

bool isClear(const QColor& c) {
    return c.alpha() == 0;
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

class tst_CanvasView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Choosing the area, drawing, picking, badges and the wheel.

    void pressNearTheSelection_data() {
        QTest::addColumn<QPointF>("press");
        QTest::addColumn<bool>("annotated");
        QTest::addColumn<bool>("resizing");
        QTest::addColumn<bool>("kept");

        QTest::newRow("7 points outside a corner grabs the corner handle")
            << QPointF(93, 93) << false << true << true;
        QTest::newRow("8 points outside a corner starts a new selection")
            << QPointF(92, 92) << false << false << false;
        QTest::newRow("with annotations a press outside keeps the selection")
            << QPointF(20, 20) << true << false << true;
    }

    void pressNearTheSelection() {
        QFETCH(QPointF, press);
        QFETCH(bool, annotated);
        QFETCH(bool, resizing);
        QFETCH(bool, kept);
        CanvasFixture f;
        f.select(QRectF(100, 100, 200, 100));
        if (annotated) {
            f.choose(Tool::rect);
            f.drag(QPointF(120, 120), QPointF(160, 160));
        }

        f.press(press);

        QCOMPARE(f.view().drag().is<CanvasView::Drag::Resizing>(), resizing);
        QCOMPARE(f.view().selection() == QRectF(100, 100, 200, 100), kept);
    }

    void tinyDragTakesTheHoveredWindow() {
        CanvasFixture f;
        f.view().setWindowRects({QRectF(50, 40, 120.5, 80), QRectF(0, 0, 400, 300)});
        f.hover(QPointF(60, 50));

        f.drag(QPointF(60, 50), QPointF(62, 100));

        QCOMPARE(f.view().selection(), QRectF(50, 40, 121, 80));
        QCOMPARE(f.liveCopies.size(), 1);
    }

    void selectionIsRoundedOutward() {
        CanvasFixture f;

        f.drag(QPointF(10.3, 20.7), QPointF(110.7, 81.3));

        QCOMPARE(f.view().selection(), QRectF(10, 20, 101, 62));
        QCOMPARE(f.liveCopies.first().image.size(), QSize(202, 124));
    }

    void draggingTheSelection_data() {
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<QRectF>("expected");

        QTest::newRow("left handle dragged past the right edge turns the selection over")
            << QPointF(100, 150) << QPointF(350, 150) << QRectF(300, 100, 50, 100);
        QTest::newRow("moved left it stops at the left edge")
            << QPointF(200, 150) << QPointF(0, 150) << QRectF(0, 100, 200, 100);
        QTest::newRow("moved right and down it stops at those edges")
            << QPointF(200, 150) << QPointF(399, 299) << QRectF(200, 200, 200, 100);
    }

    void draggingTheSelection() {
        QFETCH(QPointF, from);
        QFETCH(QPointF, to);
        QFETCH(QRectF, expected);
        CanvasFixture f;
        f.select(QRectF(100, 100, 200, 100));

        f.drag(from, to);

        QCOMPARE(f.view().selection(), expected);
    }

    void drawingEndPoint_data() {
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<QPointF>("expected");

        // Lines with Shift from (100, 100) in a selection of (50, 50, 250, 200).
        const QPointF s(100, 100);
        QTest::newRow("(10, 9) turns to 45 degrees keeping its length")
            << s + QPointF(10, 9) << s + QPointF(9.5131, 9.5131);
        QTest::newRow("(10, 3) turns level keeping its length")
            << s + QPointF(10, 3) << s + QPointF(10.4403, 0);
        QTest::newRow("a snapped end is clamped to the selection")
            << QPointF(305, 102) << QPointF(300, 100);
    }

    void drawingEndPoint() {
        QFETCH(QPointF, to);
        QFETCH(QPointF, expected);
        CanvasFixture f;
        f.select(QRectF(50, 50, 250, 200));
        f.choose(Tool::line);

        f.drag(QPointF(100, 100), to, Qt::ShiftModifier);

        const QPointF end = f.view().annotations().first()->points.last();
        QVERIFY(qAbs(end.x() - expected.x()) < 0.001 && qAbs(end.y() - expected.y()) < 0.001);
    }

    void clickOnAnAnnotationChangesNothing() {
        CanvasFixture f;
        f.select(QRectF(50, 50, 250, 200));
        f.choose(Tool::line);
        f.drag(QPointF(100, 100), QPointF(150, 100));
        f.choose(std::nullopt);
        const int copies = f.liveCopies.size();

        QTest::mouseClick(&f.view(), Qt::LeftButton, {}, QPoint(120, 101));

        QCOMPARE(f.view().selectedAnnotation(), f.view().annotations().first());
        QCOMPARE(f.view().undoStack().size(), 1);
        QCOMPARE(f.liveCopies.size(), copies);
    }

    void badgesNumberAfterTheHighest() {
        CanvasFixture f;
        f.select(QRectF(0, 0, 400, 300));
        f.choose(Tool::number);
        for (int i = 1; i <= 3; ++i)
            f.click(QPointF(50.0 * i, 50));
        f.choose(std::nullopt);
        f.click(QPointF(100, 50));
        QTest::keyClick(&f.view(), Qt::Key_Delete);
        f.choose(Tool::number);

        f.click(QPointF(50, 150));
        f.click(QPointF(100, 150));

        QList<qint64> numbers;
        for (const AnnotationRef& a : f.view().annotations())
            numbers.append(a->number);
        QCOMPARE(numbers, (QList<qint64>{1, 3, 4, 5}));
    }

    void wheel_data() {
        QTest::addColumn<QList<int>>("pixelDeltas"); // empty: one wheel notch up
        QTest::addColumn<double>("expected");
        QTest::addColumn<double>("remainder");

        QTest::newRow("one notch raises the marker opacity by 0.05") << QList<int>{} << 0.45 << 0.0;
        QTest::newRow("a precise delta of 9 makes no step and is kept")
            << QList<int>{9} << 0.40 << 0.75;
        QTest::newRow("the kept remainder counts towards the next event")
            << QList<int>{9, 6} << 0.45 << 0.25;
    }

    void wheel() {
        QFETCH(QList<int>, pixelDeltas);
        QFETCH(double, expected);
        QFETCH(double, remainder);
        CanvasFixture f;
        f.select(QRectF(0, 0, 400, 300));
        f.choose(Tool::marker);
        if (pixelDeltas.isEmpty())
            pixelDeltas.append(0);

        for (int delta : pixelDeltas) {
            const QPointF at(200, 150);
            QWheelEvent event(at, f.view().mapToGlobal(at), QPoint(0, delta),
                              QPoint(0, delta ? delta * 10 : 120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(&f.view(), &event);
        }

        QVERIFY(qAbs(Prefs::markerOpacity() - expected) < 1e-9);
        QVERIFY(qAbs(f.view().scrollAccumulator() - remainder) < 1e-9);
    }

    // The keys that end a capture, undo and redo, deleting, and the text field.

    void keyMap_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<int>("outcome"); // -1: the capture goes on
        QTest::addColumn<int>("annotations");

        const Qt::KeyboardModifiers none;
        const Qt::KeyboardModifiers ctrl(Qt::ControlModifier);
        QTest::newRow("Return copies") << int(Qt::Key_Return) << none << int(Kind::copy) << 1;
        QTest::newRow("keypad Enter copies")
            << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << int(Kind::copy)
            << 1;
        QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << none << int(Kind::cancel) << 1;
        QTest::newRow("Ctrl+C copies") << int(Qt::Key_C) << ctrl << int(Kind::copy) << 1;
        QTest::newRow("Ctrl+S saves") << int(Qt::Key_S) << ctrl << int(Kind::save) << 1;
        QTest::newRow("Ctrl+Z undoes") << int(Qt::Key_Z) << ctrl << -1 << 0;
        QTest::newRow("Shift+Ctrl+Z redoes")
            << int(Qt::Key_Z) << (ctrl | Qt::ShiftModifier) << -1 << 2;
    }

    void keyMap() {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(int, outcome);
        QFETCH(int, annotations);
        CanvasFixture f;
        drawTwoLines(f);
        f.view().undo();

        QTest::keyClick(&f.view(), Qt::Key(key), modifiers);

        QCOMPARE(f.view().annotations().size(), annotations);
        QCOMPARE(f.outcomes.size(), outcome < 0 ? 0 : 1);
        if (outcome >= 0)
            QCOMPARE(int(f.outcomes.first().kind), outcome);
        if (outcome >= 0 && outcome != Kind::cancel)
            QCOMPARE(f.outcomes.first().rendered.image.size(), QSize(500, 400));
    }

    // Draw, draw, move the first line; then step back and forth through the snapshots.
    void undoAndRedo() {
        CanvasFixture f;
        drawTwoLines(f);
        const QList<QPointF> first = f.view().annotations().first()->points;
        f.drag(QPointF(150, 100), QPointF(170, 130));
        const qsizetype copies = f.liveCopies.size();

        f.view().undo();
        const QList<QPointF> afterUndoingTheMove = f.view().annotations().first()->points;
        const bool stillPicked = f.view().selectedAnnotation() != nullptr;
        f.view().undo();
        f.view().undo();
        f.view().redo();

        QCOMPARE(afterUndoingTheMove, first);
        QCOMPARE(f.view().annotations().size(), 1);
        QCOMPARE(f.view().annotations().first()->points, first);
        QVERIFY(!stillPicked);
        QCOMPARE(f.view().redoStack().size(), 2);
        QCOMPARE(f.liveCopies.size(), copies + 4);
    }

    void drawingAfterUndoDropsTheRedoHistory() {
        CanvasFixture f;
        drawTwoLines(f);
        f.view().undo();
        f.choose(Tool::rect);

        f.drag(QPointF(60, 60), QPointF(90, 90));
        f.view().redo();

        QCOMPARE(f.view().annotations().size(), 2);
        QCOMPARE(f.view().annotations().last()->rect(), QRectF(60, 60, 30, 30));
    }

    void deleteHandsTheNewImageToTheLiveCopy() {
        CanvasFixture f;
        f.select(QRectF(0, 0, 400, 300));
        const QImage plain = f.liveCopies.last().image;
        f.view().pick(Qt::black);
        f.choose(Tool::rect);
        f.drag(QPointF(100, 100), QPointF(200, 200));
        f.choose(std::nullopt);
        QVERIFY(f.liveCopies.last().image != plain);
        f.click(QPointF(100, 150));

        QTest::keyClick(&f.view(), Qt::Key_Backspace);

        QVERIFY(f.view().annotations().isEmpty());
        QCOMPARE(f.liveCopies.last().image, plain);
    }

    void fieldWidth_data() {
        QTest::addColumn<QPointF>("press");
        QTest::addColumn<int>("width");

        QTest::newRow("the field reaches the selection's right edge") << QPointF(100, 120) << 200;
        QTest::newRow("30 points from the right edge it is 80 points wide, beyond the selection")
            << QPointF(270, 120) << 80;
    }

    void fieldWidth() {
        QFETCH(QPointF, press);
        QFETCH(int, width);
        CanvasFixture f;

        QLineEdit* field = openField(f, press);

        QVERIFY(field);
        QCOMPARE(field->x(), int(press.x()));
        QCOMPARE(field->width(), width);
    }

    // Return and Escape in the field end the typing, never the capture; a second Return copies.
    void fieldClosing_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("kept"); // annotations, undo steps and new live copies alike

        QTest::newRow("Return commits the text") << "Hola" << int(Qt::Key_Return) << 1;
        QTest::newRow("Escape drops the text") << "Hola" << int(Qt::Key_Escape) << 0;
        QTest::newRow("an empty field leaves nothing") << "" << int(Qt::Key_Return) << 0;
    }

    void fieldClosing() {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(int, kept);
        CanvasFixture f;
        QLineEdit* field = openField(f);
        const qsizetype copies = f.liveCopies.size();
        QTest::keyClicks(field, typed);

        QTest::keyClick(field, Qt::Key(key));

        QVERIFY(f.outcomes.isEmpty() && !f.view().activeField());
        QCOMPARE(f.view().annotations().size(), kept);
        QCOMPARE(f.view().undoStack().size(), kept);
        QCOMPARE(f.liveCopies.size(), copies + kept);
        if (kept)
            QCOMPARE(f.view().annotations().first()->text, typed);
        QTest::keyClick(&f.view(), Qt::Key_Return);
        QCOMPARE(f.outcomes.value(0).kind, CanvasView::Outcome::copy);
    }

    void renderIncludesTheTextBeingTyped() {
        CanvasFixture f;
        QTest::keyClicks(openField(f), QStringLiteral("Listo"));

        const std::optional<Rendered> typed = f.view().render();

        QVERIFY(typed && typed->image != f.liveCopies.first().image);
    }

    // Through the bars: tool toggling, the palette while typing, presses kept on the bars.

    void toolClickedAgain_data() {
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

    void toolClickedAgain() {
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
        if (PaletteView* sizeBar = f.view().bars().sizeBar(tool))
            QCOMPARE(sizeBar->isHidden(), !kept);
    }

    void pickingAColourWhileTypingRecoloursTheText() {
        CanvasFixture f;
        QLineEdit* field = openField(f);
        f.view().bars().colorButton()->click();
        const QColor blue = Config::palette().at(3);

        f.view().bars().paletteBar()->swatches().at(3)->click();

        QCOMPARE(field->palette().color(QPalette::Text), blue);
        QVERIFY(f.view().bars().paletteBar()->isHidden());
        QTest::keyClicks(field, QStringLiteral("azul"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(f.view().annotations().first()->color(), blue);
    }

    void pressesOnBarsNeverReachTheCanvas() {
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
        QCOMPARE(Prefs::markerOpacity(), 0.55);
    }

    // What the canvas paints over the frozen screen, loupe included.

    void borderAndHandles_data() {
        QTest::addColumn<int>("scale");
        QTest::newRow("at 1x") << 1;
        QTest::newRow("at 2x") << 2;
    }

    void borderAndHandles() {
        QFETCH(int, scale);
        CanvasFixture f(scale);
        const QRectF s(100, 100, 200, 100);
        f.select(s);
        f.choose(Tool::pixelate); // no size bar to cover a handle
        const QImage idle = grabAt(f.view(), scale);
        f.press(QPointF(150, 130));
        f.hover(QPointF(160, 140), Qt::LeftButton);
        const QImage drawing = grabAt(f.view(), scale);

        // Along the top edge, away from the handles: white and green alternate one point outside,
        // with nothing inside the selection or two points out.
        int green = 0, white = 0;
        for (double x = 110; x < 190; x += 0.5) {
            green += near(colorAt(idle, QPointF(x, 99.5)), Config::leafGreen(), 12);
            white += near(colorAt(idle, QPointF(x, 99.5)), Qt::white, 12);
            QVERIFY(isClear(colorAt(idle, QPointF(x, 100.5))) && isClear(colorAt(idle, {x, 98.5})));
        }
        QVERIFY(green > 60 && white > 30);
        // Just inside each handle's square and the selection, where nothing else paints.
        for (double x : {s.left() + 1.5, s.center().x(), s.right() - 1.5}) {
            for (double y : {s.top() + 1.5, s.center().y(), s.bottom() - 1.5}) {
                const bool handle = x != s.center().x() || y != s.center().y();
                QCOMPARE(near(colorAt(idle, {x, y}), Qt::white), handle);
                QVERIFY(isClear(colorAt(drawing, {x, y})));
            }
        }
    }

    void annotationsAreCutAtTheSelectionEdge() {
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
        // Between the border and the tools bar.
        QVERIFY(isClear(colorAt(image, QPointF(304.5, 120))));
    }

    void hintShowsOnlyBeforeAnyDrag() {
        CanvasFixture f(1, QSize(1000, 600));
        f.hover(QPointF(100, 300));

        const QImage hovering = grabAt(f.view(), 1);
        f.press(QPointF(100, 300));
        const QImage pressed = grabAt(f.view(), 1);

        // The capsule: centred, its bottom edge 90 points below the top.
        const QRectF capsule = paintedBox(hovering, QRectF(0, 0, 1000, 150));
        QVERIFY(qAbs(capsule.center().x() - 500) <= 1);
        QCOMPARE(capsule.bottom(), 90.0);
        QVERIFY(isPanel(colorAt(hovering, QPointF(capsule.center().x(), capsule.top() + 3))));
        QVERIFY(paintedBox(pressed, QRectF(0, 0, 1000, 150)).isEmpty());
    }

    void sizeLabelSitsAboveOrInside_data() {
        QTest::addColumn<QRectF>("selection");
        QTest::addColumn<QPointF>("labelCorner");
        QTest::newRow("lower down: 6 points above the top edge")
            << QRectF(100, 100, 200, 100) << QPointF(100, 94);
        QTest::newRow("touching the top: inside, 6 points in")
            << QRectF(100, 0, 200, 100) << QPointF(106, 6);
    }

    void sizeLabelSitsAboveOrInside() {
        QFETCH(QRectF, selection);
        QFETCH(QPointF, labelCorner);
        CanvasFixture f(1);
        f.select(selection);

        const QImage image = grabAt(f.view(), 1);

        // labelCorner is the box's bottom-left when above, its top-left when inside.
        const double in = labelCorner.y() < selection.top() ? -2 : 2;
        QVERIFY(isPanel(colorAt(image, labelCorner + QPointF(2, in))));
        QVERIFY(isClear(colorAt(image, labelCorner + QPointF(-2, in))));
        QVERIFY(isClear(colorAt(image, labelCorner + QPointF(2, -in / 2))));
    }

    void hudIsCentredOnTheSelection() {
        CanvasFixture f(2);
        const QRectF s(60, 80, 240, 160);
        f.select(s);

        f.view().showHUD(QStringLiteral("Opacidad del marcador: 45 %"), false, 5);
        const QImage image = grabAt(f.view(), 2);

        // Clear of the border and handles, only the HUD paints inside the selection.
        const QRectF hud = paintedBox(image, s.adjusted(5, 5, -5, -5));
        QVERIFY(hud.width() > 100);
        QVERIFY(qAbs(hud.center().x() - s.center().x()) <= 0.5);
        QVERIFY(qAbs(hud.center().y() - s.center().y()) <= 0.5);
    }

    void selectedAnnotationOutlineOnlyInPointerMode() {
        CanvasFixture f(1);
        f.select(QRectF(50, 50, 300, 200));
        f.choose(Tool::rect);
        f.drag(QPointF(150, 130), QPointF(250, 170));
        f.choose(std::nullopt);
        const QRect around(130, 110, 140, 80);
        const QImage unpicked = grabAt(f.view(), 1).copy(around);

        f.click(QPointF(150, 150));
        const QImage picked = grabAt(f.view(), 1).copy(around);
        f.choose(Tool::text);
        const QImage withTool = grabAt(f.view(), 1).copy(around);

        QVERIFY(picked != unpicked);
        QCOMPARE(withTool, unpicked);
    }

    void hudOutlivesAnEarlierTimer_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sticky");
        QTest::addColumn<double>("seconds");
        QTest::newRow("a second message is not cleared by the first one's timer")
            << QStringLiteral("dos") << false << 30.0;
        QTest::newRow("a sticky message stays") << QStringLiteral("Leyendo texto…") << true << 0.0;
    }

    void hudOutlivesAnEarlierTimer() {
        QFETCH(QString, text);
        QFETCH(bool, sticky);
        QFETCH(double, seconds);
        CanvasFixture f;
        f.select(QRectF(50, 50, 300, 200));

        f.view().showHUD(QStringLiteral("uno"), false, 0.05);
        f.view().showHUD(text, sticky, seconds);
        QTest::qWait(200);

        QCOMPARE(f.view().hudText(), std::optional<QString>(text));
    }

    void placementFlipsNearTheRightAndBottom_data() {
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

    void placementFlipsNearTheRightAndBottom() {
        QFETCH(QPointF, pointer);
        QFETCH(QRectF, loupe);
        CanvasFixture f(1);

        f.hover(pointer);

        QCOMPARE(f.view().loupeRect(), std::optional<QRectF>(loupe));
    }

    // At the screen's top-left corner at 2x: one cell per device pixel, black beyond the screen.
    void loupeCells() {
        // Every device pixel a colour of its own: red counts columns, green counts rows.
        QImage numbered(800, 600, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < numbered.height(); ++y)
            for (int x = 0; x < numbered.width(); ++x)
                numbered.setPixelColor(x, y, QColor(x % 256, y % 256, 128));
        CanvasFixture f(numbered, QSize(400, 300));

        f.hover(QPointF(0, 0));
        const QImage image = grabAt(f.view(), 2);
        const QRectF loupe = *f.view().loupeRect();

        QCOMPARE(f.view().loupePixel(), std::optional<QPoint>(QPoint(0, 0)));
        // Cells of 5 points; the pointer's pixel is cell 12, under the crosshair's middle column.
        const auto cell = [&](int i, int j) {
            return colorAt(image,
                           loupe.topLeft() + QPointF(5 * i + (i == 12 ? 1 : 2.5), 5 * j + 2.5));
        };
        QCOMPARE(cell(18, 5), QColor(Qt::black));
        for (int i = 0; i < 25; ++i)
            QCOMPARE(cell(i, 14), i < 12 ? QColor(Qt::black) : QColor(i - 12, 2, 128));
        // The "0, 0" label hangs under the loupe.
        QVERIFY(colorAt(image, QPointF(loupe.center().x(), loupe.bottom() + 5)).alpha() > 150);
    }

    void showsOnlyWhileChoosingTheArea_data() {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<std::optional<Tool>>("tool");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("setting");

        const std::optional<Tool> pointer;
        QTest::newRow("dragging out a selection") << false << pointer << true << true << true;
        QTest::newRow("moving the selection") << true << pointer << true << false << true;
        QTest::newRow("drawing") << true << std::optional<Tool>(Tool::line) << true << false
                                 << true;
        QTest::newRow("hovering with a selection") << true << pointer << false << false << true;
        QTest::newRow("setting off") << false << pointer << true << false << false;
    }

    void showsOnlyWhileChoosingTheArea() {
        QFETCH(bool, selected);
        QFETCH(std::optional<Tool>, tool);
        QFETCH(bool, pressed);
        QFETCH(bool, shown);
        QFETCH(bool, setting);
        CanvasFixture f(1);
        Prefs::setBool(QStringLiteral("showLoupe"), setting);
        if (selected)
            f.select(QRectF(60, 60, 200, 100));
        if (tool)
            f.choose(tool);

        if (pressed)
            f.press(QPointF(120, 130));
        f.hover(QPointF(130, 140), pressed ? Qt::LeftButton : Qt::NoButton);

        QCOMPARE(f.view().loupeRect().has_value(), shown);
    }
};

QTEST_MAIN(tst_CanvasView)
#include "tst_CanvasView.moc"

// The capture canvas driven as a user drives it: the wiring of mouse, keys, text field and bars to
// the selection and the document, and what it paints, read back pixel by pixel. The rules
// themselves are tables in tst_Selection, tst_Document and tst_ToolState.
#include "TestHome.h"
#include "WidgetPixels.h"
#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/CanvasView.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"
#include "editor/ToolState.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSemaphore>
#include <QTest>
#include <QWheelEvent>

using Kind = CanvasView::Outcome::Kind;

namespace {

const QRectF area(50, 50, 250, 200);

// A canvas of the given points over a frozen image (white unless given) at the given backing
// scale, shown offscreen, with its callbacks recorded.
struct CanvasFixture {
    explicit CanvasFixture(int scale = 2, QSize size = QSize(400, 300), QImage image = {}) {
        forgetSettings();
        if (image.isNull()) {
            image = QImage(size * scale, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
        }
        image.setDevicePixelRatio(scale);
        v = std::make_unique<CanvasView>(QRect(QPoint(0, 0), size), image);
        v->onAutoCopy = [this](const Rendered& r) { liveCopies.append(r); };
        v->onFinish = [this](const CanvasView::Outcome& o) { outcomes.append(o); };
        v->show();
        v->activateWindow();
        v->setFocus();
    }

    // Mouse events with fractional positions (QTest's are whole points, its moves hold nothing).
    void send(QEvent::Type type, QPointF at, Qt::MouseButtons held = Qt::NoButton) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, v->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(v.get(), &event);
    }
    void press(QPointF at) { send(QEvent::MouseButtonPress, at, Qt::LeftButton); }
    void hover(QPointF at, Qt::MouseButtons held = Qt::NoButton) {
        send(QEvent::MouseMove, at, held);
    }
    void release(QPointF at) { send(QEvent::MouseButtonRelease, at); }
    void drag(QPointF from, QPointF to) {
        press(from);
        hover(to, Qt::LeftButton);
        release(to);
    }
    void click(QPointF at) {
        press(at);
        release(at);
    }
    void select(const QRectF& r) { drag(r.topLeft(), r.bottomRight()); }
    void key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(v.get(), Qt::Key(key), modifiers);
    }

    // A bar button by its symbol; the colour button is the one without.
    BarButton* button(const QString& symbol) const {
        for (BarButton* b : v->findChildren<BarButton*>())
            if (b->symbol() == symbol && qobject_cast<BarView*>(b->parent()))
                return b;
        return nullptr;
    }
    // The open popup: the palette has swatches, a size bar none.
    PaletteView* popup(bool swatches) const {
        for (PaletteView* p : v->findChildren<PaletteView*>())
            if (p->swatches().isEmpty() != swatches && !p->isHidden())
                return p;
        return nullptr;
    }
    QLineEdit* field() const {
        for (QLineEdit* field : v->findChildren<QLineEdit*>())
            if (!field->isHidden())
                return field;
        return nullptr;
    }

    std::unique_ptr<CanvasView> v;
    QList<Rendered> liveCopies;
    QList<CanvasView::Outcome> outcomes;
};

// A frozen screen whose pixels tell where they are.
QImage numbered(QSize pixels) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, QColor(x % 256, y % 256, 128));
    return image;
}

// The dark panel behind the canvas's labels.
bool isPanel(const QColor& c) {
    return c.alpha() > 150 && c.red() < 60 && c.green() < 60 && c.blue() < 60;
}

bool isClear(const QColor& c) {
    return c.alpha() == 0;
}

// The bounding box, in points, of everything painted within an area given in points.
QRectF paintedBox(const QImage& image, const QRectF& within) {
    const qreal scale = image.devicePixelRatio();
    const QRect pixels(QPointF(within.topLeft() * scale).toPoint(),
                       (within.size() * scale).toSize());
    QRect box;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            if (!isClear(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return QRectF(QPointF(box.topLeft()) / scale, QSizeF(box.size()) / scale);
}

} // namespace

class tst_CanvasView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A click on a hovered window takes it, copied at the display's scale; a corner handle
    // resizes; once annotated, a press outside keeps the selection.
    void choosingTheArea() {
        CanvasFixture f;
        f.v->setWindowRects({QRectF(50, 40, 120.5, 80), QRectF(0, 0, 400, 300)});

        f.hover({60, 50});
        f.drag({60, 50}, {62, 100});
        QCOMPARE(f.v->selection(), QRectF(50, 40, 121, 80));
        QCOMPARE(f.liveCopies.last().image.size(), QSize(242, 160));
        f.drag({45, 35}, {20, 20});
        QCOMPARE(f.v->selection(), QRectF(20, 20, 151, 100));
        f.v->tools().setTool(Tool::rect);
        f.drag({30, 30}, {60, 60});
        f.drag({200, 200}, {240, 240});
        QCOMPARE(f.v->selection(), QRectF(20, 20, 151, 100));
    }

    // Draw, move, undo and redo through the keys, draw again and delete: the live copy follows
    // each change that happened and none that did not (a plain click, an undo with no step).
    void editingThroughTheKeys() {
        CanvasFixture f;
        f.select(area);
        f.v->tools().setTool(Tool::line);
        f.drag({100, 100}, {200, 100});
        const QImage oneLine = f.liveCopies.last().image;
        f.drag({100, 150}, {200, 150});
        f.v->tools().setTool(std::nullopt);
        const qsizetype copies = f.liveCopies.size();

        f.click({120, 101});
        f.drag({150, 100}, {170, 130});
        for (int i = 0; i < 4; ++i)
            f.key(Qt::Key_Z, Qt::ControlModifier);
        f.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        f.click({120, 101});
        f.key(Qt::Key_Backspace);

        QCOMPARE(f.liveCopies.size(), copies + 6);
        QVERIFY(f.liveCopies.at(copies + 4).image == oneLine &&
                f.liveCopies.last().image != oneLine);
    }

    // Escape and an empty Return leave nothing; Return commits the typing, in the colour picked
    // meanwhile, and never ends the capture; once the field is gone the keys do. Where the field
    // goes is a table in tst_Selection.
    void typingThenTheKeysThatEndTheCapture() {
        CanvasFixture f;
        f.select(area);
        f.v->tools().setTool(Tool::text);
        const auto fieldAt = [&](QPointF at) {
            f.click(at);
            return f.field();
        };

        QTest::keyClicks(fieldAt({270, 120}), QStringLiteral("Hola"));
        QTest::keyClick(f.field(), Qt::Key_Escape);
        QTest::keyClick(fieldAt({100, 120}), Qt::Key_Return);
        QCOMPARE(f.liveCopies.size(), 1);
        QLineEdit* field = fieldAt({100, 120});
        f.button(QString())->click();
        f.popup(true)->swatches().at(3)->click();
        QCOMPARE(field->palette().color(QPalette::Text), Config::palette().at(3));
        QVERIFY(!f.popup(true));
        QTest::keyClicks(field, QStringLiteral("azul"));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(!f.field() && f.liveCopies.size() == 2);
        const QImage typed = f.liveCopies.last().image;
        int bluePixels = 0;
        for (int y = 0; y < typed.height(); ++y)
            for (int x = 0; x < typed.width(); ++x)
                bluePixels += near(typed.pixelColor(x, y), Config::palette().at(3), 8);
        QVERIFY(bluePixels > 20);
        // Copying from the bar while typing keeps the text.
        QTest::keyClicks(fieldAt({100, 180}), QStringLiteral("Listo"));
        f.button(u"doc.on.doc"_qs)->click();
        QVERIFY(f.outcomes.last().rendered.image != typed);

        for (const auto& [key, modifiers] :
             QList<std::pair<int, Qt::KeyboardModifiers>>{{Qt::Key_Return, {}},
                                                          {Qt::Key_Enter, Qt::KeypadModifier},
                                                          {Qt::Key_Escape, {}},
                                                          {Qt::Key_C, Qt::ControlModifier},
                                                          {Qt::Key_S, Qt::ControlModifier}})
            f.key(key, modifiers);
        QList<Kind> kinds;
        for (const CanvasView::Outcome& outcome : std::as_const(f.outcomes))
            kinds.append(outcome.kind);
        QCOMPARE(kinds, (QList<Kind>{Kind::copy, Kind::copy, Kind::copy, Kind::cancel, Kind::copy,
                                     Kind::save}));
        QCOMPARE(f.outcomes.last().rendered.image.size(), QSize(500, 400));
    }

    // The tool buttons and their size bars, the palette showing the stored opacity, and presses
    // on the bars that never reach the canvas. Where popups go is a table in tst_BarLayout.
    void barButtonsAndPressesOnTheBars() {
        CanvasFixture f(1, QSize(1000, 600));
        f.select(QRectF(50, 50, 200, 150));
        BarButton* pen = f.button(Tool(Tool::pen).symbol());
        BarButton* pointer = f.button(u"cursorarrow"_qs);

        // The rest of the toggling is tst_ToolState's table.
        pen->click();
        QVERIFY(pen->isOn() && !pointer->isOn() && f.popup(false));
        f.click({100, 100}); // any press on the canvas closes the popup
        QVERIFY(!f.popup(false));
        pen->click();
        QVERIFY(pen->isOn() && f.popup(false));

        Prefs::setMarkerOpacity(0.7);
        f.button(QString())->click();
        BarView* tools = qobject_cast<BarView*>(pen->parent());
        PaletteView* palette = f.popup(true);
        QCOMPARE(palette->track()->value(), 0.7);
        // The strip's padding, the gap between swatches, the opacity track's middle.
        QTest::mouseClick(tools, Qt::LeftButton, {}, QPoint(1, tools->height() / 2));
        QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(palette->width() / 2, 35));
        QTest::mouseClick(palette->track(), Qt::LeftButton, {}, QPoint(65, 15));

        QVERIFY(f.popup(true) && !f.popup(false));
        QCOMPARE(f.v->selection(), QRectF(50, 50, 200, 150));
        QCOMPARE(Prefs::markerOpacity(), 0.55);
    }

    // The border, the handles and the size label (placed as tst_Selection's table says).
    void borderHandlesAndSizeLabel() {
        const QRectF s(100, 100, 200, 100);
        CanvasFixture f;
        f.select(s);
        f.v->tools().setTool(Tool::pixelate); // no size bar to cover a handle
        const QImage idle = grabAt(*f.v, 2);
        f.press(QPointF(150, 130));
        f.hover(QPointF(160, 140), Qt::LeftButton);
        const QImage drawing = grabAt(*f.v, 2);

        // Along the bottom edge, away from the handles: white and green alternate one point
        // outside, with nothing inside or two points out.
        int green = 0, white = 0;
        for (double x = 110, y = s.bottom() + 0.5; x < 190; x += 0.5) {
            green += near(colorAt(idle, {x, y}), Config::leafGreen(), 12);
            white += near(colorAt(idle, {x, y}), Qt::white, 12);
            QVERIFY(isClear(colorAt(idle, {x, y - 1})) && isClear(colorAt(idle, {x, y + 1})));
        }
        QVERIFY(green > 60 && white > 30);
        // Just inside each handle's square, where nothing else paints.
        for (double x : {s.left() + 1.5, s.center().x(), s.right() - 1.5})
            for (double y : {s.top() + 1.5, s.center().y(), s.bottom() - 1.5}) {
                const bool handle = x != s.center().x() || y != s.center().y();
                QCOMPARE(near(colorAt(idle, {x, y}), Qt::white), handle);
                QVERIFY(isClear(colorAt(drawing, {x, y})));
            }
        QVERIFY(isPanel(colorAt(idle, QPointF(102, 92))));
    }

    void annotationsOutlinedInPointerModeAndCutAtTheEdge() {
        CanvasFixture f(1);
        f.select(QRectF(100, 100, 200, 100));
        f.v->tools().setTool(Tool::line);
        f.drag(QPointF(150, 120), QPointF(250, 120));
        f.v->tools().setTool(std::nullopt);
        const QRect around(130, 105, 140, 30);
        const QImage unpicked = grabAt(*f.v, 1).copy(around);

        f.click(QPointF(200, 120));
        const QImage picked = grabAt(*f.v, 1).copy(around);
        f.v->tools().setTool(Tool::text);
        QVERIFY(picked != unpicked);
        QCOMPARE(grabAt(*f.v, 1).copy(around), unpicked);

        f.v->tools().setTool(std::nullopt);
        f.drag(QPointF(200, 120), QPointF(300, 120)); // half past the edge
        f.v->tools().setTool(Tool::text);
        const QImage moved = grabAt(*f.v, 1);
        const QColor inside = colorAt(moved, QPointF(298.5, 120));
        QVERIFY(inside.red() > 200 && inside.green() < 90);
        QVERIFY(isClear(colorAt(moved, QPointF(304.5, 120)))); // between border and tools bar
    }

    // The wheel's confirmation (a notch, or trackpad pixels adding up), centred in the
    // selection, and a sticky message that outlives the earlier one's timer while reading.
    void hudAfterTheWheelAndWhileReading() {
        CanvasFixture f(2, QSize(1000, 600)); // room for the size bar beside the selection
        const QRectF s(60, 80, 240, 160);
        f.select(s);
        f.v->tools().setTool(Tool::marker);
        const auto wheel = [&](int pixels) {
            QWheelEvent event(s.center(), f.v->mapToGlobal(s.center()), QPoint(0, pixels),
                              QPoint(0, pixels ? pixels * 10 : 120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(f.v.get(), &event);
        };
        // Clear of the border and handles, only the HUD paints inside the selection.
        const auto hud = [&] { return paintedBox(grabAt(*f.v, 2), s.adjusted(5, 5, -5, -5)); };
        QSemaphore reading;
        const auto engine = CanvasView::textRecognizer;
        CanvasView::textRecognizer = [&reading](const QImage&, double) {
            reading.acquire();
            return Result<QStringList>(QStringList());
        };

        wheel(0);
        wheel(6);
        const QRectF opacity = hud();
        wheel(6);
        f.button(u"text.viewfinder"_qs)->click();
        QTest::qWait(1600);
        const QRectF sticky = hud();
        reading.release();

        QCOMPARE(Prefs::markerOpacity(), 0.5);
        QVERIFY(opacity.width() > 100 && QLineF(opacity.center(), s.center()).length() <= 0.5);
        QVERIFY(sticky.width() > 50 && QLineF(sticky.center(), s.center()).length() <= 0.5);
        QTRY_VERIFY(hud().width() > sticky.width()); // "No se encontró texto en la selección"
        QVERIFY(f.outcomes.isEmpty());               // no text keeps the editor open
        CanvasView::textRecognizer = engine;
    }

    // Only the first capture of a run loads the text engine.
    void warmsUpOncePerProcess() {
        QVERIFY(CanvasView::warmUpOCR());
        QVERIFY(!CanvasView::warmUpOCR());
    }

    // The reading gets the frozen screen's pixels of the selection, a pixelation drawn over them
    // notwithstanding, and its lines end the run joined by line feeds. (What Tesseract reads is
    // tst_TextReader's.)
    void readsTheScreenUnderTheAnnotations() {
        const QImage screen = numbered(QSize(600, 300));
        CanvasFixture f(1, QSize(600, 300), screen);
        const auto engine = CanvasView::textRecognizer;
        QImage read;
        CanvasView::textRecognizer = [&read](const QImage& crop, double) {
            read = crop;
            return Result<QStringList>(QStringList{u"uno"_qs, u"dos"_qs});
        };
        const QRectF s(10, 20, 460, 80);
        f.select(s);
        f.v->tools().setTool(Tool::pixelate);
        f.drag(QPointF(s.left() + 20, s.top() + 12), QPointF(s.right() - 20, s.bottom() - 12));

        f.button(u"text.viewfinder"_qs)->click();

        QTRY_COMPARE(f.outcomes.size(), 1);
        CanvasView::textRecognizer = engine;
        QCOMPARE(f.outcomes[0].kind, Kind::text);
        QCOMPARE(f.outcomes[0].recognizedText, u"uno\ndos"_qs);
        QCOMPARE(read.convertToFormat(screen.format()), screen.copy(s.toRect()));
    }

    // Before a selection: the hint until the first press; the loupe only while choosing the area
    // and with the setting on, one cell per device pixel, black beyond the screen.
    void hintAndLoupeWhileChoosingTheArea() {
        CanvasFixture f(2, QSize(1000, 600), numbered(QSize(2000, 1200)));
        const QRectF top(0, 0, 1000, 150);
        const auto loupeAt = [&](QPointF pointer, Qt::MouseButtons held = Qt::NoButton) {
            f.hover(pointer, held);
            const QRectF frame = Selection::loupeFrame(pointer, QRectF(0, 0, 1000, 600));
            return !isClear(colorAt(grabAt(*f.v, 2), frame.topLeft() + QPointF(20, 20)));
        };

        f.hover({100, 300});
        const QImage hinted = grabAt(*f.v, 2);
        QVERIFY(isPanel(colorAt(hinted, QPointF(500, 87)))); // the hint, see tst_Selection
        f.hover({0, 0});
        const QImage hovering = grabAt(*f.v, 2);
        // Cells of 5 points; the pointer's pixel is cell 12, under the crosshair's middle column.
        const auto cell = [&](int i, int j) {
            return colorAt(hovering, QPointF(20 + 5 * i + (i == 12 ? 1 : 2.5), 20 + 5 * j + 2.5));
        };
        QCOMPARE(cell(18, 5), QColor(Qt::black));
        for (int i = 0; i < 25; ++i)
            QCOMPARE(cell(i, 14), i < 12 ? QColor(Qt::black) : QColor(i - 12, 2, 128));
        QVERIFY(colorAt(hovering, QPointF(82.5, 150)).alpha() > 150); // the "0, 0" label
        Prefs::setBool(QStringLiteral("showLoupe"), false);
        f.press({60, 300});
        QVERIFY(paintedBox(grabAt(*f.v, 2), top).isEmpty());
        QVERIFY(!loupeAt({160, 350}, Qt::LeftButton));
        Prefs::setBool(QStringLiteral("showLoupe"), true);
        QVERIFY(loupeAt({160, 350}, Qt::LeftButton)); // still selecting
        f.release({160, 350});
        f.press({100, 320});
        QVERIFY(!loupeAt({200, 370}, Qt::LeftButton)); // moving the selection
        f.release({200, 370});
        QVERIFY(!loupeAt({120, 90})); // hovering with a selection
        f.v->tools().setTool(Tool::line);
        f.press({200, 370});
        QVERIFY(!loupeAt({300, 420}, Qt::LeftButton)); // drawing
    }
};

QTEST_MAIN(tst_CanvasView)
#include "tst_CanvasView.moc"

// The capture canvas driven as a user drives it: the wiring of mouse, keys, text field and bars to
// the selection and what was drawn, and what it paints (loupe included), read back pixel by pixel.
// The rules themselves are tested in tst_Selection, tst_Document and tst_ToolState.
#include "WidgetPixels.h"
#include "editor/BarButton.h"
#include "editor/BarView.h"
#include "editor/CanvasView.h"
#include "editor/PaletteView.h"
#include "editor/SliderTrack.h"
#include "settings/Config.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSemaphore>
#include <QSettings>
#include <QTest>
#include <QWheelEvent>

using Kind = CanvasView::Outcome::Kind;

namespace {

const QRectF area(50, 50, 250, 200);

// A canvas of the given points over a frozen image (white unless given) at the given backing
// scale, shown offscreen, with its callbacks recorded.
struct CanvasFixture {
    explicit CanvasFixture(int scale = 2, QSize size = QSize(400, 300), QImage image = {}) {
        // The settings folder outlives a run: start every case from the defaults.
        QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Brindlecap"_qs, u"Brindlecap"_qs)
            .clear();
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

    // Press, one movement and release, with fractional positions and modifiers (QTest moves
    // carry neither).
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
    }
    void click(QPointF at) { drag(at, at); }
    void press(QPointF at) { send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void release(QPointF at) { send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
    void hover(QPointF at, Qt::MouseButtons held = Qt::NoButton) {
        send(QEvent::MouseMove, at, Qt::NoButton, held);
    }
    void send(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = {}) {
        QMouseEvent event(type, pos, v->mapToGlobal(pos), button, buttons, modifiers);
        QApplication::sendEvent(v.get(), &event);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(v.get(), Qt::Key(key), modifiers);
    }

    BarButton* button(const QString& symbol) const {
        for (BarButton* b : v->findChildren<BarButton*>())
            if (b->symbol() == symbol && qobject_cast<BarView*>(b->parent()))
                return b;
        return nullptr;
    }
    // The colour button: the tools bar's one button without a symbol.
    BarButton* colorButton() const { return button(QString()); }
    // The palette is the popup with swatches; the size bars have none.
    PaletteView* palette() const {
        for (PaletteView* popup : v->findChildren<PaletteView*>())
            if (!popup->swatches().isEmpty())
                return popup;
        return nullptr;
    }
    bool sizeBarShown() const {
        const QList<PaletteView*> popups = v->findChildren<PaletteView*>();
        return std::any_of(popups.begin(), popups.end(), [](PaletteView* popup) {
            return popup->swatches().isEmpty() && !popup->isHidden();
        });
    }
    QLineEdit* field() const {
        for (QLineEdit* field : v->findChildren<QLineEdit*>())
            if (!field->isHidden())
                return field;
        return nullptr;
    }

    // As a click on the tool's toolbar button (or the pointer's) chooses it.
    void choose(std::optional<Tool> tool) {
        BarButton* b = button(tool ? tool->symbol() : u"cursorarrow"_qs);
        if (!tool || !b->isOn())
            b->click();
    }

    void select(const QRectF& r) { drag(r.topLeft(), r.bottomRight()); }

    std::unique_ptr<CanvasView> v;
    QList<Rendered> liveCopies;
    QList<CanvasView::Outcome> outcomes;
};

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
    // With a window at (50, 40, 120.5, 80) over one covering the display.
    void choosingTheArea() {
        CanvasFixture f;
        f.v->setWindowRects({QRectF(50, 40, 120.5, 80), QRectF(0, 0, 400, 300)});
        const auto dragged = [&](QPointF from, QPointF to) {
            f.hover(from);
            f.drag(from, to);
            return f.v->selection();
        };

        // A tiny drag over a hovered window takes the window, copied at the display's scale.
        QCOMPARE(dragged({60, 50}, {62, 100}), QRectF(50, 40, 121, 80));
        QCOMPARE(f.liveCopies.last().image.size(), QSize(242, 160));
        QCOMPARE(dragged({10.3, 20.7}, {110.7, 81.3}), QRectF(10, 20, 101, 62));
        QCOMPARE(dragged({5, 15}, {20, 20}), QRectF(20, 20, 91, 62));
        QCOMPARE(dragged({50, 50}, {-30, 400}), QRectF(0, 238, 91, 62));
        // Once annotated, a press outside keeps it.
        f.choose(Tool::rect);
        f.drag(QPointF(30, 250), QPointF(60, 290));
        QCOMPARE(dragged({200, 20}, {240, 40}), QRectF(0, 238, 91, 62));
        QCOMPARE(f.liveCopies.last().image.size(), QSize(182, 124));
    }

    // Draw, move, undo and redo through the keys, draw again and delete: the live copy follows
    // each change that happened and none that did not.
    void editingThroughTheKeys() {
        CanvasFixture f;
        f.select(area);
        f.choose(Tool::line);
        f.drag(QPointF(100, 100), QPointF(200, 100));
        const QImage oneLine = f.liveCopies.last().image;
        f.drag(QPointF(100, 150), QPointF(200, 150));
        f.choose(std::nullopt);
        const qsizetype copies = f.liveCopies.size();

        QTest::mouseClick(f.v.get(), Qt::LeftButton, {}, QPoint(120, 101));
        f.drag(QPointF(150, 100), QPointF(170, 130));
        for (int i = 0; i < 4; ++i)
            f.key(Qt::Key_Z, Qt::ControlModifier);
        f.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);

        QCOMPARE(f.liveCopies.size(), copies + 5);
        QCOMPARE(f.liveCopies.last().image, oneLine);
        f.choose(Tool::rect);
        f.drag(QPointF(60, 60), QPointF(90, 90));
        f.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(f.liveCopies.size(), copies + 6);
        f.choose(std::nullopt);
        QTest::mouseClick(f.v.get(), Qt::LeftButton, {}, QPoint(60, 75));
        f.key(Qt::Key_Backspace);
        QCOMPARE(f.liveCopies.size(), copies + 7);
        QCOMPARE(f.liveCopies.last().image, oneLine);
    }

    // Escape and an empty Return leave nothing; Return commits the typing, in the colour picked
    // meanwhile, and never ends the capture; once the field is gone the keys do.
    void typingThenTheKeysThatEndTheCapture() {
        CanvasFixture f;
        f.select(area);
        f.choose(Tool::text);
        const QColor blue = Config::palette().at(3);
        const auto fieldAt = [&](QPointF at) {
            f.click(at);
            return f.field();
        };

        QLineEdit* field = fieldAt(QPointF(270, 120));
        QCOMPARE(field->width(), 80);
        QTest::keyClicks(field, QStringLiteral("Hola"));
        QTest::keyClick(field, Qt::Key_Escape);
        QTest::keyClick(fieldAt(QPointF(100, 120)), Qt::Key_Return);
        QCOMPARE(f.liveCopies.size(), 1);

        field = fieldAt(QPointF(100, 120));
        QCOMPARE(field->geometry().left(), 100);
        QCOMPARE(field->width(), 200);
        f.colorButton()->click();
        f.palette()->swatches().at(3)->click();
        QCOMPARE(field->palette().color(QPalette::Text), blue);
        QVERIFY(f.palette()->isHidden());
        QTest::keyClicks(field, QStringLiteral("azul"));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(!f.field());
        QCOMPARE(f.liveCopies.size(), 2);
        const QImage typed = f.liveCopies.last().image;
        int bluePixels = 0;
        for (int y = 0; y < typed.height(); ++y)
            for (int x = 0; x < typed.width(); ++x)
                bluePixels += near(typed.pixelColor(x, y), blue, 8);
        QVERIFY(bluePixels > 20);
        // Copying from the bar while typing must keep the text.
        QTest::keyClicks(fieldAt(QPointF(100, 180)), QStringLiteral("Listo"));
        f.button(u"doc.on.doc"_qs)->click();
        QVERIFY(f.outcomes.last().rendered.image != typed);

        f.key(Qt::Key_Return);
        f.key(Qt::Key_Enter, Qt::KeypadModifier);
        f.key(Qt::Key_Escape);
        f.key(Qt::Key_C, Qt::ControlModifier);
        f.key(Qt::Key_S, Qt::ControlModifier);
        QList<Kind> kinds;
        for (const CanvasView::Outcome& outcome : std::as_const(f.outcomes))
            kinds.append(outcome.kind);
        QCOMPARE(kinds, (QList<Kind>{Kind::copy, Kind::copy, Kind::copy, Kind::cancel, Kind::copy,
                                     Kind::save}));
        QCOMPARE(f.outcomes.first().rendered.image.size(), QSize(500, 400));
        QCOMPARE(f.outcomes.last().rendered.image.size(), QSize(500, 400));
    }

    // The tool buttons and their size bars, and presses on the bars that never reach the canvas.
    void barButtonsAndPressesOnTheBars() {
        CanvasFixture f(1, QSize(1000, 600));
        f.select(QRectF(50, 50, 200, 150));
        BarButton* pen = f.button(Tool(Tool::pen).symbol());
        BarButton* pointer = f.button(u"cursorarrow"_qs);

        pen->click();
        QVERIFY(pen->isOn() && !pointer->isOn() && f.sizeBarShown());
        pen->click();
        QVERIFY(!pen->isOn() && pointer->isOn() && !f.sizeBarShown());
        pen->click();
        f.click(QPointF(100, 100)); // any press on the canvas closes the popup
        QVERIFY(!f.sizeBarShown());
        pen->click();
        QVERIFY(pen->isOn() && f.sizeBarShown());

        Prefs::setMarkerOpacity(0.7);
        f.colorButton()->click();
        BarView* tools = qobject_cast<BarView*>(pen->parent());
        PaletteView* palette = f.palette();
        // Level with the colour button, whose swatch row sits 4 points into the panel, showing
        // the stored opacity.
        QCOMPARE(palette->geometry().top() + 4, f.colorButton()->mapTo(f.v.get(), QPoint()).y());
        QCOMPARE(palette->geometry().left(), tools->geometry().right() + 1 + 6);
        QCOMPARE(palette->track()->value(), 0.7);
        // The strip's padding, the gap between swatches, the opacity track's middle.
        QTest::mouseClick(tools, Qt::LeftButton, {}, QPoint(1, tools->height() / 2));
        QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(palette->width() / 2, 35));
        QTest::mouseClick(palette->track(), Qt::LeftButton, {}, QPoint(65, 15));

        QVERIFY(!palette->isHidden() && !f.sizeBarShown());
        QCOMPARE(f.v->selection(), QRectF(50, 50, 200, 150));
        QCOMPARE(Prefs::markerOpacity(), 0.55);
    }

    // Painting, with the size label above the selection or inside it at the top of the display.
    void borderHandlesAndSizeLabel_data() {
        QTest::addColumn<int>("scale");
        QTest::addColumn<QRectF>("s");
        QTest::addColumn<QPointF>("labelCorner"); // bottom-left above, top-left inside
        QTest::newRow("1x, label 6 points above")
            << 1 << QRectF(100, 100, 200, 100) << QPointF(100, 94);
        QTest::newRow("2x touching the top, label inside")
            << 2 << QRectF(100, 0, 200, 100) << QPointF(106, 6);
    }

    void borderHandlesAndSizeLabel() {
        QFETCH(int, scale);
        QFETCH(QRectF, s);
        QFETCH(QPointF, labelCorner);
        CanvasFixture f(scale);
        f.select(s);
        f.choose(Tool::pixelate); // no size bar to cover a handle
        const QImage idle = grabAt(*f.v, scale);
        f.press(QPointF(150, 30 + s.top()));
        f.hover(QPointF(160, 40 + s.top()), Qt::LeftButton);
        const QImage drawing = grabAt(*f.v, scale);

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
        const double in = labelCorner.y() < s.top() ? -2 : 2;
        QVERIFY(isPanel(colorAt(idle, labelCorner + QPointF(2, in))));
        QVERIFY(isClear(colorAt(idle, labelCorner + QPointF(-2, in))));
        QVERIFY(isClear(colorAt(idle, labelCorner + QPointF(2, -in / 2))));
    }

    void annotationsOutlinedInPointerModeAndCutAtTheEdge() {
        CanvasFixture f(1);
        f.select(QRectF(100, 100, 200, 100));
        f.choose(Tool::line);
        f.drag(QPointF(150, 120), QPointF(250, 120));
        f.choose(std::nullopt);
        const QRect around(130, 105, 140, 30);
        const QImage unpicked = grabAt(*f.v, 1).copy(around);

        f.click(QPointF(200, 120));
        const QImage picked = grabAt(*f.v, 1).copy(around);
        f.choose(Tool::text);
        QVERIFY(picked != unpicked);
        QCOMPARE(grabAt(*f.v, 1).copy(around), unpicked);

        f.choose(std::nullopt);
        f.drag(QPointF(200, 120), QPointF(300, 120)); // half past the edge
        f.choose(Tool::text);
        const QImage moved = grabAt(*f.v, 1);
        const QColor inside = colorAt(moved, QPointF(298.5, 120));
        QVERIFY(inside.red() > 200 && inside.green() < 90);
        QVERIFY(isClear(colorAt(moved, QPointF(304.5, 120)))); // between border and tools bar
    }

    // The wheel's confirmation, centred in the selection, and a sticky message that outlives
    // the earlier one's timer until the text is read.
    void hudAfterTheWheelAndWhileReading() {
        CanvasFixture f(2, QSize(1000, 600)); // room for the size bar beside the selection
        const QRectF s(60, 80, 240, 160);
        f.select(s);
        f.choose(Tool::marker);
        const auto wheel = [&](int pixels) {
            QWheelEvent event(s.center(), f.v->mapToGlobal(s.center()), QPoint(0, pixels),
                              QPoint(0, pixels ? pixels * 10 : 120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(f.v.get(), &event);
        };
        // Clear of the border and handles, only the HUD paints inside the selection.
        const auto hud = [&] { return paintedBox(grabAt(*f.v, 2), s.adjusted(5, 5, -5, -5)); };
        QSemaphore reading;
        CanvasView::textRecognizer = [&reading](const QImage&) {
            reading.acquire();
            return std::optional<QString>();
        };

        wheel(0);
        wheel(6); // half a notch from a trackpad
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
        CanvasView::textRecognizer = nullptr;
    }

    // Before a selection: the hint until the first press; the loupe only while choosing the area
    // and with the setting on.
    void hintAndLoupeWhileChoosingTheArea() {
        CanvasFixture f(1, QSize(1000, 600));
        const QRectF top(0, 0, 1000, 150);
        const auto loupeAt = [&](QPointF pointer, Qt::MouseButtons held = Qt::NoButton) {
            f.hover(pointer, held);
            const QRectF frame = Selection::loupeFrame(pointer, QRectF(0, 0, 1000, 600));
            return !isClear(colorAt(grabAt(*f.v, 1), frame.topLeft() + QPointF(20, 20)));
        };

        f.hover(QPointF(100, 300));
        const QImage hovering = grabAt(*f.v, 1);
        const QRectF capsule = paintedBox(hovering, top);
        QVERIFY(qAbs(capsule.center().x() - 500) <= 1);
        QCOMPARE(capsule.bottom(), 90.0);
        QVERIFY(isPanel(colorAt(hovering, QPointF(capsule.center().x(), capsule.top() + 3))));
        QVERIFY(loupeAt(QPointF(852, 432)));
        Prefs::setBool(QStringLiteral("showLoupe"), false);
        f.press(QPointF(60, 300));
        QVERIFY(paintedBox(grabAt(*f.v, 1), top).isEmpty());
        QVERIFY(!loupeAt(QPointF(160, 350), Qt::LeftButton));
        Prefs::setBool(QStringLiteral("showLoupe"), true);
        QVERIFY(loupeAt(QPointF(160, 350), Qt::LeftButton)); // still selecting
        f.release(QPointF(160, 350));
        f.press(QPointF(100, 320));
        QVERIFY(!loupeAt(QPointF(200, 370), Qt::LeftButton)); // moving the selection
        f.release(QPointF(200, 370));
        QVERIFY(!loupeAt(QPointF(120, 90))); // hovering with a selection
        f.choose(Tool::line);
        f.press(QPointF(200, 370));
        QVERIFY(!loupeAt(QPointF(300, 420), Qt::LeftButton)); // drawing
    }

    // At the screen's top-left corner at 2x: one cell per device pixel, black beyond the screen.
    void loupeCells() {
        QImage numbered(800, 600, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < numbered.height(); ++y)
            for (int x = 0; x < numbered.width(); ++x)
                numbered.setPixelColor(x, y, QColor(x % 256, y % 256, 128));
        CanvasFixture f(2, QSize(400, 300), numbered);

        f.hover(QPointF(0, 0));
        const QImage image = grabAt(*f.v, 2);
        const QRectF loupe = Selection::loupeFrame(QPointF(0, 0), QRectF(0, 0, 400, 300));

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
};

QTEST_MAIN(tst_CanvasView)
#include "tst_CanvasView.moc"

// Editor widgets offscreen: bar symbols and sliders, and the canvas driven as a user drives it.
#include "TestHome.h"
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
#include <QPainter>
#include <QTest>

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

    void drag(QPointF from, QPointF to) {
        QTest::mousePress(v.get(), Qt::LeftButton, {}, from.toPoint());
        QTest::mouseMove(v.get(), to.toPoint());
        QTest::mouseRelease(v.get(), Qt::LeftButton, {}, to.toPoint());
    }
    void click(QPointF at) { QTest::mouseClick(v.get(), Qt::LeftButton, {}, at.toPoint()); }
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

} // namespace

class tst_EditorWidgets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The value under the pointer in steps from the track's ends, kept in range. (A press on the
    // opacity track's middle is barButtonsAndPressesOnTheBars'.)
    void sliderValueUnderPointer() {
        SliderTrack opacity(0.1, 1.0, 0.05, false), marker(4, 40, 2, true);
        opacity.resize(130, 30);
        marker.resize(88, 30);

        QCOMPARE(opacity.valueAt(0), 0.1);
        QCOMPARE(opacity.valueAt(130), 1.0);
        // The marker track: two points per unit from x = 8; halfway between 4 and 6 rounds up.
        QCOMPARE(marker.valueAt(10), 6.0);
        QCOMPARE(marker.valueAt(9.9), 4.0);
    }

    // The capture canvas driven as a user drives it: the wiring of input to the selection and the
    // document. The rules themselves are tables in tst_EditorRules.
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
    // goes is a table in tst_EditorRules.
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
        // Copying from the bar while typing keeps the text.
        QTest::keyClicks(fieldAt({100, 180}), QStringLiteral("Listo"));
        f.button(u"doc.on.doc"_qs)->click();
        QVERIFY(f.outcomes.last().rendered.image != typed);

        f.key(Qt::Key_Return);
        f.key(Qt::Key_Enter, Qt::KeypadModifier);
        f.key(Qt::Key_Escape);
        f.key(Qt::Key_C, Qt::ControlModifier);
        f.key(Qt::Key_S, Qt::ControlModifier);
        QList<Kind> kinds;
        for (const CanvasView::Outcome& o : f.outcomes)
            kinds << o.kind;
        QCOMPARE(kinds, (QList<Kind>{Kind::copy, Kind::copy, Kind::copy, Kind::cancel, Kind::copy,
                                     Kind::save}));
        QCOMPARE(f.outcomes.last().rendered.image.size(), QSize(500, 400));
    }

    // Presses on the bars never reach the canvas.
    void barButtonsAndPressesOnTheBars() {
        CanvasFixture f(1, QSize(1000, 600));
        f.select(QRectF(50, 50, 200, 150));
        BarButton* pen = f.button(Tool(Tool::pen).symbol());
        pen->click();
        QVERIFY(pen->isOn() && f.popup(false));

        f.button(QString())->click();
        BarView* tools = qobject_cast<BarView*>(pen->parent());
        PaletteView* palette = f.popup(true);
        // The strip's padding, the gap between swatches, the opacity track's middle.
        QTest::mouseClick(tools, Qt::LeftButton, {}, QPoint(1, tools->height() / 2));
        QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(palette->width() / 2, 35));
        QTest::mouseClick(palette->track(), Qt::LeftButton, {}, QPoint(65, 15));

        QVERIFY(f.popup(true) && !f.popup(false));
        QCOMPARE(f.v->selection(), QRectF(50, 50, 200, 150));
        QCOMPARE(Prefs::markerOpacity(), 0.55);
    }

    // Tesseract reads the frozen screen under the selection, a pixelation drawn over the text
    // notwithstanding, and its lines end the run joined by line feeds.
    void readsTheScreenUnderTheAnnotations() {
        QImage screen(600, 300, QImage::Format_ARGB32_Premultiplied);
        screen.fill(Qt::white);
        QPainter painter(&screen);
        painter.setFont(QFont(u"DejaVu Sans"_qs, 20));
        const QRectF s(10, 20, 460, 100);
        painter.drawText(s, Qt::AlignCenter, u"Hola\nmundo"_qs);
        painter.end();
        CanvasFixture f(1, QSize(600, 300), screen);
        f.select(s);
        f.v->tools().setTool(Tool::pixelate);
        f.drag(QPointF(s.left() + 20, s.top() + 12), QPointF(s.right() - 20, s.bottom() - 12));

        f.button(u"text.viewfinder"_qs)->click();

        QTRY_COMPARE_WITH_TIMEOUT(f.outcomes.size(), 1, 30000);
        QCOMPARE(f.outcomes[0].kind, Kind::text);
        QCOMPARE(f.outcomes[0].recognizedText, u"Hola\nmundo"_qs);
    }
};

QTEST_MAIN(tst_EditorWidgets)
#include "tst_EditorWidgets.moc"

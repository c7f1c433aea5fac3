// Editor rules without widgets: selection geometry, the document and tool state. (Where the bars,
// the loupe and the labels sit shows in screenshots: tools/screenshots.)
#include "TestHome.h"
#include "editor/Document.h"
#include "editor/Selection.h"
#include "editor/ToolState.h"

#include <QSignalSpy>
#include <QTest>

using Selection::Handle;

Q_DECLARE_METATYPE(std::optional<Handle>)

namespace {

const QRectF display(0, 0, 400, 300);
const QRectF chosen(100, 100, 200, 100);

const QRectF area(50, 50, 250, 200);

// A document over a white 400 × 300 point display at twice the pixels.
Document blank() {
    QImage image(800, 600, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return Document(image, QSizeF(400, 300));
}

// Draws one annotation as a press, drags through the points and a release would.
void draw(Document& d, Tool tool, QPointF from, QList<QPointF> through) {
    d.begin(tool, Qt::red, from, 0.4, 3);
    for (QPointF p : through)
        d.extend(p, area, false);
    d.finish();
}

} // namespace

Q_DECLARE_METATYPE(std::optional<Tool>)

using OptTool = std::optional<Tool>;

class tst_EditorRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Tool state reads and writes the settings: each test starts from none.
    void init() { forgetSettings(); }

    // The geometry of choosing the area on a 400 × 300 point display.
    void handleAt_data() {
        QTest::addColumn<QRectF>("s");
        QTest::addColumn<QPointF>("p");
        QTest::addColumn<std::optional<Handle>>("expected");
        QTest::newRow("7 points outside a corner grabs its handle")
            << chosen << QPointF(93, 93) << std::optional(Handle{-1, -1});
        QTest::newRow("8 points outside grabs nothing")
            << chosen << QPointF(92, 100) << std::optional<Handle>();
        QTest::newRow("the middle of an edge grabs the edge's handle")
            << chosen << QPointF(200, 205) << std::optional(Handle{0, 1});
    }

    void handleAt() {
        QFETCH(QRectF, s);
        QFETCH(QPointF, p);

        QTEST(Selection::handleAt(s, p), "expected");
    }

    void rectangles_data() {
        QTest::addColumn<QRectF>("result");
        QTest::addColumn<QRectF>("expected");
        const auto settled = [](QRectF drag, std::optional<QRectF> hovered = std::nullopt) {
            return Selection::settled(drag, hovered, display);
        };
        const auto field = [](QPointF p, int h) {
            return QRectF(Selection::textFieldFrame(p, h, chosen));
        };
        QTest::newRow("a corner handle moves two edges")
            << Selection::resized(chosen, {-1, -1}, {80, 80}) << QRectF(80, 80, 220, 120);
        QTest::newRow("left handle dragged past the right edge turns the selection over")
            << Selection::resized(chosen, {-1, 0}, {320, 150}) << QRectF(300, 100, 20, 100);
        QTest::newRow("moved past the bottom right, it stops at both edges")
            << Selection::moved(chosen, {300, 300}, display) << QRectF(200, 200, 200, 100);
        QTest::newRow("a drag settles rounded outward to whole points")
            << settled({QPointF(10.3, 20.7), QPointF(110.7, 81.3)}) << QRectF(10, 20, 101, 62);
        QTest::newRow("a drag settles cut to the display")
            << settled({350, 250, 100, 100}) << QRectF(350, 250, 50, 50);
        QTest::newRow("a tiny drag takes the hovered window, rounded outward")
            << settled({60, 50, 2, 50}, QRectF(50, 40, 120.5, 80)) << QRectF(50, 40, 121, 80);
        QTest::newRow("a tiny drag over no window leaves nothing")
            << settled({60, 50, 50, 2}) << QRectF();
        QTest::newRow("the text field runs from the press to the selection's right edge")
            << field({100.6, 120.2}, 21) << QRectF(101, 110, 200, 21);
        QTest::newRow("the text field is 80 points wide at least")
            << field({270, 120}, 20) << QRectF(270, 110, 80, 20);
    }

    void rectangles() {
        QFETCH(QRectF, result);
        QFETCH(QRectF, expected);

        QCOMPARE(result, expected);
    }

    // What was drawn: annotations drawn and kept, badges numbered, and the undo history.
    void extend_data() {
        QTest::addColumn<int>("tool");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<bool>("snap");
        QTest::addColumn<QList<QPointF>>("points");
        QTest::newRow("a pen keeps every point")
            << int(Tool::pen) << QPointF(120, 110) << false
            << QList<QPointF>{{100, 100}, {110, 105}, {120, 110}};
        QTest::newRow("a line ends inside the selection")
            << int(Tool::line) << QPointF(360, 20) << false
            << QList<QPointF>{{100, 100}, {300, 50}};
        QTest::newRow("snapped, a steep line turns to 45 degrees keeping its length")
            << int(Tool::line) << QPointF(110, 109) << true
            << QList<QPointF>{{100, 100}, {109.5131, 109.5131}};
        QTest::newRow("snapped, a flat arrow turns level keeping its length")
            << int(Tool::arrow) << QPointF(110, 103) << true
            << QList<QPointF>{{100, 100}, {110.4403, 100}};
        QTest::newRow("a snapped end stays in the selection")
            << int(Tool::line) << QPointF(305, 102) << true
            << QList<QPointF>{{100, 100}, {300, 100}};
    }

    void extend() {
        QFETCH(int, tool);
        QFETCH(QPointF, to);
        QFETCH(bool, snap);
        QFETCH(QList<QPointF>, points);
        Document d = blank();

        d.begin(Tool::Case(tool), Qt::red, QPointF(100, 100), 0.4, 3);
        d.extend(QPointF(110, 105), area, snap);
        d.extend(to, area, snap);

        const QList<QPointF> drawn = d.current()->points;
        QCOMPARE(drawn.size(), points.size());
        for (qsizetype i = 0; i < drawn.size(); ++i)
            QVERIFY2(QLineF(drawn[i], points[i]).length() < 0.001, qPrintable(QString::number(i)));
    }

    void pixelatingCoversWhatItSpans() {
        Document d = blank();

        d.begin(Tool::pixelate, Qt::red, QPointF(100, 100), 0.4, 3);
        d.extend(QPointF(140, 120), area, false);

        QCOMPARE(d.current()->pixelated->size(), QSize(80, 40));
    }

    // Badges drawn at the x positions, then the badge at a position deleted; the next is numbered.
    void badgeNumbers_data() {
        QTest::addColumn<QList<double>>("drawn");
        QTest::addColumn<double>("deleted");
        QTest::addColumn<QList<qint64>>("numbers");
        QTest::newRow("a gap left by a deleted badge stays")
            << QList<double>{100, 150, 200} << 150.0 << QList<qint64>{1, 3, 4};
        QTest::newRow("deleting the highest gives its number again")
            << QList<double>{100, 150, 200} << 200.0 << QList<qint64>{1, 2, 3};
    }

    void badgeNumbers() {
        QFETCH(QList<double>, drawn);
        QFETCH(double, deleted);
        QFETCH(QList<qint64>, numbers);
        Document d = blank();
        draw(d, Tool::line, QPointF(60, 60), {QPointF(90, 60)});
        for (double x : drawn)
            draw(d, Tool::number, QPointF(x, 200), {});

        if (d.pick(QPointF(deleted, 200)))
            d.deleteSelected();
        draw(d, Tool::number, QPointF(250, 230), {});

        QList<qint64> badges;
        for (const AnnotationRef& a : d.annotations())
            if (a->tool() == Tool::number)
                badges.append(a->number);
        QCOMPARE(badges, numbers);
    }

    // A moved line: undo puts it back and drops the pick; a new change forgets what could be
    // redone. (Undo and redo through the keys, step by step, are tst_EditorWidgets'.)
    void undoAndRedo() {
        Document d = blank();
        draw(d, Tool::line, QPointF(100, 100), {QPointF(200, 100)});
        const QList<QPointF> drawn = d.annotations().first()->points;
        QVERIFY(d.pick(QPointF(120, 101)));
        d.checkpoint();
        d.moveSelected(QPointF(20, 30));

        QVERIFY(d.undo());

        QCOMPARE(d.annotations().first()->points, drawn);
        QVERIFY(!d.selected());
        draw(d, Tool::rect, QPointF(60, 60), {QPointF(90, 90)});
        QVERIFY(!d.redo());
    }

    void negligibleOrNothingLeavesNoStep() {
        Document d = blank();

        draw(d, Tool::line, QPointF(100, 100), {QPointF(101, 100)});
        const bool deleted = d.deleteSelected();
        const bool emptyText = d.add(std::make_shared<Annotation>(Tool::text, Qt::red, QPointF()));

        QVERIFY(d.annotations().isEmpty() && !d.current());
        QVERIFY(!deleted && !emptyText);
        QVERIFY(!d.undo());
    }

    // The rules of the next annotation's tool, opacity and sizes, and the changes they announce.
    void toggled_data() {
        QTest::addColumn<OptTool>("current");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<bool>("sizeBarHidden");
        QTest::addColumn<OptTool>("expected");
        QTest::newRow("from the pointer a click chooses the tool")
            << OptTool() << int(Tool::pen) << true << OptTool(Tool::pen);
        QTest::newRow("a click on another tool chooses it, its size bar open or not")
            << OptTool(Tool::pen) << int(Tool::rect) << false << OptTool(Tool::rect);
        QTest::newRow("a second click returns to the pointer")
            << OptTool(Tool::pen) << int(Tool::pen) << false << OptTool();
        QTest::newRow("a second click after the size bar closed only brings it back")
            << OptTool(Tool::pen) << int(Tool::pen) << true << OptTool(Tool::pen);
        QTest::newRow("a second click on a tool without size bar returns to the pointer")
            << OptTool(Tool::text) << int(Tool::text) << true << OptTool();
    }

    void toggled() {
        QFETCH(OptTool, current);
        QFETCH(int, clicked);
        QFETCH(bool, sizeBarHidden);

        QTEST(ToolState::toggled(current, Tool::Case(clicked), sizeBarHidden), "expected");
    }

    void stepped_data() {
        QTest::addColumn<double>("result");
        QTest::addColumn<double>("expected");
        QTest::newRow("an opacity off the grid lands on it")
            << ToolState::steppedOpacity(0.42, -1) << 0.35;
        QTest::newRow("plus stops at full opacity") << ToolState::steppedOpacity(0.95, 2) << 1.0;
        QTest::newRow("the marker stops at its largest")
            << ToolState::steppedSize(Tool::marker, 40, 1) << 40.0;
    }

    void stepped() {
        QFETCH(double, result);
        QFETCH(double, expected);

        QCOMPARE(result, expected);
    }

    // Notches turned in order with the tool chosen; the opacity and the tool's size after them.
    void scroll_data() {
        QTest::addColumn<OptTool>("tool");
        QTest::addColumn<QList<double>>("notches");
        QTest::addColumn<double>("opacity");
        QTest::addColumn<double>("size");
        QTest::newRow("with the marker, fractions add up to a step of 0.05 and keep the rest")
            << OptTool(Tool::marker) << QList<double>{1, 0.75, 0.5} << 0.5 << 16.0;
        QTest::newRow("a notch with the pen is one point")
            << OptTool(Tool::pen) << QList<double>{3} << 0.4 << 6.0;
        QTest::newRow("a notch with badges is two points")
            << OptTool(Tool::number) << QList<double>{1} << 0.4 << 28.0;
        QTest::newRow("the pointer ignores the wheel")
            << OptTool() << QList<double>{5} << 0.4 << 3.0;
    }

    void scroll() {
        QFETCH(OptTool, tool);
        QFETCH(QList<double>, notches);
        QFETCH(double, opacity);
        QFETCH(double, size);
        ToolState state;
        state.setTool(tool);

        for (double n : notches)
            state.scroll(n);

        QCOMPARE(state.opacity(), opacity);
        QCOMPARE(state.size(tool.value_or(Tool::pen)), size);
    }

    // A press on the chosen tool is announced again: that is what brings its size bar back.
    void everyPressIsAnnounced() {
        ToolState state;
        QSignalSpy tool(&state, &ToolState::toolChanged);

        state.setTool(Tool::pen);
        state.toggle(Tool::pen, true);

        QCOMPARE(tool.size(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_EditorRules)
#include "tst_EditorRules.moc"

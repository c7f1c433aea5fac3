// The keys that end a capture, undo and redo, deleting the picked annotation, and the text field.
#include "CanvasFixture.h"

#include <QLineEdit>
#include <QTest>

using Kind = CanvasView::Outcome::Kind;

class tst_CanvasViewKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keyMap_data();
    void keyMap();
    void drawDrawUndoUndoRedo();
    void drawingAfterUndoDropsTheRedoHistory();
    void undoPutsAMovedAnnotationBack();
    void deleteHandsTheNewImageToTheLiveCopy();
    void fieldWidth_data();
    void fieldWidth();
    void returnCommitsWithoutCopying();
    void escapeInTheFieldKeepsTheCapture();
    void emptyFieldLeavesNothing();
    void renderIncludesTheTextBeingTyped();
};

namespace {

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

} // namespace

void tst_CanvasViewKeys::keyMap_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("outcome"); // -1: the capture goes on
    QTest::addColumn<int>("annotations");

    const Qt::KeyboardModifiers none;
    const Qt::KeyboardModifiers ctrl(Qt::ControlModifier);
    QTest::newRow("Return copies") << int(Qt::Key_Return) << none << int(Kind::copy) << 1;
    QTest::newRow("keypad Enter copies")
        << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << int(Kind::copy) << 1;
    QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << none << int(Kind::cancel) << 1;
    QTest::newRow("Ctrl+C copies") << int(Qt::Key_C) << ctrl << int(Kind::copy) << 1;
    QTest::newRow("C alone does nothing") << int(Qt::Key_C) << none << -1 << 1;
    QTest::newRow("Ctrl+S saves") << int(Qt::Key_S) << ctrl << int(Kind::save) << 1;
    QTest::newRow("Ctrl+Z undoes") << int(Qt::Key_Z) << ctrl << -1 << 0;
    QTest::newRow("Shift+Ctrl+Z redoes") << int(Qt::Key_Z) << (ctrl | Qt::ShiftModifier) << -1 << 2;
}

void tst_CanvasViewKeys::keyMap() {
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

void tst_CanvasViewKeys::drawDrawUndoUndoRedo() {
    CanvasFixture f;
    drawTwoLines(f);
    const QList<QPointF> first = f.view().annotations().first()->points;
    const int copies = f.liveCopies.size();

    f.view().undo();
    f.view().undo();
    f.view().redo();

    QCOMPARE(f.view().annotations().size(), 1);
    QCOMPARE(f.view().annotations().first()->points, first);
    QCOMPARE(f.view().undoStack().size(), 1);
    QCOMPARE(f.view().redoStack().size(), 1);
    QCOMPARE(f.liveCopies.size(), copies + 3);
}

void tst_CanvasViewKeys::drawingAfterUndoDropsTheRedoHistory() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::rect);
    f.drag(QPointF(100, 100), QPointF(150, 150));
    f.view().undo();

    f.drag(QPointF(60, 60), QPointF(90, 90));
    f.view().redo();

    QCOMPARE(f.view().annotations().size(), 1);
    QCOMPARE(f.view().annotations().first()->rect(), QRectF(60, 60, 30, 30));
}

void tst_CanvasViewKeys::undoPutsAMovedAnnotationBack() {
    CanvasFixture f;
    drawTwoLines(f);
    f.drag(QPointF(150, 100), QPointF(170, 130));

    f.view().undo();

    QCOMPARE(f.view().annotations().first()->points, (QList<QPointF>{{100, 100}, {200, 100}}));
    QVERIFY(!f.view().selectedAnnotation());
}

void tst_CanvasViewKeys::deleteHandsTheNewImageToTheLiveCopy() {
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

void tst_CanvasViewKeys::fieldWidth_data() {
    QTest::addColumn<QPointF>("press");
    QTest::addColumn<int>("width");

    QTest::newRow("the field reaches the selection's right edge") << QPointF(100, 120) << 200;
    QTest::newRow("30 points from the right edge it is 80 points wide, beyond the selection")
        << QPointF(270, 120) << 80;
}

void tst_CanvasViewKeys::fieldWidth() {
    QFETCH(QPointF, press);
    QFETCH(int, width);
    CanvasFixture f;

    QLineEdit* field = openField(f, press);

    QVERIFY(field);
    QCOMPARE(field->x(), int(press.x()));
    QCOMPARE(field->width(), width);
}

void tst_CanvasViewKeys::returnCommitsWithoutCopying() {
    CanvasFixture f;
    QLineEdit* field = openField(f);
    QTest::keyClicks(field, QStringLiteral("Hola"));

    QTest::keyClick(field, Qt::Key_Return);

    QVERIFY(f.outcomes.isEmpty());
    QVERIFY(!f.view().activeField());
    QCOMPARE(f.view().annotations().size(), 1);
    QCOMPARE(f.view().annotations().first()->text, QStringLiteral("Hola"));
    QCOMPARE(f.view().undoStack().size(), 1);

    QTest::keyClick(&f.view(), Qt::Key_Return);

    QCOMPARE(f.outcomes.size(), 1);
    QCOMPARE(f.outcomes.first().kind, CanvasView::Outcome::copy);
}

void tst_CanvasViewKeys::escapeInTheFieldKeepsTheCapture() {
    CanvasFixture f;
    QLineEdit* field = openField(f);
    QTest::keyClicks(field, QStringLiteral("Hola"));

    QTest::keyClick(field, Qt::Key_Escape);

    QVERIFY(f.outcomes.isEmpty());
    QVERIFY(!f.view().activeField());
    QVERIFY(f.view().annotations().isEmpty());
    QCOMPARE(f.view().selection(), QRectF(50, 50, 250, 200));
}

void tst_CanvasViewKeys::emptyFieldLeavesNothing() {
    CanvasFixture f;
    QLineEdit* field = openField(f);
    const int copies = f.liveCopies.size();

    QTest::keyClick(field, Qt::Key_Return);

    QVERIFY(!f.view().activeField());
    QVERIFY(f.view().annotations().isEmpty());
    QVERIFY(f.view().undoStack().isEmpty());
    QCOMPARE(f.liveCopies.size(), copies);
}

void tst_CanvasViewKeys::renderIncludesTheTextBeingTyped() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    const std::optional<Rendered> before = f.view().render();
    f.choose(Tool::text);
    f.click(QPointF(100, 120));
    QTest::keyClicks(f.view().activeField(), QStringLiteral("Listo"));

    const std::optional<Rendered> after = f.view().render();

    QVERIFY(before && after);
    QCOMPARE(f.view().annotations().size(), 1);
    QVERIFY(after->image != before->image);
}

QTEST_MAIN(tst_CanvasViewKeys)
#include "tst_CanvasViewKeys.moc"

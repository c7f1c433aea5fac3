#include "CanvasFixture.h"

#include <QTest>

using Kind = CanvasView::Outcome::Kind;

class tst_CanvasViewKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keyEndsTheCapture_data();
    void keyEndsTheCapture();
    void keysNeedingAnImageDoNothingWithoutASelection();
    void undoRedoKeys_data();
    void undoRedoKeys();
    void drawDrawUndoUndoRedo();
    void drawingAfterUndoDropsTheRedoHistory();
    void undoPutsAMovedAnnotationBack();
    void undoAndRedoRefreshTheLiveCopy();
    void deleteRemovesThePickedAnnotation_data();
    void deleteRemovesThePickedAnnotation();
    void deleteHandsTheNewImageToTheLiveCopy();
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

} // namespace

void tst_CanvasViewKeys::keyEndsTheCapture_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("outcome");

    QTest::newRow("Return copies")
        << int(Qt::Key_Return) << Qt::KeyboardModifiers() << int(Kind::copy);
    QTest::newRow("keypad Enter copies")
        << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << int(Kind::copy);
    QTest::newRow("Ctrl+Return copies like Return")
        << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ControlModifier) << int(Kind::copy);
    QTest::newRow("Ctrl+C copies")
        << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::ControlModifier) << int(Kind::copy);
    QTest::newRow("Ctrl+S saves") << int(Qt::Key_S) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                  << int(Kind::save);
    QTest::newRow("Escape cancels")
        << int(Qt::Key_Escape) << Qt::KeyboardModifiers() << int(Kind::cancel);
    QTest::newRow("C without Ctrl does nothing") << int(Qt::Key_C) << Qt::KeyboardModifiers() << -1;
    QTest::newRow("Ctrl with another letter does nothing")
        << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ControlModifier) << -1;
}

void tst_CanvasViewKeys::keyEndsTheCapture() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, outcome);
    CanvasFixture f;
    drawTwoLines(f);

    QTest::keyClick(&f.view(), Qt::Key(key), modifiers);

    QCOMPARE(f.outcomes.size(), outcome < 0 ? 0 : 1);
    if (outcome < 0)
        return;
    QCOMPARE(int(f.outcomes.first().kind), outcome);
    if (outcome != Kind::cancel) {
        QCOMPARE(f.outcomes.first().rendered.image.size(), QSize(500, 400));
        QCOMPARE(f.outcomes.first().rendered.pointSize, QSizeF(250, 200));
    }
}

void tst_CanvasViewKeys::keysNeedingAnImageDoNothingWithoutASelection() {
    CanvasFixture f;

    QTest::keyClick(&f.view(), Qt::Key_Return);
    QTest::keyClick(&f.view(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&f.view(), Qt::Key_S, Qt::ControlModifier);

    QVERIFY(f.outcomes.isEmpty());
}

void tst_CanvasViewKeys::undoRedoKeys_data() {
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("annotations");

    QTest::newRow("Ctrl+Z undoes") << Qt::KeyboardModifiers(Qt::ControlModifier) << 0;
    QTest::newRow("Shift+Ctrl+Z redoes")
        << Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier) << 2;
    QTest::newRow("Z without Ctrl does nothing") << Qt::KeyboardModifiers() << 1;
}

void tst_CanvasViewKeys::undoRedoKeys() {
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, annotations);
    CanvasFixture f;
    drawTwoLines(f);
    f.view().undo();
    f.view().undo();

    f.view().redo();
    QTest::keyClick(&f.view(), Qt::Key_Z, modifiers);

    QCOMPARE(f.view().annotations().size(), annotations);
}

void tst_CanvasViewKeys::drawDrawUndoUndoRedo() {
    CanvasFixture f;
    drawTwoLines(f);
    const AnnotationRef first = f.view().annotations().first();

    f.view().undo();
    f.view().undo();
    f.view().redo();

    QCOMPARE(f.view().annotations().size(), 1);
    QCOMPARE(f.view().annotations().first()->points, first->points);
    QCOMPARE(f.view().redoStack().size(), 1);
    QCOMPARE(f.view().undoStack().size(), 1);
}

void tst_CanvasViewKeys::drawingAfterUndoDropsTheRedoHistory() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::rect);
    f.drag(QPointF(100, 100), QPointF(150, 150));
    f.view().undo();

    f.drag(QPointF(60, 60), QPointF(90, 90));

    QVERIFY(f.view().redoStack().isEmpty());
    f.view().redo();
    QCOMPARE(f.view().annotations().size(), 1);
    QCOMPARE(f.view().annotations().first()->rect(), QRectF(60, 60, 30, 30));
}

void tst_CanvasViewKeys::undoPutsAMovedAnnotationBack() {
    CanvasFixture f;
    drawTwoLines(f);
    f.drag(QPointF(150, 100), QPointF(170, 130));
    QCOMPARE(f.view().annotations().first()->points.first(), QPointF(120, 130));

    QTest::keyClick(&f.view(), Qt::Key_Z, Qt::ControlModifier);

    QCOMPARE(f.view().annotations().first()->points, (QList<QPointF>{{100, 100}, {200, 100}}));
    QVERIFY(!f.view().selectedAnnotation());
    QTest::keyClick(&f.view(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.view().annotations().first()->points.first(), QPointF(120, 130));
}

void tst_CanvasViewKeys::undoAndRedoRefreshTheLiveCopy() {
    CanvasFixture f;
    drawTwoLines(f);
    const int copies = f.liveCopies.size();

    f.view().undo();
    f.view().redo();
    f.view().redo();

    QCOMPARE(f.liveCopies.size(), copies + 2);
}

void tst_CanvasViewKeys::deleteRemovesThePickedAnnotation_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("deleted");

    QTest::newRow("Delete removes it") << int(Qt::Key_Delete) << Qt::KeyboardModifiers() << true;
    QTest::newRow("Backspace removes it")
        << int(Qt::Key_Backspace) << Qt::KeyboardModifiers() << true;
    QTest::newRow("Ctrl+Backspace does not")
        << int(Qt::Key_Backspace) << Qt::KeyboardModifiers(Qt::ControlModifier) << false;
}

void tst_CanvasViewKeys::deleteRemovesThePickedAnnotation() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, deleted);
    CanvasFixture f;
    drawTwoLines(f);
    QTest::mouseClick(&f.view(), Qt::LeftButton, {}, QPoint(150, 101));

    QTest::keyClick(&f.view(), Qt::Key(key), modifiers);

    QCOMPARE(f.view().annotations().size(), deleted ? 1 : 2);
    QCOMPARE(f.view().annotations().first()->points.first(), QPointF(100, deleted ? 150 : 100));
    QCOMPARE(f.view().undoStack().size(), deleted ? 3 : 2);
    QCOMPARE(f.view().selectedAnnotation() == nullptr, deleted);
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
    QTest::mouseClick(&f.view(), Qt::LeftButton, {}, QPoint(100, 150));

    QTest::keyClick(&f.view(), Qt::Key_Backspace);

    QVERIFY(f.view().annotations().isEmpty());
    QCOMPARE(f.liveCopies.last().image, plain);
}

QTEST_MAIN(tst_CanvasViewKeys)
#include "tst_CanvasViewKeys.moc"

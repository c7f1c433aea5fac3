// The text field: its width, and what Return, Escape and render() make of what was typed.
#include "CanvasFixture.h"

#include <QLineEdit>
#include <QTest>

class tst_CanvasViewText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fieldWidth_data();
    void fieldWidth();
    void returnCommitsWithoutCopying();
    void escapeInTheFieldKeepsTheCapture();
    void emptyFieldLeavesNothing();
    void renderIncludesTheTextBeingTyped();
};

namespace {

// Opens the text field with a click of the text tool on a selection of (50, 50, 250, 200).
QLineEdit* openField(CanvasFixture& f, QPointF at = QPointF(100, 120)) {
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::text);
    f.click(at);
    return f.view().activeField();
}

} // namespace

void tst_CanvasViewText::fieldWidth_data() {
    QTest::addColumn<QPointF>("press");
    QTest::addColumn<int>("width");

    QTest::newRow("the field reaches the selection's right edge") << QPointF(100, 120) << 200;
    QTest::newRow("30 points from the right edge it is 80 points wide, beyond the selection")
        << QPointF(270, 120) << 80;
}

void tst_CanvasViewText::fieldWidth() {
    QFETCH(QPointF, press);
    QFETCH(int, width);
    CanvasFixture f;

    QLineEdit* field = openField(f, press);

    QVERIFY(field);
    QCOMPARE(field->x(), int(press.x()));
    QCOMPARE(field->width(), width);
}

void tst_CanvasViewText::returnCommitsWithoutCopying() {
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

void tst_CanvasViewText::escapeInTheFieldKeepsTheCapture() {
    CanvasFixture f;
    QLineEdit* field = openField(f);
    QTest::keyClicks(field, QStringLiteral("Hola"));

    QTest::keyClick(field, Qt::Key_Escape);

    QVERIFY(f.outcomes.isEmpty());
    QVERIFY(!f.view().activeField());
    QVERIFY(f.view().annotations().isEmpty());
    QCOMPARE(f.view().selection(), QRectF(50, 50, 250, 200));
}

void tst_CanvasViewText::emptyFieldLeavesNothing() {
    CanvasFixture f;
    QLineEdit* field = openField(f);
    const int copies = f.liveCopies.size();

    QTest::keyClick(field, Qt::Key_Return);

    QVERIFY(!f.view().activeField());
    QVERIFY(f.view().annotations().isEmpty());
    QVERIFY(f.view().undoStack().isEmpty());
    QCOMPARE(f.liveCopies.size(), copies);
}

void tst_CanvasViewText::renderIncludesTheTextBeingTyped() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    const std::optional<Rendered> before = f.view().render();
    QTest::keyClicks(openField(f), QStringLiteral("Listo"));

    const std::optional<Rendered> after = f.view().render();

    QVERIFY(before && after);
    QCOMPARE(f.view().annotations().size(), 1);
    QVERIFY(after->image != before->image);
}

QTEST_MAIN(tst_CanvasViewText)
#include "tst_CanvasViewText.moc"

#include "CanvasFixture.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QTest>

#include <cmath>

class tst_CanvasViewText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fieldGeometry_data();
    void fieldGeometry();
    void returnCommitsWithoutCopying();
    void escapeInTheFieldKeepsTheCapture();
    void emptyFieldLeavesNothing();
    void pressElsewhereCommits();
    void nonAsciiTextIsKept();
    void undoWhileTypingUndoesTheTyping();
    void renderIncludesTheTextBeingTyped();
    void colourChosenWhileTypingColoursTheText();
};

namespace {

// Opens the text field with a click of the text tool on a selection of (50, 50, 250, 200).
QLineEdit* openField(CanvasFixture& f, QPointF at) {
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::text);
    f.click(at);
    return f.view().activeField();
}

void type(QLineEdit* field, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

void tst_CanvasViewText::fieldGeometry_data() {
    QTest::addColumn<QPointF>("press");
    QTest::addColumn<int>("width");

    QTest::newRow("the field reaches the selection's right edge") << QPointF(100, 120) << 200;
    QTest::newRow("30 points from the right edge it is 80 points wide, beyond the selection")
        << QPointF(270, 120) << 80;
}

void tst_CanvasViewText::fieldGeometry() {
    QFETCH(QPointF, press);
    QFETCH(int, width);
    CanvasFixture f;
    const int height = int(std::ceil(QFontMetricsF(Annotation::textFont()).lineSpacing())) + 2;

    QLineEdit* field = openField(f, press);

    QVERIFY(field);
    QCOMPARE(field->geometry(),
             QRect(int(press.x()), int(std::lround(press.y() - height / 2.0)), width, height));
    QCOMPARE(field->font(), Annotation::textFont());
    QCOMPARE(field->palette().color(QPalette::Text), f.view().color());
    QVERIFY(!field->hasFrame());
    QVERIFY(f.view().annotations().isEmpty());
}

void tst_CanvasViewText::returnCommitsWithoutCopying() {
    CanvasFixture f;
    QLineEdit* field = openField(f, QPointF(100, 120));
    const QRect frame = field->geometry();
    const int copies = f.liveCopies.size();
    QTest::keyClicks(field, QStringLiteral("Hola"));

    QTest::keyClick(field, Qt::Key_Return);

    QVERIFY(f.outcomes.isEmpty());
    QVERIFY(!f.view().activeField());
    QCOMPARE(f.view().annotations().size(), 1);
    const AnnotationRef text = f.view().annotations().first();
    QCOMPARE(text->tool(), Tool(Tool::text));
    QCOMPARE(text->text, QStringLiteral("Hola"));
    QCOMPARE(text->points, QList<QPointF>{QPointF(frame.topLeft())});
    QCOMPARE(text->textHeight, double(frame.height()));
    QCOMPARE(text->color(), f.view().color());
    QCOMPARE(f.view().undoStack().size(), 1);
    QCOMPARE(f.liveCopies.size(), copies + 1);

    QTest::keyClick(&f.view(), Qt::Key_Return);

    QCOMPARE(f.outcomes.size(), 1);
    QCOMPARE(f.outcomes.first().kind, CanvasView::Outcome::copy);
}

void tst_CanvasViewText::escapeInTheFieldKeepsTheCapture() {
    CanvasFixture f;
    QLineEdit* field = openField(f, QPointF(100, 120));
    QTest::keyClicks(field, QStringLiteral("Hola"));

    QTest::keyClick(field, Qt::Key_Escape);

    QVERIFY(f.outcomes.isEmpty());
    QVERIFY(!f.view().activeField());
    QVERIFY(f.view().annotations().isEmpty());
    QVERIFY(f.view().undoStack().isEmpty());

    QTest::keyClick(&f.view(), Qt::Key_Escape);

    QCOMPARE(f.outcomes.size(), 1);
    QCOMPARE(f.outcomes.first().kind, CanvasView::Outcome::cancel);
}

void tst_CanvasViewText::emptyFieldLeavesNothing() {
    CanvasFixture f;
    QLineEdit* field = openField(f, QPointF(100, 120));
    const int copies = f.liveCopies.size();

    QTest::keyClick(field, Qt::Key_Return);

    QVERIFY(!f.view().activeField());
    QVERIFY(f.view().annotations().isEmpty());
    QVERIFY(f.view().undoStack().isEmpty());
    QCOMPARE(f.liveCopies.size(), copies);
}

void tst_CanvasViewText::pressElsewhereCommits() {
    CanvasFixture f;
    QLineEdit* field = openField(f, QPointF(100, 120));
    QTest::keyClicks(field, QStringLiteral("uno"));

    f.click(QPointF(100, 200));

    QCOMPARE(f.view().annotations().size(), 1);
    QCOMPARE(f.view().annotations().first()->text, QStringLiteral("uno"));
    QVERIFY(f.view().activeField());
    QVERIFY(f.view().activeField() != field);
}

void tst_CanvasViewText::nonAsciiTextIsKept() {
    CanvasFixture f;
    QLineEdit* field = openField(f, QPointF(100, 120));

    type(field, QStringLiteral("Ñandú → 3 €"));
    QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);

    QCOMPARE(f.view().annotations().size(), 1);
    QCOMPARE(f.view().annotations().first()->text, QStringLiteral("Ñandú → 3 €"));
    QVERIFY(f.outcomes.isEmpty());
}

void tst_CanvasViewText::undoWhileTypingUndoesTheTyping() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    f.choose(Tool::rect);
    f.drag(QPointF(60, 60), QPointF(90, 90));
    f.choose(Tool::text);
    f.click(QPointF(100, 120));
    QLineEdit* field = f.view().activeField();
    QTest::keyClicks(field, QStringLiteral("abc"));

    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);

    QCOMPARE(field->text(), QString());
    QCOMPARE(f.view().annotations().size(), 1);
    QTest::keyClicks(field, QStringLiteral("de"));
    f.view().undo();
    QCOMPARE(field->text(), QString());
    QCOMPARE(f.view().annotations().size(), 1);
    QCOMPARE(f.view().undoStack().size(), 1);
}

void tst_CanvasViewText::renderIncludesTheTextBeingTyped() {
    CanvasFixture f;
    f.select(QRectF(50, 50, 250, 200));
    const std::optional<Rendered> before = f.view().render();
    f.choose(Tool::text);
    f.click(QPointF(100, 120));
    QTest::keyClicks(f.view().activeField(), QStringLiteral("Listo"));

    const std::optional<Rendered> after = f.view().render();

    QVERIFY(before && after);
    QVERIFY(!f.view().activeField());
    QCOMPARE(f.view().annotations().size(), 1);
    QVERIFY(after->image != before->image);
}

void tst_CanvasViewText::colourChosenWhileTypingColoursTheText() {
    CanvasFixture f;
    QLineEdit* field = openField(f, QPointF(100, 120));
    QTest::keyClicks(field, QStringLiteral("azul"));

    f.view().pick(QColor(26, 133, 245));
    QTest::keyClick(field, Qt::Key_Return);

    QCOMPARE(f.view().annotations().first()->color(), QColor(26, 133, 245));
}

QTEST_MAIN(tst_CanvasViewText)
#include "tst_CanvasViewText.moc"

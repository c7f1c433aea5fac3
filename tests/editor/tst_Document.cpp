// What was drawn: annotations drawn and kept, badges numbered, and the undo history.
#include "editor/Document.h"

#include <QTest>

namespace {

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

class tst_Document : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void extend_data() {
        QTest::addColumn<int>("tool");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<bool>("snap");
        QTest::addColumn<QList<QPointF>>("points");
        QTest::newRow("a pen keeps every point")
            << int(Tool::pen) << QPointF(120, 110) << false
            << QList<QPointF>{{100, 100}, {110, 105}, {120, 110}};
        QTest::newRow("a badge follows the pointer")
            << int(Tool::number) << QPointF(120, 110) << false << QList<QPointF>{{120, 110}};
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
        QTest::newRow("the first badge is 1") << QList<double>{} << 0.0 << QList<qint64>{1};
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
    // redone. (Undo and redo through the keys, step by step, are tst_CanvasView's.)
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
};

QTEST_APPLESS_MAIN(tst_Document)
#include "tst_Document.moc"

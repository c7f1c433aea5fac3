// The embedded symbols: every name the bars and the tools use exists, and renders white and
// sharp at both backing scales.
#include "annotation/Tool.h"
#include "editor/Icons.h"

#include <QTest>

class tst_Icons : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyUsedSymbolIsEmbedded();
    void rendersWhite_data();
    void rendersWhite();
    void unknownNameGivesNullPixmap();
};

void tst_Icons::everyUsedSymbolIsEmbedded() {
    QStringList used{QStringLiteral("cursorarrow"),
                     QStringLiteral("arrow.uturn.backward"),
                     QStringLiteral("arrow.uturn.forward"),
                     QStringLiteral("minus"),
                     QStringLiteral("plus"),
                     QStringLiteral("text.viewfinder"),
                     QStringLiteral("pin"),
                     QStringLiteral("doc.on.doc"),
                     QStringLiteral("square.and.arrow.down"),
                     QStringLiteral("xmark"),
                     QStringLiteral("leaf")};
    for (const Tool tool : Tool::allCases())
        used.append(tool.symbol());

    const QStringList embedded = Icons::names();

    for (const QString& name : std::as_const(used))
        QVERIFY2(embedded.contains(name), qPrintable(name));
}

void tst_Icons::rendersWhite_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("scale");

    for (const QString& name : Icons::names()) {
        QTest::newRow(qPrintable(name + QStringLiteral(" at 1x"))) << name << qreal(1);
        QTest::newRow(qPrintable(name + QStringLiteral(" at 2x"))) << name << qreal(2);
    }
}

void tst_Icons::rendersWhite() {
    QFETCH(QString, name);
    QFETCH(qreal, scale);

    const QPixmap pixmap = Icons::pixmap(name, 24, scale);

    QCOMPARE(pixmap.size(), QSize(24, 24) * scale);
    QCOMPARE(pixmap.devicePixelRatio(), scale);
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    double covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0)
                continue;
            QCOMPARE(qRed(pixel), 255);
            QCOMPARE(qGreen(pixel), 255);
            QCOMPARE(qBlue(pixel), 255);
            covered += qAlpha(pixel) / 255.0;
        }
    }
    // A visible glyph, not a filled square: it covers between 4 % and 60 % of the area.
    const double share = covered / (image.width() * image.height());
    QVERIFY2(share > 0.04 && share < 0.6, qPrintable(QString::number(share)));
}

void tst_Icons::unknownNameGivesNullPixmap() {
    QVERIFY(Icons::pixmap(QStringLiteral("no.such.symbol"), 24, 1).isNull());
}

QTEST_MAIN(tst_Icons)
#include "tst_Icons.moc"

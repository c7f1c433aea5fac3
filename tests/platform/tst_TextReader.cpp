#include "platform/TextReader.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Lines drawn as a desktop draws them: pixelSize points tall at a scale, with a margin.
QImage rendered(const QStringList& lines, int pixelSize, double scale, bool dark,
                const QString& family = u"DejaVu Sans"_qs) {
    QFont font(family);
    font.setPixelSize(int(pixelSize * scale));
    const QFontMetrics metrics(font);
    const int margin = int(12 * scale);
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    QImage image(width + 2 * margin,
                 metrics.lineSpacing() * std::max<int>(1, lines.size()) + 2 * margin,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(dark ? QColor(0x2b, 0x2b, 0x2b) : QColor(Qt::white));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(dark ? QColor(0xee, 0xee, 0xee) : QColor(0x20, 0x20, 0x20));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(margin, margin + metrics.ascent() + i * metrics.lineSpacing(), lines[i]);
    return image;
}

} // namespace

class TestTextReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsScreenText_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<double>("scale");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("family");
        const auto row = [](const char* name, const QStringList& lines, int pixelSize, double scale,
                            bool dark, const QString& family = u"DejaVu Sans"_qs) {
            QTest::newRow(name) << lines << pixelSize << scale << dark << family;
        };
        const QStringList accented{u"Configuración del menú: 45 € para la señora Núñez"_qs};

        row("small line at scale 1", {u"Guardar la captura en la carpeta"_qs}, 12, 1.0, false);
        row("paragraph keeps its line order",
            {u"Copy the selection to the clipboard"_qs, u"then paste it in the document"_qs,
             u"Cerrar la ventana"_qs},
            14, 1.0, false);
        row("empty area has no lines", {}, 14, 1.0, false);
        row("accents and euro in Noto Sans, 11 px, light on dark", accented, 11, 1.0, true,
            u"Noto Sans"_qs);
        row("accents and euro in Liberation Sans, 11 px at scale 2", accented, 11, 2.0, false,
            u"Liberation Sans"_qs);
    }
    void readsScreenText() {
        QFETCH(QStringList, lines);
        QFETCH(int, pixelSize);
        QFETCH(double, scale);
        QFETCH(bool, dark);
        QFETCH(QString, family);
        QImage crop = rendered(lines, pixelSize, scale, dark, family);
        if (lines.isEmpty())
            crop = crop.scaled(300, 80);

        const Result<QStringList> read = TextReader::shared().read(crop, scale);

        QVERIFY2(read.ok(), qPrintable(read.message()));
        QCOMPARE(*read, lines);
    }

    void missingModelsNameTheirPackages_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("notNamed");
        QTest::newRow("no models at all")
            << QStringList() << u"tesseract-ocr-spa, tesseract-ocr-eng"_qs << u"deu"_qs;
        QTest::newRow("English only")
            << QStringList{u"eng"_qs} << u"tesseract-ocr-spa"_qs << u"tesseract-ocr-eng"_qs;
    }
    void missingModelsNameTheirPackages() {
        QFETCH(QStringList, present);
        QFETCH(QString, named);
        QFETCH(QString, notNamed);
        QTemporaryDir folder;
        for (const QString& language : present)
            QVERIFY(QFile::link(u"/usr/share/tesseract-ocr/5/tessdata/"_qs + language +
                                    u".traineddata"_qs,
                                folder.filePath(language + u".traineddata"_qs)));
        TextReader reader(folder.path());

        const Status warm = reader.warmUp();
        const Result<QStringList> read = reader.read(rendered({u"Hola"_qs}, 14, 1, false), 1);

        QVERIFY(!warm.ok() && !read.ok());
        QVERIFY2(read.message().contains(named) && !read.message().contains(notNamed),
                 qPrintable(read.message()));
    }
};

QTEST_MAIN(TestTextReader)
#include "tst_TextReader.moc"

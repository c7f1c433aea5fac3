// Platform rules: the autostart entry, large-page tunables, writing new files and reading text
// with the real Tesseract.
#include "FileSizeLimit.h"
#include "TestHome.h"
#include "platform/Autostart.h"
#include "platform/LargePages.h"
#include "platform/NewFile.h"
#include "platform/TextReader.h"

#include <QDir>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

namespace {

// "0.png", "1.png", ... up to `names` of them.
NewFile::NameFor numberedUpTo(int names) {
    return [names](int clash) {
        return clash < names ? QStringLiteral("%1.png").arg(clash) : QString();
    };
}

// Lines drawn as a desktop draws them: pixelSize points tall at a scale, with a margin.
QImage rendered(const QStringList& lines, int pixelSize, double scale,
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
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x20, 0x20));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(margin, margin + metrics.ascent() + i * metrics.lineSpacing(), lines[i]);
    return image;
}

} // namespace

class tst_PlatformRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The autostart entry: the command line desktops run at login, and when an entry counts as on.
    void execLine_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("line");
        const auto row = [](const char* name, const char* program, const char* line) {
            QTest::newRow(name) << QString::fromUtf8(program) << QString::fromUtf8(line);
        };
        row("spaces stay inside the quotes", "/opt/my apps/brindlecap",
            R"("/opt/my apps/brindlecap")");
        row("quote, dollar and backquote take a backslash, doubled by the value", R"(/a"b$c`d)",
            R"("/a\\"b\\$c\\`d")");
        row("a backslash becomes four", R"(/a\b)", R"("/a\\\\b")");
        row("a percent sign is no field code", "/100%/b", R"("/100%%/b")");
    }
    void execLine() {
        QFETCH(QString, program);

        QTEST(Autostart::execLine(program), "line");
    }

    // (An entry that is on is the settings window's login box, read back.)
    void hiddenEntryIsOff() {
        QVERIFY(writeWholeFile(Autostart::filePath(), "[Desktop Entry]\nHidden = true\nExec=x\n"));

        QVERIFY(!Autostart::isEnabled());
    }

    void tunables_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QByteArray>("tunables");
        QTest::addColumn<QByteArray>("expected"); // empty: no restart

        const auto row = [](const char* name, const char* mode, const char* tunables,
                            const char* expected) {
            QTest::newRow(name) << QByteArray(mode) << QByteArray(tunables) << QByteArray(expected);
        };
        const char* advised = "always [madvise] never\n";
        row("advised, none set", advised, "", "glibc.malloc.hugetlb=1");
        row("advised, others kept", advised, "glibc.malloc.arena_max=2",
            "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
        row("user turned it off", advised, "glibc.malloc.hugetlb=0", "");
        row("no such file", "", "", "");
    }

    void tunables() {
        QFETCH(QByteArray, mode);
        QFETCH(QByteArray, tunables);

        QTEST(LargePages::tunablesFor(mode, tunables).value_or(QByteArray()), "expected");
    }

    // Writing new files for the save folder and the history: never a shared name, never a replaced
    // file, never a partial file, and a failure that names the file and the system's reason.
    void concurrentWritersNeverShareANameNorReplaceAFile() {
        QTemporaryDir dir;
        writeWholeFile(dir.filePath("0.png"), "older capture");
        QList<QByteArray> payloads;
        for (int i = 0; i < 40; ++i)
            payloads.append(QByteArray::number(i));

        const QList<Result<QString>> written =
            QtConcurrent::blockingMapped(payloads, [&](const QByteArray& p) {
                return NewFile::write(dir.path(), p, numberedUpTo(1000));
            });

        QCOMPARE(readFile(dir.filePath("0.png")), QByteArray("older capture"));
        QSet<QString> names;
        for (int i = 0; i < written.size(); ++i) {
            QVERIFY2(written[i], qPrintable(written[i].message()));
            QCOMPARE(readFile(*written[i]), payloads[i]);
            names.insert(*written[i]);
        }
        QCOMPARE(names.size(), payloads.size());
        QVERIFY(names.contains(dir.filePath("40.png")));
        // Temporary files left behind would count too.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 payloads.size() + 1);
    }

    void failureNamesTheFileAndTheReasonAndLeavesNothing_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("names");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");

        // A folder inside a plain file can be created by nobody, root included.
        QTest::newRow("a folder that cannot exist")
            << "archivo/dentro" << 1 << "archivo/dentro/0.png"
            << "Not a directory";
        QTest::newRow("every name taken") << "" << 1 << "0.png"
                                          << "File exists";
        QTest::newRow("a write cut short, as on a full disk") << "" << 1000 << "0.png"
                                                              << "File too large";
    }

    void failureNamesTheFileAndTheReasonAndLeavesNothing() {
        QFETCH(QString, folder);
        QFETCH(int, names);
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        unmakeableFolder(dir.filePath("archivo"), {});
        writeWholeFile(dir.filePath("0.png"), "taken");
        std::optional<FileSizeLimit> cutShort;
        if (reason == "File too large")
            QVERIFY(cutShort.emplace(4096).applied());

        const Result<QString> written =
            NewFile::write(dir.filePath(folder), QByteArray(64 * 1024, 'x'), numberedUpTo(names));

        cutShort.reset();
        QVERIFY(!written);
        QVERIFY2(written.message().contains(dir.filePath(file)) &&
                     written.message().contains(reason),
                 qPrintable(written.message()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"0.png", "archivo"}));
    }

    // Text recognition on lines drawn as a desktop draws them.
    void readsScreenText_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QString>("family");
        const auto row = [](const char* name, const QStringList& lines, int pixelSize, double scale,
                            const QString& family = u"DejaVu Sans"_qs) {
            QTest::newRow(name) << lines << pixelSize << scale << family;
        };
        const QStringList accented{u"Configuración del menú: 45 € para la señora Núñez"_qs};

        row("small line at scale 1", {u"Guardar la captura en la carpeta"_qs}, 12, 1.0);
        row("paragraph keeps its line order",
            {u"Copy the selection to the clipboard"_qs, u"then paste it in the document"_qs,
             u"Cerrar la ventana"_qs},
            14, 1.0);
        row("empty area has no lines", {}, 14, 1.0);
        row("accents and euro in Liberation Sans, 11 px at scale 2",
            {u"Configuración del menú: 45 € para la señora Núñez"_qs}, 11, 2.0,
            u"Liberation Sans"_qs);
    }
    void readsScreenText() {
        QFETCH(QStringList, lines);
        QFETCH(int, pixelSize);
        QFETCH(double, scale);
        QFETCH(QString, family);
        QImage crop = rendered(lines, pixelSize, scale, family);
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
        const Result<QStringList> read = reader.read(rendered({u"Hola"_qs}, 14, 1), 1);

        QVERIFY(!warm.ok() && !read.ok());
        QVERIFY2(read.message().contains(named) && !read.message().contains(notNamed),
                 qPrintable(read.message()));
    }
};

QTEST_MAIN(tst_PlatformRules)
#include "tst_PlatformRules.moc"

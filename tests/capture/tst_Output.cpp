#include "capture/Output.h"
#include "recents/History.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTest>

namespace {

QImage pattern(QSize size, quint32 seed) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = rng.generate() | 0xff000000u;
    }
    return image;
}

Rendered rendered(QSize pixels, qreal scale, quint32 seed = 1) {
    return {pattern(pixels, seed), QSizeF(pixels) / scale};
}

// xclip reads from us, so the event loop has to run while it does.
QByteArray readClipboard(const QString& target) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", target, "-o"});
    if (!xclip.waitForStarted() ||
        !QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10000))
        return {};
    return xclip.readAllStandardOutput();
}

QImage decode(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).read();
}

// Delivers and waits for the completion; nullopt when it never came.
std::optional<bool> deliverAndWait(const Rendered& r, bool copy, std::optional<QString> saveTo,
                                   bool history) {
    std::optional<bool> saved;
    Output::deliver(r, copy, saveTo, history, [&](bool s) { saved = s; });
    if (!QTest::qWaitFor([&] { return saved.has_value(); }, 20000))
        return std::nullopt;
    return saved;
}

QString testFolder(const QString& name) {
    const QString path =
        QStandardPaths::writableLocation(QStandardPaths::HomeLocation) + "/output/" + name;
    QDir(path).removeRecursively();
    return path;
}

} // namespace

class tst_Output : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void copyOffersPngThenTiffToOtherClients();
    void savedFileHasPixelSizeAndDensity_data();
    void savedFileHasPixelSizeAndDensity();
    void laterCopyWinsOverSlowerEarlierOne();
    void historyOnlyLeavesClipboardAndGenerationAlone();
    void keepHistoryOffAddsNothing();
    void saveFolderIsCreatedWithItsParents();
    void unwritableFolderReportsFalseButServesClipboardAndHistory();
    void sameSecondSavesKeepBoth();
};

void tst_Output::init() {
    Prefs::setBool(QString::fromLatin1(Prefs::Keys::keepHistory), true);
    History::clear();
}

void tst_Output::copyOffersPngThenTiffToOtherClients() {
    const Rendered r = rendered({64, 48}, 1);

    QCOMPARE(deliverAndWait(r, true, std::nullopt, false), false);

    const QStringList targets = QString::fromLatin1(readClipboard("TARGETS")).split('\n');
    QVERIFY2(targets.contains("image/png") && targets.contains("image/tiff"),
             qPrintable(targets.join(' ')));
    QVERIFY(targets.indexOf("image/png") < targets.indexOf("image/tiff"));
    QCOMPARE(decode(readClipboard("image/png")).convertToFormat(QImage::Format_RGB32), r.image);
    QCOMPARE(decode(readClipboard("image/tiff")).convertToFormat(QImage::Format_RGB32), r.image);
    // Qt programs paste it as an image too.
    QCOMPARE(QApplication::clipboard()->image().size(), r.image.size());
}

void tst_Output::savedFileHasPixelSizeAndDensity_data() {
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<int>("dotsPerMetre");
    QTest::newRow("1x capture: 72 dpi") << 1.0 << 2835;
    QTest::newRow("2x capture: twice its point size, 144 dpi") << 2.0 << 5669;
}

void tst_Output::savedFileHasPixelSizeAndDensity() {
    QFETCH(qreal, scale);
    QFETCH(int, dotsPerMetre);
    const QString file = testFolder("density") + "/captura.png";
    const Rendered r = rendered({300, 200}, scale);

    QCOMPARE(deliverAndWait(r, false, file, false), true);

    const QImage saved(file);
    QCOMPARE(saved.size(), QSize(300, 200));
    QCOMPARE(saved.size(), (r.pointSize * scale).toSize());
    QCOMPARE(saved.dotsPerMeterX(), dotsPerMetre);
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), r.image);
}

void tst_Output::laterCopyWinsOverSlowerEarlierOne() {
    const Rendered large = rendered({3840, 2160}, 1, 2);
    const Rendered small = rendered({40, 30}, 1, 3);
    int completions = 0;
    const qint64 before = Output::generation();

    Output::deliver(large, true, std::nullopt, false, [&](bool) { ++completions; });
    Output::deliver(small, true, std::nullopt, false, [&](bool) { ++completions; });

    QCOMPARE(Output::generation(), before + 2);
    QTRY_COMPARE_WITH_TIMEOUT(completions, 2, 30000);
    QCOMPARE(decode(readClipboard("image/png")).size(), small.image.size());
}

void tst_Output::historyOnlyLeavesClipboardAndGenerationAlone() {
    QApplication::clipboard()->setText(QStringLiteral("antes"));
    const qint64 before = Output::generation();

    QCOMPARE(deliverAndWait(rendered({50, 40}, 1), false, std::nullopt, true), false);

    QCOMPARE(Output::generation(), before);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("antes"));
    QCOMPARE(History::items().size(), 1);
}

void tst_Output::keepHistoryOffAddsNothing() {
    Prefs::setBool(QString::fromLatin1(Prefs::Keys::keepHistory), false);

    QVERIFY(deliverAndWait(rendered({50, 40}, 1), true, std::nullopt, true));

    QVERIFY(History::items().isEmpty());
}

void tst_Output::saveFolderIsCreatedWithItsParents() {
    const QString folder = testFolder("nueva") + "/con/padres";

    QCOMPARE(deliverAndWait(rendered({50, 40}, 1), false, folder + "/x.png", false), true);

    QVERIFY(QFileInfo::exists(folder + "/x.png"));
}

void tst_Output::unwritableFolderReportsFalseButServesClipboardAndHistory() {
    // A folder inside a plain file can be created by nobody, root included.
    const QString base = testFolder("bloqueada");
    QDir().mkpath(base);
    QFile blocker(base + "/archivo");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Rendered r = rendered({70, 50}, 1, 9);

    QCOMPARE(deliverAndWait(r, true, base + "/archivo/sub/x.png", true), false);

    QCOMPARE(History::items().size(), 1);
    QCOMPARE(decode(readClipboard("image/png")).convertToFormat(QImage::Format_RGB32), r.image);
}

void tst_Output::sameSecondSavesKeepBoth() {
    const QString folder = testFolder("mismo-segundo");
    const QString name = folder + "/Brindlecap 2026-12-05 08.19.19.png";
    const Rendered first = rendered({30, 20}, 1, 4), second = rendered({31, 21}, 1, 5);

    QCOMPARE(deliverAndWait(first, false, name, false), true);
    QCOMPARE(deliverAndWait(second, false, name, false), true);

    QCOMPARE(QImage(name).size(), first.image.size());
    QCOMPARE(QImage(folder + "/Brindlecap 2026-12-05 08.19.19 (2).png").size(),
             second.image.size());
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

QTEST_MAIN(tst_Output)
#include "tst_Output.moc"

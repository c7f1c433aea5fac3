#include "capture/Output.h"
#include "recents/History.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QClipboard>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

Rendered rendered(QSize pixels, qreal scale, quint32 seed = 1) {
    QImage image(pixels, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            image.setPixel(x, y, rng.generate() | 0xff000000u);
    return {image, QSizeF(pixels) / scale};
}

// xclip reads from us, so the event loop has to run while it does.
QImage clipboardImage(const QString& target) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", target, "-o"});
    if (!xclip.waitForStarted() ||
        !QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10000))
        return {};
    return QImage::fromData(xclip.readAllStandardOutput()).convertToFormat(QImage::Format_RGB32);
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

} // namespace

class tst_Output : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void otherClientsReadBackPngAndTiff();
    void savedFileHasPixelSizeAndDensityInANewFolder();
    void laterCopyWinsOverSlowerEarlierOne();
    void historyOnlyLeavesClipboardAndGenerationAlone();
    void keepHistoryOffAddsNothing();
    void unwritableFolderReportsFalseButServesClipboardAndHistory();
    void sameSecondSavesKeepBoth();
};

void tst_Output::init() {
    Prefs::setBool(QString::fromLatin1(Prefs::Keys::keepHistory), true);
    History::clear();
}

void tst_Output::otherClientsReadBackPngAndTiff() {
    const Rendered r = rendered({64, 48}, 1);

    QCOMPARE(deliverAndWait(r, true, std::nullopt, false), false);

    QCOMPARE(clipboardImage("image/png"), r.image);
    QCOMPARE(clipboardImage("image/tiff"), r.image);
}

void tst_Output::savedFileHasPixelSizeAndDensityInANewFolder() {
    const QTemporaryDir dir;
    const QString file = dir.filePath("nueva/con/padres/captura.png");
    const Rendered r = rendered({300, 200}, 2);

    QCOMPARE(deliverAndWait(r, false, file, false), true);

    const QImage saved(file);
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), r.image);
    QCOMPARE(saved.dotsPerMeterX(), 5669); // 144 dpi for a 2x capture
}

void tst_Output::laterCopyWinsOverSlowerEarlierOne() {
    const Rendered large = rendered({3840, 2160}, 1, 2), small = rendered({40, 30}, 1, 3);
    int completions = 0;
    const qint64 before = Output::generation();

    Output::deliver(large, true, std::nullopt, false, [&](bool) { ++completions; });
    Output::deliver(small, true, std::nullopt, false, [&](bool) { ++completions; });

    QCOMPARE(Output::generation(), before + 2);
    QTRY_COMPARE_WITH_TIMEOUT(completions, 2, 30000);
    QCOMPARE(clipboardImage("image/png"), small.image);
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

void tst_Output::unwritableFolderReportsFalseButServesClipboardAndHistory() {
    // A folder inside a plain file can be created by nobody, root included.
    const QTemporaryDir dir;
    QFile blocker(dir.filePath("archivo"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Rendered r = rendered({70, 50}, 1, 9);

    QCOMPARE(deliverAndWait(r, true, dir.filePath("archivo/sub/x.png"), true), false);

    QCOMPARE(History::items().size(), 1);
    QCOMPARE(clipboardImage("image/png"), r.image);
}

void tst_Output::sameSecondSavesKeepBoth() {
    const QTemporaryDir dir;
    const QString name = dir.filePath("Brindlecap 2026-12-05 08.19.19.png");
    const Rendered first = rendered({30, 20}, 1, 4), second = rendered({31, 21}, 1, 5);

    QCOMPARE(deliverAndWait(first, false, name, false), true);
    QCOMPARE(deliverAndWait(second, false, name, false), true);

    QCOMPARE(QImage(name).size(), first.image.size());
    QCOMPARE(QImage(dir.filePath("Brindlecap 2026-12-05 08.19.19 (2).png")).size(),
             second.image.size());
}

QTEST_MAIN(tst_Output)
#include "tst_Output.moc"

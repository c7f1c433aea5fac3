#include "TestHome.h"
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
QByteArray clipboardBytes(const QString& target) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", target, "-o"});
    if (!xclip.waitForStarted() ||
        !QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 10000))
        return {};
    return xclip.readAllStandardOutput();
}

QImage clipboardImage(const QString& target) {
    return QImage::fromData(clipboardBytes(target)).convertToFormat(QImage::Format_RGB32);
}

// Delivers and waits for the completion: its failure message, empty on success; nullopt when it
// never came.
std::optional<QString> deliverAndWait(const Rendered& r, bool copy, std::optional<QString> saveTo,
                                      bool history) {
    std::optional<QString> message;
    Output::deliver(r, copy, saveTo, history, [&](const Status& s) { message = s.message(); });
    if (!QTest::qWaitFor([&] { return message.has_value(); }, 20000))
        return std::nullopt;
    return message;
}

} // namespace

class tst_Output : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        Prefs::setBool(QString::fromLatin1(Prefs::Keys::keepHistory), true);
        History::clear();
    }

    void laterCopyWinsAndOthersReadItAsPngAndTiff() {
        const Rendered large = rendered({3840, 2160}, 1, 2), small = rendered({40, 30}, 1, 3);
        int completions = 0;
        const qint64 before = Output::generation();

        Output::deliver(large, true, std::nullopt, false, [&](const Status&) { ++completions; });
        Output::deliver(small, true, std::nullopt, false, [&](const Status&) { ++completions; });

        QCOMPARE(Output::generation(), before + 2);
        QTRY_COMPARE_WITH_TIMEOUT(completions, 2, 30000);
        QCOMPARE(clipboardImage("image/png"), small.image);
        QCOMPARE(clipboardImage("image/tiff"), small.image);
    }

    // Into a folder that does not exist yet (the density is checked end to end); the second file of
    // the same second gets "(2)"; a folder that cannot be made fails the save, but neither the copy
    // nor the history entry.
    void savesKeepPixelsAndDensityAndNeverReplaceEachOther() {
        const QTemporaryDir dir;
        const QString name = dir.filePath("nueva/con/padres/Brindlecap 2026-12-05 08.19.19.png");
        const Rendered first = rendered({300, 200}, 2, 4), second = rendered({31, 21}, 1, 5),
                       third = rendered({70, 50}, 1, 9);
        const QString unmakeable = unmakeableFolder(dir.filePath("archivo"), "sub/x.png");

        QCOMPARE(deliverAndWait(first, false, name, false), QString());
        QCOMPARE(deliverAndWait(second, false, name, false), QString());
        QVERIFY(
            deliverAndWait(third, true, unmakeable, true).value_or(QString()).contains(unmakeable));

        const QImage saved(name);
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), first.image);
        QCOMPARE(QImage(QString(name).replace(".png", " (2).png")).size(), second.image.size());
        QCOMPARE(History::items().size(), 1);
        QCOMPARE(clipboardImage("image/png"), third.image);
    }

    void historyOnlyLeavesClipboardAndGenerationAloneAndHonoursKeepHistory() {
        QApplication::clipboard()->setText(QStringLiteral("antes"));
        const qint64 before = Output::generation();

        QCOMPARE(deliverAndWait(rendered({50, 40}, 1), false, std::nullopt, true), QString());
        QCOMPARE(Output::generation(), before);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("antes"));
        QCOMPARE(History::items().size(), 1);
        Prefs::setBool(QString::fromLatin1(Prefs::Keys::keepHistory), false);
        QVERIFY(deliverAndWait(rendered({50, 40}, 1), true, std::nullopt, true));

        QCOMPARE(History::items().size(), 1);
    }

    // The recents drawer copies a stored PNG: the TIFF and the image then come from decoding it.
    void pngAloneOffersTiffWithItsDensityWhenAsked() {
        const Rendered capture = rendered({30, 20}, 2, 6);
        const QByteArray png = Output::pngData(capture).value_or(QByteArray());

        QApplication::clipboard()->setMimeData(Output::clipboardData(png).release());

        QCOMPARE(clipboardBytes("image/png"), png);
        const QImage tiff = clipboardImage("image/tiff");
        QCOMPARE(tiff, capture.image);
        QCOMPARE(tiff.dotsPerMeterX(), 5669);
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 capture.image);
    }
};

QTEST_MAIN(tst_Output)
#include "tst_Output.moc"

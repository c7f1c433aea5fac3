// The real program on the two-monitor fixture, driven from outside as a user would: shortcuts and
// mouse through xdotool, the clipboard through xclip, files through the test's own home folder.
#include "x11/RunningProgram.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

using RunningProgram::drag;
using RunningProgram::overlayCount;
using RunningProgram::waitMs;
using RunningProgram::windows;
using RunningProgram::xdotool;

// The PNGs in `folder` that are not in `before`.
QStringList added(const QString& folder, const QStringList& before = {}) {
    QStringList now = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& name : before)
        now.removeOne(name);
    return now;
}

// The clipboard's PNG once it has the size (and density, when given) asked for, or a null image
// after the timeout. An earlier capture may still be there: deliveries land in the background.
QImage waitForClipboard(QSize size, int dotsPerMeter = 0) {
    QImage image;
    const bool arrived = QTest::qWaitFor(
        [&] {
            image = RunningProgram::clipboardImage();
            return image.size() == size && (!dotsPerMeter || image.dotsPerMeterX() == dotsPerMeter);
        },
        waitMs);
    return arrived ? image : QImage();
}

} // namespace

class tst_AreaCapture : public QObject {
    Q_OBJECT

    QProcess m_program;
    QString m_saveFolder = QDir::homePath() + QStringLiteral("/Pictures/Brindlecap");
    QString m_historyFolder = RunningProgram::historyFolder();
    QStringList m_savedBefore;
    QStringList m_historyBefore;

private Q_SLOTS:
    void initTestCase() {
        QDir(m_saveFolder).removeRecursively();
        QDir(m_historyFolder).removeRecursively();
        QVERIFY(RunningProgram::start(m_program));
    }

    void cleanupTestCase() { RunningProgram::stop(m_program); }

    void init() {
        QCOMPARE(m_program.state(), QProcess::Running);
        xdotool({"mousemove", "300", "300"});
        m_savedBefore = added(m_saveFolder);
        m_historyBefore = added(m_historyFolder);
    }

    void cleanup() {
        // A test that failed half-way must not leave the keyboard grabbed for the next one.
        QTest::qWait(300);
        for (int attempt = 0; attempt < 10 && overlayCount() > 0; ++attempt) {
            xdotool({"key", "Escape"});
            QTest::qWait(1000);
        }
        QCOMPARE(overlayCount(), 0);
        // Let background deliveries of the test land before the next one counts files.
        QTest::qWait(300);
    }

    // Runs first: the program reads commands only once its launch (shortcuts included) is done,
    // so this also waits until it is ready for the shortcut tests.
    void secondProcessStartsACaptureThatEscapeEndsWithoutRecording() {
        QProcess second;
        second.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("area")});

        QVERIFY(second.waitForFinished(waitMs));

        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
        const QString placed = windows();
        QVERIFY(placed.contains(QLatin1String("Position: 0,0")));
        QVERIFY(placed.contains(QLatin1String("Position: 1920,0")));
        QTest::qWait(300); // the keyboard grab follows the first paint
        xdotool({"key", "Escape"});
        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
        QTest::qWait(1000);
        QCOMPARE(added(m_historyFolder, m_historyBefore), QStringList());
        QCOMPARE(added(m_saveFolder, m_savedBefore), QStringList());
    }

    void returnCopiesSavesAndFilesTheScaledArea() {
        xdotool({"key", "shift+ctrl+9"});
        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
        QTest::qWait(300);
        // 400 x 300 native pixels on the 2x monitor: 200 x 150 points.
        drag({2100, 200}, {2500, 500});

        xdotool({"key", "Return"});

        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
        QCOMPARE(waitForClipboard(QSize(400, 300)).size(), QSize(400, 300));
        QTRY_COMPARE_WITH_TIMEOUT(added(m_saveFolder, m_savedBefore).size(), 1, waitMs);
        const QString saved = added(m_saveFolder, m_savedBefore).first();
        QVERIFY2(QRegularExpression(R"(^Brindlecap \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.png$)")
                     .match(saved)
                     .hasMatch(),
                 qPrintable(saved));
        QCOMPARE(QImage(m_saveFolder + u'/' + saved).size(), QSize(400, 300));
        QTRY_COMPARE_WITH_TIMEOUT(added(m_historyFolder, m_historyBefore).size(), 1, waitMs);
    }

    // A second shortcut while the overlays are up neither restarts them nor queues a capture.
    void secondShortcutIsIgnoredAndEscapeAfterADragFilesTheAutomaticCopy() {
        xdotool({"key", "shift+ctrl+9"});
        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
        QTest::qWait(300);
        xdotool({"key", "shift+ctrl+9"});
        QTest::qWait(1000);
        QCOMPARE(overlayCount(), 2);
        drag({2200, 300}, {2400, 400});

        xdotool({"key", "Escape"});

        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
        QTRY_COMPARE_WITH_TIMEOUT(added(m_historyFolder, m_historyBefore).size(), 1, waitMs);
        const QString filed = added(m_historyFolder, m_historyBefore).first();
        QCOMPARE(QImage(m_historyFolder + u'/' + filed).size(), QSize(200, 100));
        QCOMPARE(waitForClipboard(QSize(200, 100)).size(), QSize(200, 100));
        QCOMPARE(added(m_saveFolder, m_savedBefore), QStringList());
        QTest::qWait(1000);
        QCOMPARE(overlayCount(), 0);
    }

    void fullScreenTakesTheMonitorUnderThePointer_data() {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<int>("dotsPerMeter");

        // Both monitors are 1920 x 1080 pixels; the PNG's density tells them apart.
        QTest::newRow("pointer on the left monitor at scale 1") << QPoint(500, 500) << 2835;
        QTest::newRow("pointer on the right monitor at scale 2") << QPoint(2500, 500) << 5669;
    }
    void fullScreenTakesTheMonitorUnderThePointer() {
        QFETCH(QPoint, pointer);
        QFETCH(int, dotsPerMeter);

        xdotool({"mousemove", QString::number(pointer.x()), QString::number(pointer.y()), "key",
                 "shift+ctrl+8"});

        QTRY_COMPARE_WITH_TIMEOUT(added(m_saveFolder, m_savedBefore).size(), 1, waitMs);
        QCOMPARE(waitForClipboard(QSize(1920, 1080), dotsPerMeter).size(), QSize(1920, 1080));
        QCOMPARE(overlayCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(added(m_historyFolder, m_historyBefore).size(), 1, waitMs);
    }
};

QTEST_GUILESS_MAIN(tst_AreaCapture)
#include "tst_AreaCapture.moc"

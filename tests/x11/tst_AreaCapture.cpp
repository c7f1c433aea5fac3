// The real program on the two-monitor fixture, driven from outside as a user would: shortcuts and
// mouse through xdotool, the clipboard through xclip, files through the test's own home folder.
#include "x11/RunningProgram.h"

// Whether the clipboard's PNG comes to have the size (and density, when given) asked for. An
// earlier capture may still be there: deliveries land in the background.
bool clipboardHolds(QSize size, int dotsPerMeter = 0) {
    return waitFor([&] {
        const QImage image = clipboardImage();
        return image.size() == size && (!dotsPerMeter || image.dotsPerMeterX() == dotsPerMeter);
    });
}

class tst_AreaCapture : public QObject {
    Q_OBJECT

    QProcess m_program;
    const QString m_saveFolder = QDir::homePath() + QStringLiteral("/Pictures/Brindlecap");

private Q_SLOTS:
    void initTestCase() {
        QDir(m_saveFolder).removeRecursively();
        QDir(historyFolder).removeRecursively();
        QVERIFY(start(m_program));
    }

    void cleanupTestCase() { stop(m_program); }

    void init() {
        QCOMPARE(m_program.state(), QProcess::Running);
        xdotool("mousemove 300 300");
        // Each test counts the files it adds.
        for (const QString& folder : {m_saveFolder, historyFolder})
            for (const QString& name : pngs(folder))
                QFile::remove(folder + u'/' + name);
    }

    void cleanup() {
        // A test that failed half-way must not leave the keyboard grabbed for the next one.
        QTest::qWait(300);
        QVERIFY(escapeOverlays());
        // Let background deliveries of the test land before the next one counts files.
        QTest::qWait(300);
    }

    // Runs first: the program reads commands only once its launch (shortcuts included) is done,
    // so this also waits until it is ready for the shortcut tests.
    void secondProcessStartsACaptureThatEscapeEndsWithoutRecording() {
        QCOMPARE(brindlecap({"area"}).status, 0);
        QVERIFY(overlaysUp());
        QVERIFY(shown().values().contains(QRect(0, 0, 1920, 1080)));
        QVERIFY(shown().values().contains(QRect(1920, 0, 1920, 1080)));
        xdotool("key Escape");
        WAIT_COMPARE(overlayCount(), 0);
        QTest::qWait(1000);
        QCOMPARE(pngs(historyFolder), QStringList());
        QCOMPARE(pngs(m_saveFolder), QStringList());
    }

    void returnCopiesSavesAndFilesTheScaledArea() {
        QVERIFY(startArea());
        // 400 x 300 native pixels on the 2x monitor: 200 x 150 points.
        drag({2100, 200}, {2500, 500});

        xdotool("key Return");

        WAIT_COMPARE(overlayCount(), 0);
        QVERIFY(clipboardHolds(QSize(400, 300)));
        WAIT_COMPARE(pngs(m_saveFolder).size(), 1);
        const QString saved = pngs(m_saveFolder).first();
        static const QRegularExpression named(
            R"(^Brindlecap \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.png$)");
        QVERIFY2(named.match(saved).hasMatch(), qPrintable(saved));
        QCOMPARE(QImage(m_saveFolder + u'/' + saved).size(), QSize(400, 300));
        WAIT_COMPARE(pngs(historyFolder).size(), 1);
    }

    // A second shortcut while the overlays are up neither restarts them nor queues a capture.
    void secondShortcutIsIgnoredAndEscapeAfterADragFilesTheAutomaticCopy() {
        QVERIFY(startArea());
        xdotool("key shift+ctrl+9");
        QTest::qWait(1000);
        QCOMPARE(overlayCount(), 2);
        drag({2200, 300}, {2400, 400});

        xdotool("key Escape");

        WAIT_COMPARE(overlayCount(), 0);
        WAIT_COMPARE(pngs(historyFolder).size(), 1);
        const QString filed = pngs(historyFolder).first();
        QCOMPARE(QImage(historyFolder + u'/' + filed).size(), QSize(200, 100));
        QVERIFY(clipboardHolds(QSize(200, 100)));
        QCOMPARE(pngs(m_saveFolder), QStringList());
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

        xdotool("mousemove %d %d key shift+ctrl+8", pointer.x(), pointer.y());

        WAIT_COMPARE(pngs(m_saveFolder).size(), 1);
        QVERIFY(clipboardHolds(QSize(1920, 1080), dotsPerMeter));
        WAIT_COMPARE(pngs(historyFolder).size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_AreaCapture)
#include "tst_AreaCapture.moc"

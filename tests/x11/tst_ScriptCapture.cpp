// `brindlecap full|area --output` as a script runs it, against the real program on the two-monitor
// fixture: the launcher starts the program when none runs, and the clipboard, read back with
// xclip, stays the script's own.
#include "x11/RunningProgram.h"

#include <QTemporaryDir>

class tst_ScriptCapture : public QObject {
    Q_OBJECT

    QTemporaryDir m_out;
    QString m_socket;

private Q_SLOTS:
    void initTestCase() {
        m_socket = prepare();
        QVERIFY(!m_socket.isEmpty());
        QDir(QDir::homePath() + QStringLiteral("/Pictures")).removeRecursively();
        QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Brindlecap"))
            .removeRecursively();
        QVERIFY(!QFile::exists(m_socket));
        QCOMPARE(
            run(u"sh"_qs, {"-c", "printf \"the script's own text\" | xclip -sel clip -i"}).status,
            0);
    }

    void cleanupTestCase() {
        QCOMPARE(brindlecap({"quit"}).status, 0);
        WAIT_VERIFY(!QFile::exists(m_socket));
        // Nothing went to the clipboard, the save folder or the history.
        QCOMPARE(run(u"xclip"_qs, {"-selection", "clipboard", "-o"}).out,
                 QByteArray("the script's own text"));
        QVERIFY(!QDir(QDir::homePath() + QStringLiteral("/Pictures/Brindlecap")).exists());
        QVERIFY(!QDir(historyFolder).exists());
    }

    // The pointer on the left monitor: the monitor named, by index or by name, wins. (The one
    // under the pointer is tst_AreaCapture's.)
    void fullWritesTheNamedMonitorStartingTheProgram() {
        xdotool("mousemove 100 100");

        const Run toFile =
            brindlecap({"full", "--screen", "1", "--output", m_out.filePath("1.png")});
        const Run toOut = brindlecap({"full", "--screen=RIGHT", "--output", "-"});

        QVERIFY2(toFile.status == 0, toFile.err.constData());
        QVERIFY(toFile.out.isEmpty());
        const QImage image(m_out.filePath("1.png"));
        // The right monitor's 1920 x 1080 pixels at scale 2, which the density tells apart.
        QCOMPARE(image.size(), QSize(1920, 1080));
        QCOMPARE(image.dotsPerMeterX(), 5669);
        QCOMPARE(QDir(m_out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"1.png"});
        // Standard output gets the same bytes.
        QCOMPARE(toOut.out, readFile(m_out.filePath("1.png")));
        QVERIFY(toOut.err.isEmpty());
    }

    void areaWritesTheSelectionOnReturnAndFailsOnEscape() {
        const QString target = m_out.filePath("area.png");
        const Run area = brindlecap({"area", "--output", target}, [] {
            if (overlaysUp())
                drag({2100, 200}, {2500, 500});
            xdotool("key Return");
        });
        const Run cancelled = brindlecap({"area", "--output", m_out.filePath("cancelled.png")}, [] {
            overlaysUp();
            xdotool("key Escape");
        });

        QCOMPARE(area.status, 0);
        // 400 x 300 pixels dragged on the 2x monitor.
        QCOMPARE(QImage(target).size(), QSize(400, 300));
        QCOMPARE(cancelled.status, 1);
        QVERIFY(cancelled.err.contains("cancelada"));
        QVERIFY(!QFile::exists(m_out.filePath("cancelled.png")));
    }

    void unwritableTargetsFailBeforeCapturingAndLeaveNothing_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("message");
        QDir(m_out.path()).mkdir("folder");
        QFile plain(m_out.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));

        QTest::newRow("a folder") << m_out.filePath("folder") << QByteArray("es una carpeta");
        QTest::newRow("inside a plain file")
            << m_out.filePath("plain/shot.png") << QByteArray("Not a directory");
        QTest::newRow("a missing folder")
            << m_out.filePath("missing/shot.png") << QByteArray("No such file");
    }

    void unwritableTargetsFailBeforeCapturingAndLeaveNothing() {
        QFETCH(QString, target);
        QFETCH(QByteArray, message);
        const QStringList before = QDir(m_out.path()).entryList(QDir::AllEntries | QDir::Hidden);

        const Run full = brindlecap({"full", "--output", target});

        QCOMPARE(full.status, 1);
        QVERIFY2(full.err.contains(message) && full.err.count('\n') == 1, full.err.constData());
        QCOMPARE(QDir(m_out.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QVERIFY(QDir(m_out.filePath("folder")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ScriptCapture)
#include "tst_ScriptCapture.moc"

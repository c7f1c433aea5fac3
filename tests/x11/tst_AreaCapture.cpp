// The real program on the two-monitor fixture, driven from outside as a user would: shortcuts and
// mouse through xdotool, the clipboard through xclip, files through the test's own home folder.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

constexpr int waitMs = 10000;

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(waitMs))
        process.kill();
    return QString::fromUtf8(process.readAllStandardOutput());
}

void xdotool(const QStringList& arguments) {
    run(QStringLiteral("xdotool"), arguments);
}

// The program's windows that cover a whole monitor: its overlays.
int overlayCount() {
    const QString out = run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class",
                                                        "brindlecap", "getwindowgeometry", "%@"});
    return int(out.count(QRegularExpression(QStringLiteral("Geometry: 1920x1080"))));
}

QByteArray clipboardPng() {
    QProcess process;
    process.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "image/png", "-o"});
    if (!process.waitForFinished(waitMs))
        process.kill();
    return process.readAllStandardOutput();
}

QStringList pngsIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

} // namespace

class tst_AreaCapture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void shortcutOpensAnOverlayOnEachMonitor();
    void returnCopiesSavesAndFilesTheScaledArea();
    void escapeAfterADragFilesTheAutomaticCopy();
    void escapeWithoutSelectionRecordsNothing();
    void secondShortcutWhileOpenIsIgnored();
    void fullScreenTakesTheMonitorUnderThePointer_data();
    void fullScreenTakesTheMonitorUnderThePointer();
    void secondProcessStartsACapture();

private:
    void startCapture();
    void dragOnRight(QPoint fromNative, QPoint toNative);
    QImage waitForClipboard(QSize size, int dotsPerMeter = 0);

    QProcess m_program;
    QString m_saveFolder;
    QString m_historyFolder;
    QStringList m_savedBefore;
    QStringList m_historyBefore;
};

void tst_AreaCapture::initTestCase() {
    const QString home = QDir::homePath();
    QVERIFY(home.contains(QLatin1String("test-home")));
    // A private runtime folder, so the program's single-instance socket is the test's own.
    const QString runtime = home + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Brindlecap");
    QDir().mkpath(config);
    QFile conf(config + QStringLiteral("/Brindlecap.conf"));
    QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
    // The first-run welcome is modal; it is tested elsewhere.
    conf.write("[General]\ndidShowWelcome=true\n");
    conf.close();
    m_saveFolder = home + QStringLiteral("/Pictures/Brindlecap");
    m_historyFolder =
        qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Brindlecap/Recientes");
    QDir(m_saveFolder).removeRecursively();
    QDir(m_historyFolder).removeRecursively();

    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(QStringLiteral(BRINDLECAP_BINARY), {});
    QVERIFY(m_program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(runtime + QStringLiteral("/brindlecap.socket")), waitMs);
    // A command is read by the event loop, which runs only once launch (shortcuts included) is
    // done: an overlay opened this way means the program is ready for the tests.
    QProcess command;
    command.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("area")});
    QVERIFY(command.waitForFinished(waitMs));
    QCOMPARE(command.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
    cleanup();
}

void tst_AreaCapture::cleanupTestCase() {
    m_program.terminate();
    if (!m_program.waitForFinished(5000))
        m_program.kill();
    m_program.waitForFinished(5000);
}

void tst_AreaCapture::init() {
    QCOMPARE(m_program.state(), QProcess::Running);
    xdotool({"mousemove", "300", "300"});
    m_savedBefore = pngsIn(m_saveFolder);
    m_historyBefore = pngsIn(m_historyFolder);
}

void tst_AreaCapture::cleanup() {
    QTest::qWait(300);
    // Escape again while an overlay stays: a test that failed half-way must not leave the
    // keyboard grabbed for the next one.
    QElapsedTimer clock;
    clock.start();
    while (overlayCount() > 0 && clock.elapsed() < waitMs) {
        xdotool({"key", "Escape"});
        QTest::qWait(1000);
    }
    QCOMPARE(overlayCount(), 0);
    // Let background deliveries of the test land before the next one counts files.
    QTest::qWait(300);
}

void tst_AreaCapture::startCapture() {
    xdotool({"key", "shift+ctrl+9"});
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
    // The keyboard grab follows the first paint.
    QTest::qWait(300);
}

void tst_AreaCapture::dragOnRight(QPoint from, QPoint to) {
    const QPoint middle = (from + to) / 2;
    xdotool({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
             "mousemove", QString::number(middle.x()), QString::number(middle.y()), "mousemove",
             QString::number(to.x()), QString::number(to.y()), "mouseup", "1"});
    QTest::qWait(300);
}

// The clipboard's PNG once it has the size (and density, when given) asked for, or a null image
// after the timeout. An earlier capture may still be there: deliveries land in the background.
QImage tst_AreaCapture::waitForClipboard(QSize size, int dotsPerMeter) {
    QElapsedTimer clock;
    clock.start();
    QImage image;
    while (clock.elapsed() < waitMs) {
        image = QImage::fromData(clipboardPng());
        if (image.size() == size && (!dotsPerMeter || image.dotsPerMeterX() == dotsPerMeter))
            return image;
        QTest::qWait(100);
    }
    return QImage();
}

void tst_AreaCapture::shortcutOpensAnOverlayOnEachMonitor() {
    xdotool({"key", "shift+ctrl+9"});

    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
    const QString out = run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class",
                                                        "brindlecap", "getwindowgeometry", "%@"});
    QVERIFY(out.contains(QLatin1String("Position: 0,0")));
    QVERIFY(out.contains(QLatin1String("Position: 1920,0")));
}

void tst_AreaCapture::returnCopiesSavesAndFilesTheScaledArea() {
    startCapture();
    // 400 x 300 native pixels on the 2x monitor: 200 x 150 points.
    dragOnRight({2100, 200}, {2500, 500});

    xdotool({"key", "Return"});

    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
    QCOMPARE(waitForClipboard(QSize(400, 300)).size(), QSize(400, 300));
    QTRY_COMPARE_WITH_TIMEOUT(pngsIn(m_saveFolder).size(), m_savedBefore.size() + 1, waitMs);
    QStringList saved = pngsIn(m_saveFolder);
    for (const QString& name : std::as_const(m_savedBefore))
        saved.removeOne(name);
    QVERIFY2(
        QRegularExpression(QStringLiteral(R"(^Brindlecap \d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.png$)"))
            .match(saved.first())
            .hasMatch(),
        qPrintable(saved.first()));
    QCOMPARE(QImage(m_saveFolder + u'/' + saved.first()).size(), QSize(400, 300));
    QTRY_COMPARE_WITH_TIMEOUT(pngsIn(m_historyFolder).size(), m_historyBefore.size() + 1, waitMs);
}

void tst_AreaCapture::escapeAfterADragFilesTheAutomaticCopy() {
    startCapture();
    dragOnRight({2200, 300}, {2400, 400});

    xdotool({"key", "Escape"});

    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(pngsIn(m_historyFolder).size(), m_historyBefore.size() + 1, waitMs);
    QStringList filed = pngsIn(m_historyFolder);
    for (const QString& name : std::as_const(m_historyBefore))
        filed.removeOne(name);
    QCOMPARE(QImage(m_historyFolder + u'/' + filed.first()).size(), QSize(200, 100));
    QCOMPARE(waitForClipboard(QSize(200, 100)).size(), QSize(200, 100));
    QCOMPARE(pngsIn(m_saveFolder), m_savedBefore);
}

void tst_AreaCapture::escapeWithoutSelectionRecordsNothing() {
    startCapture();

    xdotool({"key", "Escape"});

    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
    QTest::qWait(1000);
    QCOMPARE(pngsIn(m_historyFolder), m_historyBefore);
    QCOMPARE(pngsIn(m_saveFolder), m_savedBefore);
}

void tst_AreaCapture::secondShortcutWhileOpenIsIgnored() {
    startCapture();

    xdotool({"key", "shift+ctrl+9"});
    QTest::qWait(1000);

    QCOMPARE(overlayCount(), 2);
    xdotool({"key", "Escape"});
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
    // No capture was queued behind the first one.
    QTest::qWait(1000);
    QCOMPARE(overlayCount(), 0);
}

void tst_AreaCapture::fullScreenTakesTheMonitorUnderThePointer_data() {
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<int>("dotsPerMeter");

    // Both monitors are 1920 x 1080 pixels; the PNG's density tells them apart.
    QTest::newRow("pointer on the left monitor at scale 1") << QPoint(500, 500) << 2835;
    QTest::newRow("pointer on the right monitor at scale 2") << QPoint(2500, 500) << 5669;
}

void tst_AreaCapture::fullScreenTakesTheMonitorUnderThePointer() {
    QFETCH(QPoint, pointer);
    QFETCH(int, dotsPerMeter);
    xdotool({"mousemove", QString::number(pointer.x()), QString::number(pointer.y())});

    xdotool({"key", "shift+ctrl+8"});

    QTRY_COMPARE_WITH_TIMEOUT(pngsIn(m_saveFolder).size(), m_savedBefore.size() + 1, waitMs);
    const QImage copied = waitForClipboard(QSize(1920, 1080), dotsPerMeter);
    QCOMPARE(copied.size(), QSize(1920, 1080));
    QCOMPARE(overlayCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(pngsIn(m_historyFolder).size(), m_historyBefore.size() + 1, waitMs);
}

void tst_AreaCapture::secondProcessStartsACapture() {
    QProcess second;
    second.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("area")});

    QVERIFY(second.waitForFinished(waitMs));

    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
}

QTEST_GUILESS_MAIN(tst_AreaCapture)
#include "tst_AreaCapture.moc"

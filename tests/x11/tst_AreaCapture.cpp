// The real program on the two-monitor fixture, driven from outside as a user would: shortcuts and
// mouse through xdotool, the clipboard through xclip, files through the test's own home folder.
#include "x11/RunningProgram.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

using RunningProgram::run;
using RunningProgram::waitMs;
using RunningProgram::windows;
using RunningProgram::xdotool;

// Its windows that cover a whole monitor: the overlays.
int overlayCount() {
    return int(windows().count(QStringLiteral("Geometry: 1920x1080")));
}

QStringList pngsIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

QStringList added(const QString& folder, const QStringList& before) {
    QStringList now = pngsIn(folder);
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
            image = QImage::fromData(
                run(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "image/png", "-o"}));
            return image.size() == size && (!dotsPerMeter || image.dotsPerMeterX() == dotsPerMeter);
        },
        waitMs);
    return arrived ? image : QImage();
}

void dragOnRight(QPoint from, QPoint to) {
    const QPoint middle = (from + to) / 2;
    xdotool({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
             "mousemove", QString::number(middle.x()), QString::number(middle.y()), "mousemove",
             QString::number(to.x()), QString::number(to.y()), "mouseup", "1"});
    QTest::qWait(300);
}

} // namespace

class tst_AreaCapture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void secondProcessStartsACapture();
    void returnCopiesSavesAndFilesTheScaledArea();
    void escapeAfterADragFilesTheAutomaticCopy();
    void secondShortcutIsIgnoredAndEscapeWithoutSelectionRecordsNothing();
    void fullScreenTakesTheMonitorUnderThePointer_data();
    void fullScreenTakesTheMonitorUnderThePointer();

private:
    QProcess m_program;
    QString m_saveFolder;
    QString m_historyFolder;
    QStringList m_savedBefore;
    QStringList m_historyBefore;
};

void tst_AreaCapture::initTestCase() {
    m_saveFolder = QDir::homePath() + QStringLiteral("/Pictures/Brindlecap");
    m_historyFolder =
        qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Brindlecap/Recientes");
    QDir(m_saveFolder).removeRecursively();
    QDir(m_historyFolder).removeRecursively();

    QVERIFY(RunningProgram::start(m_program));
}

void tst_AreaCapture::cleanupTestCase() {
    RunningProgram::stop(m_program);
}

void tst_AreaCapture::init() {
    QCOMPARE(m_program.state(), QProcess::Running);
    xdotool({"mousemove", "300", "300"});
    m_savedBefore = pngsIn(m_saveFolder);
    m_historyBefore = pngsIn(m_historyFolder);
}

void tst_AreaCapture::cleanup() {
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

// Runs first: the program reads commands only once its launch (shortcuts included) is done, so
// this also waits until it is ready for the shortcut tests.
void tst_AreaCapture::secondProcessStartsACapture() {
    QProcess second;
    second.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("area")});

    QVERIFY(second.waitForFinished(waitMs));

    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
}

void tst_AreaCapture::returnCopiesSavesAndFilesTheScaledArea() {
    xdotool({"key", "shift+ctrl+9"});
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
    const QString placed = windows();
    QVERIFY(placed.contains(QLatin1String("Position: 0,0")));
    QVERIFY(placed.contains(QLatin1String("Position: 1920,0")));
    QTest::qWait(300); // the keyboard grab follows the first paint
    // 400 x 300 native pixels on the 2x monitor: 200 x 150 points.
    dragOnRight({2100, 200}, {2500, 500});

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

void tst_AreaCapture::escapeAfterADragFilesTheAutomaticCopy() {
    xdotool({"key", "shift+ctrl+9"});
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
    QTest::qWait(300);
    dragOnRight({2200, 300}, {2400, 400});

    xdotool({"key", "Escape"});

    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(added(m_historyFolder, m_historyBefore).size(), 1, waitMs);
    const QString filed = added(m_historyFolder, m_historyBefore).first();
    QCOMPARE(QImage(m_historyFolder + u'/' + filed).size(), QSize(200, 100));
    QCOMPARE(waitForClipboard(QSize(200, 100)).size(), QSize(200, 100));
    QCOMPARE(pngsIn(m_saveFolder), m_savedBefore);
}

void tst_AreaCapture::secondShortcutIsIgnoredAndEscapeWithoutSelectionRecordsNothing() {
    xdotool({"key", "shift+ctrl+9"});
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
    QTest::qWait(300);

    xdotool({"key", "shift+ctrl+9"});
    QTest::qWait(1000);
    QCOMPARE(overlayCount(), 2);
    xdotool({"key", "Escape"});

    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
    // No capture was queued behind the first one, and nothing was delivered.
    QTest::qWait(1000);
    QCOMPARE(overlayCount(), 0);
    QCOMPARE(pngsIn(m_historyFolder), m_historyBefore);
    QCOMPARE(pngsIn(m_saveFolder), m_savedBefore);
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

    QTRY_COMPARE_WITH_TIMEOUT(added(m_saveFolder, m_savedBefore).size(), 1, waitMs);
    QCOMPARE(waitForClipboard(QSize(1920, 1080), dotsPerMeter).size(), QSize(1920, 1080));
    QCOMPARE(overlayCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(added(m_historyFolder, m_historyBefore).size(), 1, waitMs);
}

QTEST_GUILESS_MAIN(tst_AreaCapture)
#include "tst_AreaCapture.moc"

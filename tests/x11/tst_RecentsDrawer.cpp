// The recents drawer in the real program on the two-monitor fixture, driven with xdotool: where
// it opens and how it closes, a click that copies onto the real clipboard, and a drag that hands
// the file to another program.
#include "recents/History.h"
#include "x11/RunningProgram.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>

namespace {

using RunningProgram::run;
using RunningProgram::waitMs;
using RunningProgram::windows;
using RunningProgram::xdotool;

// Whether a window of the program sits exactly there, in native pixels.
bool drawerAt(const QRect& frame) {
    const QString all = windows();
    return all.contains(QStringLiteral("Position: %1,%2 ").arg(frame.x()).arg(frame.y())) &&
           all.contains(QStringLiteral("Geometry: %1x%2").arg(frame.width()).arg(frame.height()));
}

bool drawerOpen() {
    return windows().contains(QLatin1String("x212")) || windows().contains(QLatin1String("x424"));
}

QByteArray clipboard(const char* type) {
    return run(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", type, "-o"});
}

QByteArray pngOf(QColor colour) {
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Three entries: 686 points wide, centred 14 points above the bottom of the monitor.
const QRect onLeft(617, 1080 - 14 - 212, 686, 212);
// The same 686 x 212 points on the 2x monitor at native 1920,0 (960 x 540 points).
const QRect onRight(1920 + 2 * 137, 2 * 314, 2 * 686, 2 * 212);
// The first tile's centre on the left monitor: the strip starts 16 points in, 46 down.
const QPoint firstTile = onLeft.topLeft() + QPoint(16 + 105, 46 + 75);

// Opens the drawer with the shortcut on the left monitor; true once it has slid into place.
bool openOnLeft() {
    xdotool({"mousemove", "300", "300"});
    xdotool({"key", "shift+ctrl+0"});
    return QTest::qWaitFor([] { return drawerAt(onLeft); }, waitMs);
}

} // namespace

class tst_RecentsDrawer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void commandAndShortcutToggleItUnderThePointer();
    void escapeAndAClickElsewhereCloseIt();
    void clickCopiesPngAndTiff();
    void dragHandsTheFileToAnotherProgram();

private:
    QProcess m_program;
    QString m_newest;
};

void tst_RecentsDrawer::initTestCase() {
    QDir(History::folder()).removeRecursively();
    const QDateTime morning(QDate(2026, 12, 5), QTime(8, 19, 19));
    for (const QColor colour : {Qt::red, Qt::green, Qt::blue})
        History::add(pngOf(colour), morning.addSecs(History::items().size()));
    m_newest = History::items().value(0);
    QCOMPARE(History::items().size(), 3);

    QVERIFY(RunningProgram::start(m_program));
}

void tst_RecentsDrawer::cleanupTestCase() {
    RunningProgram::stop(m_program);
}

void tst_RecentsDrawer::commandAndShortcutToggleItUnderThePointer() {
    xdotool({"mousemove", "300", "300"});
    QCOMPARE(RunningProgram::command(QStringLiteral("recents")), 0);
    QTRY_VERIFY_WITH_TIMEOUT(drawerAt(onLeft), waitMs);
    QCOMPARE(RunningProgram::command(QStringLiteral("recents")), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
    xdotool({"mousemove", "2500", "300"});

    xdotool({"key", "shift+ctrl+0"});

    QTRY_VERIFY_WITH_TIMEOUT(drawerAt(onRight), waitMs);
    xdotool({"key", "shift+ctrl+0"});
    QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
}

void tst_RecentsDrawer::escapeAndAClickElsewhereCloseIt() {
    QVERIFY(openOnLeft());

    xdotool({"key", "Escape"});

    QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
    QVERIFY(openOnLeft());
    xdotool({"click", "1"});
    QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
}

void tst_RecentsDrawer::clickCopiesPngAndTiff() {
    QVERIFY(openOnLeft());
    QFile newest(m_newest);
    QVERIFY(newest.open(QIODevice::ReadOnly));
    const QByteArray png = newest.readAll();

    xdotool({"mousemove", QString::number(firstTile.x()), QString::number(firstTile.y()), "click",
             "1"});

    QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(clipboard("image/png"), png, waitMs);
    const QImage tiff = QImage::fromData(clipboard("image/tiff"), "TIFF");
    QCOMPARE(tiff.size(), QSize(400, 300));
    QCOMPARE(tiff.pixelColor(10, 10), QColor(Qt::blue));
}

void tst_RecentsDrawer::dragHandsTheFileToAnotherProgram() {
    QProcess target;
    target.start(QStringLiteral(DROP_TARGET), {});
    QVERIFY(target.waitForReadyRead(waitMs));
    const QList<QByteArray> ready = target.readLine().trimmed().split(' ');
    QCOMPARE(ready.value(0), QByteArray("ready"));
    const QPoint inside(ready.value(1).toInt() + 100, ready.value(2).toInt() + 100);
    QVERIFY(openOnLeft());

    xdotool({"mousemove",
             QString::number(firstTile.x()),
             QString::number(firstTile.y()),
             "mousedown",
             "1",
             "mousemove_relative",
             "--",
             "0",
             "-10",
             "sleep",
             "0.3",
             "mousemove",
             QString::number(inside.x()),
             QString::number(inside.y()),
             "sleep",
             "0.3",
             "mousemove_relative",
             "5",
             "5",
             "sleep",
             "0.3",
             "mouseup",
             "1"});

    QTRY_VERIFY_WITH_TIMEOUT(target.canReadLine(), waitMs);
    QCOMPARE(target.readLine().trimmed(),
             "dropped " + QUrl::fromLocalFile(m_newest).toString().toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
    target.kill();
    target.waitForFinished();
}

QTEST_GUILESS_MAIN(tst_RecentsDrawer)
#include "tst_RecentsDrawer.moc"

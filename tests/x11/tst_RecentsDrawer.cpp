// The recents drawer in the real program on the two-monitor fixture, driven with xdotool: where
// it opens and how it closes, a click that copies onto the real clipboard, a drag that hands
// the file to another program, and finding captures by their text with real Tesseract.
#include "recents/History.h"
#include "recents/TextIndex.h"
#include "x11/RunningProgram.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTest>

#include <vector>

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

// A capture of a light window with one line of dark text, or none.
QByteArray pngWithText(const QString& text, QColor background) {
    QImage image(900, 300, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// One pixel of the screen as the X server shows it.
QColor screenPixel(QPoint at) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(at.x()),
                                          int16_t(at.y()), 1, 1, ~0u),
                            nullptr);
    QColor colour;
    if (reply && xcb_get_image_data_length(reply) >= 4) {
        const uint8_t* bgrx = xcb_get_image_data(reply);
        colour = QColor(bgrx[2], bgrx[1], bgrx[0]);
    }
    std::free(reply);
    xcb_disconnect(c);
    return colour;
}

bool hasText(const QString& entry) {
    return TextIndex::text(entry).has_value();
}

// Three entries: 686 points wide, centred 14 points above the bottom of the monitor.
const QRect onLeft(617, 1080 - 14 - 212, 686, 212);
// The same 686 x 212 points on the 2x monitor at native 1920,0 (960 x 540 points).
const QRect onRight(1920 + 2 * 137, 2 * 314, 2 * 686, 2 * 212);
// The first tile's centre on the left monitor: the strip starts 16 points in, 46 down.
const QPoint firstTile = onLeft.topLeft() + QPoint(16 + 105, 46 + 75);

// Opens the drawer with the shortcut on the left monitor; true once it has slid into place.
bool openOnLeft(const QRect& frame = onLeft) {
    xdotool({"mousemove", "300", "300", "key", "shift+ctrl+0"});
    return QTest::qWaitFor([&] { return drawerAt(frame); }, waitMs);
}

} // namespace

class tst_RecentsDrawer : public QObject {
    Q_OBJECT

    QProcess m_program;
    QString m_newest;

private Q_SLOTS:
    void initTestCase() {
        QDir(History::folder()).removeRecursively();
        const QDateTime morning(QDate(2026, 12, 5), QTime(8, 19, 19));
        for (const QColor colour : {Qt::red, Qt::green, Qt::blue})
            History::add(pngOf(colour), morning.addSecs(History::items().size()));
        m_newest = History::items().value(0);
        QCOMPARE(History::items().size(), 3);

        QVERIFY(RunningProgram::start(m_program));
    }

    void cleanupTestCase() { RunningProgram::stop(m_program); }

    // The command and the shortcut toggle it under the pointer; Escape and a click elsewhere
    // close it.
    void opensUnderThePointerAndCloses() {
        xdotool({"mousemove", "300", "300"});
        QCOMPARE(RunningProgram::command(QStringLiteral("recents")), 0);
        QTRY_VERIFY_WITH_TIMEOUT(drawerAt(onLeft), waitMs);
        QCOMPARE(RunningProgram::command(QStringLiteral("recents")), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
        xdotool({"mousemove", "2500", "300", "key", "shift+ctrl+0"});
        QTRY_VERIFY_WITH_TIMEOUT(drawerAt(onRight), waitMs);
        xdotool({"key", "shift+ctrl+0"});
        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);

        QVERIFY(openOnLeft());
        xdotool({"key", "Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
        QVERIFY(openOnLeft());
        xdotool({"click", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
    }

    void clickCopiesPngAndTiff() {
        QVERIFY(openOnLeft());
        QFile newest(m_newest);
        QVERIFY(newest.open(QIODevice::ReadOnly));
        const QByteArray png = newest.readAll();

        xdotool({"mousemove", QString::number(firstTile.x()), QString::number(firstTile.y()),
                 "click", "1"});

        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
        QTRY_COMPARE_WITH_TIMEOUT(clipboard("image/png"), png, waitMs);
        const QImage tiff = QImage::fromData(clipboard("image/tiff"), "TIFF");
        QCOMPARE(tiff.size(), QSize(400, 300));
        QCOMPARE(tiff.pixelColor(10, 10), QColor(Qt::blue));
    }

    void dragHandsTheFileToAnotherProgram() {
        QProcess target;
        target.start(QStringLiteral(DROP_TARGET), {});
        QVERIFY(target.waitForReadyRead(waitMs));
        const QList<QByteArray> ready = target.readLine().trimmed().split(' ');
        QCOMPARE(ready.value(0), QByteArray("ready"));
        QVERIFY(openOnLeft());

        xdotool(QStringLiteral("mousemove %1 %2 mousedown 1 mousemove_relative -- 0 -10 sleep 0.3 "
                               "mousemove %3 %4 sleep 0.3 mousemove_relative 5 5 sleep 0.3 "
                               "mouseup 1")
                    .arg(firstTile.x())
                    .arg(firstTile.y())
                    .arg(ready.value(1).toInt() + 100)
                    .arg(ready.value(2).toInt() + 100)
                    .split(u' '));

        QTRY_VERIFY_WITH_TIMEOUT(target.canReadLine(), waitMs);
        QCOMPARE(target.readLine().trimmed(),
                 "dropped " + QUrl::fromLocalFile(m_newest).toString().toUtf8());
        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
        target.kill();
        target.waitForFinished();
    }

    // Four more entries, read by the program once the drawer finds them without text; 7 entries
    // make the drawer 1574 points wide on the left monitor.
    void findsCapturesByTheirText() {
        const QDateTime evening(QDate(2026, 12, 5), QTime(20, 0));
        const QString first =
            History::add(pngWithText(u"Factura pendiente de pago"_qs, Qt::white), evening);
        const QString second = History::add(
            pngWithText(u"Conexión rechazada por el servidor"_qs, Qt::yellow), evening.addSecs(1));
        const QString third = History::add(
            pngWithText(u"Reunión del lunes a las diez"_qs, Qt::white), evening.addSecs(2));
        const QString blank = History::add(pngWithText({}, Qt::gray), evening.addSecs(3));
        const QRect drawer(960 - 787, 1080 - 14 - 212, 1574, 212);
        // A point in the thumbnails (194 x 65 points, 33 down) of the first two tiles, clear of
        // any text.
        const QPoint firstThumb = drawer.topLeft() + QPoint(16 + 20, 46 + 40);
        const QPoint secondThumb = firstThumb + QPoint(222, 0);
        QVERIFY(openOnLeft(drawer));
        QTRY_VERIFY_WITH_TIMEOUT(
            hasText(first) && hasText(second) && hasText(third) && hasText(blank), 6 * waitMs);

        // Typed into the field that has the keyboard: the accent-free word finds "Conexión".
        xdotool({"type", "--delay", "50", "conexion"});
        QTRY_COMPARE_WITH_TIMEOUT(screenPixel(firstThumb), QColor(Qt::yellow), waitMs);
        QVERIFY(qGray(screenPixel(secondThumb).rgb()) < 60);
        QProcess search;
        search.start(QStringLiteral(BRINDLECAP_BINARY), {"recents", "--search", "conexion"});
        QVERIFY(search.waitForFinished(waitMs));
        QCOMPARE(search.exitCode(), 0);
        QCOMPARE(search.readAllStandardOutput(), (second + u'\n').toUtf8());
        // Every text has an "a"; the capture without text never matches.
        search.start(QStringLiteral(BRINDLECAP_BINARY), {"recents", "--search", "A"});
        QVERIFY(search.waitForFinished(waitMs));
        QCOMPARE(search.readAllStandardOutput(),
                 QStringList({third, second, first, {}}).join(u'\n').toUtf8());
        QCOMPARE(TextIndex::text(blank).value_or(QStringList{u"none"_qs}), QStringList());
        search.start(QStringLiteral(BRINDLECAP_BINARY), {"recents", "--search", "zzqx"});
        QVERIFY(search.waitForFinished(waitMs));
        QCOMPARE(search.exitCode(), 1);
        QCOMPARE(search.readAllStandardOutput(), QByteArray());

        // Escape empties the field first, bringing every tile back, then closes the drawer.
        xdotool({"key", "Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(qGray(screenPixel(secondThumb).rgb()) > 100, waitMs);
        QVERIFY(drawerOpen());
        xdotool({"key", "Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);

        // Removing the entry from the drawer's menu removes its text.
        QVERIFY(openOnLeft(drawer));
        xdotool({"type", "--delay", "50", "conexion"});
        QTRY_COMPARE_WITH_TIMEOUT(screenPixel(firstThumb), QColor(Qt::yellow), waitMs);
        xdotool({"mousemove", QString::number(firstThumb.x()), QString::number(firstThumb.y()),
                 "click", "3", "sleep", "0.5", "key", "Up", "key", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(second), waitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(TextIndex::textPath(second)), waitMs);
        xdotool({"key", "Escape"});
        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);

        // A corrupt text and a missing one are read again when the drawer meets them.
        QFile corrupt(TextIndex::textPath(first));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("{\"format\": 1, \"lines\": [");
        corrupt.close();
        QVERIFY(QFile::remove(TextIndex::textPath(third)));
        xdotool({"key", "shift+ctrl+0"});
        QTRY_VERIFY_WITH_TIMEOUT(hasText(first) && hasText(third), 6 * waitMs);
        QVERIFY(TextIndex::text(first)->join(u' ').contains(u"Factura"_qs));
        QCOMPARE(m_program.state(), QProcess::Running);

        // Quitting with the drawer open ends the program cleanly.
        QCOMPARE(RunningProgram::command(QStringLiteral("quit")), 0);
        QVERIFY(m_program.waitForFinished(waitMs));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
    }
};

// Text is drawn into the test's pictures offscreen: the program under test, which inherits the
// environment, stays on the X server.
int main(int argc, char* argv[]) {
    std::vector<char*> arguments(argv, argv + argc);
    char platform[] = "-platform", offscreen[] = "offscreen";
    arguments.insert(arguments.begin() + 1, {platform, offscreen});
    int count = int(arguments.size());
    QGuiApplication app(count, arguments.data());
    tst_RecentsDrawer test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_RecentsDrawer.moc"

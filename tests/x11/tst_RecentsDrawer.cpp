// The recents drawer in the real program on the two-monitor fixture, driven with xdotool: where
// it opens and how it closes, a click that copies onto the real clipboard, a drag that hands
// the file to another program, and finding captures by their text with real Tesseract.
#include "recents/History.h"
#include "recents/TextIndex.h"
#include "x11/RunningProgram.h"

#include <QBuffer>
#include <QPainter>

bool drawerOpen() {
    return std::ranges::any_of(shown().values(),
                               [](QRect r) { return r.height() == 212 || r.height() == 424; });
}

// A capture of a light window with one line of dark text, or none.
QByteArray png(QColor background, const QString& text = {}, QSize size = {900, 300}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 30)); // 40 pixels at the image's 96 dpi
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    return png;
}

// What `brindlecap recents --search word` prints, and its exit status.
std::pair<int, QByteArray> search(const char* word) {
    const Run found = brindlecap({"recents", "--search", word});
    return {found.status, found.out};
}

// Three entries: 686 points wide, centred 14 points above the bottom of the monitor.
const QRect onLeft(617, 1080 - 14 - 212, 686, 212);
// The same 686 x 212 points on the 2x monitor at native 1920,0 (960 x 540 points).
const QRect onRight(1920 + 2 * 137, 2 * 314, 2 * 686, 2 * 212);
// The first tile's centre on the left monitor: the strip starts 16 points in, 46 down.
const QPoint firstTile = onLeft.topLeft() + QPoint(16 + 105, 46 + 75);

// Opens the drawer with the shortcut on the left monitor; true once it has slid into place.
bool openOnLeft(const QRect& frame = onLeft) {
    xdotool("mousemove 300 300 key shift+ctrl+0");
    return waitFor([&] { return shown().values().contains(frame); });
}

class tst_RecentsDrawer : public QObject {
    Q_OBJECT

    QProcess m_program;
    QString m_newest;

private Q_SLOTS:
    void initTestCase() {
        QDir(History::folder()).removeRecursively();
        const QDateTime morning(QDate(2026, 12, 5), QTime(8, 19, 19));
        for (const QColor colour : {Qt::red, Qt::green, Qt::blue})
            History::add(png(colour, {}, {400, 300}), morning.addSecs(History::items().size()));
        m_newest = History::items().value(0);
        QCOMPARE(History::items().size(), 3);

        QVERIFY(start(m_program));
    }

    void cleanupTestCase() { stop(m_program); }

    // The shortcut toggles it under the pointer; Escape and a click elsewhere close it. (The
    // command reaches the same toggle: tst_AppCore.)
    void opensUnderThePointerAndCloses() {
        xdotool("mousemove 2500 300 key shift+ctrl+0");
        WAIT_VERIFY(shown().values().contains(onRight));
        xdotool("key shift+ctrl+0");
        WAIT_VERIFY(!drawerOpen());

        for (const char* closing : {"key Escape", "click 1"}) {
            QVERIFY(openOnLeft());
            xdotool(closing);
            WAIT_VERIFY(!drawerOpen());
        }
    }

    void clickCopiesPngAndTiff() {
        QVERIFY(openOnLeft());

        xdotool("mousemove %d %d click 1", firstTile.x(), firstTile.y());

        WAIT_VERIFY(!drawerOpen());
        WAIT_COMPARE(clipboard(u"image/png"_qs), readFile(m_newest));
        const QImage tiff = QImage::fromData(clipboard(u"image/tiff"_qs), "TIFF");
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

        xdotool("mousemove %d %d mousedown 1 mousemove_relative -- 0 -10 sleep 0.3 mousemove %d %d "
                "sleep 0.3 mousemove_relative 5 5 sleep 0.3 mouseup 1",
                firstTile.x(), firstTile.y(), ready.value(1).toInt() + 100,
                ready.value(2).toInt() + 100);

        WAIT_VERIFY(target.canReadLine());
        QCOMPARE(target.readLine().trimmed(),
                 "dropped " + QUrl::fromLocalFile(m_newest).toString().toUtf8());
        WAIT_VERIFY(!drawerOpen());
        target.kill();
        target.waitForFinished();
    }

    // Four more entries, read by the program once the drawer finds them without text; 7 entries
    // make the drawer 1574 points wide on the left monitor.
    void findsCapturesByTheirText() {
        const auto hasText = [](const QString& entry) {
            return TextIndex::text(entry).has_value();
        };
        const QDateTime evening(QDate(2026, 12, 5), QTime(20, 0));
        const QString first =
            History::add(png(Qt::white, u"Factura pendiente de pago"_qs), evening);
        const QString second = History::add(
            png(Qt::yellow, u"Conexión rechazada por el servidor"_qs), evening.addSecs(1));
        const QString third =
            History::add(png(Qt::white, u"Reunión del lunes a las diez"_qs), evening.addSecs(2));
        const QString blank = History::add(png(Qt::gray), evening.addSecs(3));
        const QRect drawer(960 - 787, 1080 - 14 - 212, 1574, 212);
        // A point in the thumbnails (194 x 65 points, 33 down) of the first two tiles, clear of
        // any text.
        const QPoint firstThumb = drawer.topLeft() + QPoint(16 + 20, 46 + 40);
        const QPoint secondThumb = firstThumb + QPoint(222, 0);
        QVERIFY(openOnLeft(drawer));
        QTRY_VERIFY_WITH_TIMEOUT(
            hasText(first) && hasText(second) && hasText(third) && hasText(blank), 6 * waitMs);

        // Typed into the field that has the keyboard: the accent-free word finds "Conexión".
        xdotool("type --delay 50 conexion");
        WAIT_COMPARE(screenPixel(firstThumb), QColor(Qt::yellow));
        QVERIFY(qGray(screenPixel(secondThumb).rgb()) < 60);
        QCOMPARE(search("conexion"), std::pair(0, (second + u'\n').toUtf8()));
        // Every text has an "a"; the capture without text never matches.
        QCOMPARE(search("A"),
                 std::pair(0, QStringList({third, second, first, {}}).join(u'\n').toUtf8()));
        QCOMPARE(search("zzqx"), std::pair(1, QByteArray()));
        QCOMPARE(search("  "), std::pair(1, QByteArray()));

        xdotool("key Escape key Escape");
        WAIT_VERIFY(!drawerOpen());

        // Removing the entry from the drawer's menu removes its text.
        QVERIFY(openOnLeft(drawer));
        xdotool("type --delay 50 conexion");
        WAIT_COMPARE(screenPixel(firstThumb), QColor(Qt::yellow));
        xdotool("mousemove %d %d click 3 sleep 0.5 key Up key Return", firstThumb.x(),
                firstThumb.y());
        WAIT_VERIFY(!QFile::exists(second));
        WAIT_VERIFY(!QFile::exists(TextIndex::textPath(second)));
        xdotool("key Escape");
        WAIT_VERIFY(!drawerOpen());

        // A corrupt text and a missing one are read again when the drawer meets them.
        QVERIFY(writeWholeFile(TextIndex::textPath(first), "{\"format\": 1, \"lines\": ["));
        QVERIFY(QFile::remove(TextIndex::textPath(third)));
        xdotool("key shift+ctrl+0");
        QTRY_VERIFY_WITH_TIMEOUT(hasText(first) && hasText(third), 6 * waitMs);
        QVERIFY(TextIndex::text(first)->join(u' ').contains(u"Factura"_qs));
        QCOMPARE(m_program.state(), QProcess::Running);

        // Quitting with the drawer open ends the program cleanly.
        QCOMPARE(brindlecap({"quit"}).status, 0);
        QVERIFY(m_program.waitForFinished(waitMs));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
    }
};

QTEST_MAIN(tst_RecentsDrawer)
#include "tst_RecentsDrawer.moc"

// Pinned captures on the two-monitor fixture, driven as a user would: the canvas's pin button
// clicked where the bar puts it, the window moved, zoomed and closed with the mouse.
#include "x11/RunningProgram.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTest>

#include <cstring>

namespace {

using RunningProgram::clipboardImage;
using RunningProgram::drag;
using RunningProgram::overlayCount;
using RunningProgram::run;
using RunningProgram::waitMs;
using RunningProgram::xdotool;

// The program's visible windows in X pixels, overlays (a whole monitor) left out.
QList<QRect> shownWindows() {
    static const QRegularExpression entry(
        R"(Position: (-?\d+),(-?\d+).*\n\s*Geometry: (\d+)x(\d+))");
    QList<QRect> found;
    for (auto it = entry.globalMatch(RunningProgram::windows()); it.hasNext();) {
        const auto m = it.next();
        const QRect r(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                      m.captured(4).toInt());
        if (r.size() != QSize(1920, 1080))
            found.append(r);
    }
    return found;
}

// The window under `point`, or a null rect.
QRect windowAt(QPoint point) {
    for (const QRect& r : shownWindows()) {
        if (r.contains(point))
            return r;
    }
    return {};
}

QString pos(int v) {
    return QString::number(v);
}

// Selects from..to (pixels) on the monitor starting at x = origin with the given scale and
// clicks the pin button: second of five in the actions bar, whose right end is level with the
// selection's right edge, below it. Points: 4 padding, 30 per button, 2 apart, 8 gap.
bool pinArea(QPoint from, QPoint to, int origin, int scale) {
    xdotool({"key", "shift+ctrl+9"});
    if (!QTest::qWaitFor([] { return overlayCount() == 2; }, waitMs))
        return false;
    QTest::qWait(300);
    drag(from, to);
    const int barLength = 5 * 30 + 4 * 2 + 2 * 4;
    const QPoint button((to.x() - origin) / scale - barLength + 4 + 32 + 15,
                        to.y() / scale + 8 + 4 + 15);
    xdotool({"mousemove", pos(origin + button.x() * scale), pos(button.y() * scale), "click", "1"});
    return QTest::qWaitFor([] { return overlayCount() == 0; }, waitMs);
}

// The screen's colour at point (X pixels), 0xRRGGBB.
uint32_t screenPixel(QPoint point) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(point.x()),
                                          int16_t(point.y()), 1, 1, ~0u),
                            nullptr);
    uint32_t pixel = 0;
    if (reply && xcb_get_image_data_length(reply) >= 4)
        std::memcpy(&pixel, xcb_get_image_data(reply), 4);
    std::free(reply);
    xcb_disconnect(c);
    return pixel & 0xffffff;
}

int historyCount() {
    return int(QDir(RunningProgram::historyFolder())
                   .entryList({QStringLiteral("*.png")}, QDir::Files)
                   .size());
}

// The folder "Guardar…" proposes, set before the program starts.
QString saveFolder() {
    return QDir::homePath() + QStringLiteral("/pinned-saves");
}

QFileInfoList savedCaptures() {
    return QDir(saveFolder()).entryInfoList({QStringLiteral("*.png")}, QDir::Files);
}

} // namespace

class tst_PinnedWindows : public QObject {
    Q_OBJECT

    QProcess m_program;

private Q_SLOTS:
    void initTestCase() {
        // A plain desktop, so a corner left black by missing translucency shows.
        run(QStringLiteral("xsetroot"), {"-solid", "#6080a0"});
        QDir(saveFolder()).removeRecursively();
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brindlecap", "Brindlecap")
            .setValue("saveFolder", saveFolder());
        QVERIFY(RunningProgram::start(m_program));
    }
    void cleanupTestCase() {
        RunningProgram::stop(m_program);
        run(QStringLiteral("xsetroot"), {"-def"});
    }

    // One program run: each step leaves the windows the next one needs.
    void pinnedWindowsSitOverTheSelectionZoomAboutTheirCentreAndOutliveCaptures() {
        const QRect left(200, 200, 400, 300);
        QVERIFY(pinArea(left.topLeft(), left.topLeft() + QPoint(400, 300), 0, 1));
        QTRY_VERIFY_WITH_TIMEOUT(shownWindows().contains(left), waitMs);

        const QRect right(2100, 200, 400, 300);
        QVERIFY(pinArea(right.topLeft(), right.topLeft() + QPoint(400, 300), 1920, 2));
        QTRY_VERIFY_WITH_TIMEOUT(shownWindows().contains(right), waitMs);
        QVERIFY(shownWindows().contains(left));
        // The rounded corners show the desktop, even with no compositing manager.
        QCOMPARE(screenPixel(left.topLeft()), 0x6080a0u);
        QCOMPARE(screenPixel(right.bottomRight()), 0x6080a0u);

        // Two notches up: 5 % each, about the centre.
        xdotool({"mousemove", "400", "350", "click", "--repeat", "2", "--delay", "150", "4"});
        QTRY_COMPARE_WITH_TIMEOUT(windowAt({400, 350}).width(), 441, waitMs);
        QVERIFY2((windowAt({400, 350}).center() - QPoint(400, 350)).manhattanLength() <= 1,
                 qPrintable(QString::number(windowAt({400, 350}).x())));

        // Moved by 100, 50, then zoomed back: the new centre stays.
        const QRect zoomed = windowAt({400, 350});
        drag({400, 350}, {500, 400});
        QTRY_COMPARE_WITH_TIMEOUT(windowAt({500, 400}), zoomed.translated(100, 50), waitMs);
        const QPoint centre = windowAt({500, 400}).center();
        xdotool({"mousemove", "500", "400", "click", "5"});
        QTRY_COMPARE_WITH_TIMEOUT(windowAt({500, 400}).width(), 419, waitMs);
        QVERIFY((windowAt({500, 400}).center() - centre).manhattanLength() <= 1);
        const QRect moved = windowAt({500, 400});

        // A new capture, started and cancelled, leaves them in place.
        xdotool({"key", "shift+ctrl+9"});
        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
        QTest::qWait(300);
        xdotool({"key", "Escape"});
        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
        QTest::qWait(500);
        QVERIFY(shownWindows().contains(moved));
        QVERIFY(shownWindows().contains(right));

        // "Copiar" puts the left (scale 1) capture back on the clipboard, not in the history.
        QTRY_COMPARE_WITH_TIMEOUT(clipboardImage().dotsPerMeterX(), 5669, waitMs);
        const int filed = historyCount();
        xdotool({"mousemove", "500", "400", "click", "3"});
        QTest::qWait(500);
        xdotool({"key", "Down", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(clipboardImage().dotsPerMeterX(), 2835, waitMs);
        QCOMPARE(clipboardImage().size(), QSize(400, 300));
        QTest::qWait(1000);
        QCOMPARE(historyCount(), filed);

        // On the 2x monitor: one notch up about the centre, then a drag moves it pixel for pixel.
        const QPoint rightCentre = right.center();
        // Hover first: a notch that arrives with the move can reach the window before it knows
        // the pointer is over it.
        xdotool({"mousemove", pos(rightCentre.x()), pos(rightCentre.y())});
        QTest::qWait(300);
        xdotool({"click", "4"});
        // The window manager applies the new size and place as two steps: wait for both.
        QTRY_VERIFY2_WITH_TIMEOUT(windowAt(rightCentre).width() == 420 &&
                                      (windowAt(rightCentre).center() - rightCentre)
                                              .manhattanLength() <= 2,
                                  qPrintable(QStringLiteral("%1,%2 %3x%4 around %5,%6")
                                                 .arg(windowAt(rightCentre).x())
                                                 .arg(windowAt(rightCentre).y())
                                                 .arg(windowAt(rightCentre).width())
                                                 .arg(windowAt(rightCentre).height())
                                                 .arg(rightCentre.x())
                                                 .arg(rightCentre.y())),
                                  waitMs);
        const QRect rightZoomed = windowAt(rightCentre);
        drag(rightCentre, rightCentre + QPoint(100, 50));
        QTRY_COMPARE_WITH_TIMEOUT(windowAt(rightCentre + QPoint(100, 50)),
                                  rightZoomed.translated(100, 50), waitMs);

        // "Guardar…" with the proposed name writes the capture's own pixels, not the zoomed ones.
        xdotool({"mousemove", "2400", "400", "click", "3"});
        QTest::qWait(500);
        xdotool({"key", "Down", "Down", "Return"});
        QTest::qWait(1500);
        xdotool({"key", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(savedCaptures().size(), 1, waitMs);
        const QImage saved(savedCaptures().first().filePath());
        QCOMPARE(saved.size(), QSize(400, 300));
        QCOMPARE(saved.dotsPerMeterX(), 5669);

        xdotool({"mousemove", "2400", "400", "click", "--repeat", "2", "--delay", "80", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(!windowAt({2400, 400}).isValid(), waitMs);
        QVERIFY(windowAt({500, 400}).isValid());
        xdotool({"mousemove", "500", "400", "click", "--repeat", "2", "--delay", "80", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(!windowAt({500, 400}).isValid(), waitMs);
    }
};

QTEST_GUILESS_MAIN(tst_PinnedWindows)
#include "tst_PinnedWindows.moc"

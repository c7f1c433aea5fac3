// Pinned captures on the two-monitor fixture, driven as a user would: the canvas's pin button
// clicked where the bar puts it, the window moved, zoomed and closed with the mouse.
#include "x11/RunningProgram.h"

// The window under `point`, overlays left out, or a null rect.
QRect windowAt(QPoint point) {
    for (const QRect& r : shown())
        if (!isOverlay(r) && r.contains(point))
            return r;
    return {};
}

// Whether the window about `centre` becomes `width` wide, still centred there within a pixel
// (the window manager applies the new size and place as two steps: this waits for both).
bool zoomsAbout(QPoint centre, int width) {
    const auto zoomed = [&] {
        const QRect r = windowAt(centre);
        return r.width() == width && (r.center() - centre).manhattanLength() <= 1;
    };
    if (waitFor(zoomed))
        return true;
    qWarning() << "the window about" << centre << "is" << windowAt(centre);
    return false;
}

// Selects from..to (pixels) on the monitor starting at x = origin with the given scale and
// clicks the pin button: second of five in the actions bar, whose right end is level with the
// selection's right edge, below it. Points: 4 padding, 30 per button, 2 apart, 8 gap.
bool pinArea(QPoint from, QPoint to, int origin, int scale) {
    if (!startArea())
        return false;
    drag(from, to);
    const int barLength = 5 * 30 + 4 * 2 + 2 * 4;
    const QPoint button((to.x() - origin) / scale - barLength + 4 + 32 + 15,
                        to.y() / scale + 8 + 4 + 15);
    xdotool("mousemove %d %d click 1", origin + button.x() * scale, button.y() * scale);
    return waitFor([] { return overlayCount() == 0; });
}

// The folder "Guardar…" proposes, set before the program starts.
const QString saveFolder = QDir::homePath() + QStringLiteral("/pinned-saves");

class tst_PinnedWindows : public QObject {
    Q_OBJECT

    QProcess m_program;

private Q_SLOTS:
    void initTestCase() {
        QDir(saveFolder).removeRecursively();
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brindlecap", "Brindlecap")
            .setValue("saveFolder", saveFolder);
        QVERIFY(start(m_program));
    }
    void cleanupTestCase() { stop(m_program); }

    // One program run: each step leaves the windows the next one needs.
    void pinnedWindowsSitOverTheSelectionZoomAboutTheirCentreAndOutliveCaptures() {
        const QRect left(200, 200, 400, 300);
        QVERIFY(pinArea(left.topLeft(), left.topLeft() + QPoint(400, 300), 0, 1));
        WAIT_VERIFY(shown().values().contains(left));

        const QRect right(2100, 200, 400, 300);
        QVERIFY(pinArea(right.topLeft(), right.topLeft() + QPoint(400, 300), 1920, 2));
        WAIT_VERIFY(shown().values().contains(right));
        QVERIFY(shown().values().contains(left));

        // Two notches up: 5 % each, about the centre.
        xdotool("mousemove 400 350 click --repeat 2 --delay 150 4");
        QVERIFY(zoomsAbout({400, 350}, 441));

        // Moved by 100, 50, then zoomed back: the new centre stays.
        const QRect zoomed = windowAt({400, 350});
        drag({400, 350}, {500, 400});
        WAIT_COMPARE(windowAt({500, 400}), zoomed.translated(100, 50));
        xdotool("mousemove 500 400 click 5");
        QVERIFY(zoomsAbout(zoomed.translated(100, 50).center(), 419));
        const QRect moved = windowAt({500, 400});

        // A new capture, started and cancelled, leaves them in place.
        QVERIFY(startArea());
        xdotool("key Escape");
        WAIT_COMPARE(overlayCount(), 0);
        QTest::qWait(500);
        QVERIFY(shown().values().contains(moved));
        QVERIFY(shown().values().contains(right));

        // "Copiar" puts the left (scale 1) capture back on the clipboard, not in the history.
        WAIT_COMPARE(clipboardImage().dotsPerMeterX(), 5669);
        const auto filed = pngs(historyFolder).size();
        xdotool("mousemove 500 400 click 3 sleep 0.5 key Down Return");
        WAIT_COMPARE(clipboardImage().dotsPerMeterX(), 2835);
        QCOMPARE(clipboardImage().size(), QSize(400, 300));
        QTest::qWait(1000);
        QCOMPARE(pngs(historyFolder).size(), filed);

        // "Guardar…" with the proposed name writes the capture's own pixels, not the zoomed ones.
        xdotool("mousemove 500 400 click 3 sleep 0.5 key Down Down Return sleep 1.5 key Return");
        WAIT_COMPARE(pngs(saveFolder).size(), 1);
        const QImage saved(saveFolder + u'/' + pngs(saveFolder).first());
        QCOMPARE(saved.size(), QSize(400, 300));
        QCOMPARE(saved.dotsPerMeterX(), 2835);

        const QPoint rightCentre = right.center();
        xdotool("mousemove %d %d click --repeat 2 --delay 80 1", rightCentre.x(), rightCentre.y());
        WAIT_VERIFY(!windowAt(rightCentre).isValid());
        QVERIFY(windowAt({500, 400}).isValid());
        xdotool("mousemove 500 400 click --repeat 2 --delay 80 1");
        WAIT_VERIFY(!windowAt({500, 400}).isValid());
    }
};

QTEST_GUILESS_MAIN(tst_PinnedWindows)
#include "tst_PinnedWindows.moc"

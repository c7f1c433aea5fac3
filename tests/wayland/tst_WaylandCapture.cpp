// The real program in the headless sway session, driven from outside as a user would: the
// desktop's key binding for `brindlecap area` and wtype for the keys, wl-pointer for the mouse,
// wl-paste for the clipboard, sway's own tree for the windows, and the program's files. Every
// output shows a pattern whose every device pixel differs, so a capture proves it took the right
// pixels of the right output at its own scale. The patterns are the outputs' backgrounds, drawn
// by sway's swaybg at device pixels, under every window.
#include "wayland/WaylandSession.h"

#include <algorithm>

using namespace WaylandSession;

namespace {

const QString notYet =
    QStringLiteral("the program cannot capture the screen in a Wayland session yet");

// The pattern of output `index` at device pixel x, y: distinct for every pixel of both outputs.
QRgb pattern(int index, int x, int y) {
    return qRgb(x & 255, y & 255, (index << 7) | ((x >> 8) << 3) | (y >> 8));
}

QImage patternImage(int index, QRect devicePixels) {
    QImage image(devicePixels.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, pattern(index, devicePixels.x() + x, devicePixels.y() + y));
    return image;
}

// What `output` shows, as grim reads it.
QImage screenOf(const QString& output) {
    return QImage::fromData(
               run({QStringLiteral("grim"), QStringLiteral("-o"), output, QStringLiteral("-")}).out)
        .convertToFormat(QImage::Format_RGB32);
}

// The program's windows in sway's tree.
void collectViews(const QJsonObject& node, QList<QJsonObject>& views) {
    if (node[QLatin1String("app_id")].toString() == QLatin1String("brindlecap-app"))
        views << node;
    for (const char* children : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node[QLatin1String(children)].toArray())
            collectViews(child.toObject(), views);
}

QList<QJsonObject> programViews() {
    QList<QJsonObject> views;
    collectViews(swaymsg(QStringLiteral("get_tree")).object(), views);
    return views;
}

// Its windows that fill an output: the overlays.
int overlayCount() {
    int count = 0;
    for (const QJsonObject& view : programViews())
        count += view[QLatin1String("fullscreen_mode")].toInt() != 0;
    return count;
}

// Any other window of the program: with the welcome marked shown, the drawer. Keys reach it
// only once sway has focused it.
bool drawerOpen(bool focused = false) {
    const QList<QJsonObject> views = programViews();
    return std::any_of(views.begin(), views.end(), [&](const QJsonObject& view) {
        return view[QLatin1String("fullscreen_mode")].toInt() == 0 &&
               (!focused || view[QLatin1String("focused")].toBool());
    });
}

// The PNGs in `folder` that are not in `before`.
QStringList added(const QString& folder, const QStringList& before = {}) {
    QStringList now = QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    for (const QString& name : before)
        now.removeOne(name);
    return now;
}

// The clipboard's image once it has `size`, or a null image after the timeout.
QImage waitForClipboard(QSize size) {
    QImage image;
    const bool arrived = QTest::qWaitFor(
        [&] {
            image = clipboardImage();
            return image.size() == size;
        },
        waitMs);
    return arrived ? image.convertToFormat(QImage::Format_RGB32) : QImage();
}

} // namespace

class tst_WaylandCapture : public QObject {
    Q_OBJECT

    QProcess m_program;
    QString m_saveFolder;
    QString m_historyFolder;
    QStringList m_savedBefore;
    QStringList m_historyBefore;

private Q_SLOTS:
    void initTestCase() {
        const QString home = programHome();
        for (int index : {0, 1}) {
            const QString output = QStringLiteral("HEADLESS-%1").arg(index + 1);
            const QString file = home + QStringLiteral("/pattern-%1.png").arg(index);
            const QImage pattern = patternImage(index, QRect(0, 0, 1920, 1080));
            QVERIFY(pattern.save(file));
            QVERIFY(swayCommand(QStringLiteral("output %1 bg %2 stretch").arg(output, file)));
            QTRY_COMPARE_WITH_TIMEOUT(screenOf(output), pattern, waitMs);
        }
        m_saveFolder = home + QStringLiteral("/Pictures/Brindlecap");
        m_historyFolder = home + QStringLiteral("/.local/share/Brindlecap/Recientes");
        QVERIFY(start(m_program));
        // The desktop's binding for the area capture, as the welcome advises on sway.
        QVERIFY(swayCommand(QStringLiteral("bindsym Shift+Ctrl+9 exec env ") +
                            programEnvironment().join(u' ') + u' ' +
                            QStringLiteral(BRINDLECAP_BINARY) + QStringLiteral(" area")));
    }

    void cleanupTestCase() {
        swayCommand(QStringLiteral("unbindsym Shift+Ctrl+9"));
        swayCommand(QStringLiteral("output * bg #3f3f3f solid_color"));
        stop(m_program);
    }

    void init() {
        QCOMPARE(m_program.state(), QProcess::Running);
        m_savedBefore = added(m_saveFolder);
        m_historyBefore = added(m_historyFolder);
    }

    void cleanup() {
        // A test that failed half-way must not leave the overlays up for the next one.
        for (int attempt = 0; attempt < 10 && overlayCount() > 0; ++attempt) {
            keys({QStringLiteral("-k"), QStringLiteral("Escape")});
            QTest::qWait(1000);
        }
        QCOMPARE(overlayCount(), 0);
        QTest::qWait(300);
    }

    void recentsTogglesTheDrawer() {
        QCOMPARE(brindlecap({QStringLiteral("recents")}).status, 0);
        QTRY_VERIFY_WITH_TIMEOUT(drawerOpen(), waitMs);
        QCOMPARE(brindlecap({QStringLiteral("recents")}).status, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
    }

    void escapeClosesTheDrawer() {
        QSKIP("the drawer does not take the keyboard reliably in a Wayland session yet: about one "
              "Escape in three is lost even once sway has focused it");
        QCOMPARE(brindlecap({QStringLiteral("recents")}).status, 0);
        QTRY_VERIFY_WITH_TIMEOUT(drawerOpen(true), waitMs);

        QVERIFY(keys({QStringLiteral("-k"), QStringLiteral("Escape")}));

        QTRY_VERIFY_WITH_TIMEOUT(!drawerOpen(), waitMs);
    }

    void escapeCancelsTheAreaCapture() {
        QSKIP(qPrintable(notYet));
        QVERIFY(setClipboard("the user's own text", QStringLiteral("text/plain")));
        Pointer pointer;
        QVERIFY(pointer.move({300, 300}));
        QCOMPARE(brindlecap({QStringLiteral("area")}).status, 0);
        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);

        QVERIFY(keys({QStringLiteral("-k"), QStringLiteral("Escape")}));

        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
        QTest::qWait(1000);
        QCOMPARE(clipboard(QStringLiteral("text/plain")), QByteArray("the user's own text"));
        QCOMPARE(added(m_historyFolder, m_historyBefore), QStringList());
        QCOMPARE(added(m_saveFolder, m_savedBefore), QStringList());
    }

    void areaByKeyAndPointerCopiesAndSavesTheRightPixels_data() {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("output");
        QTest::addColumn<QRect>("devicePixels");

        QTest::newRow("on the scale-1 output")
            << QPoint(300, 300) << QPoint(700, 600) << 0 << QRect(300, 300, 400, 300);
        // 200 x 150 logical pixels from 180,100 inside the output: twice that in device pixels.
        QTest::newRow("on the scale-2 output")
            << QPoint(2100, 100) << QPoint(2300, 250) << 1 << QRect(360, 200, 400, 300);
    }
    void areaByKeyAndPointerCopiesAndSavesTheRightPixels() {
        QSKIP(qPrintable(notYet));
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(int, output);
        QFETCH(QRect, devicePixels);
        const QImage expected = patternImage(output, devicePixels);
        Pointer pointer;
        // The keyboard goes to the overlay of the output under the pointer.
        QVERIFY(pointer.move(from));

        QVERIFY(keys({"-M", "shift", "-M", "ctrl", "9", "-m", "ctrl", "-m", "shift"}));
        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
        QTest::qWait(300);
        QVERIFY(pointer.drag(from, to));
        QVERIFY(keys({QStringLiteral("-k"), QStringLiteral("Return")}));

        QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
        QCOMPARE(waitForClipboard(devicePixels.size()), expected);
        QTRY_COMPARE_WITH_TIMEOUT(added(m_saveFolder, m_savedBefore).size(), 1, waitMs);
        const QString saved = m_saveFolder + u'/' + added(m_saveFolder, m_savedBefore).first();
        QCOMPARE(QImage(saved).convertToFormat(QImage::Format_RGB32), expected);
        QTRY_COMPARE_WITH_TIMEOUT(added(m_historyFolder, m_historyBefore).size(), 1, waitMs);
    }

    void fullTakesTheOutputUnderThePointer_data() {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<int>("output");

        QTest::newRow("pointer on the scale-1 output") << QPoint(500, 500) << 0;
        QTest::newRow("pointer on the scale-2 output") << QPoint(2500, 300) << 1;
    }
    void fullTakesTheOutputUnderThePointer() {
        QSKIP(qPrintable(notYet));
        QFETCH(QPoint, pointer);
        QFETCH(int, output);
        // The program runs as the session's user: the file goes into its home.
        const QString file = programHome() + QStringLiteral("/full.png");
        QFile::remove(file);
        Pointer device;
        QVERIFY(device.move(pointer));

        const Result full = brindlecap({QStringLiteral("full"), QStringLiteral("--output"), file});

        QCOMPARE(full.status, 0);
        QCOMPARE(QImage(file).convertToFormat(QImage::Format_RGB32),
                 patternImage(output, QRect(0, 0, 1920, 1080)));
        QCOMPARE(overlayCount(), 0);
    }
};

int main(int argc, char** argv) {
    return testMain<tst_WaylandCapture>(argc, argv);
}

#include "tst_WaylandCapture.moc"

// The program under headless sway, driven as a user would: keys through wtype, the pointer
// through wl-pointer, the clipboard read back with wl-paste. A client of this same executable
// (--client pattern) covers each output with a pattern whose every device pixel is known, so a
// capture is checked pixel for pixel, on the scale-1 and the scale-2 output.
#include "wayland/WaylandSession.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

using namespace WaylandSession;

namespace {

// The pattern's colour at a device pixel of the output at `index`: it changes at every pixel in
// both directions, so a capture shifted or scaled by one pixel does not match.
QRgb patternAt(int index, int x, int y) {
    return qRgb((x * 7) & 0xff, (y * 13) & 0xff, index * 120 + ((x + y) / 64) % 100);
}

int outputIndex(const QString& name) {
    return name == QLatin1String("HEADLESS-2") ? 1 : 0;
}

class PatternWindow : public QRasterWindow {
public:
    explicit PatternWindow(QScreen* screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
        const QSize device = screen->geometry().size() * screen->devicePixelRatio();
        m_image = QImage(device, QImage::Format_RGB32);
        const int index = outputIndex(screen->name());
        for (int y = 0; y < device.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(m_image.scanLine(y));
            for (int x = 0; x < device.width(); ++x)
                row[x] = patternAt(index, x, y);
        }
        m_image.setDevicePixelRatio(screen->devicePixelRatio());
    }
    std::function<void()> onShown;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawImage(QPoint(0, 0), m_image);
        if (onShown)
            QTimer::singleShot(100, std::exchange(onShown, nullptr));
    }

private:
    QImage m_image;
};

// --client pattern: one full-screen pattern window per output; prints "shown" once all painted.
int runPattern(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::vector<std::unique_ptr<PatternWindow>> windows;
    int unpainted = int(QGuiApplication::screens().size());
    for (QScreen* screen : QGuiApplication::screens()) {
        windows.push_back(std::make_unique<PatternWindow>(screen));
        windows.back()->onShown = [&unpainted] {
            if (--unpainted == 0) {
                std::printf("shown\n");
                std::fflush(stdout);
            }
        };
        windows.back()->showFullScreen();
    }
    return QGuiApplication::exec();
}

// How many device pixels of `image` differ from the pattern of output `index` from `origin` on,
// outside `ignored` (in the image's pixels).
int mismatches(const QImage& captured, int index, QPoint origin, const QRect& ignored = {}) {
    const QImage image = captured.convertToFormat(QImage::Format_RGB32);
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            wrong += !ignored.contains(x, y) &&
                     (row[x] & 0xffffff) !=
                         (patternAt(index, origin.x() + x, origin.y() + y) & 0xffffff);
    }
    return wrong;
}

// The program's windows sway shows, full screen (the overlays) or not (the drawer and the rest).
int windowCount(bool fullScreen) {
    int count = 0;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
        if (node[QLatin1String("app_id")].toString().startsWith(QLatin1String("brindlecap")) &&
            (node[QLatin1String("fullscreen_mode")].toInt() == 1) == fullScreen)
            ++count;
        for (const QJsonValue child : node[QLatin1String("nodes")].toArray())
            walk(child.toObject());
        for (const QJsonValue child : node[QLatin1String("floating_nodes")].toArray())
            walk(child.toObject());
    };
    walk(swaymsg(QStringLiteral("get_tree")).object());
    return count;
}

// Whether the display shows the overlay's veil at `point` (layout coordinates), where output
// `index` shows its pattern's device pixel `device` without it.
bool veiledAt(QPoint point, int index, QPoint device) {
    const QImage shown =
        QImage::fromData(run({QStringLiteral("grim"), QStringLiteral("-g"),
                              QStringLiteral("%1,%2 1x1").arg(point.x()).arg(point.y()),
                              QStringLiteral("-t"), QStringLiteral("ppm"), QStringLiteral("-")})
                             .out,
                         "PPM");
    return !shown.isNull() &&
           (shown.pixel(0, 0) & 0xffffff) != (patternAt(index, device.x(), device.y()) & 0xffffff);
}

int overlayCount() {
    return windowCount(true);
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

} // namespace

class tst_SwayCapture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void areaCaptureCopiesAndSavesTheDraggedPixels_data();
    void areaCaptureCopiesAndSavesTheDraggedPixels();
    void fullScreenTakesTheOutputUnderThePointer_data();
    void fullScreenTakesTheOutputUnderThePointer();
    void escapeCancelsWithoutFilingAnything();
    void drawerOpens();

private:
    void showPattern();
    QString saveFolder() const { return programHome() + QStringLiteral("/Pictures/Brindlecap"); }

    QProcess m_program;
    QProcess m_pattern;
};

void tst_SwayCapture::initTestCase() {
    QVERIFY(start(m_program));
}

void tst_SwayCapture::init() {
    QDir(saveFolder()).removeRecursively();
    setClipboard("empty", QStringLiteral("text/plain"));
    showPattern();
}

void tst_SwayCapture::cleanup() {
    // A failed row must not leave its overlays up for the next.
    if (overlayCount() > 0)
        keys({QStringLiteral("-k"), QStringLiteral("Escape")});
    // sway keeps one full-screen window per output: a fresh pattern for every capture.
    stop(m_pattern);
}

void tst_SwayCapture::cleanupTestCase() {
    stop(m_program);
}

void tst_SwayCapture::showPattern() {
    const QStringList line = asUser({QCoreApplication::applicationFilePath(),
                                     QStringLiteral("--client"), QStringLiteral("pattern")});
    m_pattern.start(line.first(), line.mid(1));
    QVERIFY(QTest::qWaitFor(
        [&] {
            m_pattern.waitForReadyRead(100);
            return m_pattern.canReadLine();
        },
        waitMs));
    QCOMPARE(m_pattern.readLine().trimmed(), QByteArray("shown"));
}

void tst_SwayCapture::areaCaptureCopiesAndSavesTheDraggedPixels_data() {
    QTest::addColumn<QPoint>("parked");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QPoint>("deviceOrigin");
    QTest::addColumn<QSize>("deviceSize");

    // sway's headless outputs draw the pointer into every copy: it waits outside the area.
    QTest::newRow("on the scale-1 output, one device pixel per point")
        << QPoint(1800, 1000) << QPoint(300, 200) << QPoint(700, 500) << "HEADLESS-1"
        << QPoint(300, 200) << QSize(400, 300);
    QTest::newRow("on the scale-2 output, two device pixels per point")
        << QPoint(2800, 500) << QPoint(2020, 110) << QPoint(2220, 260) << "HEADLESS-2"
        << QPoint(200, 220) << QSize(400, 300);
}

void tst_SwayCapture::areaCaptureCopiesAndSavesTheDraggedPixels() {
    QFETCH(QPoint, parked);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, output);
    QFETCH(QPoint, deviceOrigin);
    QFETCH(QSize, deviceSize);
    Pointer pointer;
    QVERIFY(pointer.move(parked));

    QCOMPARE(brindlecap({QStringLiteral("area")}).status, 0);
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);
    // sway lists the overlays as soon as they map, but sends them the pointer only once it has
    // applied its new layout, which is when it shows them.
    QTRY_VERIFY_WITH_TIMEOUT(veiledAt(from, outputIndex(output), deviceOrigin), waitMs);
    QVERIFY(pointer.drag(from, to));
    QVERIFY(keys({QStringLiteral("-k"), QStringLiteral("Return")}));

    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
    QImage copied;
    QTRY_VERIFY_WITH_TIMEOUT(!(copied = clipboardImage()).isNull(), waitMs);
    QCOMPARE(copied.size(), deviceSize);
    QCOMPARE(mismatches(copied, outputIndex(output), deviceOrigin), 0);
    QTRY_COMPARE_WITH_TIMEOUT(filesIn(saveFolder()).size(), 1, waitMs);
    const QImage saved(saveFolder() + u'/' + filesIn(saveFolder()).first());
    QCOMPARE(saved.size(), deviceSize);
    QCOMPARE(mismatches(saved, outputIndex(output), deviceOrigin), 0);
}

void tst_SwayCapture::fullScreenTakesTheOutputUnderThePointer_data() {
    QTest::addColumn<QPoint>("pointerAt");
    QTest::addColumn<QString>("output");

    QTest::addColumn<QRect>("pointerImage");

    // sway's headless outputs draw the pointer into every copy: its pixels are not compared.
    QTest::newRow("pointer on the scale-1 output")
        << QPoint(500, 500) << "HEADLESS-1" << QRect(436, 436, 128, 128);
    QTest::newRow("pointer on the scale-2 output")
        << QPoint(2500, 300) << "HEADLESS-2" << QRect(1032, 472, 256, 256);
}

void tst_SwayCapture::fullScreenTakesTheOutputUnderThePointer() {
    QFETCH(QPoint, pointerAt);
    QFETCH(QString, output);
    QFETCH(QRect, pointerImage);
    Pointer pointer;
    QVERIFY(pointer.move(pointerAt));

    const Result full = brindlecap({QStringLiteral("full"), QStringLiteral("--output"),
                                    QStringLiteral("-"), QStringLiteral("--copy")});

    QCOMPARE(full.status, 0);
    const QImage written = QImage::fromData(full.out, "PNG");
    QCOMPARE(written.size(), QSize(1920, 1080));
    QCOMPARE(mismatches(written, outputIndex(output), QPoint(0, 0), pointerImage), 0);
    QTRY_COMPARE_WITH_TIMEOUT(clipboardImage().convertToFormat(QImage::Format_RGB32),
                              written.convertToFormat(QImage::Format_RGB32), waitMs);
}

void tst_SwayCapture::escapeCancelsWithoutFilingAnything() {
    Pointer pointer;
    QVERIFY(pointer.move({400, 400}));
    QCOMPARE(brindlecap({QStringLiteral("area")}).status, 0);
    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 2, waitMs);

    QVERIFY(keys({QStringLiteral("-k"), QStringLiteral("Escape")}));

    QTRY_COMPARE_WITH_TIMEOUT(overlayCount(), 0, waitMs);
    QTest::qWait(500);
    QCOMPARE(filesIn(saveFolder()), QStringList());
    QCOMPARE(clipboard(QStringLiteral("text/plain")), QByteArray("empty"));
}

void tst_SwayCapture::drawerOpens() {
    const auto drawerShown = [] { return windowCount(false) == 1; };
    QCOMPARE(brindlecap({QStringLiteral("recents")}).status, 0);

    QTRY_VERIFY_WITH_TIMEOUT(drawerShown(), waitMs);

    QCOMPARE(brindlecap({QStringLiteral("recents")}).status, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!drawerShown(), waitMs);
}

int main(int argc, char** argv) {
    if (argc > 2 && qstrcmp(argv[1], "--client") == 0)
        return runPattern(argc, argv);
    QCoreApplication app(argc, argv);
    tst_SwayCapture test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_SwayCapture.moc"

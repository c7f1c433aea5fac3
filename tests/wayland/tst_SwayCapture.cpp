// The program under headless sway, driven as a user would: keys through wtype, the pointer
// through wl-pointer, the clipboard read back with wl-paste. A client of this same executable
// (--client pattern) covers each output with a pattern whose every device pixel is known, so a
// capture is checked pixel for pixel, on the scale-1 and the scale-2 output.
// The test itself runs as root and offscreen, while everything it starts in the session (the
// program, wtype, wl-pointer, wl-paste, grim, swaymsg) runs as the session's user through
// as-user.sh, which alone may reach that session's D-Bus.
#include "wayland/SessionEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QRasterWindow>
#include <QScreen>
#include <QSettings>
#include <QTest>

#include <list>
#include <unistd.h>

namespace {

constexpr int waitMs = 10000;

struct Result {
    int status = -1; // -1 when it crashed or hung
    QByteArray out;
};

// The session's folder, set by `sway-session.sh run`.
QString state() {
    return qEnvironmentVariable("BRINDLE_WAYLAND_STATE");
}

// Starts `command` (leading VAR=VALUE words set its environment) inside the session.
void startAsUser(QProcess& process, const QStringList& command) {
    process.start(qEnvironmentVariable("BRINDLE_SOURCE_DIR") + u"/tests/wayland/as-user.sh"_qs,
                  QStringList{state()} + command);
}

// Runs `command` inside the session and waits.
Result run(const QStringList& command, const QByteArray& input = {}) {
    QProcess process;
    startAsUser(process, command);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(waitMs))
        process.kill();
    process.waitForFinished();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput()};
}

// A key through wtype.
bool press(const QString& key) {
    return run({u"wtype"_qs, u"-s"_qs, u"1"_qs, u"-k"_qs, key}).status == 0;
}

// The clipboard as another client reads it (data-control, needs no focus).
QByteArray clipboard(const QString& type = u"image/png"_qs) {
    const Result pasted = run({u"wl-paste"_qs, u"-n"_qs, u"-t"_qs, type});
    return pasted.status == 0 ? pasted.out : QByteArray();
}

// A virtual pointer device that exists as long as this object; positions are layout
// coordinates in logical pixels (HEADLESS-1 spans 0..1920 x 0..1080, HEADLESS-2 at scale 2
// 1920..2880 x 0..540).
class Pointer {
public:
    Pointer() {
        m_tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        startAsUser(m_tool, {QStringLiteral(WL_POINTER), u"2880"_qs, u"1080"_qs});
    }
    ~Pointer() {
        m_tool.closeWriteChannel();
        if (!m_tool.waitForFinished(waitMs))
            m_tool.kill();
        m_tool.waitForFinished();
    }

    bool move(QPoint to) { return send(u"move %1 %2"_qs.arg(to.x()).arg(to.y())); }
    // A drag in steps, so the program sees motion with the button held.
    bool drag(QPoint from, QPoint to) {
        return move(from) && send(u"press"_qs) && move((from + to) / 2) && move(to) &&
               send(u"release"_qs);
    }

    // Sends one command line and waits until the compositor has handled it.
    bool send(const QString& command) {
        m_tool.write(command.toUtf8() + '\n');
        while (!m_tool.canReadLine())
            if (!m_tool.waitForReadyRead(waitMs))
                return false;
        const QByteArray answer = m_tool.readLine().trimmed();
        if (answer != "ok")
            qWarning("wl-pointer: %s", answer.constData());
        return answer == "ok";
    }

private:
    QProcess m_tool;
};

// The program's own home inside the session, named after the test's own home and owned by the
// session's user, who runs the program.
QString programHome() {
    const QProcessEnvironment session = sessionEnvironment(state());
    const QString home = session.value(u"HOME"_qs) + u'/' + QFileInfo(QDir::homePath()).fileName();
    QDir().mkpath(home + u"/.config"_qs);
    if (geteuid() == 0)
        QProcess::execute(u"chown"_qs, {u"-R"_qs, session.value(u"USER"_qs) + u':', home});
    return home;
}

// VAR=VALUE words that keep the program's settings, captures and history in programHome().
QStringList programEnvironment() {
    const QString home = programHome();
    return {u"HOME="_qs + home,
            u"XDG_CONFIG_HOME="_qs + home + u"/.config"_qs,
            u"XDG_DATA_HOME="_qs + home + u"/.local/share"_qs,
            u"XDG_CACHE_HOME="_qs + home + u"/.cache"_qs,
            u"XDG_PICTURES_DIR="_qs + home + u"/Pictures"_qs,
            u"QT_QPA_PLATFORMTHEME="_qs};
}

// Starts the program in the session (with `extra` VAR=VALUE words) with the first-run welcome
// marked as shown (it has its own test), and waits until it has started up.
bool start(QProcess& program, const QStringList& extra) {
    // programEnvironment() below hands these settings to the session's user.
    QSettings(programHome() + u"/.config/Brindlecap/Brindlecap.conf"_qs, QSettings::IniFormat)
        .setValue("didShowWelcome", true);
    program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    startAsUser(program, programEnvironment() + extra << QStringLiteral(BRINDLECAP_BINARY));
    // It listens for commands early but answers them only after its start-up, which ends by
    // naming its clipboard back-end; under load a command sent before that times out.
    if (!program.waitForStarted())
        return false;
    QByteArray said;
    return QTest::qWaitFor(
        [&] { return (said += program.readAllStandardError()).contains("portapapeles:"); }, waitMs);
}

// `brindlecap ARGUMENTS` as the session's user would type it (handed to the running program).
Result brindlecap(const QStringList& arguments) {
    return run(programEnvironment() << QStringLiteral(BRINDLECAP_BINARY) << arguments);
}

// Under load a program's exit can take seconds.
void stop(QProcess& program) {
    program.terminate();
    if (!program.waitForFinished(waitMs))
        program.kill();
    program.waitForFinished(waitMs);
}

// The pattern's colour (without alpha) at a device pixel of the output at `index`: it changes at
// every pixel in both directions, so a capture shifted or scaled by one pixel does not match.
QRgb patternAt(int index, int x, int y) {
    return qRgb((x * 7) & 0xff, (y * 13) & 0xff, index * 120 + ((x + y) / 64) % 100) & 0xffffff;
}

int outputIndex(const QString& name) {
    return name == u"HEADLESS-2"_qs ? 1 : 0;
}

class PatternWindow : public QRasterWindow {
public:
    explicit PatternWindow(QScreen* screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
        const QSize device = screen->geometry().size() * screen->devicePixelRatio();
        m_image = QImage(device, QImage::Format_RGB32);
        for (int y = 0; y < device.height(); ++y)
            for (int x = 0; x < device.width(); ++x)
                m_image.setPixel(x, y, patternAt(outputIndex(screen->name()), x, y));
        m_image.setDevicePixelRatio(screen->devicePixelRatio());
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(QPoint(0, 0), m_image); }

private:
    QImage m_image;
};

// --client pattern: one full-screen pattern window per output.
int runPattern(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::list<PatternWindow> windows;
    for (QScreen* screen : QGuiApplication::screens())
        windows.emplace_back(screen).showFullScreen();
    return QGuiApplication::exec();
}

// How many device pixels of `image` differ from the pattern of output `index` from `origin` on,
// outside `ignored` (in the image's pixels).
int mismatches(const QImage& captured, int index, QPoint origin, const QRect& ignored = {}) {
    const QImage image = captured.convertToFormat(QImage::Format_RGB32);
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            wrong +=
                !ignored.contains(x, y) &&
                (image.pixel(x, y) & 0xffffff) != patternAt(index, origin.x() + x, origin.y() + y);
    return wrong;
}

// The colour the display shows at `point` (layout coordinates), 0 when unknown: what a person
// sees there, and where sway sends the pointer.
QRgb shownAt(QPoint point) {
    const QImage shown =
        QImage::fromData(run({u"grim"_qs, u"-g"_qs, u"%1,%2 1x1"_qs.arg(point.x()).arg(point.y()),
                              u"-t"_qs, u"ppm"_qs, u"-"_qs})
                             .out);
    return shown.isNull() ? 0 : shown.pixel(0, 0) & 0xffffff;
}

// The program's windows sway shows, full screen (the overlays) or not (the drawer and the rest).
int windowCount(bool fullScreen) {
    int count = 0;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
        if (node[u"app_id"_qs].toString().startsWith(u"brindlecap"_qs) &&
            (node[u"fullscreen_mode"_qs].toInt() == 1) == fullScreen)
            ++count;
        for (const char* children : {"nodes", "floating_nodes"})
            for (const QJsonValue child : node[QLatin1String(children)].toArray())
                walk(child.toObject());
    };
    walk(QJsonDocument::fromJson(run({u"swaymsg"_qs, u"-t"_qs, u"get_tree"_qs}).out).object());
    return count;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList({u"*.png"_qs}, QDir::Files, QDir::Name);
}

QImage clipboardImage() {
    return QImage::fromData(clipboard(), "PNG");
}

} // namespace

class tst_SwayCapture : public QObject {
    Q_OBJECT

    QProcess m_program;
    QProcess m_pattern;
    QString m_grabber;

    QString saveFolder() const { return programHome() + u"/Pictures/Brindlecap"_qs; }

    // Runs the program with BRINDLE_GRABBER=`grabber` (empty: its own choice).
    void useGrabber(const QString& grabber) {
        if (grabber == m_grabber && m_program.state() == QProcess::Running)
            return;
        stop(m_program);
        m_grabber = grabber;
        QVERIFY(start(m_program, {u"BRINDLE_GRABBER="_qs + grabber}));
    }

private Q_SLOTS:
    // The full-screen rows choose their grabber; the tests after them work with either.
    void initTestCase() { useGrabber({}); }

    void init() {
        QDir(saveFolder()).removeRecursively();
        run({u"wl-copy"_qs, u"-t"_qs, u"text/plain"_qs}, "empty");
        startAsUser(m_pattern,
                    {QCoreApplication::applicationFilePath(), u"--client"_qs, u"pattern"_qs});
        // On both outputs, away from where any test leaves the pointer.
        // (qWaitFor bounds the wait in time, QTRY only in tries of a slow grim.)
        QVERIFY(QTest::qWaitFor(
            [] {
                return shownAt({100, 900}) == patternAt(0, 100, 900) &&
                       shownAt({2000, 500}) == patternAt(1, 160, 1000);
            },
            waitMs));
    }

    void cleanup() {
        // A failed row must not leave its overlays up for the next.
        if (windowCount(true) > 0)
            press(u"Escape"_qs);
        // sway keeps one full-screen window per output: a fresh pattern for every capture.
        stop(m_pattern);
    }

    void cleanupTestCase() { stop(m_program); }

    void areaCaptureCopiesAndSavesTheDraggedPixels_data() {
        QTest::addColumn<QPoint>("parked");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QPoint>("deviceOrigin");

        // sway's headless outputs draw the pointer into every copy: it waits outside the area.
        QTest::newRow("on the scale-1 output, one device pixel per point")
            << QPoint(1800, 1000) << QPoint(300, 200) << QPoint(700, 500) << "HEADLESS-1"
            << QPoint(300, 200);
        QTest::newRow("on the scale-2 output, two device pixels per point")
            << QPoint(2800, 500) << QPoint(2020, 110) << QPoint(2220, 260) << "HEADLESS-2"
            << QPoint(200, 220);
    }

    void areaCaptureCopiesAndSavesTheDraggedPixels() {
        QFETCH(QPoint, parked);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QString, output);
        QFETCH(QPoint, deviceOrigin);
        const QSize deviceSize(400, 300);
        Pointer pointer;
        QVERIFY(pointer.move(parked));

        QCOMPARE(brindlecap({u"area"_qs}).status, 0);
        // sway lists the overlays as soon as they map, but sends them the pointer only once it
        // has applied its new layout, which is when it shows them (veiled).
        const QRgb plain = patternAt(outputIndex(output), deviceOrigin.x(), deviceOrigin.y());
        QVERIFY(QTest::qWaitFor(
            [&] {
                return !QList<QRgb>({0, plain}).contains(shownAt(from));
            },
            waitMs));
        QVERIFY(pointer.drag(from, to));
        QVERIFY(press(u"Return"_qs));

        QTRY_COMPARE_WITH_TIMEOUT(windowCount(true), 0, waitMs);
        QImage copied;
        QTRY_VERIFY_WITH_TIMEOUT(!(copied = clipboardImage()).isNull(), waitMs);
        QCOMPARE(copied.size(), deviceSize);
        QCOMPARE(mismatches(copied, outputIndex(output), deviceOrigin), 0);
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(saveFolder()).size(), 1, waitMs);
        const QImage saved(saveFolder() + u'/' + filesIn(saveFolder()).first());
        QCOMPARE(saved.size(), deviceSize);
        QCOMPARE(mismatches(saved, outputIndex(output), deviceOrigin), 0);
    }

    void fullScreenTakesTheOutputUnderThePointer_data() {
        QTest::addColumn<QString>("grabber");
        QTest::addColumn<QPoint>("pointerAt");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QRect>("pointerImage");

        // sway's headless outputs draw the pointer into every copy: its pixels are not compared.
        QTest::newRow("pointer on the scale-1 output")
            << "" << QPoint(500, 500) << "HEADLESS-1" << QRect(436, 436, 128, 128);
        QTest::newRow("pointer on the scale-2 output")
            << "" << QPoint(2500, 300) << "HEADLESS-2" << QRect(1032, 472, 256, 256);
        // The portal's image of the whole layout is at the highest scale: the scale-2 output's
        // part comes out pixel for pixel (the scale-1 output's was enlarged with smoothing).
        QTest::newRow("through the portal, pointer on the scale-2 output")
            << "portal" << QPoint(2500, 300) << "HEADLESS-2" << QRect(1032, 472, 256, 256);
    }

    void fullScreenTakesTheOutputUnderThePointer() {
        QFETCH(QString, grabber);
        QFETCH(QPoint, pointerAt);
        QFETCH(QString, output);
        QFETCH(QRect, pointerImage);
        useGrabber(grabber);
        Pointer pointer;
        QVERIFY(pointer.move(pointerAt));

        const Result full = brindlecap({u"full"_qs, u"--output"_qs, u"-"_qs, u"--copy"_qs});

        QCOMPARE(full.status, 0);
        const QImage written = QImage::fromData(full.out, "PNG");
        QCOMPARE(written.size(), QSize(1920, 1080));
        QCOMPARE(mismatches(written, outputIndex(output), QPoint(0, 0), pointerImage), 0);
        QTRY_COMPARE_WITH_TIMEOUT(clipboardImage().convertToFormat(QImage::Format_RGB32),
                                  written.convertToFormat(QImage::Format_RGB32), waitMs);
    }

    void escapeCancelsWithoutFilingAnything() {
        Pointer pointer;
        QVERIFY(pointer.move({400, 400}));
        QCOMPARE(brindlecap({u"area"_qs}).status, 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowCount(true), 2, waitMs);

        QVERIFY(press(u"Escape"_qs));

        QTRY_COMPARE_WITH_TIMEOUT(windowCount(true), 0, waitMs);
        QTest::qWait(500);
        QCOMPARE(filesIn(saveFolder()), QStringList());
        QCOMPARE(clipboard(u"text/plain"_qs), QByteArray("empty"));
    }

    void drawerOpensAndCloses_data() {
        QTest::addColumn<QStringList>("closing");
        QTest::newRow("by Escape") << QStringList{"wtype", "-s", "1", "-k", "Escape"};
        QTest::newRow("by a click on the other output") << QStringList();
    }

    void drawerOpensAndCloses() {
        QFETCH(QStringList, closing);
        // sway gives no keyboard to a window behind a full-screen one.
        stop(m_pattern);
        Pointer pointer;
        QVERIFY(pointer.move({400, 300}));
        QCOMPARE(brindlecap({u"recents"_qs}).status, 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowCount(false), 1, waitMs);

        if (closing.isEmpty())
            QVERIFY(pointer.move({2400, 270}) && pointer.send(u"press"_qs) &&
                    pointer.send(u"release"_qs));
        else
            QCOMPARE(run(programEnvironment() + closing).status, 0);

        QTRY_COMPARE_WITH_TIMEOUT(windowCount(false), 0, waitMs);
    }
};

// `tst_SwayCapture --client pattern` is the pattern client, started inside the session as its
// user; otherwise the tests, which ctest runs through `sway-session.sh run`.
int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--client") == 0)
        return runPattern(argc, argv);
    if (state().isEmpty()) {
        qCritical("run inside the sway session: sway-session.sh run STATE %s", argv[0]);
        return 1;
    }
    QCoreApplication app(argc, argv);
    tst_SwayCapture test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_SwayCapture.moc"

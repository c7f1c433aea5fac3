#pragma once

// Driving the real program from an end-to-end test as a user would: commands, xdotool for the
// keyboard and mouse, xdotool's window list for what is on the screen.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

namespace RunningProgram {

inline constexpr int waitMs = 10000;

inline QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(waitMs))
        process.kill();
    return process.readAllStandardOutput();
}

inline QString xdotool(const QStringList& arguments) {
    return QString::fromUtf8(run(QStringLiteral("xdotool"), arguments));
}

// Where the program's visible windows are and how big, as xdotool prints it.
inline QString windows() {
    return QString::fromUtf8(
        run(QStringLiteral("xdotool"),
            {"search", "--onlyvisible", "--class", "brindlecap", "getwindowgeometry", "%@"}));
}

// Its windows that cover a whole monitor: the overlays.
inline int overlayCount() {
    return int(windows().count(QStringLiteral("Geometry: 1920x1080")));
}

// A left-button drag through the middle, as a hand would; the program then has time to settle.
inline void drag(QPoint from, QPoint to) {
    const QPoint middle = (from + to) / 2;
    QStringList steps{"mousemove", QString::number(from.x()), QString::number(from.y()),
                      "mousedown", "1"};
    for (const QPoint p : {middle, to})
        steps << "mousemove" << QString::number(p.x()) << QString::number(p.y());
    xdotool(steps << "mouseup"
                  << "1");
    QTest::qWait(300);
}

// The clipboard's PNG, read back as another client would.
inline QImage clipboardImage() {
    return QImage::fromData(
        run(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "image/png", "-o"}));
}

inline QString historyFolder() {
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Brindlecap/Recientes");
}

// Whether another client holds Shift+Ctrl+9 (X keycode 18): grabbing it ourselves is refused.
inline bool areaShortcutTaken() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    constexpr uint16_t modifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL;
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_grab_key_checked(c, 1, root, modifiers, 18, XCB_GRAB_MODE_ASYNC,
                                                  XCB_GRAB_MODE_ASYNC));
    const bool taken = error && error->error_code == 10;
    if (!error)
        xcb_ungrab_key(c, 18, root, modifiers);
    std::free(error);
    xcb_disconnect(c);
    return taken;
}

// A private runtime folder in the test's home, so the program's single-instance socket is the
// test's own; returns it, or nothing when the home folder is not the test's.
inline QString useOwnRuntimeFolder() {
    const QString home = QDir::homePath();
    if (!home.contains(QLatin1String("test-home")))
        return {};
    const QString runtime = home + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    return runtime;
}

// Starts the program with its own runtime folder and the first-run welcome marked as shown (it
// has its own test), and waits until it listens for commands and holds its shortcuts.
inline bool start(QProcess& program) {
    const QString runtime = useOwnRuntimeFolder();
    if (runtime.isEmpty())
        return false;
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brindlecap", "Brindlecap")
        .setValue("didShowWelcome", true);
    // A socket left by an earlier run would let the wait below pass before the program listens.
    const QString socket = runtime + QStringLiteral("/brindlecap.socket");
    QFile::remove(socket);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(BRINDLECAP_BINARY), {});
    // The socket appears twice: first while the program checks for another instance, before it
    // opens its windows. Its shortcuts are taken only after it listens for good.
    return program.waitForStarted() &&
           QTest::qWaitFor([&] { return QFile::exists(socket) && areaShortcutTaken(); }, waitMs);
}

// `brindlecap <name>` handed to the running program: its exit status, -1 when it hung.
inline int command(const QString& name) {
    QProcess second;
    second.start(QStringLiteral(BRINDLECAP_BINARY), {name});
    if (!second.waitForFinished(waitMs)) {
        second.kill();
        second.waitForFinished();
        return -1;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
}

inline void stop(QProcess& program) {
    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();
    program.waitForFinished(5000);
}

} // namespace RunningProgram

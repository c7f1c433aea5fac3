#pragma once

// Driving the real program from an end-to-end test as a user would: commands, xdotool for the
// keyboard and mouse, xdotool's window list for what is on the screen, xclip for the clipboard.
#include "TestHome.h"
#include "platform/X11.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <functional>

// What the program shows or writes may take this long under load.
inline constexpr int waitMs = 10000;
#define WAIT_VERIFY(condition) QTRY_VERIFY_WITH_TIMEOUT(condition, waitMs)
#define WAIT_COMPARE(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, waitMs)

inline bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, waitMs);
}

struct Run {
    int status = -1; // the exit code; -1 when it crashed or hung
    QByteArray out, err;
};

// `program arguments` run to its end, `meanwhile` done once it started.
inline Run run(
    const QString& program, const QStringList& arguments,
    const std::function<void()>& meanwhile = [] {}) {
    QProcess process;
    process.start(program, arguments);
    meanwhile();
    const bool ended =
        process.waitForFinished(2 * waitMs) && process.exitStatus() == QProcess::NormalExit;
    process.kill(); // when it hung
    process.waitForFinished();
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

// `brindlecap arguments`: a command handed to the running program, or a script's capture.
inline Run brindlecap(
    const QStringList& arguments, const std::function<void()>& meanwhile = [] {}) {
    return run(QStringLiteral(BRINDLECAP_BINARY), arguments, meanwhile);
}

// xdotool's commands, words apart by spaces, filled in as printf does; what it prints.
template <typename... Fields> QString xdotool(const char* commands, Fields... fields) {
    const QStringList words = QString::asprintf(commands, fields...).split(u' ');
    return QString::fromUtf8(run(u"xdotool"_qs, words).out);
}

// The visible windows xdotool finds with `search` (the program's by default), by id, where they
// are and how big in X pixels.
inline QMap<xcb_window_t, QRect> shown(const char* search = "--class brindlecap") {
    static const QRegularExpression entry(
        uR"(Window (\d+)\s+Position: (-?\d+),(-?\d+)[^\n]*\s+Geometry: (\d+)x(\d+))"_qs);
    QMap<xcb_window_t, QRect> found;
    const QString listed = xdotool("search --onlyvisible %s getwindowgeometry %%@", search);
    for (const auto& m : entry.globalMatch(listed))
        found.insert(m.captured(1).toUInt(), QRect(m.captured(2).toInt(), m.captured(3).toInt(),
                                                   m.captured(4).toInt(), m.captured(5).toInt()));
    return found;
}

// The overlays cover a whole monitor.
inline bool isOverlay(QRect frame) {
    return frame.size() == QSize(1920, 1080);
}
inline int overlayCount() {
    return int(std::ranges::count_if(shown().values(), isOverlay));
}

// Waits for both overlays and their keyboard grab, which follows the first paint.
inline bool overlaysUp() {
    const bool up = waitFor([] { return overlayCount() == 2; });
    QTest::qWait(300);
    return up;
}

// Starts an area capture with its shortcut.
inline bool startArea() {
    xdotool("key shift+ctrl+9");
    return overlaysUp();
}

// Escape until no overlay is left, so a test that failed half-way leaves the keyboard free.
inline bool escapeOverlays() {
    for (int attempt = 0; attempt < 10 && overlayCount() > 0; ++attempt)
        xdotool("key Escape sleep 1");
    return overlayCount() == 0;
}

// A left-button drag through the middle, as a hand would; the program then has time to settle.
inline void drag(QPoint from, QPoint to) {
    const QPoint middle = (from + to) / 2;
    xdotool("mousemove %d %d mousedown 1 mousemove %d %d mousemove %d %d mouseup 1", from.x(),
            from.y(), middle.x(), middle.y(), to.x(), to.y());
    QTest::qWait(300);
}

// The clipboard's contents of `type`, read back as another client would.
inline QByteArray clipboard(const QString& type) {
    return run(u"xclip"_qs, {"-selection", "clipboard", "-t", type, "-o"}).out;
}
inline QImage clipboardImage() {
    return QImage::fromData(clipboard(u"image/png"_qs));
}

inline const QString historyFolder =
    qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Brindlecap/Recientes");

// The PNGs in `folder`, by name.
inline QStringList pngs(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

// A connection of the test's own to the X server, apart from any Qt holds.
struct Server {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    ~Server() { xcb_disconnect(c); }
};

// Whether another client holds Shift+Ctrl+9 (X keycode 18): grabbing it ourselves is refused.
inline bool areaShortcutTaken() {
    const Server x;
    constexpr uint16_t modifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL;
    const auto cookie = xcb_grab_key_checked(x.c, 1, x.root, modifiers, 18, XCB_GRAB_MODE_ASYNC,
                                             XCB_GRAB_MODE_ASYNC);
    const X11::Reply<xcb_generic_error_t> error(xcb_request_check(x.c, cookie));
    // Released before disconnecting, so the program never meets our grab.
    if (!error)
        xcb_ungrab_key(x.c, 18, x.root, modifiers);
    return error && error->error_code == 10;
}

// One pixel of the screen as the X server shows it.
inline QColor screenPixel(QPoint at) {
    const Server x;
    const auto cookie = xcb_get_image(x.c, XCB_IMAGE_FORMAT_Z_PIXMAP, x.root, int16_t(at.x()),
                                      int16_t(at.y()), 1, 1, ~0u);
    const X11::Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(x.c, cookie, nullptr));
    return reply && xcb_get_image_data_length(reply.get()) >= 4
               ? QColor(qFromLittleEndian<QRgb>(xcb_get_image_data(reply.get())))
               : QColor();
}

// A private runtime folder in the test's home, so the program's single-instance socket is the
// test's own, and the first-run welcome marked as shown (it has its own test). Returns the
// socket's path, or nothing when the home folder is not the test's.
inline QString prepare() {
    const QString runtime = QDir::homePath() + QStringLiteral("/run");
    if (!runtime.contains(QLatin1String("test-home")) || !QDir().mkpath(runtime))
        return {};
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brindlecap", "Brindlecap")
        .setValue("didShowWelcome", true);
    return runtime + QStringLiteral("/brindlecap.socket");
}

// Starts the program and waits until it listens for commands and holds its shortcuts.
inline bool start(QProcess& program) {
    const QString socket = prepare();
    if (socket.isEmpty())
        return false;
    // A socket left by an earlier run would let the wait below pass before the program listens.
    QFile::remove(socket);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(BRINDLECAP_BINARY), {});
    // The socket appears twice: first while the program checks for another instance, before it
    // opens its windows. Its shortcuts are taken only after it listens for good.
    return program.waitForStarted() &&
           waitFor([&] { return QFile::exists(socket) && areaShortcutTaken(); });
}

// Asks the program to quit, as its menu would, and waits for it to end.
inline void stop(QProcess& program) {
    if (program.state() == QProcess::Running)
        brindlecap({QStringLiteral("quit")});
    program.waitForFinished(waitMs);
    program.kill(); // when it hung
    program.waitForFinished(5000);
}

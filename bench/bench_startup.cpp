// Starts the real program and times the area shortcut (pressed through XTEST) and `brindlecap area`
// (a second process handing the command over the socket) until the overlays on every monitor are
// on the display, as the program reports with BRINDLE_TRACE=1; also reads the program's resident
// memory when idle and after the captures. Needs an X server with xdotool; scripts/bench.sh runs it
// inside the 4K fixture.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// Captures in a row are cheap to time, and enough of them show whether memory creeps up.
constexpr int runsInARow = 20;
constexpr int runsAfterPause = 8;
constexpr int waitMs = 10000;
constexpr int pauseMs = 5000;
constexpr int fullScreenRuns = 20;

qint64 nowUs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

long rssKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

int visibleWindows() {
    QProcess search;
    search.start(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class", "brindlecap"});
    search.waitForFinished(waitMs);
    return int(search.readAllStandardOutput().count('\n'));
}

// Presses the area shortcut (Shift+Ctrl+9) as a keyboard would, through XTEST.
class Keyboard {
public:
    Keyboard() : m_c(xcb_connect(nullptr, nullptr)), m_symbols(xcb_key_symbols_alloc(m_c)) {}
    ~Keyboard() {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_c);
    }
    bool ready() const { return !xcb_connection_has_error(m_c) && code(0x39); }

    // Returns the time of the press that completes the combination.
    qint64 pressAreaShortcut() {
        const xcb_keycode_t shift = code(0xffe1), control = code(0xffe3), nine = code(0x39);
        send(XCB_KEY_PRESS, shift);
        send(XCB_KEY_PRESS, control);
        sync();
        const qint64 pressed = nowUs();
        send(XCB_KEY_PRESS, nine);
        for (xcb_keycode_t key : {nine, control, shift})
            send(XCB_KEY_RELEASE, key);
        xcb_flush(m_c);
        return pressed;
    }

private:
    xcb_keycode_t code(xcb_keysym_t symbol) const {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, symbol);
        const xcb_keycode_t first = codes ? codes[0] : 0;
        std::free(codes);
        return first;
    }
    void send(uint8_t type, xcb_keycode_t key) {
        xcb_test_fake_input(m_c, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    void sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }

    xcb_connection_t* m_c;
    xcb_key_symbols_t* m_symbols;
};

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Reads the program's output until it reports painted overlays; the report's time, or -1.
qint64 waitForTrace(QProcess& program) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < waitMs) {
        while (program.canReadLine()) {
            const QByteArray line = program.readLine().trimmed();
            if (line.startsWith("overlays-shown "))
                return line.mid(15).toLongLong();
        }
        program.waitForReadyRead(100);
    }
    return -1;
}

bool waitUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < waitMs) {
        if (condition())
            return true;
        QThread::msleep(20);
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString runtime = home.path() + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(home.path() + QStringLiteral("/.config/Brindlecap"));
    QFile conf(home.path() + QStringLiteral("/.config/Brindlecap/Brindlecap.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        return 1;
    const QString saveFolderPath = home.path() + QStringLiteral("/Guardadas");
    conf.write("[General]\ndidShowWelcome=true\nsaveFolder=" + saveFolderPath.toUtf8() + "\n");
    conf.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("BRINDLE_TRACE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.start(QStringLiteral(BRINDLECAP_BINARY), {});
    if (!program.waitForStarted() ||
        !waitUntil([&] { return QFile::exists(runtime + QStringLiteral("/brindlecap.socket")); })) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    QThread::msleep(1500);
    const long idleKb = rssKb(program.processId());

    // Memory freed by a capture is handed back to the system within seconds, and fresh memory
    // costs far more to touch than memory just released: captures in a row and captures after a
    // pause are timed apart, each from the shortcut and from the command.
    struct Series {
        const char* name;
        bool shortcut;
        bool paused;
        QList<double> ms;
    };
    QList<Series> series{{"Shift+Ctrl+9, captures in a row", true, false, {}},
                         {"Shift+Ctrl+9, each after a 5 s pause", true, true, {}},
                         {"`brindlecap area`, captures in a row", false, false, {}},
                         {"`brindlecap area`, each after a 5 s pause", false, true, {}}};
    Keyboard keyboard;
    if (!keyboard.ready()) {
        std::fprintf(stderr, "no X server with a 9 key to press\n");
        return 1;
    }
    long afterFirstKb = 0, afterTenKb = 0;
    int done = 0;
    for (Series& s : series) {
        for (int i = 0; i < (s.paused ? runsAfterPause : runsInARow); ++i) {
            if (s.paused)
                QThread::msleep(pauseMs);
            QProcess command;
            command.setProcessEnvironment(env);
            qint64 start = nowUs();
            if (s.shortcut)
                start = keyboard.pressAreaShortcut();
            else
                command.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("area")});
            const qint64 shown = waitForTrace(program);
            command.waitForFinished(waitMs);
            if (shown < 0) {
                std::fprintf(stderr, "%s: the overlays never showed\n", s.name);
                program.kill();
                return 1;
            }
            s.ms.append((shown - start) / 1000.0);
            QThread::msleep(200);
            QProcess::execute(QStringLiteral("xdotool"), {"key", "Escape"});
            if (!waitUntil([] { return visibleWindows() == 0; })) {
                std::fprintf(stderr, "%s: Escape did not end the capture\n", s.name);
                program.kill();
                return 1;
            }
            if (++done == 1 || done == 10) {
                QThread::msleep(1000);
                (done == 1 ? afterFirstKb : afterTenKb) = rssKb(program.processId());
            }
        }
    }
    QThread::msleep(1500);
    const long afterKb = rssKb(program.processId());

    // Full-screen captures in a row, each waited for until its file is in the save folder.
    const QDir saveFolder(saveFolderPath);
    const auto saved = [&] { return saveFolder.entryList({QStringLiteral("*.png")}).size(); };
    long afterOneFullKb = 0, afterAllFullKb = 0;
    for (int i = 0; i < fullScreenRuns; ++i) {
        const qsizetype before = saved();
        QProcess command;
        command.setProcessEnvironment(env);
        command.start(QStringLiteral(BRINDLECAP_BINARY), {QStringLiteral("full")});
        command.waitForFinished(waitMs);
        if (!waitUntil([&] { return saved() > before; })) {
            std::fprintf(stderr, "full-screen capture %d wrote no file\n", i + 1);
            program.kill();
            return 1;
        }
        if (i == 0 || i == fullScreenRuns - 1) {
            QThread::msleep(1500);
            (i == 0 ? afterOneFullKb : afterAllFullKb) = rssKb(program.processId());
        }
    }

    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();

    for (const Series& s : series)
        std::printf("to both overlays on the display, %s: median %.1f ms (min %.1f, max %.1f, "
                    "%d runs)\n",
                    s.name, median(s.ms), *std::min_element(s.ms.begin(), s.ms.end()),
                    *std::max_element(s.ms.begin(), s.ms.end()), int(s.ms.size()));
    std::printf(
        "resident memory: idle %.1f MB, after 1 capture %.1f MB, after 10 %.1f MB, after %d "
        "%.1f MB\n",
        idleKb / 1024.0, afterFirstKb / 1024.0, afterTenKb / 1024.0, done, afterKb / 1024.0);
    std::printf("resident memory: after 1 full-screen capture %.1f MB, after %d in a row %.1f MB "
                "(goal: within 10 MB)\n",
                afterOneFullKb / 1024.0, fullScreenRuns, afterAllFullKb / 1024.0);
    return 0;
}

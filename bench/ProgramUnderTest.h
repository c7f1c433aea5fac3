#pragma once

// What the X11 benchmarks share to drive the real program: the clock its BRINDLE_TRACE lines use,
// its resident memory, its visible windows, and a keyboard that presses shortcuts through XTEST.
#include "Timing.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

inline constexpr int waitMs = 10000;

inline qint64 nowUs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

inline long rssKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

inline int visibleWindows() {
    QProcess search;
    search.start(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class", "brindlecap"});
    search.waitForFinished(waitMs);
    return int(search.readAllStandardOutput().count('\n'));
}

// Reads the program's output until it prints a trace line starting with `tag`; its time, or -1.
inline qint64 waitForTrace(QProcess& program, const QByteArray& tag, int timeoutMs = waitMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        while (program.canReadLine()) {
            const QByteArray line = program.readLine().trimmed();
            if (line.startsWith(tag + ' '))
                return line.mid(tag.size() + 1).toLongLong();
        }
        program.waitForReadyRead(100);
    }
    return -1;
}

inline bool waitUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < waitMs) {
        if (condition())
            return true;
        QThread::msleep(20);
    }
    return false;
}

// Presses Shift+Ctrl+<key> as a keyboard would, through XTEST.
class Keyboard {
public:
    Keyboard() : m_c(xcb_connect(nullptr, nullptr)), m_symbols(xcb_key_symbols_alloc(m_c)) {}
    ~Keyboard() {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_c);
    }
    bool ready() const { return !xcb_connection_has_error(m_c) && code(0x39) && code(0x30); }

    // Returns the time of the press that completes the combination.
    qint64 pressShiftControl(xcb_keysym_t key) {
        const xcb_keycode_t shift = code(0xffe1), control = code(0xffe3), last = code(key);
        send(XCB_KEY_PRESS, shift);
        send(XCB_KEY_PRESS, control);
        sync();
        const qint64 pressed = nowUs();
        send(XCB_KEY_PRESS, last);
        for (xcb_keycode_t k : {last, control, shift})
            send(XCB_KEY_RELEASE, k);
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

// A home of its own under `home` for the program (settings, history, single-instance socket), so
// benchmark captures never touch the user's folders; the welcome is marked as shown.
inline QProcessEnvironment privateSession(const QString& home) {
    const QString runtime = home + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(home + QStringLiteral("/.config/Brindlecap"));
    QFile conf(home + QStringLiteral("/.config/Brindlecap/Brindlecap.conf"));
    if (conf.open(QIODevice::WriteOnly))
        conf.write("[General]\ndidShowWelcome=true\n");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("BRINDLE_TRACE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

// Starts the program in that session and waits until it listens for commands.
inline bool startProgram(QProcess& program, const QProcessEnvironment& env) {
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.start(QStringLiteral(BRINDLECAP_BINARY), {});
    const QString socket = env.value(QStringLiteral("XDG_RUNTIME_DIR")) + "/brindlecap.socket";
    if (!program.waitForStarted() || !waitUntil([&] { return QFile::exists(socket); })) {
        std::fprintf(stderr, "the program did not start\n");
        return false;
    }
    return true;
}

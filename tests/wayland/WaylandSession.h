#pragma once

// Driving clients inside the headless sway session from an end-to-end test, as a user would: the
// test itself runs as root and offscreen, while everything it starts in the session (the program,
// wtype, wl-pointer, wl-paste, swaymsg) runs as the session's user through as-user.sh, which
// alone may reach that session's D-Bus. Wayland tests are registered with
// `brindle_add_test(Name WAYLAND)`, which defines BRINDLECAP_BINARY and WL_POINTER.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QSettings>
#include <QTest>

#include <algorithm>
#include <unistd.h>

namespace WaylandSession {

inline constexpr int waitMs = 10000;

struct Result {
    int status = -1; // -1 when it crashed or hung
    QByteArray out;
    QByteArray err;
};

// The session's folder, set by `sway-session.sh run`.
inline QString state() {
    return qEnvironmentVariable("BRINDLE_WAYLAND_STATE");
}

// The session's variables (WAYLAND_DISPLAY, XDG_RUNTIME_DIR, HOME, USER, ...) from STATE/env.
inline QMap<QString, QString> environment() {
    QMap<QString, QString> variables;
    QFile file(state() + QStringLiteral("/env"));
    if (!file.open(QIODevice::ReadOnly))
        return variables;
    for (QString line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        line.remove(QStringLiteral("export "));
        const qsizetype equals = line.indexOf(u'=');
        QString value = line.mid(equals + 1);
        if (value.startsWith(u'\'') && value.endsWith(u'\''))
            value = value.mid(1, value.size() - 2);
        variables.insert(line.left(equals), value);
    }
    return variables;
}

// as-user.sh STATE followed by `command`, for a QProcess.
inline QStringList asUser(const QStringList& command) {
    return QStringList{qEnvironmentVariable("BRINDLE_SOURCE_DIR") +
                           QStringLiteral("/tests/wayland/as-user.sh"),
                       state()} +
           command;
}

// Runs `command` (leading VAR=VALUE words set its environment) inside the session and waits.
inline Result run(const QStringList& command, const QByteArray& input = {},
                  int timeoutMs = waitMs) {
    QProcess process;
    const QStringList line = asUser(command);
    process.start(line.first(), line.mid(1));
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// `swaymsg -t TYPE` as JSON: get_outputs, get_seats, get_tree, ...
inline QJsonDocument swaymsg(const QString& type) {
    return QJsonDocument::fromJson(
        run({QStringLiteral("swaymsg"), QStringLiteral("-t"), type}).out);
}

// A sway command (bindsym ..., seat ..., [criteria] move ...): whether sway carried it out.
inline bool swayCommand(const QString& command) {
    const QJsonArray answers =
        QJsonDocument::fromJson(run({QStringLiteral("swaymsg"), command}).out).array();
    return !answers.isEmpty() &&
           std::all_of(answers.begin(), answers.end(),
                       [](const QJsonValue& a) { return a[QLatin1String("success")].toBool(); });
}

// The output sway has focused (the one under the pointer after it moved).
inline QString focusedOutput() {
    for (const QJsonValue output : swaymsg(QStringLiteral("get_outputs")).array())
        if (output[QLatin1String("focused")].toBool())
            return output[QLatin1String("name")].toString();
    return {};
}

// Keys through wtype, with a pause between events (without it the first key is lost), e.g.
// keys({"-M", "ctrl", "-M", "shift", "9", "-m", "shift", "-m", "ctrl"}) or keys({"-k", "Escape"}).
inline bool keys(const QStringList& wtypeArguments) {
    return run(QStringList{QStringLiteral("wtype"), QStringLiteral("-s"), QStringLiteral("1")} +
               wtypeArguments)
               .status == 0;
}

// The clipboard as another client reads it (data-control, needs no focus).
inline QByteArray clipboard(const QString& type = QStringLiteral("image/png")) {
    const Result pasted =
        run({QStringLiteral("wl-paste"), QStringLiteral("-n"), QStringLiteral("-t"), type});
    return pasted.status == 0 ? pasted.out : QByteArray();
}

inline QImage clipboardImage() {
    return QImage::fromData(clipboard(), "PNG");
}

inline bool setClipboard(const QByteArray& data, const QString& type) {
    return run({QStringLiteral("wl-copy"), QStringLiteral("-t"), type}, data).status == 0;
}

// A virtual pointer device that exists as long as this object; positions are layout
// coordinates in logical pixels (HEADLESS-2 spans 1920..2880 x 0..540).
class Pointer {
public:
    Pointer() {
        const QStringList line = asUser({QStringLiteral(WL_POINTER)});
        m_tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_tool.start(line.first(), line.mid(1));
    }
    ~Pointer() {
        m_tool.closeWriteChannel();
        if (!m_tool.waitForFinished(waitMs))
            m_tool.kill();
        m_tool.waitForFinished();
    }
    Pointer(const Pointer&) = delete;
    Pointer& operator=(const Pointer&) = delete;

    bool move(QPoint to) { return send(QStringLiteral("move %1 %2").arg(to.x()).arg(to.y())); }
    bool press() { return send(QStringLiteral("press")); }
    bool release() { return send(QStringLiteral("release")); }
    bool click() { return send(QStringLiteral("click")); }
    // A drag in steps, so the program sees motion with the button held.
    bool drag(QPoint from, QPoint to) {
        return move(from) && press() && move((from + to) / 2) && move(to) && release();
    }

    // Sends one command line and waits until the compositor has handled it.
    bool send(const QString& command) {
        if (m_tool.state() != QProcess::Running && !m_tool.waitForStarted())
            return false;
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

// Hands `path` to the session's user: the test runs as root, the program as that user.
inline void giveToUser(const QString& path) {
    const QString user = environment().value(QStringLiteral("USER"));
    if (geteuid() == 0 && !user.isEmpty())
        QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), user + u':', path});
}

// The program's own home inside the session, one per test (named after the test's own home),
// owned by the session's user.
inline QString programHome() {
    const QString home =
        environment().value(QStringLiteral("HOME")) + u'/' + QFileInfo(QDir::homePath()).fileName();
    QDir().mkpath(home + QStringLiteral("/.config"));
    giveToUser(home);
    return home;
}

// VAR=VALUE words that keep the program's settings, captures and history in programHome().
inline QStringList programEnvironment() {
    const QString home = programHome();
    return {QStringLiteral("HOME=") + home,
            QStringLiteral("XDG_CONFIG_HOME=") + home + QStringLiteral("/.config"),
            QStringLiteral("XDG_DATA_HOME=") + home + QStringLiteral("/.local/share"),
            QStringLiteral("XDG_CACHE_HOME=") + home + QStringLiteral("/.cache"),
            QStringLiteral("XDG_PICTURES_DIR=") + home + QStringLiteral("/Pictures"),
            QStringLiteral("QT_QPA_PLATFORMTHEME=")};
}

// Where the program listens for commands: one program per session at a time.
inline QString socket() {
    return environment().value(QStringLiteral("XDG_RUNTIME_DIR")) +
           QStringLiteral("/brindlecap.socket");
}

// Starts the program in the session with the first-run welcome marked as shown (it has its own
// test), and waits until it listens for commands.
inline bool start(QProcess& program) {
    const QString config = programHome() + QStringLiteral("/.config");
    QSettings(config + QStringLiteral("/Brindlecap/Brindlecap.conf"), QSettings::IniFormat)
        .setValue("didShowWelcome", true);
    giveToUser(config);
    // A socket left by an earlier run would let the wait below pass before the program listens.
    QFile::remove(socket());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    const QStringList line = asUser(programEnvironment() << QStringLiteral(BRINDLECAP_BINARY));
    program.start(line.first(), line.mid(1));
    return program.waitForStarted() &&
           QTest::qWaitFor([] { return QFile::exists(socket()); }, waitMs);
}

// `brindlecap ARGUMENTS` as the session's user would type it (handed to the running program, or
// starting one).
inline Result brindlecap(const QStringList& arguments, int timeoutMs = waitMs) {
    return run(programEnvironment() << QStringLiteral(BRINDLECAP_BINARY) << arguments, {},
               timeoutMs);
}

inline void stop(QProcess& program) {
    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();
    program.waitForFinished(5000);
}

// main() of a Wayland test: `TEST --client WHAT` runs `client` (a probe started inside the
// session, as its user); otherwise the tests, which ctest runs through `sway-session.sh run`.
template <typename Test> int testMain(int argc, char** argv, int (*client)(int, char**) = nullptr) {
    if (client && argc == 3 && qstrcmp(argv[1], "--client") == 0)
        return client(argc, argv);
    if (state().isEmpty()) {
        qCritical("run inside the sway session: sway-session.sh run STATE %s", argv[0]);
        return 1;
    }
    QCoreApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace WaylandSession

#pragma once

// Driving clients inside the headless sway session from an end-to-end test, as a user would: the
// test itself runs as root and offscreen, while everything it starts in the session (the program,
// wtype, wl-pointer, wl-paste, grim, swaymsg) runs as the session's user through as-user.sh, which
// alone may reach that session's D-Bus. Wayland tests are registered with
// `brindle_add_test(Name WAYLAND)`, which defines BRINDLECAP_BINARY and WL_POINTER.
#include "wayland/SessionEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QSettings>
#include <QTest>

#include <unistd.h>

namespace WaylandSession {

inline constexpr int waitMs = 10000;

struct Result {
    int status = -1; // -1 when it crashed or hung
    QByteArray out;
};

// The session's folder, set by `sway-session.sh run`.
inline QString state() {
    return qEnvironmentVariable("BRINDLE_WAYLAND_STATE");
}

// One of the session's variables (HOME, USER, XDG_RUNTIME_DIR, ...).
inline QString variable(const QString& name) {
    return sessionEnvironment(state()).value(name);
}

// as-user.sh STATE followed by `command`, for a QProcess.
inline QStringList asUser(const QStringList& command) {
    return QStringList{qEnvironmentVariable("BRINDLE_SOURCE_DIR") + u"/tests/wayland/as-user.sh"_qs,
                       state()} +
           command;
}

// Runs `command` (leading VAR=VALUE words set its environment) inside the session and waits.
inline Result run(const QStringList& command, const QByteArray& input = {}) {
    QProcess process;
    const QStringList line = asUser(command);
    process.start(line.first(), line.mid(1));
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(waitMs))
        process.kill();
    process.waitForFinished();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput()};
}

// `swaymsg -t TYPE` as JSON: get_outputs, get_tree, ...
inline QJsonDocument swaymsg(const QString& type) {
    return QJsonDocument::fromJson(run({u"swaymsg"_qs, u"-t"_qs, type}).out);
}

// Keys through wtype, e.g. keys({"-k", "Escape"}).
inline bool keys(const QStringList& wtypeArguments) {
    return run(QStringList{u"wtype"_qs, u"-s"_qs, u"1"_qs} + wtypeArguments).status == 0;
}

// The clipboard as another client reads it (data-control, needs no focus).
inline QByteArray clipboard(const QString& type = u"image/png"_qs) {
    const Result pasted = run({u"wl-paste"_qs, u"-n"_qs, u"-t"_qs, type});
    return pasted.status == 0 ? pasted.out : QByteArray();
}

inline bool setClipboard(const QByteArray& data, const QString& type) {
    return run({u"wl-copy"_qs, u"-t"_qs, type}, data).status == 0;
}

// A virtual pointer device that exists as long as this object; positions are layout
// coordinates in logical pixels (HEADLESS-2 spans 1920..2880 x 0..540).
class Pointer {
public:
    Pointer() {
        QRect layout;
        for (const QJsonValue output : swaymsg(u"get_outputs"_qs).array()) {
            const QJsonObject r = output[u"rect"_qs].toObject();
            layout |= QRect(r[u"x"_qs].toInt(), r[u"y"_qs].toInt(), r[u"width"_qs].toInt(),
                            r[u"height"_qs].toInt());
        }
        const QStringList line =
            asUser({QStringLiteral(WL_POINTER), QString::number(layout.right() + 1),
                    QString::number(layout.bottom() + 1)});
        m_tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_tool.start(line.first(), line.mid(1));
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
        while (!m_tool.canReadLine()) {
            if (!m_tool.waitForReadyRead(waitMs))
                return false;
        }
        const QByteArray answer = m_tool.readLine().trimmed();
        if (answer != "ok")
            qWarning("wl-pointer: %s", answer.constData());
        return answer == "ok";
    }

private:
    QProcess m_tool;
};

// The program's own home inside the session, one per test (named after the test's own home) and
// owned by the session's user, who runs the program.
inline QString programHome() {
    const QString home = variable(u"HOME"_qs) + u'/' + QFileInfo(QDir::homePath()).fileName();
    QDir().mkpath(home + u"/.config"_qs);
    if (geteuid() == 0)
        QProcess::execute(u"chown"_qs, {u"-R"_qs, variable(u"USER"_qs) + u':', home});
    return home;
}

// VAR=VALUE words that keep the program's settings, captures and history in programHome().
inline QStringList programEnvironment() {
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
inline bool start(QProcess& program, const QStringList& extra = {}) {
    // programEnvironment() below hands these settings to the session's user.
    QSettings(programHome() + u"/.config/Brindlecap/Brindlecap.conf"_qs, QSettings::IniFormat)
        .setValue("didShowWelcome", true);
    program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    const QStringList line =
        asUser(programEnvironment() + extra << QStringLiteral(BRINDLECAP_BINARY));
    program.start(line.first(), line.mid(1));
    // It listens for commands early but answers them only after its start-up, which ends by
    // naming its clipboard back-end; under load a command sent before that times out.
    if (!program.waitForStarted())
        return false;
    QByteArray said;
    return QTest::qWaitFor(
        [&] { return (said += program.readAllStandardError()).contains("portapapeles:"); }, waitMs);
}

// `brindlecap ARGUMENTS` as the session's user would type it (handed to the running program).
inline Result brindlecap(const QStringList& arguments) {
    return run(programEnvironment() << QStringLiteral(BRINDLECAP_BINARY) << arguments);
}

// Under load a program's exit can take seconds.
inline void stop(QProcess& program) {
    program.terminate();
    if (!program.waitForFinished(waitMs))
        program.kill();
    program.waitForFinished(waitMs);
}

// main() of a Wayland test: `TEST --client WHAT` runs `client` (a probe started inside the
// session, as its user); otherwise the tests, which ctest runs through `sway-session.sh run`.
template <typename Test> int testMain(int argc, char** argv, int (*client)(int, char**)) {
    if (argc == 3 && qstrcmp(argv[1], "--client") == 0)
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

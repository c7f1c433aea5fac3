#pragma once

// Driving the real program from an end-to-end test as a user would: commands, xdotool for the
// keyboard and mouse, xdotool's window list for what is on the screen.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

namespace RunningProgram {

inline constexpr int waitMs = 10000;

inline QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(waitMs))
        process.kill();
    return process.readAllStandardOutput();
}

inline void xdotool(const QStringList& arguments) {
    run(QStringLiteral("xdotool"), arguments);
}

// Where the program's visible windows are and how big, as xdotool prints it.
inline QString windows() {
    return QString::fromUtf8(
        run(QStringLiteral("xdotool"),
            {"search", "--onlyvisible", "--class", "brindlecap", "getwindowgeometry", "%@"}));
}

// Starts the program in the test's own home (checked), with a private runtime folder so that its
// single-instance socket is the test's own, the modal first-run welcome marked as shown, and
// waits until it listens for commands.
inline bool start(QProcess& program) {
    const QString home = QDir::homePath();
    if (!home.contains(QLatin1String("test-home")))
        return false;
    const QString runtime = home + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brindlecap", "Brindlecap")
        .setValue("didShowWelcome", true);
    // A socket left by an earlier run would let the wait below pass before the program listens.
    const QString socket = runtime + QStringLiteral("/brindlecap.socket");
    QFile::remove(socket);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(BRINDLECAP_BINARY), {});
    return program.waitForStarted() &&
           QTest::qWaitFor([&] { return QFile::exists(socket); }, waitMs);
}

inline void stop(QProcess& program) {
    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();
    program.waitForFinished(5000);
}

} // namespace RunningProgram

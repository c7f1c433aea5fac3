#pragma once

// What the tests that drive the real program on the X server fixture share.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// A private runtime folder in the test's home, so the real program's single-instance socket is
// the test's own; returns it.
inline QString useOwnRuntimeFolder() {
    const QString runtime = QDir::homePath() + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    return runtime;
}

// The program's output, or what it printed before it was killed after ten seconds.
inline QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        process.kill();
    return process.readAllStandardOutput();
}

// Where the program's visible windows are and how big, as xdotool lists them.
inline QString windows() {
    return QString::fromUtf8(
        run(QStringLiteral("xdotool"),
            {"search", "--onlyvisible", "--class", "brindlecap", "getwindowgeometry", "%@"}));
}
